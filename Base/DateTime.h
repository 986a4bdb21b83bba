#pragma once
// A calendar moment in local time: the type shared by the file-name rules, the catalogue, the
// index files and the timeline.
#include <cstdint>
#include <string>

namespace KX_SOFT_BASE {

struct DateTime {
    std::int32_t year = 0;  // four digits
    std::int32_t month = 0;  // 1..12
    std::int32_t day = 0;  // 1..31
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;

    // Breaks a time into local time; a time the C library cannot break leaves all six at 0.
    void FromTimeT(std::int64_t time);
    static DateTime Now();
    // 64-bit: years after 2037 keep their own time. A negative result gives 0.
    std::int64_t ToTimeT() const;
    // 0 when the year is before 1900 or after 3000, the month outside 1..12, or any of day,
    // hour, minute, second negative; otherwise the local time.
    static std::int64_t MakeTimeT(int year, int month, int day, int hour, int minute, int second);
};

// Wall-clock text as people and scripts type it: "YYYY-MM-DD hh:mm:ss", with ".f" to ".fff" or
// without, in local time; with `letterT` also a 'T' in place of the space, as ISO 8601 writes
// it. False, `seconds` untouched, for anything else: other text around it, a field out of its
// range (the 30th of February too, which the calendar would quietly move into March), or a
// time the clock cannot hold (before 1970).
bool ParseWallClockText(const std::string& text, bool letterT, double* seconds);

}  // namespace KX_SOFT_BASE
