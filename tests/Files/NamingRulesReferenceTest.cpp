// ParseFileName against a reference that follows the grammar's steps literally (the pattern
// assembled from its pieces, the C library's scanf for the fields), on many mutated names: the
// fast field reader must accept and read exactly what the literal steps do.
#include <gtest/gtest.h>

#include <boost/regex.hpp>

#include <cwchar>
#include <random>
#include <string>

#include "Base/StreamConvert.h"
#include "Files/NamingRules.h"

namespace {

// The grammar as recorders' names have always been checked: the pattern of its pieces.
const boost::regex& ReferencePattern() {
    static const boost::regex pattern(
        std::string("^") + R"(([A-Za-z0-9\x80-\xff\$\(\)\.\+\[\]\^\{\}#@%!,~&-;`=']+))" + "_ch" + R"(([1-9]\d*))" +
            "_" + R"((main_|extra([1-9]\d*)_)?)" +
            R"((([12][0-9]{3})(0?[1-9]|1[012])(0?[1-9]|[12][0-9]|3[01])([01][0-9]|2[0-3])([0-5][0-9])([0-5][0-9])))" +
            "_" +
            R"((([12][0-9]{3})(0?[1-9]|1[012])(0?[1-9]|[12][0-9]|3[01])([01][0-9]|2[0-3])([0-5][0-9])([0-5][0-9])))" +
            R"((\D[_\w\.\[\]\+\(\)\{\}\$\+\^\&#@%!~&,-`;=']*)*)" + "$",
        boost::regex::perl);
    return pattern;
}

bool ReferenceParse(const std::wstring& title, CNamingRuleParser& p) {
    if (!boost::regex_match(KX_SOFT_BASE::WideToNative(title), ReferencePattern())) return false;
    const std::size_t a = title.find(L'_'), b = title.find(L'_', a + 1);
    p.deviceName = title.substr(0, a);
    int channel = 0;
    if (std::swscanf(title.substr(a + 1, b - a - 1).c_str(), L"%*c%*c%d", &channel) != 1) return false;
    std::size_t t = b + 1;
    int stream = 0;
    if (!(title[t] >= L'0' && title[t] <= L'9')) {
        const std::size_t e = title.find(L'_', t);
        const std::wstring tag = title.substr(t, e - t);
        if (tag.compare(0, 5, L"extra") == 0) {
            if (std::swscanf(tag.c_str(), L"extra%d", &stream) != 1) return false;
        } else if (tag != L"main") {
            return false;
        }
        t = e + 1;
    }
    if (channel >= (1 << 24) || stream < 0 || stream > 255) return false;  // too large for their bits
    p.channelCode = channel | (stream << 24);
    const std::size_t e = title.find(L'_', t);
    auto& s = p.startTime;
    auto& n = p.endTime;
    if (std::swscanf(title.substr(t, e - t).c_str(), L"%4d%2d%2d%2d%2d%2d", &s.year, &s.month, &s.day, &s.hour,
                     &s.minute, &s.second) != 6)
        return false;
    if (std::swscanf(title.c_str() + e + 1, L"%4d%2d%2d%2d%2d%2d", &n.year, &n.month, &n.day, &n.hour, &n.minute,
                     &n.second) != 6)
        return false;
    return static_cast<std::uint64_t>(s.ToTimeT()) < static_cast<std::uint64_t>(n.ToTimeT());
}

// One to three random edits of `name` (a character replaced, inserted or erased), each new
// character from `pick`.
template <typename Text, typename Pick>
void Mutate(Text& name, std::mt19937& random, Pick pick) {
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits && !name.empty(); ++e) {
        const std::size_t at = random() % name.size();
        const auto c = pick();
        switch (random() % 3) {
        case 0: name[at] = c; break;
        case 1: name.insert(name.begin() + static_cast<std::ptrdiff_t>(at), c); break;
        default: name.erase(at, 1); break;
        }
    }
}

bool Same(const KX_SOFT_BASE::DateTime& a, const KX_SOFT_BASE::DateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

}  // namespace

TEST(NamingRulesReference, FastReaderAcceptsAndReadsWhatTheLiteralStepsDo) {
    const std::wstring seeds[] = {
        L"DVR_ch1_20120315101500_20120315110000",      L"DVR_ch3_extra2_20120315101500_20120315110000_part",
        L"DVR_ch12_main_201231101500_201231111500 +5", L"gate-1_ch7_2012315101500_2013315101500-4",
        L"\u524d\u95e8_ch2_201203151015001_20120315110000(2)",
    };
    const wchar_t alphabet[] = L"0123456789_ch+- \tmainextra.xX\u00e9()";
    std::mt19937 random(12345);
    int accepted = 0;
    for (int round = 0; round < 40000; ++round) {
        std::wstring name = seeds[round % 5];
        Mutate(name, random, [&] { return alphabet[random() % (sizeof alphabet / sizeof alphabet[0] - 1)]; });
        CNamingRuleParser fast, reference;
        const bool f = ParseFileName(name, fast) == 1;
        const bool r = ReferenceParse(name, reference);
        ASSERT_EQ(r, f) << KX_SOFT_BASE::WideToUtf8(name);
        if (!f) continue;
        ++accepted;
        ASSERT_EQ(reference.deviceName, fast.deviceName);
        ASSERT_EQ(reference.channelCode, fast.channelCode) << KX_SOFT_BASE::WideToUtf8(name);
        ASSERT_TRUE(Same(reference.startTime, fast.startTime)) << KX_SOFT_BASE::WideToUtf8(name);
        ASSERT_TRUE(Same(reference.endTime, fast.endTime)) << KX_SOFT_BASE::WideToUtf8(name);
    }
    EXPECT_GT(accepted, 1000) << "the mutations must keep enough names valid to compare fields";
}

// The grammar alone on bytes of every value, against the pattern: the device's odd class, high
// bytes, control characters and the tail's anything-after-a-non-digit.
TEST(NamingRulesReference, TheGrammarAcceptsWhatThePatternDoesOnAnyBytes) {
    const std::string seeds[] = {
        "DVR_ch1_20120315101500_20120315110000",  "A_ch3_extra2_2012315101500_20120315110000_part",
        "x_ch12_main_201231101500_201231111500x", "\xe5\x89\x8d_ch2_20120315101500_20120315110000(2)9",
        "a!#$%&'()*+,-./:;=@[]^`{}~_ch9_2012111101500_20121111101501",
    };
    // Digits, the separators and letters of the grammar most of the time, any byte else.
    const std::string common = "0123456789_chmainextra";
    std::mt19937 random(2024);
    int accepted = 0;
    for (int round = 0; round < 200000; ++round) {
        std::string name = seeds[round % 5];
        Mutate(name, random, [&] { return random() % 2 ? common[random() % common.size()] : static_cast<char>(random() % 256); });
        const bool expected = boost::regex_match(name, ReferencePattern());
        ASSERT_EQ(expected, FollowsFileNameGrammar(name) == 1) << "name bytes: " << ::testing::PrintToString(name);
        accepted += expected;
    }
    EXPECT_GT(accepted, 20000);
}
