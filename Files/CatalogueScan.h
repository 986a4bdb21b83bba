#pragma once
// How an added path becomes a folder scan: a folder is scanned as it is; any other path (a file,
// or a path that does not exist) scans the folder that holds it, so adding one recording adds
// every recording beside it.
#include <string>

// "folder/*.*" for the path.
std::wstring ScanPatternForPath(const std::wstring& path);
