// Recordings as they come from the field rather than from our writer: pre-allocated files with
// a zero tail, damaged times, absurd picture sizes, paths that are no files at all. Each one
// plays as far as it can or is refused, and none keeps the engine busy without end.
#include <gtest/gtest.h>

#include <filesystem>

#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;

namespace {

int RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Plays the open engine's file unpaced one way to its end; the numbers the pictures show.
std::vector<int> PlayThrough(CMovra& engine, FrameLog& log, bool forward) {
    engine.SetPresentationPacing(0);
    if (!forward) {
        EXPECT_EQ(1, engine.PlayBackward());
    }
    EXPECT_EQ(1, engine.Play(nullptr));
    EXPECT_TRUE(log.WaitEnd(std::chrono::seconds(60)));
    engine.Stop();
    return log.Shown();
}

}  // namespace

TEST_F(EngineTest, APreAllocatedRecordingEndsWhereItsDataEnds) {
    SynthOptions o;
    o.seconds = 2;
    const std::string ts = Synth(o);
    std::vector<std::string> files{ts};
    // The same pictures in a program stream, whose demuxer looks for start codes rather than
    // sync bytes (under the same name: the name gives its start).
    std::filesystem::create_directory(m_dir + "/ps");
    const std::string ps = m_dir + "/ps/" + std::filesystem::path(ts).filename().string();
    if (RunQuietly("command -v ffmpeg") == 0 && RunQuietly("ffmpeg -v error -y -i '" + ts + "' -c copy -f vob '" + ps + "'") == 0)
        files.push_back(ps);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        // As a recorder leaves it: its real data, then zeros to the size it set aside (holes
        // here, which read as zeros).
        std::filesystem::resize_file(path, 40ull << 30);
        FrameLog log;
        CMovra engine(&log);
        log.engine = &engine;
        ASSERT_EQ(1, engine.Open(path.c_str()));
        ASSERT_TRUE(log.WaitForIndex(std::chrono::seconds(60))) << "the index stops at the end of the real data";
        EXPECT_EQ(std::vector<int>{1}, log.refResults);
        ASSERT_EQ(1u, log.spans.size());
        EXPECT_EQ(std::make_pair(kStart, kStart + 2), log.spans[0]) << "the span is the real data's";
        MV_FILE_DESCRIPTION d;
        engine.DescribeFile(&d);
        EXPECT_EQ(50, d.frames);
        EXPECT_NEAR(2.0, d.duration, 0.05);
        const std::vector<int> forward = PlayThrough(engine, log, true);
        ASSERT_FALSE(forward.empty());
        EXPECT_EQ(49, forward.back()) << "forward play ends at the last real frame";
        FrameLog back;
        CMovra reverse(&back);
        back.engine = &reverse;
        ASSERT_EQ(1, reverse.Open(path.c_str()));
        ASSERT_TRUE(back.WaitForIndex(std::chrono::seconds(60)));
        const std::vector<int> backward = PlayThrough(reverse, back, false);
        ASSERT_FALSE(backward.empty());
        EXPECT_EQ(49, backward.front()) << "backward play starts at the last real frame";
        EXPECT_EQ(0, backward.back());
        std::filesystem::remove(path);
    }
}
