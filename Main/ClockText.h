#pragma once
// Wall-clock times as the player writes and reads them: "YYYY-MM-DD hh:mm:ss.fff", local time.
#include <string>

std::string ClockText(double seconds);
// "YYYY-MM-DD hh:mm:ss" with or without ".f" to ".fff"; false for anything else.
bool ParseClockText(const std::string& text, double* seconds);
