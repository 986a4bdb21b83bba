#include "Base/DateTime.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace KX_SOFT_BASE {

namespace {

std::int64_t CalendarMkTime(int yearOffset, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_isdst = -1;
    tm.tm_year = yearOffset;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// mktime re-reads the zone's rules on every call (a file status check each time when TZ is not
// set), which made cataloguing a large export crawl. Most days have one UTC offset from midnight
// to midnight; for those a time is its local midnight plus the seconds of the day. The midnight
// and that fact are cached per day and per TZ setting; any other day, and any field out of its
// range, goes through mktime as before.
struct DayEntry {
    int yearOffset = -1, month = 0, day = 0;
    std::int64_t midnight = 0;
    bool uniform = false;
};

struct DayCache {
    std::string tz;
    bool hasTz = false;
    DayEntry entries[64];
};

std::int64_t LocalMkTime(int year, int month, int day, int hour, int minute, int second) {
    // Times are 64-bit: a year after 2037 (a recorder's clock set wrong, or the future) keeps
    // its own time.
    const int offset = year - 1900;
    const int fullYear = year;
    const bool inRange = month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(fullYear, month) &&
                         hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
    if (!inRange) return CalendarMkTime(offset, month, day, hour, minute, second);

    thread_local DayCache cache;
    const char* tz = std::getenv("TZ");
    if ((tz != nullptr) != cache.hasTz || (tz && cache.tz != tz)) {
        cache = DayCache{};
        cache.hasTz = tz != nullptr;
        if (tz) cache.tz = tz;
    }
    DayEntry& entry = cache.entries[static_cast<unsigned>(offset * 372 + month * 31 + day) % 64];
    if (entry.yearOffset != offset || entry.month != month || entry.day != day) {
        entry.yearOffset = offset;
        entry.month = month;
        entry.day = day;
        entry.midnight = CalendarMkTime(offset, month, day, 0, 0, 0);
        const std::int64_t next = CalendarMkTime(offset, month, day + 1, 0, 0, 0);
        const std::int64_t noon = CalendarMkTime(offset, month, day, 12, 0, 0);
        entry.uniform = entry.midnight != -1 && next - entry.midnight == 86400 && noon - entry.midnight == 43200;
    }
    if (!entry.uniform) return CalendarMkTime(offset, month, day, hour, minute, second);
    return entry.midnight + hour * 3600 + minute * 60 + second;
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

bool ParseWallClockText(const std::string& text, bool letterT, double* seconds) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    char separator = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &separator, &h, &mi, &s, &used) != 7) return false;
    if (separator != ' ' && !(letterT && separator == 'T')) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
        return false;
    // The rest is a fraction of 1 to 3 digits or nothing; sscanf stops at the first character it
    // cannot take, so anything after it would otherwise be ignored.
    const std::string rest = text.substr(static_cast<std::size_t>(used));
    double fraction = 0;
    if (!rest.empty()) {
        if (rest[0] != '.' || rest.size() < 2 || rest.size() > 4 || rest.find_first_not_of("0123456789", 1) != std::string::npos)
            return false;
        fraction = std::stod("0" + rest);
    }
    const std::int64_t t = DateTime::MakeTimeT(y, mo, d, h, mi, s);
    if (t <= 0) return false;
    *seconds = static_cast<double>(t) + fraction;
    return true;
}

}  // namespace KX_SOFT_BASE
