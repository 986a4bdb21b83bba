#include "Base/DateTime.h"

#include <ctime>

namespace KX_SOFT_BASE {

namespace {

// Recordings were stamped by recorders with a 32-bit clock: later years are folded onto its last
// year rather than refused.
constexpr int kLastYearOffset = 137;  // 2037 - 1900

std::int64_t LocalMkTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_isdst = -1;
    int offset = year - 1900;
    tm.tm_year = offset > kLastYearOffset ? kLastYearOffset : offset;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

}  // namespace

void DateTime::FromTimeT(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) {
        *this = DateTime{};
        return;
    }
    year = tm.tm_year + 1900;
    month = tm.tm_mon + 1;
    day = tm.tm_mday;
    hour = tm.tm_hour;
    minute = tm.tm_min;
    second = tm.tm_sec;
}

DateTime DateTime::Now() {
    DateTime now;
    now.FromTimeT(static_cast<std::int64_t>(std::time(nullptr)));
    return now;
}

std::int64_t DateTime::ToTimeT() const {
    const std::int64_t t = LocalMkTime(year, month, day, hour, minute, second);
    return t < 0 ? 0 : t;
}

std::int64_t DateTime::MakeTimeT(int year, int month, int day, int hour, int minute, int second) {
    if (static_cast<unsigned>(year - 1900) > 1100u) return 0;
    if (month < 1 || month > 12) return 0;
    if (day < 0 || hour < 0 || minute < 0 || second < 0) return 0;
    return LocalMkTime(year, month, day, hour, minute, second);
}

}  // namespace KX_SOFT_BASE
