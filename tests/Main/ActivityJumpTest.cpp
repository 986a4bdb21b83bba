// Activity in the player: the profiles of a day's files worked out in the background and given to
// the timeline's rows on the UI loop, and N / Shift+N going to the start of the next or previous
// event - across the files of the selected window, across every window of a sync group, and not
// at all (with a notification) when there is none that way; a new opening drops the old files'
// work, and a keeper gone hears nothing more. The recordings are scenes made by the ffmpeg command
// with shapes crossing at known times.
#include <cmath>

#include "../Engine/ActivityScenes.h"
#include "Main/ActivityKeeper.h"
#include "MainTestSupport.h"

using namespace TarvexTest;

namespace {

constexpr unsigned int k10h = 1710496800;  // 2024-03-15 10:00:00, the scenes' names

// A still, noisy scene of `seconds` with one box crossing between `from` and `to`.
ActivityScene Crossing(const std::string& name, int seconds, double from, double to) {
    char filter[200];
    std::snprintf(filter, sizeof filter, "[b][1]overlay=x='10+(t-%g)*50':y=110:enable='between(t,%g,%g)'", from, from, to);
    return {name, seconds, 50, SceneBox("0xE8E8E8", "30x30"), filter, {{from, to}}};
}

class ActivityJumpTest : public MainLogicTest {
protected:
    CPlayManagerUILogic& Ui() { return *m_panels->play; }
    void SetUp() override {
        MainLogicTest::SetUp();
        const std::string folder = m_dir + "/scenes";
        std::filesystem::create_directories(folder);
        // Channel 1: two files, an event in each (10:00:06 and 10:00:42); channel 2: one at 10:00:20.
        for (const ActivityScene& s : {Crossing("CAM_ch1_20240315100000_20240315100030.rvf", 30, 6, 10),
                                       Crossing("CAM_ch1_20240315100030_20240315100100.rvf", 30, 12, 17),
                                       Crossing("CAM_ch2_20240315100000_20240315100030.rvf", 30, 20, 25)}) {
            const std::string path = MakeActivityScene(folder, s);
            ASSERT_FALSE(path.empty()) << "ffmpeg could not make " << s.name;
            m_scenes.push_back(path);
        }
    }
    // The day open over two windows, every file profiled and its strip on the timeline.
    void OpenDay() {
        Drop(m_dir + "/scenes");
        ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
        AskForDay(QUERY_WHOLE_DAY, m_panels->groups[0].day, L"CAM");
        ASSERT_TRUE(PumpUntil([&] { return Ui().Tables().AllRecords().size() == 3 && Ui().PendingOpens() == 0; }));
        ASSERT_TRUE(PumpUntil([&] {
            std::size_t strips = 0;
            for (const auto& row : m_panels->strips) strips += row.second.size();
            return strips == 3;
        }, 60000)) << "every file's profile reaches its row";
    }
    // The window's second shown settles within [from, to].
    bool ShowsBetween(int window, unsigned int from, unsigned int to) {
        return PumpUntil([&] {
            const unsigned int t = Ui().TimeShown(window);
            return t >= from && t <= to;
        });
    }
    std::vector<std::string> m_scenes;
};

}  // namespace

TEST(ActivityJumpRule, ForwardPassesTheSecondShownBackwardGoesBeforeAnEventJustBegun) {
    const std::vector<double> starts = {130.4, 100.2, 160.9};
    double at = 0;
    EXPECT_TRUE(NextActivityStart(starts, 90, true, &at));
    EXPECT_DOUBLE_EQ(100.2, at) << "the nearest after, whatever the order given";
    EXPECT_TRUE(NextActivityStart(starts, 100, true, &at));
    EXPECT_DOUBLE_EQ(130.4, at) << "the start a jump went to is passed";
    EXPECT_FALSE(NextActivityStart(starts, 160, true, &at));
    EXPECT_TRUE(NextActivityStart(starts, 145, false, &at));
    EXPECT_DOUBLE_EQ(130.4, at) << "well inside an event: its own start";
    EXPECT_TRUE(NextActivityStart(starts, 131, false, &at));
    EXPECT_DOUBLE_EQ(100.2, at) << "just after an event's start: the one before";
    EXPECT_FALSE(NextActivityStart(starts, 101, false, &at));
    EXPECT_FALSE(NextActivityStart({}, 101, true, &at));
}

TEST(ActivityJumpRule, AJumpDoesNotPassOverAFileWhoseProfileIsStillToCome) {
    const std::vector<CPendingSpan> pending = {{200, 260}};
    EXPECT_FALSE(JumpPassesPending(pending, 100, true, true, 150)) << "the event comes before the file";
    EXPECT_TRUE(JumpPassesPending(pending, 100, true, true, 300)) << "the file's events may come first";
    EXPECT_TRUE(JumpPassesPending(pending, 100, true, false, 0)) << "none known further, but that file may hold one";
    EXPECT_TRUE(JumpPassesPending(pending, 230, true, true, 300)) << "the rest of the file being shown";
    EXPECT_FALSE(JumpPassesPending(pending, 270, true, false, 0)) << "the file is behind";
    EXPECT_TRUE(JumpPassesPending(pending, 300, false, true, 100));
    EXPECT_FALSE(JumpPassesPending(pending, 300, false, true, 270)) << "the event comes after the file";
    EXPECT_FALSE(JumpPassesPending(pending, 150, false, false, 0)) << "the file is ahead";
    EXPECT_FALSE(JumpPassesPending({}, 100, true, false, 0));
}

TEST_F(ActivityJumpTest, ProfilesReachTheRowsAndNJumpsAcrossTheWindowsFilesUntilThereIsNoMore) {
    OpenDay();
    // Given on the UI loop, one strip a file under its own segment.
    EXPECT_EQ((std::set<KX_SOFT_BASE::KXThreadId>{KX_SOFT_BASE::CurrentThreadId()}), m_panels->stripThreads);
    ASSERT_EQ(2u, m_panels->strips[0].size());
    ASSERT_EQ(1u, m_panels->strips[1].size());
    for (const auto& [window, row] : m_panels->strips)
        for (const auto& [segment, strip] : row) {
            EXPECT_TRUE(m_panels->rows[window].segments.count(segment)) << "a strip under a span of the row";
            EXPECT_GE(strip.levels.size(), 29u);
            ASSERT_EQ(1u, strip.events.size()) << "window " << window;
        }
    std::vector<long long> eventStarts;
    for (const auto& [segment, strip] : m_panels->strips[0]) eventStarts.push_back(strip.events[0].first);
    std::sort(eventStarts.begin(), eventStarts.end());
    EXPECT_NEAR(k10h + 6, eventStarts[0], 1);
    EXPECT_NEAR(k10h + 42, eventStarts[1], 1);
    EXPECT_NEAR(k10h + 20, m_panels->strips[1].begin()->second.events[0].first, 1);
    // The strongest second is in the event, the quiet ones are low.
    const auto& first = m_panels->strips[0].begin()->second;
    EXPECT_GT(*std::max_element(first.levels.begin() + 6, first.levels.begin() + 10), first.levels[25]);

    // Window 0, sync off: its own events only, into its second file, then no further.
    ASSERT_EQ(1, m_panels->commands.Focus(0).ok);
    ASSERT_EQ(1, m_panels->commands.SetPlaying(false).ok);  // the times stay where the jumps put them
    ASSERT_EQ(1, m_panels->commands.Seek(k10h + 1, 0).ok);
    ASSERT_TRUE(ShowsBetween(0, k10h + 1, k10h + 4));
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(true).ok);
    EXPECT_TRUE(ShowsBetween(0, k10h + 5, k10h + 9)) << "the channel 2 event at 10:00:20 is not this window's";
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(true).ok);
    EXPECT_TRUE(PumpUntil([&] { return Plays(0, m_scenes[1]); })) << "the window's next file holds it";
    EXPECT_TRUE(ShowsBetween(0, k10h + 41, k10h + 46));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
    const unsigned int before = Ui().TimeShown(0);
    const CCommandResult none = m_panels->commands.JumpToActivity(true);
    EXPECT_EQ(0, none.ok);
    ASSERT_FALSE(m_panels->notifications.empty());
    EXPECT_EQ(L"No further activity to go to", m_panels->notifications.back());
    EXPECT_TRUE(Plays(0, m_scenes[1])) << "nothing moved";
    EXPECT_LE(Ui().TimeShown(0), before + 3);

    // Back from inside the event: to its own start, then into the first file again.
    ASSERT_EQ(1, m_panels->commands.Seek(k10h + 50, 0).ok);
    ASSERT_TRUE(ShowsBetween(0, k10h + 49, k10h + 51));
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(false).ok);
    EXPECT_TRUE(ShowsBetween(0, k10h + 41, k10h + 43));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(false).ok);
    EXPECT_TRUE(PumpUntil([&] { return Plays(0, m_scenes[0]); }));
    EXPECT_TRUE(ShowsBetween(0, k10h + 5, k10h + 9));
}

TEST_F(ActivityJumpTest, InSyncNGoesToTheNextEventOfAnyWindowAndTheGroupFollows) {
    OpenDay();
    ASSERT_EQ(1, Ui().SetSynPlay(1));
    auto logic = Ui().PlayLogic();
    ASSERT_TRUE(PumpUntil([&] { return OnPlayLoop([logic] { return logic->IsGroupActive(); }) == 1; }));
    Ui().Pause(1);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PauseSettled() == 1; }));
    ASSERT_EQ(1, m_panels->commands.Focus(0).ok);
    ASSERT_EQ(1, m_panels->commands.Seek(k10h + 12, 0).ok);
    ASSERT_TRUE(PumpUntil([&] { return Ui().GroupTime() >= k10h + 11 && Ui().GroupTime() <= k10h + 13; }));
    // A jump goes from the picture the selected window shows, which may come after the clock.
    ASSERT_TRUE(ShowsBetween(0, k10h + 11, k10h + 13));

    // Past window 0's event: the next is window 1's, and the whole group goes there.
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(true).ok);
    EXPECT_TRUE(PumpUntil([&] { return Ui().GroupTime() >= k10h + 19 && Ui().GroupTime() <= k10h + 22; }));
    EXPECT_TRUE(ShowsBetween(1, k10h + 19, k10h + 22));
    ASSERT_TRUE(ShowsBetween(0, k10h + 19, k10h + 22)) << "the selected window follows the group";
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(true).ok);
    EXPECT_TRUE(PumpUntil([&] { return Ui().GroupTime() >= k10h + 41 && Ui().GroupTime() <= k10h + 44; }));
    EXPECT_TRUE(PumpUntil([&] { return Plays(0, m_scenes[1]); }));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
    EXPECT_EQ(0, m_panels->commands.JumpToActivity(true).ok);
    ASSERT_FALSE(m_panels->notifications.empty());
    EXPECT_EQ(L"No further activity to go to", m_panels->notifications.back());

    // And back over the group's events in turn.
    ASSERT_EQ(1, m_panels->commands.JumpToActivity(false).ok);
    EXPECT_TRUE(PumpUntil([&] { return Ui().GroupTime() >= k10h + 19 && Ui().GroupTime() <= k10h + 22; }));
}

TEST_F(ActivityJumpTest, ANewOpeningStopsTheOldFilesWorkAndAGoneKeeperHearsNothingMore) {
    const auto day = Recordings(Channels(1, 6, 10));
    std::set<std::wstring> shown;
    for (const std::string& f : day) shown.insert(Wide(f));
    auto arrived = boost::make_shared<std::vector<std::wstring>>();
    auto keeper = boost::make_shared<CActivityKeeper>(
        [arrived](const std::wstring& path, const MOVRA::ActivityResult&) { arrived->push_back(path); },
        [&shown](const std::wstring& path) { return shown.count(path) > 0; });
    std::vector<std::wstring> paths;
    for (const std::string& f : day) paths.push_back(Wide(f));
    keeper->Want(paths);
    keeper->Want(paths);  // asked again: nothing twice
    ASSERT_TRUE(PumpUntil([&] { return !arrived->empty(); }, 60000));

    // Another day opens: the first day's files are shown no more, the scene is.
    const std::size_t before = arrived->size();
    shown = {Wide(m_scenes[0])};
    keeper->Reopen();
    keeper->Want({Wide(m_scenes[0])});
    ASSERT_TRUE(PumpUntil([&] { return keeper->Find(Wide(m_scenes[0])) && keeper->Outstanding() == 0; }, 60000));
    std::size_t late = 0;  // the old job's file that was being read when it was cancelled, at most
    for (std::size_t i = before; i < arrived->size(); ++i)
        if ((*arrived)[i] != Wide(m_scenes[0])) ++late;
    EXPECT_LE(late, 1u) << "the old day's other files were dropped";
    EXPECT_EQ(1, std::count(arrived->begin(), arrived->end(), Wide(m_scenes[0])));
    ASSERT_EQ(1u, keeper->Find(Wide(m_scenes[0]))->spans.size());

    // Known files are not worked out again; a keeper gone mid-job hears nothing more.
    const std::size_t known = arrived->size();
    keeper->Want({Wide(m_scenes[0])});
    EXPECT_EQ(0u, keeper->Outstanding());
    shown.clear();
    for (const std::string& f : day) shown.insert(Wide(f));
    keeper->Want(paths);
    keeper.reset();  // its profiler stopped: what the job posted is queued already
    auto drained = boost::make_shared<std::atomic<bool>>(false);
    KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([drained] { *drained = true; }));
    ASSERT_TRUE(PumpUntil([&] { return drained->load(); }));
    EXPECT_EQ(known, arrived->size());
}
