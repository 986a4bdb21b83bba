// The evidence export as the player will call it, off its UI thread: the sums it rests on, its
// progress, and what a cancel or a full disk leaves behind (nothing).
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Engine/EvidenceExport.h"
#include "Engine/FileHash.h"
#include "Engine/FramePattern.h"
#include "tests/Engine/EngineTestSupport.h"

namespace {

namespace fs = std::filesystem;

class EvidenceExportTest : public TarvexTest::EngineTest {
protected:
    // Two files of 4 s of one channel, 10:00:00 to 10:00:08.
    MOVRA::EvidenceRequest Request(const std::string& folder) {
        MOVRA::SynthOptions o;
        o.start = kStart;
        o.files = 2;
        std::vector<std::string> written;
        std::string error;
        EXPECT_TRUE(MOVRA::WriteSynthRecordings(m_dir, o, &written, &error)) << error;
        MOVRA::EvidenceRequest q;
        q.channels.push_back(MOVRA::EvidenceChannel{"DVR", 1, 0, written});
        q.from = kStart + 2.5;
        q.to = kStart + 5.5;
        q.folder = folder;
        q.version = "test";
        return q;
    }
};

std::string Sum(const std::string& path) {
    std::string hex, why;
    std::uint64_t size = 0;
    return MOVRA::Sha256OfFile(path, &hex, &size, &why) ? hex : "error: " + why;
}

// The frame number a 24-bit BMP shows, from its luma.
int BmpFrameNumber(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return -2;
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const int width = at(18) | at(19) << 8, height = at(22) | at(23) << 8;
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    if (bytes.size() < 54 + row * height) return -2;
    std::vector<std::uint8_t> y(static_cast<std::size_t>(width) * height);
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x) {
            const std::size_t p = 54 + row * (height - 1 - r) + static_cast<std::size_t>(x) * 3;
            y[static_cast<std::size_t>(r) * width + x] = static_cast<std::uint8_t>((29 * at(p) + 150 * at(p + 1) + 77 * at(p + 2)) >> 8);
        }
    return MOVRA::ReadFrameNumber(y.data(), width, width, height);
}

}  // namespace

TEST_F(EvidenceExportTest, TheSnapshotShowsTheFrameAtTheStretchsStart) {
    MOVRA::EvidenceRequest q = Request(m_dir + "/case");
    q.jpegSnapshot = false;
    const MOVRA::EvidenceResult result = MOVRA::ExportEvidence(q);
    ASSERT_EQ(MOVRA::EvidenceError::kNone, result.error) << result.message;
    ASSERT_EQ("snapshot", result.report.files.front().kind);
    // 10:00:02.5 falls in frame 62 (10:00:02.48 to 10:00:02.52), past the keyframe at 50.
    EXPECT_EQ(62, BmpFrameNumber(q.folder + "/" + result.report.files.front().name));
    EXPECT_NEAR(kStart + 2.48, result.report.files.front().start, 1e-3);
}

TEST_F(EvidenceExportTest, Sha256GivesTheStandardDigestsAndRefusesWhatIsNotAFile) {
    const std::string abc = m_dir + "/abc", empty = m_dir + "/empty", million = m_dir + "/million";
    std::ofstream(abc) << "abc";
    std::ofstream(empty).flush();
    std::ofstream(million) << std::string(1000000, 'a');
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Sum(abc));
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", Sum(empty));
    EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", Sum(million));
    EXPECT_EQ(Sum(million), MOVRA::Sha256OfBytes(std::string(1000000, 'a').data(), 1000000));
    std::uint64_t size = 0;
    std::string hex, why;
    ASSERT_TRUE(MOVRA::Sha256OfFile(million, &hex, &size, &why));
    EXPECT_EQ(1000000u, size);

    // A pipe named where a file should be would never end: refused at once.
    const std::string pipe = m_dir + "/pipe";
    ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0600));
    EXPECT_FALSE(MOVRA::Sha256OfFile(pipe, &hex, &size, &why));
    EXPECT_FALSE(MOVRA::Sha256OfFile(m_dir, &hex, &size, &why));
    EXPECT_FALSE(MOVRA::Sha256OfFile(m_dir + "/none", &hex, &size, &why));
}

TEST_F(EvidenceExportTest, ProgressRisesToTheEndAndTheReportListsWhatWasWritten) {
    MOVRA::EvidenceRequest q = Request(m_dir + "/case");
    std::vector<double> shares;
    std::vector<std::string> steps;
    q.progress = [&](double done, const std::string& step) {
        shares.push_back(done);
        steps.push_back(step);
    };
    const MOVRA::EvidenceResult result = MOVRA::ExportEvidence(q);
    ASSERT_EQ(MOVRA::EvidenceError::kNone, result.error) << result.message;
    ASSERT_FALSE(shares.empty());
    for (std::size_t i = 1; i < shares.size(); ++i) EXPECT_LE(shares[i - 1], shares[i]) << steps[i];
    EXPECT_EQ(1.0, shares.back());
    ASSERT_EQ(2u, result.report.sources.size());
    ASSERT_EQ(5u, result.report.files.size());  // a snapshot, then a clip and an MP4 per file
    for (const MOVRA::EvidenceFile& f : result.report.files) EXPECT_EQ(Sum(q.folder + "/" + f.name), f.sha256) << f.name;
    for (const MOVRA::EvidenceSource& s : result.report.sources) EXPECT_EQ(Sum(s.path), s.sha256) << s.path;
}

TEST_F(EvidenceExportTest, ACancelLeavesNothingBehind) {
    MOVRA::EvidenceRequest q = Request(m_dir + "/case");
    std::atomic<bool> cancel{false};
    q.cancel = &cancel;
    // Cancelled once the second clip is under way: the first one, the snapshot and the MP4 go.
    int cuts = 0;
    q.progress = [&](double, const std::string& step) {
        if (step.rfind("cutting", 0) == 0 && step.find("100004") != std::string::npos && ++cuts == 1) cancel = true;
    };
    const MOVRA::EvidenceResult result = MOVRA::ExportEvidence(q);
    EXPECT_EQ(MOVRA::EvidenceError::kCancelled, result.error);
    EXPECT_EQ(1, cuts);
    EXPECT_FALSE(fs::exists(q.folder));

    // A folder the user made stays, empty as it was.
    fs::create_directory(q.folder);
    cancel = false;
    cuts = 0;
    EXPECT_EQ(MOVRA::EvidenceError::kCancelled, MOVRA::ExportEvidence(q).error);
    EXPECT_TRUE(fs::is_directory(q.folder));
    EXPECT_TRUE(fs::is_empty(q.folder));
}

TEST_F(EvidenceExportTest, AFullDiskLeavesNothingBehind) {
    MOVRA::EvidenceRequest q = Request(m_dir + "/case");
    MOVRA::EvidenceResult result;
    {
        // The snapshot (about 13 KB) fits; the first clip (about 50 KB) does not.
        TarvexTest::FileSizeLimit limit(20000);
        result = MOVRA::ExportEvidence(q);
    }
    EXPECT_EQ(MOVRA::EvidenceError::kCannotWrite, result.error) << result.message;
    EXPECT_TRUE(result.report.files.empty());
    EXPECT_FALSE(fs::exists(q.folder));
}
