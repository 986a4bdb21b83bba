// Writers on a full disk: nothing crashes, failures are reported, and what was there before (or
// what was written so far) stays readable. A limit on file size stands in for the full disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "Engine/StrovaWrapper.h"
#include "EngineTestSupport.h"
#include "FrameLog.h"

using namespace MOVRA;
using TarvexTest::EngineTest;
using TarvexTest::FileSizeLimit;
using TarvexTest::FrameLog;

namespace {

std::size_t FilesIn(const std::string& dir) {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(EngineTest, WritersOnAFullDiskReportItAndKeepWhatIsWhole) {
    SynthOptions o;
    o.seconds = 6;
    o.gop = 25;
    const std::string path = Synth(o);
    const std::string out = m_dir + "/out";
    std::filesystem::create_directory(out);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_TRUE(log.WaitForIndex());
    ASSERT_EQ(1, engine.Seek(kStart + 2));
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitFrames(3));

    std::string shot = out + "/shot.bmp";
    ASSERT_EQ(1, engine.SnapPicture(shot.data(), MV_IMAGE_BMP));  // 230 kB
    const auto before = std::filesystem::file_size(shot);
    std::string clip = out + "/clip.rvf";
    {
        const FileSizeLimit full(60 * 1024);
        EXPECT_EQ(0, engine.SnapPicture(shot.data(), MV_IMAGE_BMP)) << "the picture does not fit";
        EXPECT_EQ(before, std::filesystem::file_size(shot)) << "the earlier picture is kept whole";
        EXPECT_EQ(1u, FilesIn(out)) << "no half-written picture is left";

        ASSERT_EQ(1, engine.StartDataRecord(clip.data(), 0));
        ASSERT_TRUE(log.WaitRecordStopped()) << "the clip says at once that it stopped";
        EXPECT_EQ(std::vector<int>{MV_RECORD_NO_SPACE}, log.recordStops) << "for want of space";
        EXPECT_EQ(0, engine.StopDataRecord()) << "a clip cut short by the full disk is reported";
    }
    engine.Close();
    // What reached the disk plays, up to its last whole packet.
    FrameLog replay;
    CMovra player(&replay);
    replay.engine = &player;
    ASSERT_EQ(1, player.Open(clip.c_str()));
    player.SetPresentationPacing(0);
    ASSERT_EQ(1, player.Play(nullptr));
    ASSERT_TRUE(replay.WaitEnd());
    const std::vector<int> shown = replay.Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(50, shown.front());
    for (std::size_t i = 1; i < shown.size(); ++i) ASSERT_EQ(shown[i - 1] + 1, shown[i]);
}

TEST_F(EngineTest, TheAviConverterOnAFullDiskReportsIt) {
    SynthOptions o;
    o.seconds = 4;
    const std::string path = Synth(o);
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> ts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CStrovaWrapper converter;
    ASSERT_EQ(1, converter.OpenStream(1 << 20));
    ASSERT_EQ(1, converter.StartAVIConvert((m_dir + "/clip.avi").c_str()));
    const FileSizeLimit full(40 * 1024);
    ASSERT_EQ(1, converter.Play(nullptr));
    ASSERT_EQ(1, converter.InputData(reinterpret_cast<const unsigned char*>(ts.data()), static_cast<unsigned>(ts.size())));
    while (converter.GetBufferValue(MV_BUFFER_PENDING) + converter.GetSourceBufferRemain() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(0, converter.StopAVIConvert()) << "the AVI could not be completed";
    EXPECT_EQ(1, converter.Stop());
    EXPECT_EQ(1, converter.CloseStream());
    EXPECT_EQ(1u, FilesIn(m_dir)) << "nothing under the AVI's name, and no part of it left: only the recording";
}

TEST_F(EngineTest, AnExportOnAFullDiskLeavesNothingUnderItsName) {
    SynthOptions o;
    o.seconds = 4;
    const std::string path = Synth(o);
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    ASSERT_EQ(1, engine.Open(path.c_str()));
    ASSERT_TRUE(log.WaitForIndex());
    ASSERT_EQ(1, engine.Play(nullptr));
    ASSERT_TRUE(log.WaitFrames(3));
    const std::string out = m_dir + "/out";
    std::filesystem::create_directory(out);
    std::string exported = out + "/export.rvf";
    {
        const FileSizeLimit full(30 * 1024);
        ASSERT_EQ(1, engine.StartDataRecord(exported.data(), 1));
        ASSERT_TRUE(log.WaitFrames(40));
        EXPECT_EQ(0, engine.StopDataRecord()) << "the export could not be completed";
    }
    EXPECT_EQ(0u, FilesIn(out)) << "nothing under its name, and no part of it left";
    // Complete, it has its name.
    ASSERT_EQ(1, engine.StartDataRecord(exported.data(), 1));
    ASSERT_TRUE(log.WaitFrames(log.Count() + 10));
    EXPECT_EQ(1, engine.StopDataRecord());
    EXPECT_TRUE(std::filesystem::exists(exported));
    EXPECT_EQ(1u, FilesIn(out));
}
