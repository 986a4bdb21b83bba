#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;

namespace {

// What a finished clip holds, played back through the engine.
struct ClipContents {
    unsigned int start = 0;
    MV_FILE_DESCRIPTION description;
    std::vector<int> shown;
};

ClipContents ReadClip(const std::string& path) {
    ClipContents c;
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    if (!engine.Open(path.c_str()) || !log.WaitForIndex()) return c;
    c.start = engine.GetFileStartTime();
    engine.DescribeFile(&c.description);
    engine.SetPresentationPacing(0);
    engine.Play(nullptr);
    log.WaitEnd();
    c.shown = log.Shown();
    return c;
}

void ExpectConsecutive(const std::vector<int>& shown, int first) {
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(first, shown.front()) << "the clip starts at the keyframe before the frame on screen";
    for (std::size_t i = 1; i < shown.size(); ++i) ASSERT_EQ(shown[i - 1] + 1, shown[i]) << "no frame lost or repeated";
}

class ClipTest : public EngineTest {
protected:
    // An engine playing at 1X from 2 s into a recording with sound; the frame on screen is past 2.4 s.
    void StartPlaying(FrameLog& log, CMovra& engine, const std::string& path) {
        log.engine = &engine;
        ASSERT_EQ(1, engine.Open(path.c_str()));
        ASSERT_TRUE(log.WaitForIndex());
        ASSERT_EQ(1, engine.Seek(kStart + 2));
        ASSERT_EQ(1, engine.Play(nullptr));
        ASSERT_TRUE(log.WaitFrames(11));
    }
};

}  // namespace

TEST_F(ClipTest, AClipIsTheStreamFromTheKeyframeBeforeToTheFrameOnScreen) {
    SynthOptions o;
    o.seconds = 6;
    o.gop = 25;
    o.audio = "aac";
    const std::string path = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    StartPlaying(log, engine, path);
    std::string clip = m_dir + "/clip.rvf";
    ASSERT_EQ(1, engine.StartDataRecord(clip.data(), 0));
    EXPECT_EQ(0, engine.StartDataRecord(clip.data(), 0)) << "one clip at a time";
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ASSERT_EQ(1, engine.Pause());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int last = log.LastShown();
    ASSERT_EQ(1, engine.StopDataRecord());
    EXPECT_EQ(0, engine.StopDataRecord());

    const ClipContents c = ReadClip(clip);
    EXPECT_EQ("mpegts", c.description.container);
    EXPECT_EQ("aac", c.description.audioCodec) << "the sound is copied too";
    EXPECT_EQ(kStart + 2, c.start) << "the clip carries the wall clock of its first frame";
    ExpectConsecutive(c.shown, 50);
    EXPECT_EQ(last, c.shown.back()) << "up to the frame on screen when the clip stopped";
    EXPECT_NEAR((last - 50 + 1) / 25.0, c.description.duration, 0.05);
}

TEST_F(ClipTest, ClipsAreRefusedAwayFromForward1XAndNeverOverwrite) {
    SynthOptions o;
    o.seconds = 6;
    const std::string path = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    StartPlaying(log, engine, path);
    std::string clip = m_dir + "/clip.rvf";
    {
        std::ofstream existing(clip);
        existing << "evidence";
    }
    EXPECT_EQ(0, engine.StartDataRecord(clip.data(), 0)) << "an existing file is kept";
    EXPECT_EQ(8u, std::filesystem::file_size(clip));
    std::string fresh = m_dir + "/fresh.rvf";
    std::string missing = m_dir + "/no/such/clip.rvf";
    EXPECT_EQ(0, engine.StartDataRecord(missing.data(), 0));
    ASSERT_EQ(1, engine.SetSpeed(2));
    EXPECT_EQ(0, engine.StartDataRecord(fresh.data(), 0)) << "not at 2X";
    ASSERT_EQ(1, engine.SetSpeed(1));
    ASSERT_EQ(1, engine.PlayBackward());
    EXPECT_EQ(0, engine.StartDataRecord(fresh.data(), 0)) << "not backward";
    ASSERT_EQ(1, engine.PlayForward());
    ASSERT_EQ(1, engine.Pause());
    EXPECT_EQ(0, engine.StartDataRecord(fresh.data(), 0)) << "not paused";
    EXPECT_FALSE(std::filesystem::exists(fresh));

    // Normal speed is 1 within the play windows' tolerance, for clips as for their rules.
    ASSERT_EQ(1, engine.Resume());
    ASSERT_EQ(1, engine.SetSpeed(1.00005f));
    EXPECT_EQ(1, engine.StartDataRecord(fresh.data(), 0)) << "1.00005 is normal speed";
    EXPECT_EQ(1, engine.StopDataRecord());
}

TEST_F(ClipTest, AClipCutShortPlaysUpToItsLastWholePacket) {
    SynthOptions o;
    o.seconds = 6;
    const std::string path = Synth(o);
    std::string clip = m_dir + "/clip.rvf";
    {
        FrameLog log;
        CMovra engine(&log);
        StartPlaying(log, engine, path);
        ASSERT_EQ(1, engine.StartDataRecord(clip.data(), 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        // What a crash leaves: the packets flushed so far, cut anywhere.
        std::filesystem::copy_file(clip, clip + ".cut");
        engine.Close();
    }
    const auto size = std::filesystem::file_size(clip + ".cut");
    ASSERT_GT(size, 10000u) << "packets reach the disk as they are written";
    std::filesystem::resize_file(clip + ".cut", size - 100);
    const ClipContents c = ReadClip(clip + ".cut");
    ExpectConsecutive(c.shown, 50);
    EXPECT_GT(c.shown.size(), 20u);
    const ClipContents whole = ReadClip(clip);
    ExpectConsecutive(whole.shown, 50);
}
