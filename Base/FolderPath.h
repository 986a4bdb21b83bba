#pragma once
// Makes a folder path, parent by parent. Only the components followed by "/" are made, so a
// folder is passed with its trailing "/".
#include <string>

namespace KX_SOFT_BASE {

// 0 when the path already exists or every missing component was made; -1 at the first component
// that could not be made (the ones before it stay).
int CreateFolderPath(const std::wstring& path);

}  // namespace KX_SOFT_BASE
