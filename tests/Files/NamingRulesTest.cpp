#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "Base/StreamConvert.h"
#include "Files/NamingRules.h"
#include "FilesTestSupport.h"

namespace {

class NamingRules : public TarvexTest::RecordingFolder {
protected:
    bool Parses(const std::wstring& title) { return ParseFileName(title, m_parser) == 1; }
    CNamingRuleParser m_parser;
};

}  // namespace

TEST_F(NamingRules, ReadsDeviceChannelAndTimes) {
    ASSERT_TRUE(Parses(L"DVR_ch1_20120315101500_20120315110000"));
    EXPECT_EQ(L"DVR", m_parser.deviceName);
    EXPECT_EQ(1, m_parser.channelCode);
    const KX_SOFT_BASE::DateTime& s = m_parser.startTime;
    EXPECT_EQ(2012, s.year);
    EXPECT_EQ(3, s.month);
    EXPECT_EQ(15, s.day);
    EXPECT_EQ(10, s.hour);
    EXPECT_EQ(15, s.minute);
    EXPECT_EQ(0, s.second);
    EXPECT_EQ(11, m_parser.endTime.hour);
    EXPECT_EQ(0, m_parser.endTime.minute);
}

TEST_F(NamingRules, StreamTagsGoAboveBit24) {
    ASSERT_TRUE(Parses(L"DVR_ch3_extra2_20120315101500_20120315110000"));
    EXPECT_EQ(3 | (2 << 24), m_parser.channelCode);
    EXPECT_EQ(3, ChannelNumberOf(m_parser.channelCode));
    EXPECT_EQ(2, StreamNumberOf(m_parser.channelCode));
    ASSERT_TRUE(Parses(L"DVR_ch3_main_20120315101500_20120315110000"));
    EXPECT_EQ(3, m_parser.channelCode);
    EXPECT_FALSE(Parses(L"DVR_ch3_extra0_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"DVR_ch3_sub_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"DVR_ch3_mainx_20120315101500_20120315110000"));
    // Numbers too large for their bits would be filed as another channel or stream: such names
    // do not follow the grammar (they become ungrouped files).
    ASSERT_TRUE(Parses(L"DVR_ch3_extra255_20120315101500_20120315110000"));
    EXPECT_EQ(255, StreamNumberOf(m_parser.channelCode));
    EXPECT_FALSE(Parses(L"DVR_ch3_extra256_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"DVR_ch3_extra300_20120315101500_20120315110000"));
    ASSERT_TRUE(Parses(L"DVR_ch16777215_20120315101500_20120315110000"));
    EXPECT_EQ(16777215, ChannelNumberOf(m_parser.channelCode));
    EXPECT_FALSE(Parses(L"DVR_ch16777216_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"DVR_ch16777217_20120315101500_20120315110000")) << "not channel 1 of extra 1";
    EXPECT_FALSE(Parses(L"DVR_ch99999999999_20120315101500_20120315110000"));
}

TEST_F(NamingRules, ChannelsAndTimeOrder) {
    EXPECT_FALSE(Parses(L"DVR_ch0_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"DVR_ch01_20120315101500_20120315110000"));
    EXPECT_TRUE(Parses(L"DVR_ch16_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"DVR_ch1_20120315101500_20120315101500")) << "equal start and end";
    EXPECT_FALSE(Parses(L"DVR_ch1_20120315110000_20120315101500")) << "end before start";
    EXPECT_FALSE(Parses(L"DVR_ch1_20120315241500_20120315250000")) << "hour 24";
}

TEST_F(NamingRules, TailsAndDeviceCharacters) {
    EXPECT_TRUE(Parses(L"DVR_ch1_20120315101500_20120315110000_part"));
    EXPECT_EQ(11, m_parser.endTime.hour) << "the tail is ignored";
    EXPECT_TRUE(Parses(L"DVR_ch1_20120315101500_20120315110000(2)"));
    EXPECT_FALSE(Parses(L"DVR_ch1_20120315101500_201203151100001"));

    EXPECT_FALSE(Parses(L"my_dvr_ch1_20120315101500_20120315110000")) << "no underscore in a device";
    for (const wchar_t* device : {L"front-door", L"cam.2", L"hall(1)", L"\u524d\u95e8", L"gate:3", L"a'b"}) {
        EXPECT_TRUE(Parses(std::wstring(device) + L"_ch1_20120315101500_20120315110000")) << device;
        EXPECT_EQ(device, m_parser.deviceName);
    }
    EXPECT_FALSE(Parses(L"with space_ch1_20120315101500_20120315110000"));
    EXPECT_FALSE(Parses(L"_ch1_20120315101500_20120315110000")) << "empty device";
    EXPECT_FALSE(Parses(L""));
}

TEST_F(NamingRules, OneDigitMonthsPassThePatternButAreReadAtFixedWidths) {
    // 2012-3-15 written as 13 digits: the pattern admits it, the fixed widths read month 31 (which
    // the calendar rolls into 2014, still before this end).
    ASSERT_TRUE(Parses(L"DVR_ch1_2012315101500_20300316110000"));
    EXPECT_EQ(2012, m_parser.startTime.year);
    EXPECT_EQ(31, m_parser.startTime.month);
    EXPECT_EQ(51, m_parser.startTime.day);
}

TEST_F(NamingRules, DateFolders) {
    CNamingRuleParser p;
    ASSERT_EQ(1, ParseDateFolder(L"2012-3-5", p));
    EXPECT_EQ(2012, p.folderDate.year);
    EXPECT_EQ(3, p.folderDate.month);
    EXPECT_EQ(5, p.folderDate.day);
    EXPECT_EQ(1, ParseDateFolder(L"2012-03-05", p));
    EXPECT_EQ(0, ParseDateFolder(L"2012-13-01", p));
    EXPECT_EQ(0, ParseDateFolder(L"12-03-05", p));
    EXPECT_EQ(0, ParseDateFolder(L"2012-03-05x", p));
    EXPECT_EQ(0, ParseDateFolder(L"2012_03_05", p));
}

TEST_F(NamingRules, RecordingExtensionInAnyCase) {
    EXPECT_EQ(1, IsRecordingExtension(L".rvf"));
    EXPECT_EQ(1, IsRecordingExtension(L".RVF"));
    EXPECT_EQ(1, IsRecordingExtension(L".Rvf"));
    EXPECT_EQ(0, IsRecordingExtension(L".rvfx"));
    EXPECT_EQ(0, IsRecordingExtension(L"rvf"));
    EXPECT_EQ(0, IsRecordingExtension(L""));
}

TEST_F(NamingRules, CaptureNames) {
    const std::int64_t t = KX_SOFT_BASE::DateTime::MakeTimeT(2012, 3, 15, 10, 15, 0);
    std::wstring name;
    ASSERT_EQ(1, MakeCaptureFileName(name, 5 | (1 << 24), t, L".jpg"));
    const std::string utf8 = KX_SOFT_BASE::WideToUtf8(name);
    EXPECT_TRUE(std::regex_match(utf8, std::regex(R"(20120315101500\[5_1\]_\d{1,4}\.jpg)"))) << utf8;
    MakeCaptureFileName(name, 7, t, L".bmp");
    EXPECT_TRUE(std::regex_match(KX_SOFT_BASE::WideToUtf8(name), std::regex(R"(20120315101500\[7\]_\d{1,4}\.bmp)")));
    MakeCaptureFileName(name, -1, t, L".rvf");
    EXPECT_TRUE(std::regex_match(KX_SOFT_BASE::WideToUtf8(name), std::regex(R"(20120315101500_\d{1,4}\.rvf)")));

    // Captures made in quick succession must not all share one name.
    std::set<std::wstring> names;
    for (int i = 0; i < 20; ++i) {
        MakeCaptureFileName(name, 7, t, L".bmp");
        names.insert(name);
    }
    EXPECT_GT(names.size(), 15u);
}
