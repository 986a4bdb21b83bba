// tarvex-cli as a user runs it: the commands chained on generated recordings, their output and
// their exit codes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "tests/Tools/CliTestSupport.h"

namespace {

using Result = TarvexTest::CliResult;
using TarvexTest::Cli;
using TarvexTest::ReadNumbers;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-cli-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_dir = pattern;
        ASSERT_EQ(0, Cli("synth " + m_dir + " --seconds 4 --gop 25 --bframes 2").code);
        m_file = m_dir + "/DVR_ch1_20240315100000_20240315100004.rvf";
        ASSERT_TRUE(std::filesystem::exists(m_file));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string m_dir, m_file;
};

}  // namespace

TEST_F(CliTest, FramesPlaysStepsAndSeeks) {
    const std::vector<int> backward = ReadNumbers(Cli("frames " + m_file + " --backward --speed max").out);
    ASSERT_EQ(100u, backward.size());
    for (int i = 0; i < 100; ++i) ASSERT_EQ(99 - i, backward[i]);

    Result r = Cli("frames " + m_file + " --from 10:00:02 --step backward --count 30");
    ASSERT_EQ(0, r.code) << r.out;
    const std::vector<int> steps = ReadNumbers(r.out);
    ASSERT_EQ(30u, steps.size());
    for (int i = 0; i < 30; ++i) ASSERT_EQ(50 - i, steps[i]);

    EXPECT_EQ((std::vector<int>{25, 26}), ReadNumbers(Cli("frames " + m_file + " --from 25% --count 2 --speed max").out));
    EXPECT_EQ((std::vector<int>{99}), ReadNumbers(Cli("frames " + m_file + " --from 100% --step forward").out));

    r = Cli("frames " + m_file + " --from 9");
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.out.find("outside the file")) << r.out;
    EXPECT_EQ(2, Cli("frames " + m_file + " --step sideways").code);
    EXPECT_EQ(2, Cli("frames " + m_file + " --from soon").code);
    r = Cli("frames " + m_dir + "/missing.rvf");
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(0u, r.out.find("cannot open ")) << r.out;
}

TEST_F(CliTest, SnapshotAndExportWriteWhatWasAskedAndNothingElse) {
    const std::string shot = m_dir + "/shot.jpg";
    ASSERT_EQ(0, Cli("snapshot " + m_file + " --at 3 -o " + shot).code);
    EXPECT_EQ((std::vector<int>{75}), ReadNumbers(Cli("frames " + shot).out)) << "the picture is frame 75";
    EXPECT_EQ(1, Cli("snapshot " + m_file + " --at 3 -o " + m_dir + "/no/such/shot.bmp").code);
    EXPECT_EQ(2, Cli("snapshot " + m_file + " -o " + shot).code) << "--at is needed";

    const std::string clip = m_dir + "/clip.rvf";
    Result r = Cli("export " + m_file + " --from 1 --to 3 -o " + clip);
    ASSERT_EQ(0, r.code) << r.out;
    const std::vector<int> frames = ReadNumbers(Cli("frames " + clip + " --speed max").out);
    ASSERT_GE(frames.size(), 51u);
    EXPECT_EQ(25, frames.front()) << "from the keyframe at 1 s";
    for (std::size_t i = 1; i < frames.size(); ++i) ASSERT_EQ(frames[i - 1] + 1, frames[i]) << "no gap";
    EXPECT_LE(frames.back(), 78) << "to 3 s, and at most the reordered frames past it";

    const auto size = std::filesystem::file_size(clip);
    r = Cli("export " + m_file + " -o " + clip);
    EXPECT_EQ(1, r.code) << "an existing file is never overwritten";
    EXPECT_EQ(size, std::filesystem::file_size(clip));
    EXPECT_EQ(2, Cli("export " + m_file + " --from 3 --to 1 -o " + m_dir + "/x.rvf").code);

    const std::string avi = m_dir + "/clip.avi";
    r = Cli("export " + m_file + " --from 2 --format avi -o " + avi);
    ASSERT_EQ(0, r.code) << r.out;
    const std::vector<int> aviFrames = ReadNumbers(Cli("frames " + avi + " --speed max").out);
    ASSERT_EQ(50u, aviFrames.size()) << "from the keyframe at 2 s to the end";
    for (int i = 0; i < 50; ++i) ASSERT_EQ(50 + i, aviFrames[i]);
}

TEST_F(CliTest, GroupKeepsEveryMemberOnTheGroupClock) {
    ASSERT_EQ(0, Cli("synth " + m_dir + "/day --channels 3 --seconds 4").code);
    const Result r = Cli("group " + m_dir + "/day/*.rvf --at 1 --frames 45");
    ASSERT_EQ(0, r.code) << r.out;
    std::istringstream lines(r.out);
    int count = 0;
    double worst = 0;
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.rfind("gap ");
        if (line.rfind("member ", 0) != 0 || at == std::string::npos) continue;
        ++count;
        worst = std::max(worst, std::abs(std::stod(line.substr(at + 4))));
        EXPECT_NE(std::string::npos, line.find("wall 2024-03-15 10:00:0")) << line;
    }
    EXPECT_EQ(45, count);
    EXPECT_LT(worst, 0.07) << "within a frame interval (and a little scheduling) of the clock";
}

TEST_F(CliTest, PipesAndDevicesAreRefusedAtOnceWithTheReason) {
    const std::string pipe = m_dir + "/DVR_ch2_20240315100000_20240315100004.rvf";
    ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0644));
    for (const std::string& path : {pipe, std::string("/dev/zero")}) {
        for (const char* command : {"probe ", "frames "}) {
            const Result r = Cli(command + path, "timeout 60 ");
            EXPECT_EQ(1, r.code) << command << path << ": " << r.out;
            EXPECT_NE(std::string::npos, r.out.find(path == pipe ? "a named pipe" : "a device")) << r.out;
        }
    }
}

TEST_F(CliTest, AnExportThatFailsLeavesNothingUnderItsName) {
    // The shell's file size limit (in blocks of 512 bytes) stands in for a full disk; a write
    // past it fails instead of ending the program.
    const std::string fullDisk = "trap '' XFSZ; ulimit -f 60; ";
    const std::string out = m_dir + "/out";
    std::filesystem::create_directory(out);
    for (const char* name : {"/clip.rvf", "/clip.avi"}) {
        const std::string format = std::string(name).substr(6);
        const Result r = Cli("export " + m_file + " --format " + format + " -o " + out + name, fullDisk);
        EXPECT_EQ(1, r.code) << r.out;
        EXPECT_NE(std::string::npos, r.out.find("the disk is full")) << r.out;
        EXPECT_TRUE(std::filesystem::is_empty(out)) << format << ": nothing under its name, and no part of it left";
    }
}

TEST_F(CliTest, ScanFindsAnExportNestedInFoldersOfItsOwn) {
    std::filesystem::create_directories(m_dir + "/export/copy of DVR");
    ASSERT_EQ(0, Cli("synth '" + m_dir + "/export/copy of DVR' --seconds 1 --date-folders").code);
    const Result r = Cli("scan " + m_dir + "/export");
    ASSERT_EQ(0, r.code) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("export/copy of DVR/2024-03-15/DVR_ch1_20240315100000_20240315100001.rvf")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"day\": \"2024-03-15\"")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"noRecording\": false")) << r.out;
}

TEST_F(CliTest, FramesThatShowNothingAreAnError) {
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg command";
    const std::string avi = m_dir + "/pictures.avi";
    ASSERT_EQ(0, std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=10:duration=2 -c:v mjpeg -f avi '" +
                              avi + "' >/dev/null 2>&1").c_str()));
    // Every picture from the fourth on is wiped (its chunk stays, so the file still indexes).
    std::string bytes;
    {
        std::ifstream in(avi, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    int pictures = 0;
    const std::size_t movi = bytes.find("movi");
    ASSERT_NE(std::string::npos, movi);
    for (std::size_t at = movi + 4; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        const std::string id = bytes.substr(at, 4);
        if (id == "idx1") break;
        if (id == "LIST") {
            at += 12;
            continue;
        }
        if (id.compare(2, 2, "dc") == 0 && pictures++ >= 3) std::fill_n(bytes.begin() + at + 8, std::min<std::size_t>(size, bytes.size() - at - 8), '\0');
        at += 8 + size + (size & 1);
    }
    ASSERT_EQ(20, pictures);
    std::ofstream(avi, std::ios::binary | std::ios::trunc) << bytes;

    EXPECT_EQ(3u, ReadNumbers(Cli("frames " + avi + " --speed max").out).size()) << "the pictures that are there";
    const Result r = Cli("frames " + avi + " --speed max --from 50%");
    EXPECT_EQ(1, r.code) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("no frame of it decodes")) << r.out;
}
