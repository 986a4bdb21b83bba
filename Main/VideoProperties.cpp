#include "Main/VideoProperties.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Base/DateTime.h"

namespace {

std::wstring Widen(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

}  // namespace

std::wstring ResolutionText(int width, int height) { return std::to_wstring(width) + L"*" + std::to_wstring(height); }

std::wstring FrameRateText(int value) {
    if (value >= 0) return std::to_wstring(value) + L" fps";
    // One frame every -value/10000 seconds: the rate, then the seconds a frame stays, rounded.
    const double perSecond = 10000.0 / -static_cast<double>(value);
    const int secondsPerFrame = static_cast<int>((0.5 - static_cast<double>(value)) / 10000);
    char text[32];
    std::snprintf(text, sizeof text, "%0.3f (1/%d)", perSecond, secondsPerFrame);
    return Widen(text) + L" fps";
}

std::wstring DurationText(unsigned int start, unsigned int end) {
    unsigned int d = end - start;
    if (end < start || d > 356400) d = 0;
    char text[16];
    std::snprintf(text, sizeof text, "%.2u:%.2u:%.2u", d / 3600, d / 60 % 60, d % 60);
    return Widen(text);
}

namespace {
// "2012-03-15 10:15:00", or "10:15:00" alone.
std::wstring ClockText(std::int64_t time, bool withDate, KX_SOFT_BASE::DateTime* broken) {
    broken->FromTimeT(time);
    const KX_SOFT_BASE::DateTime& t = *broken;
    char text[48];
    if (withDate)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return Widen(text);
}
}  // namespace

std::wstring WallClockSpanText(std::int64_t start, std::int64_t end) {
    if (start <= 0 || end < start) return std::wstring();
    KX_SOFT_BASE::DateTime from, to;
    const std::wstring first = ClockText(start, true, &from);
    to.FromTimeT(end);
    const bool sameDay = from.year == to.year && from.month == to.month && from.day == to.day;
    return first + L" - " + ClockText(end, !sameDay, &to);
}

std::wstring FileSizeText(std::uint64_t bytes) {
    char text[48];
    if (bytes > 1048576)
        std::snprintf(text, sizeof text, "%0.3f MB", static_cast<double>(bytes) / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%0.3f KB", static_cast<double>(bytes) / 1024.0);
    return Widen(text);
}

