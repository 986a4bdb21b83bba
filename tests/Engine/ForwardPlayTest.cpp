#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Engine/VideoDecoder.h"
#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;

using TarvexTest::FrameLog;

TEST_F(EngineTest, UnpacedPlayShowsEveryFrameInOrderThenEnds) {
    SynthOptions o;
    o.seconds = 2;
    o.bframes = 2;
    o.width = 322;  // an odd chroma width: the planes must still be packed right
    o.height = 242;
    const std::string path = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    engine.SetPresentationPacing(0);
    ASSERT_EQ(1, engine.SetShownSize(160, 120)) << "shown at half its size: decoded without deblocking";
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitEnd());
    ASSERT_EQ(50u, log.shownNumbers.size());
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(i, log.shownNumbers[i]) << "the picture shows frame " << i;
        EXPECT_EQ(i, log.engineNumbers[i]) << "the engine reports frame " << i;
    }
    EXPECT_EQ(static_cast<int>(PlanarSize(322, 242)), log.sizes[0]);
    EXPECT_EQ(MV_FRAME_DIRECTDRAW, log.kinds[0]);
    EXPECT_EQ(3, log.types[0]);
    EXPECT_EQ(322, engine.GetCurrentPlayingVideoFrameWidth());
    EXPECT_EQ(1, log.ends) << "the end is reported once";
    EXPECT_EQ(kStart + 1, engine.GetCurrentPlayTime()) << "the last frame, 1.96 s in";

    // The last frame can be handed out again.
    ASSERT_EQ(1, engine.RenderLastFrame());
    ASSERT_TRUE(log.WaitFrames(51));
    EXPECT_EQ(49, log.shownNumbers[50]);

    // What the play cost and showed, as the statistics view reads it.
    MV_PLAY_STATS stats;
    int returned = 0;
    ASSERT_EQ(1, engine.QueryInfo(MV_QUERY_PLAY_STATS, &stats, sizeof stats, &returned));
    EXPECT_STREQ("h264", stats.codec);
    EXPECT_EQ(322, stats.width);
    EXPECT_DOUBLE_EQ(25, stats.frameRate);
    EXPECT_EQ(50u, stats.presented) << "a picture handed out again is not shown anew";
    EXPECT_EQ(50u, stats.decoded);
    EXPECT_EQ(0u, stats.passedOver);
    EXPECT_GT(stats.decodeSeconds, 0);
    EXPECT_EQ(0, stats.relief) << "unpaced play has no clock to keep up with";
    ASSERT_TRUE(log.WaitForIndex());
    ASSERT_EQ(1, engine.QueryInfo(MV_QUERY_PLAY_STATS, &stats, sizeof stats, &returned));
    EXPECT_GT(stats.bitRate, 0) << "once the index knows the duration";
}

TEST_F(EngineTest, PacedPlayKeepsTheClockAndPausesWithoutLosingAFrame) {
    SynthOptions o;
    o.seconds = 4;
    const std::string path = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_EQ(1, engine.Play(nullptr));
    EXPECT_EQ(1, engine.IsPlaying());
    ASSERT_TRUE(log.WaitFrames(10));
    ASSERT_EQ(1, engine.Pause());
    EXPECT_EQ(0, engine.IsPlaying());
    // One frame may be on its way to the listener as the pause lands; none after it.
    const std::size_t atPause = log.Count();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const std::size_t paused = log.Count();
    EXPECT_LE(paused, atPause + 1) << "nothing is presented while paused";
    ASSERT_EQ(1, engine.Resume());
    ASSERT_TRUE(log.WaitFrames(paused + 10));
    ASSERT_EQ(1, engine.Stop());
    ASSERT_TRUE(log.WaitAllReturned());
    // Resuming goes on with the very next frame: the clock starts again from it, so even a loaded
    // machine (which may drop late frames elsewhere) cannot lose it.
    EXPECT_EQ(log.shownNumbers[paused - 1] + 1, log.shownNumbers[paused]) << "no frame lost across the pause";
    for (std::size_t i = 1; i < log.shownNumbers.size(); ++i)
        EXPECT_LT(log.shownNumbers[i - 1], log.shownNumbers[i]) << "frames in order";
    // 25 fps: ten frames span at least 0.36 s (a loaded machine only makes them later).
    const double span = std::chrono::duration<double>(log.times[9] - log.times[0]).count();
    EXPECT_GT(span, 0.30) << "frames are paced, not handed out in a burst";
}

TEST_F(EngineTest, FastPlayShowsFewerFramesInOrder) {
    SynthOptions o;
    // Long enough that a second of play at 16X shows a few pictures even on a loaded machine.
    o.seconds = 16;
    o.bframes = 2;
    const std::string path = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    EXPECT_EQ(0, engine.SetSpeed(100));
    EXPECT_EQ(0, engine.SetSpeed(0.001f));
    ASSERT_EQ(1, engine.SetSpeed(16));
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitEnd());
    ASSERT_GE(log.shownNumbers.size(), 4u);
    EXPECT_LT(log.shownNumbers.size(), 400u / 2);
    for (std::size_t i = 1; i < log.shownNumbers.size(); ++i) EXPECT_LT(log.shownNumbers[i - 1], log.shownNumbers[i]);
}

TEST_F(EngineTest, StopAndCloseNeverWaitOnABlockedListener) {
    SynthOptions o;
    o.seconds = 2;
    const std::string path = Synth(o);
    auto log = std::make_unique<FrameLog>();
    auto engine = std::make_unique<CMovra>(log.get());
    log->engine = engine.get();
    log->blockForever = true;
    ASSERT_EQ(1, engine->Open(path.c_str()));
    ASSERT_EQ(1, engine->Play(nullptr));
    ASSERT_TRUE(log->WaitFrames(1));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(1, engine->Close());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    engine.reset();
    // The stranded thread returns once the listener lets go, and calls it no more.
    const std::size_t seen = log->Count();
    log->blockForever = false;
    ASSERT_TRUE(log->WaitAllReturned());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(seen, log->Count());
}

TEST_F(EngineTest, PlayNeedsAnOpenFile) {
    CMovra engine(nullptr);
    EXPECT_EQ(0, engine.Play(nullptr));
    EXPECT_EQ(0, engine.Pause());
    EXPECT_EQ(0, engine.IsPlaying());
    EXPECT_EQ(0, engine.GetCurrentPlayTime());
    int number = 0;
    EXPECT_EQ(0, engine.QueryInfo(MV_QUERY_FRAME_NUMBER, &number, sizeof number, nullptr));
    EXPECT_EQ(0, engine.RenderLastFrame());
}
