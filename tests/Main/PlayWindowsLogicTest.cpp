// The play windows' rules with the real engine: sequence play of a channel in both directions with
// and without "Repeat One", the index saved and read again, the refusals with their messages,
// synchronous play of a day, the timeline seek into a waiting file, and a shutdown mid-way.
#include "Files/IndexFiles.h"
#include "MainTestSupport.h"

using namespace TarvexTest;

namespace {


class PlayWindowsLogicTest : public MainLogicTest {
protected:
    CPlayManagerUILogic& Ui() { return *m_panels->play; }
    // Every file of the window indexed, as the engine reports it.
    bool WaitIndexed(int window) {
        return PumpUntil([&] {
            auto& t = Ui().Tables();
            std::vector<void*> all = t.BoundHandles(window);
            const auto waiting = t.WaitingHandles(window);
            all.insert(all.end(), waiting.begin(), waiting.end());
            for (void* h : all)
                if (!t.RecordOf(h)->indexReady) return false;
            return !all.empty();
        });
    }
    bool WaitSpans() {
        return PumpUntil([&] {
            for (PlayRecord* r : Ui().Tables().AllRecords())
                if (r->fileStartTime < 0) return false;
            return !Ui().Tables().Empty();
        });
    }
    void SyncAcrossFiles(bool reencoded);
    // Pumps until `done`, writing down each file that becomes window 0's current one.
    bool FollowWindow0(std::vector<std::wstring>& seen, const std::function<bool()>& done, int limitMs = 30000) {
        return PumpUntil(
            [&] {
                if (const PlayRecord* r = Current(0))
                    if (seen.empty() || seen.back() != r->path) seen.push_back(r->path);
                return done();
            },
            limitMs);
    }
};

}  // namespace

TEST_F(PlayWindowsLogicTest, AChannelPlaysItsFilesInTurnStopsAtTheLastAndWrapsWithRepeatOne) {
    const auto files = Recordings(Channels(1, 3));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    m_panels->adjacentOpens = 1;  // the list "opens" the next entry: the window keeps its file
    std::vector<std::wstring> seen;
    ASSERT_TRUE(FollowWindow0(seen, [&] { return Plays(0, files[2]) && Current(0)->atEnd == 1; }));
    EXPECT_EQ((std::vector<std::wstring>{Wide(files[0]), Wide(files[1]), Wide(files[2])}), seen);
    EXPECT_NE(m_panels->calls.end(), std::find(m_panels->calls.begin(), m_panels->calls.end(), "OpenAdjacentEntry 1 0 0"))
        << "past the channel's last file the list is asked for the next entry";
    EXPECT_EQ(L"Now playing the next in the list: the next entry", m_panels->notifications.back())
        << "and the move is told";

    // With "Repeat One" the channel starts again at its first file.
    Ui().SetRepeatPlay(1);
    Ui().SeekRelativePos(nullptr, 60.0f, 0);
    seen.clear();
    ASSERT_TRUE(FollowWindow0(seen, [&] { return Plays(0, files[0]); }));
    EXPECT_EQ(Wide(files[0]), seen.back());
}

TEST_F(PlayWindowsLogicTest, BackwardTheChannelPlaysItsFilesInTurnToTheFirst) {
    const auto files = Recordings(Channels(1, 3, 2));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(WaitIndexed(0));
    ASSERT_TRUE(WaitSpans());
    // To the last file's middle, then backward.
    Ui().Seek(kStart + 5, 0);
    ASSERT_TRUE(PumpUntil([&] { return Plays(0, files[2]); }));
    ASSERT_TRUE(WaitIndexed(0)) << "opened for the seek, it is indexed before it plays backward";
    Ui().SetPlayDirection(0);
    EXPECT_FALSE(m_panels->Told(L"System is creating index!Can not play in reverse!"));
    std::vector<std::wstring> seen;
    ASSERT_TRUE(FollowWindow0(seen, [&] { return Plays(0, files[0]) && Current(0)->atEnd == 1; }));
    EXPECT_EQ((std::vector<std::wstring>{Wide(files[2]), Wide(files[1]), Wide(files[0])}), seen);
}

TEST_F(PlayWindowsLogicTest, TheIndexIsSavedAtTheFirstOpenAndReverseWaitsForIt) {
    const auto files = Recordings(Channels(1, 1, 2));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(WaitIndexed(0));
    ASSERT_TRUE(PumpUntil([&] { return IsIndexCurrent(Wide(files[0])) == 1; })) << "written beside the others";

    // While a file is still being indexed, reverse play is refused and the button goes back.
    Current(0)->indexReady = 0;
    EXPECT_EQ(0, Ui().SetPlayDirection(0));
    EXPECT_TRUE(m_panels->Told(L"System is creating index!Can not play in reverse!"));
    EXPECT_TRUE(m_panels->shown.forward) << "the reverse button goes back";
    EXPECT_EQ(1, Current(0)->direction);

    // Reopened unchanged, the file takes its index from the file and plays backward.
    Ui().CloseFiles(-1);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    m_panels->messages.clear();
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(WaitIndexed(0));
    Ui().SetPlayDirection(0);
    EXPECT_TRUE(m_panels->messages.empty());
    EXPECT_EQ(0, Current(0)->direction);
}

TEST_F(PlayWindowsLogicTest, StepsAreRefusedFrom16XOnAndRecordingAwayFromNormalForwardPlay) {
    const auto files = Recordings(Channels(1, 1, 4));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    Ui().SetPlaySpeed(10);  // 16X
    EXPECT_EQ(0, Ui().OneStepPlay(1));
    EXPECT_TRUE(m_panels->Told(L"Can not step play while fast playing upon 16x speed!"));
    m_panels->messages.clear();
    Ui().SetPlaySpeed(9);  // 8X
    EXPECT_EQ(1, Ui().OneStepPlay(1));
    EXPECT_TRUE(m_panels->messages.empty());
    EXPECT_EQ(L"8X", std::wstring(SpeedAt(m_panels->shown.speedPosition).label)) << "the play bar shows the speed";

    Ui().SetPlaySpeed(8);  // 4X
    const std::wstring clip = Wide(m_dir + "/clip.rvf");
    ASSERT_EQ(1, Ui().StartRecord(0, clip, 0));
    const std::wstring refused = L"It can not record as playing under abnormal playing state!";
    ASSERT_TRUE(PumpUntil([&] { return m_panels->Told(refused); }));
    EXPECT_EQ(0, m_panels->Grid()->GetRecordState(0));
    m_panels->messages.clear();
    Ui().SetPlaySpeed(kNormalSpeedPosition);
    ASSERT_TRUE(WaitIndexed(0));
    Ui().SetPlayDirection(0);
    ASSERT_EQ(1, Ui().StartRecord(0, clip, 0));
    ASSERT_TRUE(PumpUntil([&] { return m_panels->Told(refused); })) << "not while playing backward";
    EXPECT_FALSE(std::filesystem::exists(m_dir + "/clip.rvf"));
}

TEST_F(PlayWindowsLogicTest, ADayPlaysInSyncOnceEverySpanIsKnownAndEndsWithItsLastFile) {
    Recordings(Channels(4, 1, 3));
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    AskForDay(QUERY_WHOLE_DAY, kDay, L"DVR");
    ASSERT_TRUE(WaitSpans());
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() == 0; }));
    ASSERT_EQ(1, Ui().SetSynPlay(1));
    EXPECT_TRUE(m_panels->shown.sync);
    // With sync on, the day opened again plays in sync by itself once every span is known.
    Ui().CloseFiles(-1);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    AskForDay(QUERY_WHOLE_DAY, kDay, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return !Ui().Tables().Empty() && Ui().PendingOpens() == 0; }));
    ASSERT_TRUE(WaitSpans());
    auto logic = Ui().PlayLogic();
    ASSERT_TRUE(PumpUntil([&] { return OnPlayLoop([logic] { return logic->IsGroupActive(); }) == 1; }));
    EXPECT_EQ(1, Ui().SyncFlag());
    for (PlayRecord* r : Ui().Tables().AllRecords()) EXPECT_GE(r->fileStartTime, 0);

    Ui().OneStepPlay(1);
    EXPECT_TRUE(m_panels->Told(L"Can not step play while synchronous playing!"));
    Ui().Seek(kStart + 1, 0);
    Ui().Pause(1);
    EXPECT_EQ(0, Ui().PauseSettled());
    ASSERT_TRUE(PumpUntil([&] { return Ui().PauseSettled() == 1; })) << "the group's pause is answered";
    for (int w = 0; w < 4; ++w) EXPECT_EQ(1, Current(w)->paused);
    // The group's time reaches every row of the timeline.
    Ui().Pause(0);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->rows[3].cursor >= kStart + 1; }));

    Ui().CloseFiles(-1);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    EXPECT_EQ(0, OnPlayLoop([logic] { return logic->IsGroupActive(); })) << "ended with its last file";
}

TEST_F(PlayWindowsLogicTest, ARecordersClockPast2038KeepsItsSpansAndPlaysInSync) {
    MOVRA::SynthOptions o = Channels(2, 2, 2);
    o.start = 2215245600;  // 2040-03-15 10:00:00 UTC: past what 32 signed bits hold
    Recordings(o);
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    ASSERT_EQ(1u, m_panels->groups.size());
    AskForDay(QUERY_WHOLE_DAY, m_panels->groups[0].day, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return Ui().Tables().AllRecords().size() == 4 && Ui().PendingOpens() == 0; }));
    ASSERT_TRUE(WaitSpans());
    for (PlayRecord* r : Ui().Tables().AllRecords()) EXPECT_GE(r->fileStartTime, 2215245600);
    ASSERT_EQ(1, Ui().SetSynPlay(1)) << "a span past 2038 is a span, not an unknown one";
    ASSERT_TRUE(PumpUntil([&] { return Ui().GroupTime() >= 2215245600u + 3; }, 30000)) << "and on into the second files";
    ASSERT_TRUE(PumpUntil([&] { return Ui().PositionOf(0).wallClock >= 2215245602.0; })) << "its pictures are the second file's";
    EXPECT_GE(m_panels->rows[0].cursor, 2215245602u) << "the timeline follows";
}

TEST_F(PlayWindowsLogicTest, TheStatisticsTellWhatEachWindowShowsAndWhatItCostOverTheLastSecond) {
    Recordings(Channels(2, 1, 8));
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    AskForDay(QUERY_WHOLE_DAY, kDay, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return Ui().Tables().BoundHandles().size() == 2 && Ui().PendingOpens() == 0; }));
    EXPECT_TRUE(Ui().Stats().empty()) << "the first call starts the sampling";
    auto figures = [&] { return Ui().Stats(); };
    ASSERT_TRUE(PumpUntil([&] {
        const auto f = figures();
        return f.size() == 2 && f[0].drawn > 0 && f[1].drawn > 0;
    }, 30000));
    for (const CWindowStats& f : figures()) {
        EXPECT_EQ("h264", f.codec);
        EXPECT_EQ(320, f.width);
        EXPECT_DOUBLE_EQ(25, f.frameRate);
        EXPECT_GT(f.decodeMs, 0);
        EXPECT_LE(f.drawn, 30) << "frames drawn over one second";
    }
    // Paused, the clock asks for nothing: nothing is dropped, nothing drawn.
    Ui().Pause(1);
    ASSERT_TRUE(PumpUntil([&] { return Ui().PauseSettled() == 1; }));
    ASSERT_TRUE(PumpUntil([&] {
        const auto f = figures();
        return f.size() == 2 && f[0].drawn == 0 && f[0].dropped == 0;
    }, 30000));
    // A window closed leaves the figures.
    Ui().CloseFiles(1);
    ASSERT_TRUE(PumpUntil([&] { return figures().size() == 1 && Ui().PendingCloses() == 0; }, 30000));
    EXPECT_EQ(0, figures()[0].window);
}

TEST(PlayStatsTest, AnotherFileInTheWindowStartsItsFiguresAgain) {
    CPlayStats stats;
    CPlayStats::Sample a;
    int file1 = 0, file2 = 0;
    a.handle = &file1;
    a.engine.decoded = 100;
    a.engine.decodeSeconds = 1;
    a.drawnTotal = 50;
    a.at = 10;
    a.framesAsked = 25;
    stats.Add(3, a);
    EXPECT_EQ(0, stats.Figures()[0].drawn) << "one sample: nothing to compare with";
    CPlayStats::Sample b = a;
    b.engine.decoded = 120;
    b.engine.decodeSeconds = 1.1;
    b.drawnTotal = 70;
    b.at = 11;
    stats.Add(3, b);
    CWindowStats f = stats.Figures()[0];
    EXPECT_DOUBLE_EQ(20, f.drawn);
    EXPECT_DOUBLE_EQ(5, f.dropped) << "25 asked, 20 drawn";
    EXPECT_NEAR(5, f.decodeMs, 1e-9);
    CPlayStats::Sample c = b;
    c.handle = &file2;  // the window went on with its next file: the counts start from zero
    c.engine.decoded = 10;
    c.drawnTotal = 90;
    c.at = 12;
    stats.Add(3, c);
    EXPECT_EQ(0, stats.Figures()[0].drawn);
    EXPECT_EQ(0, stats.Figures()[0].decodeMs);
    stats.KeepOnly({});
    EXPECT_TRUE(stats.Figures().empty());
}

TEST_F(PlayWindowsLogicTest, ATimelineSeekIntoAWaitingFilesSpanSwapsItIn) {
    const auto files = Recordings(Channels(1, 3, 2));  // spans 0-2, 2-4 and 4-6 s
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(WaitSpans());
    EXPECT_EQ(1u, m_panels->rows.size());
    EXPECT_EQ(3u, m_panels->rows[0].segments.size()) << "one row for the window, one segment a file";
    Ui().Seek(kStart + 5, 0);  // inside the third file, opened for it
    ASSERT_TRUE(PumpUntil([&] { return Plays(0, files[2]); }));
    ASSERT_TRUE(PumpUntil([&] { return Ui().PositionOf(0).wallClock >= kStart + 5; })) << "shown from the time asked";
    EXPECT_EQ(2u, Ui().Tables().Unopened(0).size()) << "the file it left is closed and waits as a record";
    EXPECT_TRUE(PumpUntil([&] { return Ui().PendingCloses() == 0; }));
    auto logic = Ui().PlayLogic();
    EXPECT_EQ(1u, OnPlayLoop([logic] { return logic->OpenFileCount(); })) << "one file open in the engine";
}

TEST_F(PlayWindowsLogicTest, ThePropertyDialogGetsTheFilesTexts) {
    const auto files = Recordings(Channels(1, 1, 2));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(WaitIndexed(0));
    Ui().PopVideoInfoDlg(0);
    ASSERT_TRUE(PumpUntil([&] { return m_panels->videoInfoShown; }));
    const CVideoInfoTexts& info = m_panels->videoInfo;
    EXPECT_EQ(L"h264", info.codec);
    EXPECT_EQ(L"320*240", info.resolution);
    EXPECT_EQ(L"25 fps", info.frameRate);
    EXPECT_EQ(L"00:00:02", info.duration);
    EXPECT_EQ(0u, info.span.find(L"2024-03-15 ")) << "the wall clock of its first and last frame: " << info.span;
    EXPECT_EQ(L" - ", info.span.substr(19, 3));
    EXPECT_EQ(L"50", info.frames) << "two seconds at 25 frames a second";
    EXPECT_EQ(L"2", info.keyframes) << "one a second";
    EXPECT_NE(std::wstring::npos, info.size.find(L" KB"));
    EXPECT_EQ(Wide(files[0]), info.path);
}

TEST_F(PlayWindowsLogicTest, TheProgramEndsWithoutWaitingWhileFilesPlayAndOpen) {
    Recordings(Channels(4, 2, 3));
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    AskForDay(QUERY_WHOLE_DAY, kDay, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return Ui().PendingOpens() > 0 && Ui().PendingOpens() < 8; }));
    // The play loop is busy: a UI that waited for it would never get past its own end.
    auto busy = boost::make_shared<std::atomic<bool>>(true);
    KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([busy] {
                         while (*busy) KX_SOFT_BASE::SleepMs(5);
                     }));
    m_panels->Destroy();
    *busy = false;  // the files still open are closed on the play loop now (the tear-down waits)
}

// A day of three channels of three 2-second files, channel 1 ending 2 s early, channel 2 with a gap
// from 2 to 4 s and channel 3 starting 2 s late, played in sync across its files forward and backward. Re-encoded, each
// channel's files are of another container and encoding (B-frames, keyframes at uneven
// distances), their wall clock taken from their names.
void PlayWindowsLogicTest::SyncAcrossFiles(bool reencoded) {
    auto files = Recordings(Channels(3, 3, 2));  // each channel 0-2, 2-4 and 4-6 s
    ASSERT_EQ(9u, files.size());
    std::filesystem::remove(files[2]);  // channel 1 ends at 4 s
    std::filesystem::remove(files[4]);  // channel 2 has a gap from 2 to 4 s
    std::filesystem::remove(files[6]);  // channel 3 starts 2 s late
    if (reencoded) {
        const char* formats[] = {"mpegts", "mpeg", "mp4"};
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!std::filesystem::exists(files[i])) continue;
            const std::string again = files[i] + ".again";
            const std::string command = std::string("ffmpeg -v error -y -i '") + files[i] +
                                        "' -an -c:v libx264 -bf 2 -x264-params keyint=17:min-keyint=5 -f " +
                                        formats[i / 3] + " '" + again + "' >/dev/null 2>&1";
            ASSERT_EQ(0, std::system(command.c_str())) << command;
            std::filesystem::rename(again, files[i]);
        }
    }
    Drop(m_dir + "/export");
    ASSERT_TRUE(PumpUntil([&] { return !m_panels->groups.empty(); }));
    AskForDay(QUERY_WHOLE_DAY, kDay, L"DVR");
    ASSERT_TRUE(PumpUntil([&] { return Ui().Tables().AllRecords().size() == 6 && Ui().PendingOpens() == 0; }));
    ASSERT_TRUE(WaitSpans());
    Ui().Seek(kStart, 0);
    ASSERT_EQ(1, Ui().SetSynPlay(1));
    CKXVideoWindow* grid = m_panels->Grid();
    auto groupPast = [&](unsigned int seconds) {
        return PumpUntil([&] { return Ui().GroupTime() >= kStart + seconds; }, 30000);
    };
    const std::wstring none = L"No recording at this time";

    ASSERT_TRUE(groupPast(1));
    EXPECT_EQ(none, grid->GetNotice(2)) << "channel 3 has nothing before 2 s";
    EXPECT_EQ(L"", grid->GetNotice(0));

    // Past the first files' end every channel goes on with the file that holds the time.
    ASSERT_TRUE(groupPast(3));
    ASSERT_TRUE(PumpUntil([&] { return Plays(0, files[1]) && Plays(2, files[7]); }));
    EXPECT_EQ(L"", grid->GetNotice(2)) << "channel 3 joined when its recording began";
    ASSERT_TRUE(PumpUntil([&] { return grid->GetNotice(1) == none; })) << "channel 2's gap";
    const unsigned int drawn = grid->GetFramesShown(0);
    ASSERT_TRUE(PumpUntil([&] { return grid->GetFramesShown(0) > drawn + 5; })) << "window 0 plays on, not frozen";
    EXPECT_GE(Ui().PositionOf(0).wallClock, kStart + 2.0) << "its pictures are the second file's";

    ASSERT_TRUE(groupPast(5));
    ASSERT_TRUE(PumpUntil([&] { return Plays(1, files[5]); })) << "channel 2 back after its gap";
    EXPECT_TRUE(PumpUntil([&] { return grid->GetNotice(1).empty(); }));
    EXPECT_TRUE(PumpUntil([&] { return grid->GetNotice(0) == none; })) << "channel 1 has ended";
    EXPECT_TRUE(Plays(0, files[1])) << "and keeps its last file for the way back";

    // Backward the same way, back into the first files.
    for (int w = 0; w < 3; ++w) ASSERT_TRUE(WaitIndexed(w));
    Ui().Seek(kStart + 5, 0);
    ASSERT_EQ(1, Ui().SetPlayDirection(0));
    ASSERT_TRUE(PumpUntil([&] { return Ui().GroupTime() && Ui().GroupTime() <= kStart + 3; }, 30000));
    EXPECT_TRUE(PumpUntil([&] { return grid->GetNotice(0).empty() && Plays(0, files[1]); })) << "channel 1 joined again";
    ASSERT_TRUE(PumpUntil([&] { return Ui().GroupTime() && Ui().GroupTime() <= kStart + 1; }, 30000));
    ASSERT_TRUE(PumpUntil([&] { return Plays(0, files[0]) && Plays(1, files[3]); }));
    EXPECT_TRUE(PumpUntil([&] { return grid->GetNotice(2) == none; })) << "channel 3 has nothing before 2 s";
}

TEST_F(PlayWindowsLogicTest, SyncPlayCarriesOnAcrossFilesAndSaysWhereAChannelHasNoRecording) { SyncAcrossFiles(false); }

TEST_F(PlayWindowsLogicTest, SyncPlayCarriesOnAcrossFilesOfOtherContainersAndEncodings) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg command";
    SyncAcrossFiles(true);
}

TEST_F(PlayWindowsLogicTest, AClipThatRunsOutOfSpaceSaysSoAndKeepsWhatItWrote) {
    const auto files = Recordings(Channels(1, 1, 8));
    Drop(files[0]);
    ASSERT_TRUE(WaitPlaying(0, files[0]));
    ASSERT_TRUE(WaitIndexed(0));
    const std::string clip = m_dir + "/clip.rvf";
    {
        const FileSizeLimit full(48 * 1024);
        ASSERT_EQ(1, Ui().StartRecord(0, Wide(clip), 0));
        // 48 KiB fill within a moment: the record button may already be back when the wait
        // looks, so the clip's start is read from what it wrote and what the user is told.
        ASSERT_TRUE(PumpUntil([&] { return !m_panels->notifications.empty(); }));
    }
    EXPECT_EQ(L"The clip stopped: the disk is full. What it recorded is kept.", m_panels->notifications.back());
    EXPECT_EQ(0, m_panels->Grid()->GetRecordState(0)) << "the record button goes back";
    ASSERT_TRUE(std::filesystem::exists(clip));
    EXPECT_GT(std::filesystem::file_size(clip), 0u);
}
