#pragma once
// The program directory: where config, language files, skins, index files, snapshots and clips
// live. It is the executable's folder, or $TARVEX_HOME when that is set (tests always set it), and
// it always ends in "/".
#include <string>

namespace KX_SOFT_BASE {

std::string GetProgramDirectoryUtf8();
std::wstring GetProgramDirectory();

}  // namespace KX_SOFT_BASE
