#include "Files/NamingRules.h"

#include <boost/regex.hpp>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <random>

#include "Base/StreamConvert.h"

using KX_SOFT_BASE::DateTime;

namespace {

// The grammar, as recorders' names have always been checked (a pattern of pieces, quirks
// included), matched by hand: a pattern engine's backtracking was most of the cost of listing a
// large export. The pieces, on the name's bytes:
//   device   one or more of A-Z a-z 0-9, bytes 0x80-0xFF (any non-ASCII name in its UTF-8 or
//            legacy bytes), ! # $ % ' ( ) * + , - . / : ; = @ [ ] ^ ` { } ~ & (the old class's
//            range "&-;" is 0x26-0x3B: digits and ' * , - . / : but no underscore)
//   "_ch" channel "_"          channel: [1-9][0-9]*
//   stream   optional "main_" or "extra" [1-9][0-9]* "_"
//   start "_" end              each [12]ddd month day hour minute second, where the month is
//                              0?[1-9] or 1[0-2], the day 0?[1-9], [12][0-9] or 3[01], the hour
//                              [01][0-9] or 2[0-3], minute and second [0-5][0-9]
//   tail     nothing, or a non-digit and then anything (the old tail's class held every digit,
//            so any character after its first non-digit one was taken)
// The test suite keeps the pattern as the reference and compares the two on mutated names.

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsDeviceByte(unsigned char c) {
    if (c >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0x26 && c <= 0x3B)) return true;
    switch (c) {
        case '!': case '#': case '$': case '%': case '=': case '@': case '[': case ']': case '^': case '`':
        case '{': case '}': case '~':
            return true;
        default:
            return false;
    }
}

bool NonZeroDigit(const std::string& s, std::size_t at) { return at < s.size() && s[at] >= '1' && s[at] <= '9'; }

// [1-9][0-9]* at `at`; the position after it, or npos.
std::size_t Number(const std::string& s, std::size_t at) {
    if (!NonZeroDigit(s, at)) return std::string::npos;
    while (++at < s.size() && IsDigit(static_cast<unsigned char>(s[at]))) {
    }
    return at;
}

bool TwoDigits(const std::string& s, std::size_t at, char firstLow, char firstHigh, char secondHigh = '9') {
    return at + 1 < s.size() && s[at] >= firstLow && s[at] <= firstHigh && IsDigit(static_cast<unsigned char>(s[at + 1])) &&
           s[at + 1] <= secondHigh;
}

// 0?[1-9], the one- or two-digit form of a month or a day below 10.
bool UpToNine(const std::string& s, std::size_t at, int length) {
    return length == 1 ? NonZeroDigit(s, at) : at < s.size() && s[at] == '0' && NonZeroDigit(s, at + 1);
}

// Every way the date and time may be read at `at` (the month and the day take one or two digits),
// each the position after it; calls `next` with each until it says yes.
template <typename Next>
bool DateTimeAt(const std::string& s, std::size_t at, Next next) {
    if (at + 4 > s.size() || (s[at] != '1' && s[at] != '2')) return false;
    for (std::size_t i = 1; i < 4; ++i)
        if (!IsDigit(static_cast<unsigned char>(s[at + i]))) return false;
    const std::size_t monthAt = at + 4;
    for (int monthLength = 1; monthLength <= 2; ++monthLength) {
        const bool month = UpToNine(s, monthAt, monthLength) || (monthLength == 2 && TwoDigits(s, monthAt, '1', '1', '2'));
        if (!month) continue;
        const std::size_t dayAt = monthAt + monthLength;
        for (int dayLength = 1; dayLength <= 2; ++dayLength) {
            const bool day = UpToNine(s, dayAt, dayLength) ||
                             (dayLength == 2 && (TwoDigits(s, dayAt, '1', '2') || TwoDigits(s, dayAt, '3', '3', '1')));
            if (!day) continue;
            const std::size_t hourAt = dayAt + dayLength;
            const bool time = (TwoDigits(s, hourAt, '0', '1') || TwoDigits(s, hourAt, '2', '2', '3')) &&
                              TwoDigits(s, hourAt + 2, '0', '5') && TwoDigits(s, hourAt + 4, '0', '5');
            if (time && next(hourAt + 6)) return true;
        }
    }
    return false;
}

bool FollowsGrammar(const std::string& s) {
    std::size_t at = 0;
    while (at < s.size() && IsDeviceByte(static_cast<unsigned char>(s[at]))) ++at;
    if (at == 0 || s.compare(at, 3, "_ch") != 0) return false;
    at = Number(s, at + 3);
    if (at == std::string::npos || at >= s.size() || s[at] != '_') return false;
    ++at;
    // "main" and "extra" cannot begin a date, so the stream is there exactly when they are.
    if (s.compare(at, 5, "main_") == 0) {
        at += 5;
    } else if (s.compare(at, 5, "extra") == 0) {
        at = Number(s, at + 5);
        if (at == std::string::npos || at >= s.size() || s[at] != '_') return false;
        ++at;
    }
    return DateTimeAt(s, at, [&](std::size_t afterStart) {
        if (afterStart >= s.size() || s[afterStart] != '_') return false;
        return DateTimeAt(s, afterStart + 1, [&](std::size_t afterEnd) {
            return afterEnd == s.size() || !IsDigit(static_cast<unsigned char>(s[afterEnd]));
        });
    });
}

const boost::regex& DateFolderPattern() {
    static const boost::regex pattern(R"(^([12][0-9]{3})-(0?[1-9]|1[012])-(0?[1-9]|[12][0-9]|3[01])$)",
                                      boost::regex::perl | boost::regex::nosubs);
    return pattern;
}

// The regex engine may give up on a pathological input; that is a name we do not accept.
bool WholeMatch(const std::wstring& name, const boost::regex& pattern) {
    const std::string bytes = KX_SOFT_BASE::WideToNative(name);
    try {
        return boost::regex_match(bytes, pattern);
    } catch (const std::exception&) {
        return false;
    }
}

// One "%Nd" conversion as the C library performs it on these names: blanks are skipped, then an
// optional sign and digits, at most `width` characters in all (0: no limit). False when no digit
// was read. Values are clamped to int instead of overflowing.
bool ReadNumber(const wchar_t*& p, std::size_t width, int& out) {
    while (*p == L' ' || (*p >= L'\t' && *p <= L'\r')) ++p;
    std::size_t used = 0;
    const auto room = [&] { return width == 0 || used < width; };
    bool negative = false;
    if ((*p == L'+' || *p == L'-') && room()) {
        negative = *p == L'-';
        ++p;
        ++used;
    }
    long long value = 0;
    bool any = false;
    while (*p >= L'0' && *p <= L'9' && room()) {
        if (value < 10000000000LL) value = value * 10 + (*p - L'0');
        any = true;
        ++p;
        ++used;
    }
    if (!any) return false;
    if (negative) value = -value;
    out = static_cast<int>(value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : value);
    return true;
}

// "%4d%2d%2d%2d%2d%2d": fixed widths, whatever widths the pattern admitted.
bool ReadDateTime(const wchar_t* p, DateTime& out) {
    int* fields[] = {&out.year, &out.month, &out.day, &out.hour, &out.minute, &out.second};
    const std::size_t widths[] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i)
        if (!ReadNumber(p, widths[i], *fields[i])) return false;
    return true;
}

}  // namespace

int FollowsFileNameGrammar(const std::string& bytes) { return FollowsGrammar(bytes) ? 1 : 0; }

int ParseFileName(const std::wstring& title, CNamingRuleParser& parser) {
    if (!FollowsGrammar(KX_SOFT_BASE::WideToNative(title))) return 0;

    const std::size_t first = title.find(L'_');
    if (first == std::wstring::npos) return 0;
    parser.deviceName = title.substr(0, first);

    const std::size_t second = title.find(L'_', first + 1);
    if (second == std::wstring::npos) return 0;
    // "%*c%*c%d" on the text between the two underscores, which begins with "ch".
    if (second - first - 1 < 2 || title.compare(first + 1, 2, L"ch") != 0) return 0;
    const std::wstring channelText = title.substr(first + 3, second - first - 3);
    const wchar_t* cursor = channelText.c_str();
    int channel = 0;
    if (!ReadNumber(cursor, 0, channel)) return 0;

    std::size_t timeStart = second + 1;
    int stream = 0;
    if (timeStart >= title.size()) return 0;
    if (!(title[timeStart] >= L'0' && title[timeStart] <= L'9')) {
        const std::size_t tagEnd = title.find(L'_', timeStart);
        if (tagEnd == std::wstring::npos) return 0;
        const std::wstring tag = title.substr(timeStart, tagEnd - timeStart);
        if (tag.compare(0, 5, L"extra") == 0) {
            const wchar_t* number = tag.c_str() + 5;
            if (!ReadNumber(number, 0, stream)) return 0;
        } else if (tag != L"main") {
            return 0;
        }
        timeStart = tagEnd + 1;
    }
    // The channel code holds the channel in bits 0-23 and the stream in bits 24-31: a number too
    // large for its bits would be filed as another channel or stream, so such a name does not
    // follow the grammar. Done unsigned so that nothing can overflow.
    if (channel >= (1 << 24) || stream < 0 || stream > 255) return 0;
    parser.channelCode = static_cast<std::int32_t>(static_cast<std::uint32_t>(channel) |
                                                   (static_cast<std::uint32_t>(stream) << 24));

    const std::size_t timeEnd = title.find(L'_', timeStart);
    if (timeEnd == std::wstring::npos) return 0;
    if (!ReadDateTime(title.substr(timeStart, timeEnd - timeStart).c_str(), parser.startTime)) return 0;
    if (!ReadDateTime(title.c_str() + timeEnd + 1, parser.endTime)) return 0;

    const auto start = static_cast<std::uint64_t>(parser.startTime.ToTimeT());
    const auto end = static_cast<std::uint64_t>(parser.endTime.ToTimeT());
    return start < end ? 1 : 0;
}

int ParseDateFolder(const std::wstring& name, CNamingRuleParser& parser) {
    if (!WholeMatch(name, DateFolderPattern())) return 0;
    int year = -1, month = -1, day = -1;
    std::swscanf(name.c_str(), L"%d-%d-%d", &year, &month, &day);
    if (year == -1 || month == -1 || day == -1) return 0;
    parser.folderDate.year = year;
    parser.folderDate.month = month;
    parser.folderDate.day = day;
    return 1;
}

int IsRecordingExtension(const std::wstring& extension) {
    std::wstring lower = extension.substr(0, 7);
    for (wchar_t& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return lower == L".rvf" ? 1 : 0;
}

int MakeCaptureFileName(std::wstring& out, std::int32_t channelCode, std::int64_t time,
                        const std::wstring& extension) {
    DateTime t;
    t.FromTimeT(time);
    // Seeded once per thread from the clock: a fresh seed per call would repeat the number for
    // two captures within one clock tick, and then the second would overwrite the first.
    thread_local std::minstd_rand generator(static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^
        std::hash<const void*>()(&generator)));
    const int r = static_cast<int>(generator() % 10000);

    wchar_t buffer[260];
    const int stream = StreamNumberOf(channelCode);
    if (channelCode == -1)
        std::swprintf(buffer, 260, L"%4d%02d%02d%02d%02d%02d_%d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second, r);
    else if (stream == 0)
        std::swprintf(buffer, 260, L"%4d%02d%02d%02d%02d%02d[%d]_%d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second, ChannelNumberOf(channelCode), r);
    else
        std::swprintf(buffer, 260, L"%4d%02d%02d%02d%02d%02d[%d_%d]_%d", t.year, t.month, t.day, t.hour,
                      t.minute, t.second, ChannelNumberOf(channelCode), stream, r);
    out = buffer;
    out += extension;
    return 1;
}
