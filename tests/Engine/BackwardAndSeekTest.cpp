#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "Engine/BackwardFrames.h"
#include "Engine/FileIndex.h"
#include "Engine/VideoDecoder.h"
#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;

namespace {

std::vector<int> Descending(int from, int to) {
    std::vector<int> v;
    for (int i = from; i >= to; --i) v.push_back(i);
    return v;
}

// An engine on a file, with its index complete.
struct Opened {
    FrameLog log;
    CMovra engine{&log};
    explicit Opened(const std::string& path) {
        log.engine = &engine;
        EXPECT_EQ(1, engine.Open(path.c_str()));
        EXPECT_TRUE(log.WaitForIndex());
    }
    // Steps and waits until the picture on screen shows `expected`.
    void ExpectStep(bool forward, int expected) {
        const std::size_t before = log.Count();
        ASSERT_EQ(1, forward ? engine.StepForward() : engine.StepBackward());
        ASSERT_TRUE(log.WaitFrames(before + 1));
        EXPECT_EQ(expected, log.LastShown()) << (forward ? "forward" : "backward") << " step";
    }
    void ExpectSeekShows(int expected) {
        for (int i = 0; i < 400 && log.LastShown() != expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(expected, log.LastShown());
    }
};

}  // namespace

TEST_F(EngineTest, BackwardPlayShowsEveryFrameInReverseThenEndsOnce) {
    SynthOptions o;
    o.seconds = 3;
    o.bframes = 2;
    o.gop = 25;
    Opened f(Synth(o));
    ASSERT_EQ(1, f.engine.PlayBackward());
    f.engine.SetPresentationPacing(0);
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitEnd());
    EXPECT_EQ(Descending(74, 0), f.log.Shown()) << "every frame, from the last to the first";
    EXPECT_EQ(Descending(74, 0), f.log.engineNumbers);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(1, f.log.Ends());

    // Forward from the first frame again, then the forward end.
    ASSERT_EQ(1, f.engine.PlayForward());
    ASSERT_TRUE(f.log.WaitFrames(75 + 74));
    EXPECT_EQ(74, f.log.LastShown());
}

TEST_F(EngineTest, PacedBackwardPlayKeepsOrderAtSeveralSpeeds) {
    SynthOptions o;
    o.seconds = 4;
    o.bframes = 2;
    o.gop = 25;
    const std::string path = Synth(o);
    for (float speed : {2.0f, 8.0f, 32.0f}) {
        Opened f(path);
        ASSERT_EQ(1, f.engine.SetSpeed(speed));
        ASSERT_EQ(1, f.engine.PlayBackward());
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_EQ(1, f.engine.Play(nullptr));
        ASSERT_TRUE(f.log.WaitEnd(std::chrono::seconds(30))) << speed;
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        const std::vector<int> shown = f.log.Shown();
        ASSERT_GE(shown.size(), 4u) << speed;
        EXPECT_EQ(speed >= 16 ? 75 : 99, shown.front()) << "from the last frame, or the last keyframe at " << speed << "X";
        for (std::size_t i = 1; i < shown.size(); ++i) ASSERT_LT(shown[i], shown[i - 1]) << "at " << speed << "X";
        EXPECT_GT(took, 4.0 / speed * 0.7) << "the clock runs at " << speed << "X, not faster";
        if (speed >= 16) {
            for (int n : shown) EXPECT_EQ(0, n % 25) << "keyframes only at " << speed << "X";
        }
    }
}

TEST_F(EngineTest, StepsAreExactAcrossGopsAndStopAtBothEnds) {
    SynthOptions o;
    o.seconds = 3;
    o.bframes = 2;
    o.gop = 25;
    Opened f(Synth(o));
    ASSERT_EQ(1, f.engine.Pause());  // before Play: start paused on the first frame
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitFrames(1));
    EXPECT_EQ(0, f.log.LastShown());
    EXPECT_EQ(0, f.engine.IsPlaying());
    EXPECT_EQ(0, f.engine.StepBackward()) << "nothing before the first frame";

    for (int n = 1; n <= 30; ++n) f.ExpectStep(true, n);  // across the keyframe at 25
    for (int n = 29; n >= 20; --n) f.ExpectStep(false, n);  // back across it
    f.ExpectStep(true, 21);  // and forward again from memory
    for (int n = 20; n >= 0; --n) f.ExpectStep(false, n);
    EXPECT_EQ(0, f.engine.StepBackward());

    ASSERT_EQ(1, f.engine.Seek(100.0f));
    f.ExpectSeekShows(74);
    EXPECT_EQ(0, f.engine.StepForward()) << "nothing after the last frame";
    f.ExpectStep(false, 73);
    f.ExpectStep(true, 74);
    EXPECT_EQ(0, f.engine.IsPlaying()) << "steps leave the engine paused";
    int number = -1;
    ASSERT_EQ(1, f.engine.QueryInfo(MV_QUERY_FRAME_NUMBER, &number, sizeof number, nullptr));
    EXPECT_EQ(74, number);
}

TEST_F(EngineTest, StepsWhilePlayingPauseFirst) {
    SynthOptions o;
    o.seconds = 4;
    Opened f(Synth(o));
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitFrames(5));
    ASSERT_EQ(1, f.engine.StepForward());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int at = f.log.LastShown();
    EXPECT_EQ(0, f.engine.IsPlaying());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(at, f.log.LastShown()) << "paused after the step";
    f.ExpectStep(false, at - 1);
}

TEST_F(EngineTest, SeeksAreFrameAccurateAndKeepThePlayState) {
    SynthOptions o;
    o.seconds = 4;
    o.bframes = 2;
    o.gop = 30;
    Opened f(Synth(o));
    EXPECT_EQ(0, f.engine.Seek(kStart - 1)) << "before the file";
    EXPECT_EQ(0, f.engine.Seek(kStart + 5)) << "after the file";
    EXPECT_EQ(0, f.engine.Seek(-1.0f));
    EXPECT_EQ(0, f.engine.Seek(100.5f));

    ASSERT_EQ(1, f.engine.Pause());
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitFrames(1));
    ASSERT_EQ(1, f.engine.Seek(kStart + 2));
    f.ExpectSeekShows(50);
    EXPECT_EQ(kStart + 2, f.engine.GetCurrentPlayTime());
    ASSERT_EQ(1, f.engine.Seek(25.0f));
    f.ExpectSeekShows(25);  // a quarter of 4 s
    ASSERT_EQ(1, f.engine.Seek(kStart + 0));
    f.ExpectSeekShows(0);
    ASSERT_EQ(1, f.engine.Seek(kStart + 4));  // the end second: the last frame
    f.ExpectSeekShows(99);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(0, f.engine.IsPlaying()) << "a seek while paused stays paused";

    // While playing, play goes on from the target.
    ASSERT_EQ(1, f.engine.Seek(kStart + 1));
    f.ExpectSeekShows(25);
    const std::size_t at = f.log.Count();
    ASSERT_EQ(1, f.engine.Resume());
    ASSERT_TRUE(f.log.WaitFrames(at + 5));
    ASSERT_EQ(1, f.engine.Seek(70.0f));
    f.ExpectSeekShows(70);
    EXPECT_EQ(1, f.engine.IsPlaying());
    ASSERT_TRUE(f.log.WaitFrames(f.log.Count() + 3));
    EXPECT_GT(f.log.LastShown(), 70);
}

TEST_F(EngineTest, BackwardSeekPauseAndResumeGoOnBackward) {
    SynthOptions o;
    o.seconds = 4;
    o.gop = 25;
    Opened f(Synth(o));
    ASSERT_EQ(1, f.engine.Seek(kStart + 3));
    ASSERT_EQ(1, f.engine.PlayBackward());
    ASSERT_EQ(1, f.engine.SetSpeed(2));
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitFrames(10));
    ASSERT_EQ(75, f.log.Shown().front()) << "backward play starts at the frame sought";
    ASSERT_EQ(1, f.engine.Pause());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::vector<int> paused = f.log.Shown();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(paused.size(), f.log.Count());
    ASSERT_EQ(1, f.engine.Seek(kStart + 2));
    f.ExpectSeekShows(50);
    ASSERT_EQ(1, f.engine.Resume());
    ASSERT_TRUE(f.log.WaitEnd());
    const std::vector<int> shown = f.log.Shown();
    const std::vector<int> tail(shown.begin() + static_cast<long>(paused.size()), shown.end());
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    // An instrumented build decodes too slowly for 2X on a busy machine, and the engine then skips
    // frames to keep the clock, as it should: only the order is certain there.
    for (std::size_t i = 1; i < paused.size(); ++i) EXPECT_GT(shown[i - 1], shown[i]) << "no frame repeated";
    ASSERT_FALSE(tail.empty());
    EXPECT_EQ(50, tail.front());
    EXPECT_EQ(0, tail.back());
    for (std::size_t i = 1; i < tail.size(); ++i) EXPECT_GT(tail[i - 1], tail[i]);
#else
    for (std::size_t i = 1; i < paused.size(); ++i) EXPECT_EQ(shown[i - 1] - 1, shown[i]) << "no frame lost or repeated";
    EXPECT_EQ(Descending(50, 0), tail) << "from the frame sought down to the first";
#endif
}

TEST_F(EngineTest, PlayBackwardNeedsAnIndexedFile) {
    CMovra engine(nullptr);
    EXPECT_EQ(0, engine.PlayBackward());
    EXPECT_EQ(0, engine.StepBackward());
    EXPECT_EQ(0, engine.StepForward());
    EXPECT_EQ(0, engine.Seek(1.0f));
    EXPECT_EQ(0, engine.Seek(kStart));
}

TEST_F(EngineTest, CorruptPacketsInTheMiddleArePassedInBothDirections) {
    SynthOptions o;
    o.seconds = 4;
    o.gop = 25;
    const std::string path = Synth(o);
    {
        // Scribble over a stretch in the middle of the file, TS headers included.
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(0, std::ios::end);
        const std::streamoff size = file.tellg();
        file.seekp(size / 2);
        const std::string junk(6000, '\xA5');
        file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    {
        Opened f(path);
        f.engine.SetPresentationPacing(0);
        ASSERT_EQ(1, f.engine.Play(nullptr));
        ASSERT_TRUE(f.log.WaitEnd());
        const std::vector<int> shown = f.log.Shown();
        EXPECT_EQ(99, shown.back()) << "play goes on past the damage to the last frame";
        EXPECT_GT(shown.size(), 80u);
    }
    {
        Opened f(path);
        f.engine.SetPresentationPacing(0);
        ASSERT_EQ(1, f.engine.PlayBackward());
        ASSERT_EQ(1, f.engine.Play(nullptr));
        ASSERT_TRUE(f.log.WaitEnd());
        const std::vector<int> shown = f.log.Shown();
        EXPECT_EQ(0, shown.back()) << "backward play goes on past the damage to the first frame";
        EXPECT_GT(shown.size(), 80u);
        for (std::size_t i = 1; i < shown.size(); ++i) {
            if (shown[i] >= 0 && shown[i - 1] >= 0) {
                EXPECT_LT(shown[i], shown[i - 1]);
            }
        }
    }
}

TEST_F(EngineTest, BackwardFramesStayWithinTheirBoundsAndMissNothing) {
    SynthOptions o;
    o.seconds = 3;
    o.bframes = 2;
    o.gop = 25;
    const std::string path = Synth(o);
    FileIndex index;
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(BuildFileIndex(path, &index, cancel));
    CVideoDecoder decoder;
    ASSERT_TRUE(decoder.Open(path));
    CBackwardFrames frames(decoder, index, o.width, o.height);
    frames.SetLimits(10, std::size_t(1) << 30);  // segments of five frames inside GOPs of 25

    std::size_t before = index.frames.size(), peak = 0;
    std::vector<int> got;
    while (auto picture = frames.Previous(before, &before)) {
        got.push_back(ReadFrameNumber(picture->planes.data(), picture->width, picture->width, picture->height));
        peak = std::max(peak, frames.CachedFrames());
        while (frames.ReadAhead()) {}
        peak = std::max(peak, frames.CachedFrames());
    }
    EXPECT_EQ(Descending(74, 0), got);
    EXPECT_LE(peak, 10u);
    // Each segment decodes from its keyframe: a bounded multiple of the frames, not their square.
    EXPECT_LT(frames.DecodedPictures(), 75u * 4);

    // The byte bound works the same way: room for four pictures, segments of two.
    CBackwardFrames small(decoder, index, o.width, o.height);
    small.SetLimits(100, 4 * PlanarSize(o.width, o.height));
    std::size_t n = 0;
    ASSERT_TRUE(small.Previous(40, &n));
    EXPECT_EQ(39u, n);
    while (small.ReadAhead()) {}
    EXPECT_LE(small.CachedFrames(), 4u);
    EXPECT_TRUE(small.Find(38) && small.Find(36));
    EXPECT_FALSE(small.Find(35)) << "only what the bound allows is decoded ahead";

    // Every window of a day played backward keeps frames: together they stay within one bound,
    // each with its share of the moment.
    struct SharedBound {
        explicit SharedBound(std::size_t bytes) { CBackwardFrames::SetSharedBytes(bytes); }
        ~SharedBound() { CBackwardFrames::SetSharedBytes(CBackwardFrames::kSharedBytes); }
    } bound(8 * PlanarSize(o.width, o.height));
    const auto cachedAfterReadingAhead = [&](CBackwardFrames& some) {
        std::size_t at = 0;
        EXPECT_TRUE(some.Previous(40, &at));
        EXPECT_EQ(39u, at);
        while (some.ReadAhead()) {}
        return some.CachedFrames();
    };
    {
        CBackwardFrames another(decoder, index, o.width, o.height);  // with `frames` and `small`: three
        EXPECT_LE(cachedAfterReadingAhead(another), 2u) << "three share room for eight pictures";
    }
    small.Clear();  // the next segment is planned by the share of two
    EXPECT_LE(cachedAfterReadingAhead(small), 4u);
    EXPECT_GT(small.CachedFrames(), 2u) << "with one fewer sharing, each has more";
}

TEST_F(EngineTest, AWallClockSeekKeepsTheFirstFramesFractionWhenItsSpanIsEchoedBack) {
    // The first frame at 10:00:00.600: second 10:00:01 is 0.4 s into the file, frame 10.
    SynthOptions o;
    o.seconds = 3;
    const std::string path = m_dir + "/offset.ts";
    std::string error;
    ASSERT_TRUE(WriteSynthRecording(path, o, 1, static_cast<std::int64_t>(kStart) * 1000 + 600, 75, &error)) << error;
    Opened f(path);
    ASSERT_EQ(kStart, f.engine.GetFileStartTime());
    ASSERT_EQ(1, f.engine.Pause());
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitFrames(1));
    ASSERT_EQ(1, f.engine.Seek(kStart + 1));
    f.ExpectSeekShows(10);
    // The play core hands the span it was told back to the engine, in whole seconds.
    ASSERT_EQ(1, f.engine.SetFileTimeInfo(f.engine.GetFileStartTime(), f.engine.GetFileEndTime()));
    ASSERT_EQ(1, f.engine.Seek(kStart + 0));
    f.ExpectSeekShows(0);
    ASSERT_EQ(1, f.engine.Seek(kStart + 1));
    f.ExpectSeekShows(10);
}
