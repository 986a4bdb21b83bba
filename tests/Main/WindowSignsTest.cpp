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

TEST_F(WindowSignsTest, ASnapshotAndAFinishedClipAreAnnouncedWithTheirNamesAndFolders) {
    const auto files = Recordings(Channels(2, 1, 8));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(PumpUntil([&] { return m_panels->Grid()->HasFrame(0) == 1; }));
    const std::wstring shots = Wide(m_dir + "/shots/");
    std::filesystem::create_directories(m_dir + "/shots");
    Ui().SnapPicture(0, shots + L"a.bmp", 0);
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->notifications.empty(); }));
    EXPECT_EQ(L"Snapshot saved: a.bmp", m_panels->notifications.back());
    EXPECT_EQ(shots, m_panels->folders[L"Snapshot saved: a.bmp"]);
    EXPECT_TRUE(std::filesystem::exists(m_dir + "/shots/a.bmp"));

    // A snapshot that cannot be written says so, and offers no folder.
    Ui().SnapPicture(0, Wide(m_dir + "/missing/b.bmp"), 0);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->notifications.size() == 2; }));
    EXPECT_EQ(L"The snapshot could not be written: b.bmp", m_panels->notifications.back());
    EXPECT_EQ(0u, m_panels->folders.count(m_panels->notifications.back()));

    // A clip is told when it is finished, not when it starts.
    const std::wstring clips = Wide(m_dir + "/clips/");
    std::filesystem::create_directories(m_dir + "/clips");
    ASSERT_EQ(1, Ui().StartRecord(0, clips + L"one.rvf", 0));
    ASSERT_TRUE(PumpUntil([&] { return m_panels->Grid()->GetRecordState(0) == 1; }));
    EXPECT_EQ(2u, m_panels->notifications.size());
    // Stopped and started again before the stop is answered: each clip is told by its own name.
    Ui().StopRecord(0);
    ASSERT_EQ(1, Ui().StartRecord(0, clips + L"three.rvf", 0));
    ASSERT_TRUE(PumpUntil([&] { return m_panels->notifications.size() == 3; }));
    EXPECT_EQ(L"Clip saved: one.rvf", m_panels->notifications.back());
    EXPECT_EQ(clips, m_panels->folders[L"Clip saved: one.rvf"]);
    Ui().StopRecord(0);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->notifications.size() == 4; }));
    EXPECT_EQ(L"Clip saved: three.rvf", m_panels->notifications.back());
    Ui().StopRecord(0);
    PumpUntil([&] { return m_panels->notifications.size() > 4; }, 300);
    EXPECT_EQ(4u, m_panels->notifications.size()) << "a stop with no clip running says nothing";

    // A window closed while it records finishes its clip first, and tells it.
    ASSERT_EQ(1, Ui().StartRecord(0, clips + L"two.rvf", 0));
    ASSERT_TRUE(PumpUntil([&] { return m_panels->Grid()->GetRecordState(0) == 1; }));
    Ui().CloseFiles(0);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->notifications.size() == 5; }));
    EXPECT_EQ(L"Clip saved: two.rvf", m_panels->notifications.back());
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    EXPECT_GT(std::filesystem::file_size(m_dir + "/clips/two.rvf"), 0u);
}
