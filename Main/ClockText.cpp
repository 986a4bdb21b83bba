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
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
    const std::string rest = text.substr(static_cast<std::size_t>(used));
    double fraction = 0;
    if (!rest.empty()) {
        if (rest[0] != '.' || rest.size() < 2 || rest.size() > 4 || rest.find_first_not_of("0123456789", 1) != std::string::npos)
            return false;
        fraction = std::stod("0" + rest);
    }
    const std::int64_t t = KX_SOFT_BASE::DateTime::MakeTimeT(y, mo, d, h, mi, s);
    if (t <= 0) return false;
    *seconds = static_cast<double>(t) + fraction;
    return true;
}
