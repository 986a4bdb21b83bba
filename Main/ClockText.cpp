#include "Main/ClockText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Base/DateTime.h"

std::string ClockText(double seconds) {
    KX_SOFT_BASE::DateTime t;
    const double whole = std::floor(seconds);
    t.FromTimeT(static_cast<std::int64_t>(whole));
    const int millis = std::min(999, static_cast<int>(std::lround((seconds - whole) * 1000)));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, millis);
    return text;
}

bool ParseClockText(const std::string& text, double* seconds) {
    return KX_SOFT_BASE::ParseWallClockText(text, false, seconds);
}
