// The road of a dropped path: the catalogue built on the helper loop, the lists in the file list,
// the dropped recording played with the rest of its channel's day, a day spread over windows, the
// reload offer for files gone from the disk, and the busy rule.
#include <fstream>

#include "MainTestSupport.h"

using namespace TarvexTest;

namespace {

class MainFrameLogicTest : public MainLogicTest {};


}  // namespace

TEST_F(MainFrameLogicTest, ADroppedRecordingListsItsFolderAndPlaysItsChannelsDayInStartOrder) {
    const auto files = Recordings(Channels(2, 3));  // ch1: files 0-2, ch2: files 3-5
    ASSERT_EQ(6u, files.size());
    Drop(files[1]);
    ASSERT_TRUE(WaitPlaying(0, files[0])) << "the channel's first file plays in the selected window";
    ASSERT_EQ(1u, m_panels->groups.size());
    EXPECT_EQ(L"DVR", m_panels->groups[0].deviceName);
    EXPECT_EQ(kDay, m_panels->groups[0].day);
    EXPECT_EQ(2u, m_panels->groups[0].channels.size()) << "the whole folder is listed";
    const auto& tables = m_panels->play->Tables();
    // The rest of the channel's day waits in the same window: as records, but for the next file,
    // which is opened (and parked) as the first nears its end.
    ASSERT_TRUE(PumpUntil([&] { return tables.WaitingHandles(0).size() + tables.Unopened(0).size() == 2; }))
        << "once the next file's open (if it started) is answered";
    EXPECT_LE(tables.WaitingHandles(0).size(), 1u);
    const auto waiting = tables.Unopened(0);
    ASSERT_FALSE(waiting.empty());
    EXPECT_EQ(Wide(files[2]), waiting.back().path) << "in start order";
    EXPECT_LT(Current(0)->startKey, waiting.back().startKey);
    EXPECT_LT(0, waiting.back().fileStartTime) << "its span is known from its name";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(1, m_panels->playingMarks[Wide(files[i])]);
    EXPECT_EQ(0u, m_panels->playingMarks.count(Wide(files[3])));
    EXPECT_TRUE(PumpUntil([&] { return m_panels->Grid()->HasFrame(0) == 1; })) << "frames reach the grid";
    EXPECT_EQ(nullptr, Current(1));
    EXPECT_TRUE(m_panels->visible);
}

TEST_F(MainFrameLogicTest, AnUngroupedRecordingPlaysAloneAndAFolderPlaysNothing) {
    const auto files = Recordings(Channels(1, 1, 2));
    std::filesystem::create_directories(m_dir + "/loose");
    const std::string odd = m_dir + "/loose/evidence copy [2] é.rvf";
    std::filesystem::copy_file(files[0], odd);
    Drop(odd);
    ASSERT_TRUE(WaitPlaying(0, odd));
    ASSERT_EQ(1u, m_panels->singles.size());
    EXPECT_EQ(Wide(odd), m_panels->singles[0].path);
    EXPECT_EQ(QUERY_SINGLE_FILE, Current(0)->queryType);
    EXPECT_TRUE(m_panels->play->Tables().WaitingHandles().empty());

    m_panels->play->CloseFiles(-1);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->play->PendingCloses() == 0; }));
    const int builds = static_cast<int>(m_panels->groups.size());
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return m_panels->groups.size() > static_cast<std::size_t>(builds); }));
    ProcessEvents();
    EXPECT_EQ(0, m_panels->play->PendingOpens());
    EXPECT_EQ(nullptr, Current(0)) << "a folder is listed, not played";
    EXPECT_EQ(1, m_panels->lastBuilds) << "the last build played nothing";

    // A folder with nothing to list says so, naming it.
    const std::string empty = m_dir + "/copy of nothing";
    std::filesystem::create_directories(empty + "/2024-03-15");
    std::ofstream(empty + "/2024-03-15/notes.txt") << "x";
    Drop(empty);
    const std::wstring told = L"No recording was found in: " + Wide(empty);
    EXPECT_TRUE(PumpUntil([&] { return !m_panels->notifications.empty() && m_panels->notifications.back() == told; }));
}

TEST_F(MainFrameLogicTest, ADayOfChannels1To4Without3SpreadsOneChannelAWindow) {
    const auto files = Recordings(Channels(4, 1, 2));
    std::filesystem::remove(files[2]);  // channel 3
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    AskForDay(QUERY_WHOLE_DAY, kDay, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return m_panels->play->PendingOpens() == 0 && Current(2); }));
    EXPECT_EQ(1, Current(0)->channelCode);
    EXPECT_EQ(2, Current(1)->channelCode);
    EXPECT_EQ(4, Current(2)->channelCode);
    EXPECT_EQ(nullptr, Current(3));
    EXPECT_NE(m_panels->calls.end(), std::find(m_panels->calls.begin(), m_panels->calls.end(), "SelectLayoutFor 3"));
    EXPECT_GE(m_panels->Grid()->GetWindowCount(), 3);
}

TEST_F(MainFrameLogicTest, UnreadableFilesAreLeftOutAndNamedAndAllGoneLeadsToTheReloadOffer) {
    const auto files = Recordings(Channels(1, 3));
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    // One file gone and one a link to nowhere: the rest of the channel plays, they are named once.
    std::filesystem::remove(files[1]);
    std::filesystem::remove(files[2]);
    std::filesystem::create_symlink(m_dir + "/nowhere.rvf", files[2]);
    AskForDay(QUERY_CHANNEL_OF_DAY, kDay, L"DVR");
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_EQ(1u, m_panels->notifications.size());
    const std::wstring said = m_panels->notifications[0];
    EXPECT_NE(std::wstring::npos, said.find(std::filesystem::path(files[1]).filename().wstring())) << said;
    EXPECT_NE(std::wstring::npos, said.find(std::filesystem::path(files[2]).filename().wstring())) << said;
    EXPECT_EQ(0, m_panels->reloadOffers);
    EXPECT_TRUE(m_panels->play->Tables().Unopened(0).empty()) << "nothing unreadable waits";
    m_panels->play->CloseFiles(-1);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->play->PendingCloses() == 0; }));

    // Nothing of it left to read: the reload is offered and nothing plays.
    std::filesystem::remove(files[0]);
    AskForDay(QUERY_CHANNEL_OF_DAY, kDay, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return m_panels->reloadOffers == 1; }));
    EXPECT_EQ(0, m_panels->play->PendingOpens());
    EXPECT_EQ(nullptr, Current(0));

    // Accepted: everything is deleted from the list and its folders are dropped again.
    m_panels->frame->Reload();
    EXPECT_NE(m_panels->calls.end(), std::find(m_panels->calls.begin(), m_panels->calls.end(), "DeleteChecked"));
    ASSERT_FALSE(m_panels->dropped.empty());
    EXPECT_EQ(Wide(m_dir + "/export/"), m_panels->dropped.back());
}

TEST_F(MainFrameLogicTest, AUsersRequestWhileFilesOpenIsRefusedAndTheProgramsOwnWaits) {
    const auto files = Recordings(Channels(1, 1, 2));
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    COpeningHold opening(*m_panels->play, 3);
    AskForDay(QUERY_CHANNEL_OF_DAY, kDay, L"DVR", -1);
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->notifications.empty(); }));
    EXPECT_EQ(L"This operation can't accomplish as the videos are opening now, please retry later!",
              m_panels->notifications.back());
    AskForDay(QUERY_CHANNEL_OF_DAY, kDay, L"DVR", 2);  // the file list's own, for window 2
    PumpFor(200);
    EXPECT_EQ(nullptr, Current(2)) << "it waits behind the opens under way";
    opening.Release();
    ASSERT_TRUE(WaitPlaying(2, files[0]));
    EXPECT_EQ(1u, m_panels->notifications.size());
}

TEST_F(MainFrameLogicTest, AFileOfAnotherContainerGivenByItselfPlaysAlone) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg command";
    std::filesystem::create_directories(m_dir + "/given");
    const std::string clip = m_dir + "/given/export from a colleague.mp4";
    ASSERT_EQ(0, std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=640x360:rate=30:duration=3 -c:v libx264 -bf 2 '" +
                              clip + "'").c_str()));
    Drop(clip);
    ASSERT_TRUE(WaitPlaying(0, clip));
    EXPECT_EQ(QUERY_SINGLE_FILE, Current(0)->queryType);
    EXPECT_TRUE(PumpUntil([&] { return m_panels->Grid()->HasFrame(0) == 1; }));
    ASSERT_EQ(1u, m_panels->singles.size());
    EXPECT_EQ(Wide(clip), m_panels->singles[0].path);
}
