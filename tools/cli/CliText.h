#pragma once
// Text for the command line's output: JSON-safe UTF-8 from the catalogue's wide text, and times.
#include <cstdint>
#include <string>

#include "Base/DateTime.h"

// UTF-8 for display and JSON. A byte of the file system's that was not UTF-8 comes out as the four
// characters \xNN, so a name is never lost nor turned into broken JSON.
std::string DisplayText(const std::wstring& text);
std::string FormatDateTime(const KX_SOFT_BASE::DateTime& t);  // "YYYY-MM-DD HH:MM:SS"
std::string FormatDate(const KX_SOFT_BASE::DateTime& t);  // "YYYY-MM-DD"
// Local seconds with their fraction: "YYYY-MM-DD HH:MM:SS.mmm".
std::string FormatWallClock(double seconds);
