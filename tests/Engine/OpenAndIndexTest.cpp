#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "Engine/FileIndex.h"
#include "EngineTestSupport.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::RecordingListener;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

int RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

}  // namespace

TEST_F(EngineTest, OpensAGeneratedRecordingAndIndexesEveryFrame) {
    SynthOptions o;
    o.seconds = 3;
    o.bframes = 2;
    o.audio = "aac";
    const std::string path = Synth(o);
    RecordingListener listener;
    CMovra engine(&listener);
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_TRUE(listener.WaitForIndex());
    EXPECT_EQ(std::vector<int>{1}, listener.refResults);
    ASSERT_EQ(1u, listener.spans.size()) << "the span is reported before the index completes";
    EXPECT_EQ(std::make_pair(kStart, kStart + 3), listener.spans[0]);
    EXPECT_EQ(kStart, engine.GetFileStartTime());
    EXPECT_EQ(kStart + 3, engine.GetFileEndTime());
    EXPECT_EQ(1, engine.IsGetFileTimeInfo());

    MEDIA_INFO info;
    ASSERT_EQ(1, engine.GetMediaInfo(&info));
    EXPECT_EQ(320, info.width);
    EXPECT_EQ(240, info.height);
    EXPECT_EQ(25, info.frameRate);
    MV_FILE_DESCRIPTION d;
    ASSERT_EQ(1, engine.DescribeFile(&d));
    EXPECT_EQ("mpegts", d.container);
    EXPECT_EQ("h264", d.videoCodec);
    EXPECT_EQ("aac", d.audioCodec);
    EXPECT_EQ(75, d.frames);
    EXPECT_EQ(3, d.keyframes);
    EXPECT_DOUBLE_EQ(3.0, d.duration);

    EXPECT_EQ(1, engine.SetFileTimeInfo(kStart + 10, kStart + 20));
    EXPECT_EQ(kStart + 10, engine.GetFileStartTime());
    EXPECT_EQ(0, engine.SetFileTimeInfo(5, 4));
    EXPECT_EQ(1, engine.Close());
    EXPECT_EQ(0, engine.GetFileStartTime());
    EXPECT_EQ(0, engine.Close());
}

TEST_F(EngineTest, OtherCodecsAndContainers) {
    for (const char* codec : {"hevc", "mjpeg"}) {
        SynthOptions o;
        o.codec = codec;
        o.audio = std::string(codec) == "mjpeg" ? "mulaw" : "none";
        o.seconds = 1;
        o.device = std::string("D") + codec;
        const std::string path = Synth(o);
        RecordingListener listener;
        CMovra engine(&listener);
        ASSERT_EQ(1, engine.Open(path.c_str())) << codec;
        ASSERT_TRUE(listener.WaitForIndex());
        MV_FILE_DESCRIPTION d;
        engine.DescribeFile(&d);
        EXPECT_EQ(codec, d.videoCodec);
        EXPECT_EQ(25, d.frames) << codec;
        EXPECT_EQ(kStart, engine.GetFileStartTime()) << "the embedded clock is read from either container";
    }
}

TEST_F(EngineTest, TheSameOptionsWriteTheSameBytes) {
    SynthOptions o;
    o.seconds = 1;
    o.audio = "alaw";
    const std::string first = ReadAll(Synth(o));
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    EXPECT_EQ(first, ReadAll(Synth(o)));
    EXPECT_FALSE(first.empty());
}

TEST_F(EngineTest, IndexBlobRoundTripsAndForgeriesAreRebuilt) {
    SynthOptions o;
    o.seconds = 2;
    const std::string path = Synth(o);
    std::vector<unsigned char> blob;
    {
        RecordingListener listener;
        CMovra engine(&listener);
        ASSERT_EQ(1, engine.Open(path.c_str()));
        ASSERT_TRUE(listener.WaitForIndex());
        unsigned int length = 0;
        ASSERT_EQ(1, engine.GetRefValue(nullptr, &length));
        blob.resize(length);
        unsigned int small = length - 1;
        EXPECT_EQ(0, engine.GetRefValue(blob.data(), &small)) << "a buffer too small is refused";
        ASSERT_EQ(1, engine.GetRefValue(blob.data(), &length));
    }
    // Intact: the engine takes it as its index.
    FileIdentity identity;
    ASSERT_TRUE(ReadFileIdentity(path, &identity));
    FileIndex parsed;
    ASSERT_TRUE(ParseIndex(blob.data(), blob.size(), identity, &parsed));
    EXPECT_EQ(50u, parsed.frames.size());
    {
        RecordingListener listener;
        CMovra engine(&listener);
        ASSERT_EQ(1, engine.SetRefValue(blob.data(), static_cast<unsigned int>(blob.size())));
        ASSERT_EQ(1, engine.Open(path.c_str()));
        ASSERT_TRUE(listener.WaitForIndex());
        MV_FILE_DESCRIPTION d;
        engine.DescribeFile(&d);
        EXPECT_EQ(50, d.frames);
    }
    // Every damaged form is refused by the parser; the engine then rebuilds and still plays.
    std::vector<std::vector<unsigned char>> forged;
    for (std::size_t at : {std::size_t(0), std::size_t(9), std::size_t(15), blob.size() / 2, blob.size() - 1}) {
        auto b = blob;
        b[at] ^= 0x40;
        forged.push_back(b);
    }
    forged.push_back(std::vector<unsigned char>(blob.begin(), blob.begin() + blob.size() / 2));
    forged.push_back(std::vector<unsigned char>(blob.size(), 0xFF));
    for (const auto& b : forged) {
        EXPECT_FALSE(ParseIndex(b.data(), b.size(), identity, &parsed));
        RecordingListener listener;
        CMovra engine(&listener);
        engine.SetRefValue(b.data(), static_cast<unsigned int>(b.size()));
        ASSERT_EQ(1, engine.Open(path.c_str()));
        ASSERT_TRUE(listener.WaitForIndex());
        MV_FILE_DESCRIPTION d;
        engine.DescribeFile(&d);
        EXPECT_EQ(50, d.frames) << "rebuilt from the file";
    }
    // A blob for another file is not this file's index.
    o.device = "OTHER";
    const std::string other = Synth(o);
    FileIdentity otherIdentity;
    ASSERT_TRUE(ReadFileIdentity(other, &otherIdentity));
    EXPECT_FALSE(ParseIndex(blob.data(), blob.size(), otherIdentity, &parsed));
}

TEST_F(EngineTest, BadInputIsRefusedOrPlaysWhatIsWhole) {
    CMovra engine(nullptr);
    EXPECT_EQ(0, engine.Open(nullptr));
    EXPECT_EQ(0, engine.Open((m_dir + "/missing.rvf").c_str()));
    WriteAll(m_dir + "/empty.rvf", "");
    EXPECT_EQ(0, engine.Open((m_dir + "/empty.rvf").c_str()));
    std::string noise(200000, '\0');
    unsigned seed = 7;
    for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    WriteAll(m_dir + "/noise.rvf", noise);
    EXPECT_EQ(0, engine.Open((m_dir + "/noise.rvf").c_str()));
    EXPECT_EQ(0, engine.GetFileStartTime());

    // Cut in half: what remains opens and indexes.
    SynthOptions o;
    o.seconds = 4;
    const std::string path = Synth(o);
    const std::string bytes = ReadAll(path);
    WriteAll(path, bytes.substr(0, bytes.size() / 2));
    RecordingListener listener;
    CMovra cut(&listener);
    ASSERT_EQ(1, cut.Open(path.c_str()));
    ASSERT_TRUE(listener.WaitForIndex());
    MV_FILE_DESCRIPTION d;
    cut.DescribeFile(&d);
    EXPECT_GT(d.frames, 20);
    EXPECT_LT(d.frames, 100);
}

TEST_F(EngineTest, CloseDuringIndexingDoesNotWaitForIt) {
    SynthOptions o;
    o.seconds = 20;
    const std::string path = Synth(o);
    for (int i = 0; i < 5; ++i) {
        RecordingListener listener;
        CMovra engine(&listener);
        ASSERT_EQ(1, engine.Open(path.c_str()));
        EXPECT_EQ(1, engine.Close());  // cancels the scan
    }
}

// Files from another encoder carry no embedded clock: the name, then the container's creation
// time, then the modification time less the duration give the start.
TEST_F(EngineTest, StartTimeFollowsTheOrderOfSources) {
    if (RunQuietly("command -v ffmpeg") != 0) GTEST_SKIP() << "no ffmpeg command";
    const std::string base = "ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=10:duration=2 -c:v libx264 ";
    const std::string named = m_dir + "/CAM_ch2_20200101080000_20200101080002.rvf";
    ASSERT_EQ(0, RunQuietly(base + "-f mpegts '" + named + "'"));
    const std::string created = m_dir + "/export.rvf";
    ASSERT_EQ(0, RunQuietly(base + "-metadata creation_time=2021-05-06T07:08:09Z -f matroska '" + created + "'"));
    const std::string plain = m_dir + "/plain.rvf";
    ASSERT_EQ(0, RunQuietly(base + "-f mpegts '" + plain + "'"));
    timespec times[2] = {{0, UTIME_OMIT}, {1600000000, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, plain.c_str(), times, 0));

    CMovra engine(nullptr);
    ASSERT_EQ(1, engine.Open(named.c_str()));
    EXPECT_EQ(1577865600u, engine.GetFileStartTime());
    ASSERT_EQ(1, engine.Open(created.c_str()));
    EXPECT_EQ(1620284889u, engine.GetFileStartTime());
    ASSERT_EQ(1, engine.Open(plain.c_str()));
    EXPECT_EQ(1600000000u - 2, engine.GetFileStartTime());
    EXPECT_EQ(1600000000u, engine.GetFileEndTime());
}
