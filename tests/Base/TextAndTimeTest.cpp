#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "Base/DateTime.h"
#include "Base/ProgramPath.h"
#include "Base/StreamConvert.h"
#include "LoopTestSupport.h"

using namespace KX_SOFT_BASE;

TEST(StreamConvert, RoundTripsEveryPlaneAndKeepsBothForms) {
    const std::wstring text = L"DVR_\u901a\u9053_\u00e9_\U0001F4F9.rvf";
    CKXStreamConvert convert(text.c_str(), KX_CP_ACP);
    const std::string utf8 = convert.GetMultiByte();
    EXPECT_EQ("DVR_\xE9\x80\x9A\xE9\x81\x93_\xC3\xA9_\xF0\x9F\x93\xB9.rvf", utf8);
    EXPECT_EQ(text, std::wstring(convert.GetWide()));

    CKXStreamConvert back(utf8.c_str(), KX_CP_UTF8);
    EXPECT_EQ(text, std::wstring(back.GetWide()));
    EXPECT_EQ(utf8, std::string(back.GetMultiByte()));
}

TEST(StreamConvert, InvalidInputBecomesReplacementCharacters) {
    struct Case {
        const char* bytes;
        std::wstring expected;
    } cases[] = {
        {"a\xFF" "b", L"a\uFFFD" L"b"},  // a byte that never starts a sequence
        {"\xC0\xAF", L"\uFFFD\uFFFD"},  // overlong "/" must not sneak through as a separator
        {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},  // overlong three-byte form
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"x\xE4\xB8", L"x\uFFFD"},  // truncated at the end: one replacement for the prefix
        {"\xE4\xB8" "A", L"\uFFFD" L"A"},  // the breaking byte is read again as a lead
        {"\x80\x80", L"\uFFFD\uFFFD"},  // lone continuation bytes
    };
    for (const Case& c : cases) {
        CKXStreamConvert convert(c.bytes, KX_CP_UTF8);
        EXPECT_EQ(c.expected, std::wstring(convert.GetWide())) << "input " << c.bytes;
    }
}

TEST(StreamConvert, PathsKeepBytesThatAreNotUtf8) {
    // A recorder that wrote its device name in a legacy code page: the file must still open.
    const std::string raw = "/rec/\xB1\xB1\xBE\xA9_ch1_\xC0\xAF_\xE4\xB8\x8D.rvf";
    CKXStreamConvert toWide(raw.c_str(), KX_CP_ACP);
    const std::wstring wide = toWide.GetWide();
    EXPECT_TRUE(HasEscapedBytes(wide));
    EXPECT_NE(std::wstring::npos, wide.find(L"\u4e0d.rvf")) << "valid UTF-8 still decodes";
    CKXStreamConvert back(wide.c_str(), KX_CP_ACP);
    EXPECT_EQ(raw, std::string(back.GetMultiByte()));
    // Strict UTF-8 output never carries the raw bytes.
    EXPECT_EQ(std::string::npos, WideToUtf8(wide).find('\xB1'));
    EXPECT_FALSE(HasEscapedBytes(NativeToWide("plain \xE9\x80\x9A")));
}

TEST(StreamConvert, WideSideRepairsSurrogatesAndRejectsOutOfRange) {
    const wchar_t pair[] = {0xD83D, 0xDCF9, 0};  // UTF-16 pair handed over in wchar_t units
    EXPECT_EQ("\xF0\x9F\x93\xB9", WideToUtf8(pair));
    const wchar_t lone[] = {L'a', 0xDC00, L'b', static_cast<wchar_t>(0x110000), 0};
    EXPECT_EQ("a\xEF\xBF\xBD" "b\xEF\xBF\xBD", WideToUtf8(lone));
}

TEST(StreamConvert, EmptyNullAndUnknownCodePages) {
    CKXStreamConvert none;
    ASSERT_NE(nullptr, none.GetWide());
    EXPECT_STREQ("", none.GetMultiByte());
    EXPECT_STREQ(L"", none.GetWide());

    CKXStreamConvert convert;
    EXPECT_STREQ("", convert.FromWide(nullptr, KX_CP_ACP));
    EXPECT_STREQ(L"", convert.FromMultiByte("", KX_CP_UTF8));
    // A page we do not know converts to nothing rather than guessing.
    EXPECT_STREQ("", convert.FromWide(L"abc", 936));
    EXPECT_STREQ(L"abc", convert.GetWide());
    // A conversion replaces both forms.
    convert.FromMultiByte("xyz", KX_CP_ACP);
    EXPECT_STREQ(L"xyz", convert.GetWide());
    EXPECT_STREQ("xyz", convert.GetMultiByte());
}

class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        m_savedTz = tz ? tz : "";
        m_hadTz = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz) setenv("TZ", m_savedTz.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::string m_savedTz;
    bool m_hadTz = false;
};

TEST_F(DateTimeTest, ConvertsBothWaysInLocalTime) {
    const std::int64_t t = DateTime::MakeTimeT(2012, 3, 15, 10, 15, 0);
    EXPECT_EQ(1331806500, t);
    DateTime dt;
    dt.FromTimeT(t);
    EXPECT_EQ(2012, dt.year);
    EXPECT_EQ(3, dt.month);
    EXPECT_EQ(15, dt.day);
    EXPECT_EQ(10, dt.hour);
    EXPECT_EQ(15, dt.minute);
    EXPECT_EQ(0, dt.second);
    EXPECT_EQ(t, dt.ToTimeT());

    setenv("TZ", "CET-1", 1);  // a fixed one-hour offset
    tzset();
    EXPECT_EQ(1331806500 - 3600, DateTime::MakeTimeT(2012, 3, 15, 10, 15, 0));
}

TEST_F(DateTimeTest, YearsAfter2037KeepTheirOwnTime) {
    // UTC: 2038-01-19 03:14:08 is one second past what 32 bits hold.
    EXPECT_EQ(2147483648LL, DateTime::MakeTimeT(2038, 1, 19, 3, 14, 8));
    EXPECT_EQ(4102444800LL, DateTime::MakeTimeT(2100, 1, 1, 0, 0, 0));
    for (const DateTime& d : {DateTime{2038, 6, 1, 12, 30, 5}, DateTime{2099, 12, 31, 23, 59, 59}, DateTime{3000, 6, 1, 0, 0, 0}}) {
        const std::int64_t t = d.ToTimeT();
        EXPECT_GT(t, DateTime::MakeTimeT(2037, 12, 31, 23, 59, 59)) << d.year;
        DateTime back;
        back.FromTimeT(t);
        EXPECT_EQ(d.year, back.year);
        EXPECT_EQ(d.month, back.month);
        EXPECT_EQ(d.day, back.day);
        EXPECT_EQ(d.second, back.second);
    }
    EXPECT_NE(DateTime::MakeTimeT(2037, 6, 1, 12, 30, 5), DateTime::MakeTimeT(2099, 6, 1, 12, 30, 5));
}

TEST_F(DateTimeTest, RangeRulesRefuseImpossibleFields) {
    EXPECT_EQ(0, DateTime::MakeTimeT(1899, 1, 1, 0, 0, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(3001, 1, 1, 0, 0, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(2012, 13, 1, 0, 0, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(2012, 0, 1, 0, 0, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(2012, 1, -1, 0, 0, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(2012, 1, 1, -1, 0, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(2012, 1, 1, 0, -1, 0));
    EXPECT_EQ(0, DateTime::MakeTimeT(2012, 1, 1, 0, 0, -1));
    // Out-of-range but non-negative fields normalise the way mktime does.
    EXPECT_EQ(DateTime::MakeTimeT(2012, 1, 2, 0, 0, 0), DateTime::MakeTimeT(2012, 1, 1, 24, 0, 0));
    // Before 1970 ToTimeT answers 0 instead of a negative time.
    DateTime old{1950, 1, 1, 0, 0, 0};
    EXPECT_EQ(0, old.ToTimeT());
}

// Conversions are cached per day; they must agree with the C library's own on every day of a
// year, across both daylight-saving changes and in the hours that do not exist or occur twice.
TEST_F(DateTimeTest, AgreesWithTheCalendarAcrossDaylightSavingChanges) {
    for (const char* zone : {"CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "UTC", "NZST-12NZDT,M9.5.0,M4.1.0/3"}) {
        setenv("TZ", zone, 1);
        tzset();
        for (int day = 1; day <= 366; ++day)
            for (int hour = 0; hour < 24; ++hour)
                for (int minute : {0, 30, 59}) {
                    std::tm tm{};
                    tm.tm_isdst = -1;
                    tm.tm_year = 2012 - 1900;
                    tm.tm_mon = 0;
                    tm.tm_mday = day;  // mktime rolls the days of January into the year
                    tm.tm_hour = hour;
                    tm.tm_min = minute;
                    std::mktime(&tm);
                    const int month = tm.tm_mon + 1, mday = tm.tm_mday;
                    std::tm again{};
                    again.tm_isdst = -1;
                    again.tm_year = 2012 - 1900;
                    again.tm_mon = month - 1;
                    again.tm_mday = mday;
                    again.tm_hour = hour;
                    again.tm_min = minute;
                    const std::int64_t expected = std::mktime(&again);
                    ASSERT_EQ(expected, DateTime::MakeTimeT(2012, month, mday, hour, minute, 0))
                        << zone << " 2012-" << month << "-" << mday << " " << hour << ":" << minute;
                }
    }
}

TEST_F(DateTimeTest, WallClockTextReadsTheFormsTypedAndNothingElse) {
    const double t = static_cast<double>(DateTime::MakeTimeT(2024, 3, 15, 10, 0, 2));
    double s = -1;
    ASSERT_TRUE(ParseWallClockText("2024-03-15 10:00:02", false, &s));
    EXPECT_EQ(t, s);
    ASSERT_TRUE(ParseWallClockText("2024-03-15 10:00:02.5", false, &s));
    EXPECT_DOUBLE_EQ(t + 0.5, s);
    ASSERT_TRUE(ParseWallClockText("2024-03-15 10:00:02.125", false, &s));
    EXPECT_DOUBLE_EQ(t + 0.125, s);
    ASSERT_TRUE(ParseWallClockText("2024-02-29 23:59:59", false, &s));  // a leap day
    // 'T' between date and time only where the caller takes it.
    EXPECT_FALSE(ParseWallClockText("2024-03-15T10:00:02", false, &s));
    ASSERT_TRUE(ParseWallClockText("2024-03-15T10:00:02.250", true, &s));
    EXPECT_DOUBLE_EQ(t + 0.25, s);

    s = -1;
    for (const char* bad : {"", "2024-03-15", "10:00:02", "2024-03-15 10:00", "2024-03-15 10:00:02 ", "2024-03-15 10:00:02Z",
                            "2024-03-15 10:00:02.", "2024-03-15 10:00:02.1234", "2024-03-15 10:00:02.1x", "2024-03-15_10:00:02",
                            "2024-13-01 00:00:00", "2024-00-10 00:00:00", "2023-02-29 00:00:00", "2024-04-31 00:00:00",
                            "2024-03-15 24:00:00", "2024-03-15 10:60:00", "2024-03-15 10:00:60", "2024-03-15 -1:00:00",
                            "1969-12-31 23:59:59", "noon"}) {
        EXPECT_FALSE(ParseWallClockText(bad, true, &s)) << bad;
        EXPECT_EQ(-1, s) << bad;  // untouched on refusal
    }
}

TEST(ProgramPath, HomeVariableOverridesAndEndsInSlash) {
    TarvexTest::ScopedProgramHome home;
    EXPECT_EQ(home.Path() + "/", GetProgramDirectoryUtf8());
    setenv("TARVEX_HOME", (home.Path() + "/").c_str(), 1);
    EXPECT_EQ(home.Path() + "/", GetProgramDirectoryUtf8());
    EXPECT_EQ(Utf8ToWide(home.Path() + "/"), GetProgramDirectory());
}

TEST(ProgramPath, DefaultsToTheExecutablesFolder) {
    unsetenv("TARVEX_HOME");
    const std::string dir = GetProgramDirectoryUtf8();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ('/', dir.back());
    EXPECT_EQ('/', dir.front());
}
