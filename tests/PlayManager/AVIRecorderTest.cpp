// The AVI recorder: the names a split clip goes on in, and a clip fed by a playing engine that
// splits into files named by the time of their data, losing and repeating no frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "../Engine/EngineTestSupport.h"
#include "../Engine/FrameLog.h"
#include "PlayManager/AVIRecorder.h"

using namespace TarvexPlay;

namespace {

DataTime At(int h, int m, int s) {
    DataTime t;
    const int fields[6] = {2024, 3, 15, h, m, s};
    std::copy(fields, fields + 6, t.fields);
    return t;
}

}  // namespace

TEST(SplitFileNameTest, TheNextFileKeepsFolderAndTagAndTakesTheDataTime) {
    const DataTime t = At(10, 5, 7);
    EXPECT_EQ("/clips/20240315100507[CH01]A.avi", SplitFileName("/clips/20240315100000[CH01]A.avi", t));
    EXPECT_EQ("/clips/20240315100507_CH01.avi", SplitFileName("/clips/20240315100000_CH01.avi", t));
    EXPECT_EQ("C:\\clips\\20240315100507[1].avi", SplitFileName("C:\\clips\\x[1].avi", t));
    EXPECT_EQ("20240315100507_b.avi", SplitFileName("a_b.avi", t)) << "no folder";
    EXPECT_EQ("/clips/20240315100507[1]_x.avi", SplitFileName("/clips/a[1]_x.avi", t)) << "the first [ wins";
    EXPECT_EQ("/clips/20240315100507_y.avi", SplitFileName("/clips/a_x_y.avi", t)) << "else the last _";
    // Neither "[" nor "_": the title carries on.
    EXPECT_EQ("/clips/20240315100507evidence.avi", SplitFileName("/clips/evidence.avi", t));
    // A folder's own "[", "_" or "." never makes the name leave the folder.
    EXPECT_EQ("/case [7]/in_out/20240315100507_1.avi", SplitFileName("/case [7]/in_out/clip_1.avi", t));
    EXPECT_EQ("/v1.2/20240315100507_3.avi", SplitFileName("/v1.2/clip_3", t));
    EXPECT_EQ("/v1.2/20240315100507clip.avi", SplitFileName("/v1.2/clip", t));
}

namespace {

// Hands what a playing engine pushes to the recorder, as the play object does.
class RecorderFeed : public TarvexTest::FrameLog {
public:
    AVIRecorder* recorder = nullptr;
    void OnStreamData(void*, char* data, int length, MOVRA::MV_STREAM_RECORD* record, void*) override {
        recorder->InputData(record, data, length);
    }
};

}  // namespace

class AVIRecorderTest : public TarvexTest::EngineTest {};

TEST_F(AVIRecorderTest, AClipSplitsIntoFilesNamedByTheTimeOfTheirData) {
    MOVRA::SynthOptions o;
    o.seconds = 4;
    o.audio = "aac";
    const std::string source = Synth(o);
    AVIRecorder recorder(40 * 1024);  // about 1.3 s of this stream per file
    const std::string target = m_dir + "/clip[CH01]A.avi";
    ASSERT_EQ(1, recorder.Start(target.c_str()));
    EXPECT_EQ(0, recorder.Start((m_dir + "/other.avi").c_str())) << "one clip at a time";
    RecorderFeed feed;
    feed.recorder = &recorder;
    {
        MOVRA::CMovra engine(&feed);
        feed.engine = &engine;
        ASSERT_EQ(1, engine.Open(source.c_str()));
        ASSERT_TRUE(feed.WaitForIndex());
        ASSERT_EQ(1, engine.Play(nullptr));  // at 1X: the stream's time moves as the clock does
        ASSERT_TRUE(feed.WaitEnd(std::chrono::seconds(30)));
    }
    ASSERT_EQ(1, recorder.Stop()) << "everything fed was written and the last file completed";
    EXPECT_FALSE(recorder.IsActive());

    std::vector<std::string> parts;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        if (entry.path().extension() == ".avi" && entry.path() != target) parts.push_back(entry.path().string());
    std::sort(parts.begin(), parts.end());  // by the time in their names
    ASSERT_GE(parts.size(), 1u) << "the split size was passed";
    const std::regex name(R"(.*/2024031510000([0-4])\[CH01\]A\.avi)");
    std::set<std::string> seconds;
    for (const auto& part : parts) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(part, match, name)) << part << ": the folder, the data's time, the tag";
        if (match.size() > 1) seconds.insert(match[1]);
    }
    EXPECT_EQ(parts.size(), seconds.size()) << "each file begins at its own time";

    std::vector<int> all = TarvexTest::PlayedFrames(target);
    for (const auto& part : parts) {
        const std::vector<int> frames = TarvexTest::PlayedFrames(part);
        ASSERT_FALSE(frames.empty()) << part;
        all.insert(all.end(), frames.begin(), frames.end());
    }
    ASSERT_EQ(100u, all.size()) << "no frame lost or repeated across the files";
    for (int i = 0; i < 100; ++i) ASSERT_EQ(i, all[i]);
}

TEST_F(AVIRecorderTest, AClipThatCannotStartLeavesTheRecorderIdleAndTheFileAlone) {
    AVIRecorder recorder;
    const std::string existing = m_dir + "/evidence.avi";
    std::ofstream(existing) << "kept";
    EXPECT_EQ(0, recorder.Start(existing.c_str()));
    EXPECT_FALSE(recorder.IsActive());
    EXPECT_EQ(0, recorder.Start((m_dir + "/no/such/folder/x.avi").c_str()));
    EXPECT_EQ(4u, std::filesystem::file_size(existing));
    // Stream data while idle is taken and dropped, and a stop has nothing to wait for.
    MOVRA::MV_STREAM_RECORD record;
    char byte = 0x47;
    EXPECT_EQ(1, recorder.InputData(&record, &byte, 1));
    EXPECT_EQ(0, recorder.Stop()) << "no clip was written";

    // Data of length 0 only moves the data time.
    ASSERT_EQ(1, recorder.Start((m_dir + "/x.avi").c_str()));
    const int fields[6] = {2024, 3, 15, 11, 22, 33};
    std::copy(fields, fields + 6, record.fields + 7);
    EXPECT_EQ(1, recorder.InputData(&record, nullptr, 0));
    int flag = 1;
    std::vector<char> next(MOVRA::kMaxAviNameLength, '\0');
    recorder.OnGetNewFileName(nullptr, &flag, next.data());
    EXPECT_EQ(0, flag);
    EXPECT_EQ(m_dir + "/20240315112233x.avi", std::string(next.data()));
    recorder.Stop();
}
