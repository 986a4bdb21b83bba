// Recordings as they come from the field rather than from our writer: pre-allocated files with
// a zero tail, damaged times, absurd picture sizes, paths that are no files at all. Each one
// plays as far as it can or is refused, and none keeps the engine busy without end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;

namespace {

int RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Moves the presentation and decoding times of the `nth` timed video PES header (a start code
// 00 00 01 E0..EF in MPEG-TS and MPEG-PS alike) by `seconds`, on the 33-bit 90 kHz clock.
bool ShiftVideoTime(const std::string& path, int nth, double seconds) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    int seen = 0;
    for (std::size_t i = 0; i + 19 <= bytes.size(); ++i) {
        auto* b = reinterpret_cast<unsigned char*>(&bytes[i]);
        if (b[0] != 0 || b[1] != 0 || b[2] != 1 || (b[3] & 0xF0) != 0xE0 || (b[6] & 0xC0) != 0x80 || (b[7] >> 6) < 2) continue;
        if (seen++ != nth) continue;
        for (int k = 0; k < ((b[7] >> 6) == 3 ? 2 : 1); ++k) {
            unsigned char* t = b + 9 + 5 * k;
            std::uint64_t v = (std::uint64_t(t[0] >> 1 & 7) << 30) | (std::uint64_t(t[1]) << 22) |
                              (std::uint64_t(t[2] >> 1) << 15) | (std::uint64_t(t[3]) << 7) | (t[4] >> 1);
            v = (v + static_cast<std::uint64_t>(static_cast<std::int64_t>(seconds * 90000))) & ((1ull << 33) - 1);
            t[0] = static_cast<unsigned char>((t[0] & 0xF0) | ((v >> 29) & 0x0E) | 1);
            t[1] = static_cast<unsigned char>(v >> 22);
            t[2] = static_cast<unsigned char>(((v >> 14) & 0xFE) | 1);
            t[3] = static_cast<unsigned char>(v >> 7);
            t[4] = static_cast<unsigned char>(((v << 1) & 0xFE) | 1);
        }
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return true;
    }
    return false;
}

// Plays the open engine's file one way to its end (unpaced unless `speed` is given); the
// numbers the pictures show.
std::vector<int> PlayThrough(CMovra& engine, FrameLog& log, bool forward, float speed = 0) {
    engine.SetPresentationPacing(speed > 0 ? 1 : 0);
    if (speed > 0) engine.SetSpeed(speed);
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

TEST_F(EngineTest, ATimeFarFromItsNeighboursIsNotWaitedFor) {
    SynthOptions o;
    o.seconds = 2;
    const std::string clean = Synth(o);
    const bool haveFfmpeg = RunQuietly("command -v ffmpeg") == 0;
    struct Damage {
        const char* container;
        int frame;
        double seconds;
    };
    // Ten hours ahead in the middle, and a first frame ten hours back (across the wrap of the
    // 33-bit clock), in a transport and in a program stream.
    for (const Damage& d : {Damage{"mpegts", 10, 36000}, Damage{"mpegts", 0, -36000}, Damage{"vob", 10, 36000},
                            Damage{"vob", 0, -36000}}) {
        SCOPED_TRACE(std::string(d.container) + " frame " + std::to_string(d.frame) + " moved " + std::to_string(d.seconds));
        if (std::string(d.container) == "vob" && !haveFfmpeg) continue;
        std::filesystem::create_directories(m_dir + "/damaged");
        const std::string path = m_dir + "/damaged/" + std::filesystem::path(clean).filename().string();
        std::filesystem::remove(path);
        if (std::string(d.container) == "mpegts")
            std::filesystem::copy_file(clean, path);
        else
            ASSERT_EQ(0, RunQuietly("ffmpeg -v error -y -i '" + clean + "' -c copy -f vob '" + path + "'"));
        ASSERT_TRUE(ShiftVideoTime(path, d.frame, d.seconds));
        for (const bool forward : {true, false}) {
            FrameLog log;
            CMovra engine(&log);
            log.engine = &engine;
            ASSERT_EQ(1, engine.Open(path.c_str()));
            ASSERT_TRUE(log.WaitForIndex());
            const std::vector<int> shown = PlayThrough(engine, log, forward, 4);
            ASSERT_EQ(1, log.Ends()) << (forward ? "forward" : "backward") << " play reaches the end of a 2 s file";
            ASSERT_FALSE(shown.empty());
            EXPECT_EQ(forward ? 49 : 0, shown.back());
        }
    }
}

TEST_F(EngineTest, PicturesLargerThanARecorderWritesAreRefusedWithTheReason) {
    if (RunQuietly("command -v ffmpeg") != 0) GTEST_SKIP() << "no ffmpeg command";
    struct Size {
        int width, height;
        bool plays;
    };
    // Too wide, too many pixels though no side is too long, and the largest side allowed.
    for (const Size& size : {Size{8200, 16, false}, Size{8000, 4608, false}, Size{8192, 16, true}}) {
        const std::string dimensions = std::to_string(size.width) + "x" + std::to_string(size.height);
        SCOPED_TRACE(dimensions);
        const std::string path = m_dir + "/" + dimensions + ".avi";
        ASSERT_EQ(0, RunQuietly("ffmpeg -v error -y -f lavfi -i color=c=gray:size=" + dimensions +
                                ":rate=5:duration=0.4 -c:v mjpeg -f avi '" + path + "'"));
        FrameLog log;
        CMovra engine(&log);
        log.engine = &engine;
        EXPECT_EQ(size.plays ? 1 : 0, engine.Open(path.c_str()));
        const std::string why = WhyNotPlayable(path.c_str());
        if (size.plays) {
            EXPECT_EQ("", why);
            engine.SetPresentationPacing(0);
            ASSERT_EQ(1, engine.Play(nullptr));
            ASSERT_TRUE(log.WaitEnd());
            EXPECT_EQ(size.width, engine.GetCurrentPlayingVideoFrameWidth());
        } else {
            EXPECT_NE(std::string::npos, why.find(dimensions + " are larger than any recorder writes")) << why;
        }
    }
}

TEST_F(EngineTest, PathsThatAreNoRecordingFilesAreRefusedWithoutOpeningThem) {
    const std::string pipe = m_dir + "/DVR_ch1_20240315100000_20240315100004.rvf";
    ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0644));
    std::filesystem::create_directory(m_dir + "/folder.rvf");
    std::ofstream(m_dir + "/empty.rvf").close();
    struct Case {
        std::string path, why;
    };
    for (const Case& c : {Case{pipe, "a named pipe"}, Case{m_dir + "/folder.rvf", "a folder"}, Case{"/dev/zero", "a device"},
                          Case{m_dir + "/empty.rvf", "an empty file"}}) {
        SCOPED_TRACE(c.path);
        // Opening a pipe with no writer waits for one: the open runs aside, and a writer comes
        // along to end it should the engine wait there.
        auto open = std::async(std::launch::async, [&] {
            CMovra engine(nullptr);
            return engine.Open(c.path.c_str());
        });
        if (open.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            ADD_FAILURE() << "the engine waits on it";
            const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            open.wait();
            if (writer >= 0) ::close(writer);
        }
        EXPECT_EQ(0, open.get());
        EXPECT_EQ(0u, WhyNotPlayable(c.path.c_str()).find(c.why)) << WhyNotPlayable(c.path.c_str());
    }
}

TEST_F(EngineTest, AFileThatGrowsWhileItPlaysKeepsItsFrameNumbers) {
    SynthOptions o;
    o.seconds = 4;
    const std::string whole = Synth(o);
    std::string bytes;
    {
        std::ifstream in(whole, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    // The first half, as a recorder has written it so far.
    const std::size_t half = bytes.size() / 2 / 188 * 188;
    std::filesystem::create_directory(m_dir + "/growing");
    const std::string path = m_dir + "/growing/" + std::filesystem::path(whole).filename().string();
    std::ofstream(path, std::ios::binary) << bytes.substr(0, half);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_TRUE(log.WaitForIndex());
    MV_FILE_DESCRIPTION d;
    engine.DescribeFile(&d);
    ASSERT_LT(d.frames, 70) << "indexed while half written";
    // The rest arrives; play goes on into it.
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes.substr(half);
    engine.SetPresentationPacing(0);
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitEnd());
    ASSERT_EQ(100u, log.shownNumbers.size());
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(i, log.shownNumbers[i]);
        EXPECT_EQ(i, log.engineNumbers[i]) << "the engine's number follows the picture past the index's end";
    }
}
