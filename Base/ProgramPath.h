#pragma once
// The program directory: where config, language files, skins, index files, snapshots and clips
// live. It is the executable's folder, or $TARVEX_HOME when that is set (tests always set it), and
// it always ends in "/".
#include <string>

namespace KX_SOFT_BASE {

std::string GetProgramDirectoryUtf8();
std::wstring GetProgramDirectory();
// The executable's folder, whatever $TARVEX_HOME says; with "/" at its end.
std::string GetExecutableDirectoryUtf8();

}  // namespace KX_SOFT_BASE
