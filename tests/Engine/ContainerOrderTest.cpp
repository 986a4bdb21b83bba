// Every container the engine opens shows, backward and in back-steps, exactly the frames forward
// play shows, in reverse. The files are made by the ffmpeg command, as exports and other
// recorders make them, from a generated recording whose pictures carry their frame numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FrameLog;

namespace {

constexpr int kFrames = 75;  // three seconds at 25 fps, a keyframe every 25

struct ContainerCase {
    const char* name;
    const char* format;  // ffmpeg's name for the container
    // Two recordings, the second with its times ten seconds on, written one after the other into one
    // file, as a recorder that restarts appends.
    bool twoRecordings;
    std::vector<int> keyframes;  // a GOP of 25 from the start of each recording
};

std::ostream& operator<<(std::ostream& out, const ContainerCase& c) { return out << c.name; }

const ContainerCase kCases[] = {
    {"MpegTs", "mpegts", false, {0, 25, 50}},
    {"MpegPs", "mpeg", false, {0, 25, 50}},
    {"Avi", "avi", false, {0, 25, 50}},
    {"Mp4", "mp4", false, {0, 25, 50}},
    {"Matroska", "matroska", false, {0, 25, 50}},
    {"MpegTsTwoRecordings", "mpegts", true, {0, 25, 38, 63}},
};

int RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

bool Append(const std::string& from, std::ofstream& to) {
    std::ifstream in(from, std::ios::binary);
    to << in.rdbuf();
    return in.good() || in.eof();
}

std::vector<int> Reversed(std::vector<int> v) {
    std::reverse(v.begin(), v.end());
    return v;
}

std::vector<int> Ascending(int count) {
    std::vector<int> v(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) v[static_cast<std::size_t>(i)] = i;
    return v;
}

// An engine on the file, with its index complete.
struct Opened {
    FrameLog log;
    CMovra engine{&log};
    MV_FILE_DESCRIPTION description;
    explicit Opened(const std::string& path) {
        log.engine = &engine;
        EXPECT_EQ(1, engine.Open(path.c_str()));
        EXPECT_TRUE(log.WaitForIndex());
        engine.DescribeFile(&description);
    }
    // Played unpaced to the end in one direction: the numbers the pictures show, and the
    // engine's numbers for them.
    void PlayToTheEnd(bool forward, std::vector<int>* shown, std::vector<int>* numbers) {
        engine.SetPresentationPacing(0);
        if (!forward) {
            ASSERT_EQ(1, engine.PlayBackward());
        }
        ASSERT_EQ(1, engine.Play(nullptr));
        ASSERT_TRUE(log.WaitEnd(std::chrono::seconds(60)));
        engine.Stop();
        *shown = log.shownNumbers;
        *numbers = log.engineNumbers;
    }
};

class ContainerOrderTest : public EngineTest, public ::testing::WithParamInterface<ContainerCase> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (RunQuietly("command -v ffmpeg") != 0) GTEST_SKIP() << "no ffmpeg command";
        SynthOptions o;
        o.seconds = 3;
        o.width = 160;
        o.height = 120;
        const std::string source = Synth(o);
        ASSERT_FALSE(source.empty());
        const std::string encode = "ffmpeg -v error -y -i '" + source + "' -an -c:v libx264 -bf 2 -g 25 ";
        const ContainerCase& c = GetParam();
        m_path = m_dir + "/export." + c.format;
        if (!c.twoRecordings) {
            ASSERT_EQ(0, RunQuietly(encode + "-f " + c.format + " '" + m_path + "'"));
            return;
        }
        const std::string first = m_dir + "/first.ts", second = m_dir + "/second.ts";
        ASSERT_EQ(0, RunQuietly(encode + "-frames:v 38 -f mpegts '" + first + "'"));
        ASSERT_EQ(0, RunQuietly(encode + "-vf trim=start_frame=38,setpts=PTS-STARTPTS -output_ts_offset 10 -f mpegts '" +
                                second + "'"));
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        ASSERT_TRUE(Append(first, out) && Append(second, out));
    }

    // Forward play of the file, checked against what was recorded: every frame once, in order,
    // each under its own number in the index.
    std::vector<int> Forward() {
        Opened f(m_path);
        EXPECT_EQ(kFrames, f.description.frames) << "the index counts every frame the file holds";
        std::vector<int> shown, numbers;
        f.PlayToTheEnd(true, &shown, &numbers);
        EXPECT_EQ(Ascending(kFrames), shown) << "forward play shows every frame once, in order";
        EXPECT_EQ(Ascending(kFrames), numbers) << "the engine numbers each frame by its place";
        return shown;
    }

    std::string m_path;
};

TEST_P(ContainerOrderTest, BackwardPlayShowsTheForwardFramesInReverse) {
    const std::vector<int> forward = Forward();
    Opened f(m_path);
    std::vector<int> shown, numbers;
    f.PlayToTheEnd(false, &shown, &numbers);
    EXPECT_EQ(Reversed(forward), shown) << "from the last frame to the first";
    EXPECT_EQ(Reversed(Ascending(kFrames)), numbers);
}

TEST_P(ContainerOrderTest, BackStepsShowTheForwardFramesInReverse) {
    const std::vector<int> forward = Forward();
    Opened f(m_path);
    ASSERT_EQ(1, f.engine.Pause());
    ASSERT_EQ(1, f.engine.Play(nullptr));
    ASSERT_TRUE(f.log.WaitFrames(1));
    ASSERT_EQ(1, f.engine.Seek(100.0f));
    ASSERT_TRUE(f.log.WaitFrames(2));
    std::vector<int> stepped{f.log.LastShown()};
    while (f.engine.StepBackward() == 1) {
        ASSERT_TRUE(f.log.WaitFrames(stepped.size() + 2)) << "a step shows a frame";
        stepped.push_back(f.log.LastShown());
        ASSERT_LE(stepped.size(), forward.size()) << "no more steps than frames";
    }
    EXPECT_EQ(Reversed(forward), stepped) << "from the last frame, one step at a time, to the first";
    int number = -1;
    ASSERT_EQ(1, f.engine.QueryInfo(MV_QUERY_FRAME_NUMBER, &number, sizeof number, nullptr));
    EXPECT_EQ(0, number);
}

// At high speed only keyframes are decoded; each still shows under its own number.
TEST_P(ContainerOrderTest, KeyframesAloneKeepTheirNumbers) {
    const std::vector<int>& keyframes = GetParam().keyframes;
    for (const bool forward : {true, false}) {
        Opened f(m_path);
        ASSERT_EQ(1, f.engine.SetSpeed(32));
        if (!forward) {
            ASSERT_EQ(1, f.engine.PlayBackward());
        }
        ASSERT_EQ(1, f.engine.Play(nullptr));
        ASSERT_TRUE(f.log.WaitEnd(std::chrono::seconds(60)));
        f.engine.Stop();
        ASSERT_FALSE(f.log.shownNumbers.empty());
        EXPECT_EQ(f.log.engineNumbers, f.log.shownNumbers) << (forward ? "forward" : "backward");
        const std::vector<int>& shown = f.log.shownNumbers;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_NE(keyframes.end(), std::find(keyframes.begin(), keyframes.end(), shown[i])) << shown[i] << " is a keyframe";
            if (i > 0) {
                EXPECT_EQ(forward, shown[i] > shown[i - 1]) << "in the play's order";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, ContainerOrderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ContainerCase>& info) { return std::string(info.param.name); });

}  // namespace
