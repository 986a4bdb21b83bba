// What a play window tells the user about itself and about what just happened: its title names the
// camera, its tooltip the file; a snapshot and a finished clip are announced with their names and
// their folder; a window that moves on to the list's next channel says which one.
#include "MainTestSupport.h"
#include "Files/NamingRules.h"
#include "Main/RecordNames.h"

using namespace TarvexTest;

namespace {

PlayRecord Grouped(const std::wstring& name, std::int32_t channelCode) {
    PlayRecord r;
    r.path = L"/export/2012-03-15/" + name;
    r.queryType = QUERY_CHANNEL_OF_DAY;
    r.channelCode = channelCode;
    return r;
}

class WindowSignsTest : public MainLogicTest {
protected:
    CPlayManagerUILogic& Ui() { return *m_panels->play; }
};

}  // namespace

TEST(WindowTitles, DeviceAndChannelFirstTheFileAndItsSpanInTheTooltip) {
    const PlayRecord main = Grouped(L"FRONTDOOR_ch3_main_20120315101500_20120315110000.rvf", MakeChannelCode(3, 0));
    EXPECT_EQ(L"FRONTDOOR \u00B7 3", WindowTitleOf(main));
    EXPECT_EQ(L"FRONTDOOR_ch3_main_20120315101500_20120315110000.rvf\n2012-03-15 10:15:00 - 11:00:00",
              WindowToolTipOf(main));

    const PlayRecord extra = Grouped(L"DVR_ch12_extra2_20120315235000_20120316001000.rvf", MakeChannelCode(12, 2));
    EXPECT_EQ(L"DVR \u00B7 12 \u00B7 extra2", WindowTitleOf(extra));
    EXPECT_EQ(L"DVR_ch12_extra2_20120315235000_20120316001000.rvf\n2012-03-15 23:50:00 - 2012-03-16 00:10:00",
              WindowToolTipOf(extra))
        << "a span past midnight gives the end's date";

    // Ungrouped: the file's title, whatever its name looks like.
    PlayRecord single;
    single.path = L"/clips/DVR_ch3_main_20120315101500_20120315110000.RVF";
    single.channelCode = -1;
    EXPECT_EQ(L"DVR_ch3_main_20120315101500_20120315110000", WindowTitleOf(single));
    single.path = L"/clips/lobby camera.mp4";
    EXPECT_EQ(L"lobby camera", WindowTitleOf(single));
    EXPECT_EQ(L"lobby camera.mp4", WindowToolTipOf(single)) << "no span known: the name alone";
}

TEST_F(WindowSignsTest, APlayingWindowIsTitledByItsCameraAndTheTitleGoesWithTheFile) {
    MOVRA::SynthOptions o = Channels(2, 1);
    o.device = "FRONTDOOR";
    const auto files = Recordings(o);
    Drop(files[1]);
    ASSERT_TRUE(WaitPlaying(0, files[1]));
    CKXVideoWindow* grid = m_panels->Grid();
    EXPECT_EQ(L"FRONTDOOR \u00B7 2", grid->GetWindowTitle(0));
    const std::wstring tip = grid->GetWindowToolTip(0);
    EXPECT_EQ(0u, tip.find(FileNameOf(Wide(files[1])) + L"\n")) << "the file's name, then its span: " << tip;
    EXPECT_NE(std::wstring::npos, tip.find(L" - "));

    Ui().CloseFiles(0);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0 && !Current(0); }));
    EXPECT_EQ(L"", grid->GetWindowTitle(0));
    EXPECT_EQ(L"", grid->GetWindowToolTip(0)) << "a closed window keeps no description of what it showed";
}
