#include "tools/cli/CliText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <cstdio>

#include "Base/StreamConvert.h"

std::string DisplayText(const std::wstring& text) {
    if (!KX_SOFT_BASE::HasEscapedBytes(text)) return KX_SOFT_BASE::WideToUtf8(text);
    std::string out;
    std::wstring run;
    for (wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        if (cp < 0xDC80 || cp > 0xDCFF) {
            run += c;
            continue;
        }
        out += KX_SOFT_BASE::WideToUtf8(run);
        run.clear();
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(cp - 0xDC00));
        out += escaped;
    }
    return out + KX_SOFT_BASE::WideToUtf8(run);
}

std::string FormatDateTime(const KX_SOFT_BASE::DateTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buffer;
}

std::string FormatDate(const KX_SOFT_BASE::DateTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buffer;
}

std::string FormatWallClock(double seconds) {
    KX_SOFT_BASE::DateTime t;
    const double whole = std::floor(seconds);
    t.FromTimeT(static_cast<std::int64_t>(whole));
    char millis[16];
    std::snprintf(millis, sizeof millis, ".%03d", std::clamp(static_cast<int>(std::lround((seconds - whole) * 1000)), 0, 999));
    return FormatDateTime(t) + millis;
}
