#pragma once
// Makes a folder path, parent by parent. Only the components followed by "/" are made, so a
// folder is passed with its trailing "/".
#include <string>

namespace KX_SOFT_BASE {

// 0 when the path already exists or every missing component was made; -1 at the first component
// that could not be made (the ones before it stay).
int CreateFolderPath(const std::wstring& path);

// The system's own folders (configuration, programs, libraries, devices, kernel views), or a
// folder inside one. A user who runs the player as root can write there, and a snapshot folder
// from a mistyped or hand-edited setting would fill them; they are never a place for our files.
bool IsSystemFolder(const std::wstring& folder);

}  // namespace KX_SOFT_BASE
