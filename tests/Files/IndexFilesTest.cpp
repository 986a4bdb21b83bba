#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Files/IndexFiles.h"
#include "FilesTestSupport.h"

namespace {

std::uint64_t g_freeBytes = 1ull << 40;
int FakeFreeSpace(const char*, std::uint64_t* bytes) {
    *bytes = g_freeBytes;
    return 1;
}
std::int64_t g_now = 0;
std::int64_t FakeClock() { return g_now; }

class IndexFilesTest : public TarvexTest::RecordingFolder {
protected:
    void SetUp() override {
        RecordingFolder::SetUp();
        std::filesystem::create_directories(m_root + "/Index");
        g_freeBytes = 1ull << 40;
        SetIndexFreeSpaceQuery(&FakeFreeSpace);
    }
    void TearDown() override {
        SetIndexFreeSpaceQuery(nullptr);
        SetIndexClock(nullptr);
        RecordingFolder::TearDown();
    }
    std::string IndexOf(const std::string& recording) {
        return KX_SOFT_BASE::WideToNative(IndexPathFor(Wide(recording)));
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    int Write(const std::string& recording, const std::string& payload) {
        return WriteIndexFile(reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), Wide(recording));
    }
    std::pair<int, std::string> Load(const std::string& recording) {
        std::string got = "<not called>";
        const int rc = LoadIndex(Wide(recording), [&](const unsigned char* d, std::size_t n) {
            got.assign(reinterpret_cast<const char*>(d), n);
        });
        return {rc, got};
    }
};

}  // namespace

TEST_F(IndexFilesTest, NamedAfterTheRecordingUnderTheProgramFolder) {
    EXPECT_EQ(Wide(m_root + "/Index/DVR_ch1_20120315101500_20120315110000.rvx"),
              IndexPathFor(L"/media/rec/DVR_ch1_20120315101500_20120315110000.rvf"));
    EXPECT_EQ(Wide(m_root + "/Index/clip.rvx"), IndexPathFor(L"clip.rvf"));
    EXPECT_EQ(Wide(m_root + "/Index/.rvx"), IndexPathFor(L"/x/a")) << "a name shorter than its extension";
}

TEST_F(IndexFilesTest, RoundTripsWithALittleEndianHeader) {
    const auto recording = Touch("rec/DVR_ch1_20120315101500_20120315110000.rvf", std::string(1000, 'v'));
    EXPECT_EQ(0, IsIndexCurrent(Wide(recording)));
    EXPECT_EQ(std::make_pair(0, std::string("<not called>")), Load(recording));

    const std::string payload("engine\0bytes", 12);
    ASSERT_EQ(1, Write(recording, payload));
    EXPECT_EQ(1, IsIndexCurrent(Wide(recording)));
    EXPECT_EQ(std::make_pair(1, payload), Load(recording));

    const std::string bytes = Read(IndexOf(recording));
    ASSERT_EQ(kIndexHeaderSize + payload.size(), bytes.size());
    struct stat st;
    ASSERT_EQ(0, stat(recording.c_str(), &st));
    EXPECT_EQ(std::string("\xE8\x03\0\0\0\0\0\0", 8), bytes.substr(0, 8)) << "size 1000, little-endian";
    std::int64_t mtime = 0;
    for (int i = 0; i < 8; ++i) mtime |= static_cast<std::int64_t>(static_cast<unsigned char>(bytes[16 + i])) << (8 * i);
    EXPECT_EQ(st.st_mtime, mtime);
    EXPECT_EQ(payload, bytes.substr(kIndexHeaderSize));
    EXPECT_EQ(0, Write(recording, "")) << "empty data writes nothing";
}

TEST_F(IndexFilesTest, AChangedOrOtherRecordingGetsNoIndex) {
    const auto recording = Touch("a/DVR_ch1_20120315101500_20120315110000.rvf", "first");
    ASSERT_EQ(1, Write(recording, "index-a"));
    // The same name in another folder shares the index file; the header tells them apart.
    const auto twin = Touch("b/DVR_ch1_20120315101500_20120315110000.rvf", "a different recording");
    EXPECT_EQ(0, IsIndexCurrent(Wide(twin)));
    EXPECT_EQ(1, IsIndexCurrent(Wide(recording)));

    // A copy with a new modification time is not current; its own save replaces the index.
    timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, recording.c_str(), times, 0));
    EXPECT_EQ(0, IsIndexCurrent(Wide(recording)));
    ASSERT_EQ(1, Write(recording, "index-a2"));
    EXPECT_EQ(std::make_pair(1, std::string("index-a2")), Load(recording));

    EXPECT_EQ(0, Write(m_root + "/gone/DVR_ch1_20120315101500_20120315110000.rvf", "x"))
        << "no status, no index";
}

TEST_F(IndexFilesTest, EmptyAndHeaderOnlyIndexFiles) {
    const auto recording = Touch("DVR_ch1_20120315101500_20120315110000.rvf", "rec");
    Touch("Index/DVR_ch1_20120315101500_20120315110000.rvx");  // empty: never overwritten
    EXPECT_EQ(0, Write(recording, "new"));
    EXPECT_EQ(0u, Read(IndexOf(recording)).size());
    EXPECT_EQ(0, IsIndexCurrent(Wide(recording)));

    // Exactly a header: current, and it passes zero bytes.
    ASSERT_EQ(0, unlink(IndexOf(recording).c_str()));
    ASSERT_EQ(1, Write(recording, "x"));
    ASSERT_EQ(0, truncate(IndexOf(recording).c_str(), kIndexHeaderSize));
    EXPECT_EQ(std::make_pair(1, std::string()), Load(recording));
}

TEST_F(IndexFilesTest, ForgedAndTornFilesAreRefused) {
    const auto recording = Touch("DVR_ch1_20120315101500_20120315110000.rvf", "rec");
    ASSERT_EQ(1, Write(recording, "good"));
    const std::string index = IndexOf(recording);
    // A matching header claiming a payload beyond the bound (sparse, so it costs no disk).
    ASSERT_EQ(0, truncate(index.c_str(), kIndexHeaderSize + kIndexMaxPayload + 1));
    EXPECT_EQ(std::make_pair(0, std::string("<not called>")), Load(recording));
    // A header cut short.
    ASSERT_EQ(0, truncate(index.c_str(), 10));
    EXPECT_EQ(0, IsIndexCurrent(Wide(recording)));
}

TEST_F(IndexFilesTest, AFailedSaveLeavesTheOldIndexAndNoLitter) {
    const auto recording = Touch("DVR_ch1_20120315101500_20120315110000.rvf", "rec");
    ASSERT_EQ(1, Write(recording, "old index"));
    // A write that cannot complete: a file-size limit well below the new payload.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(Write(recording, std::string(4096, 'n')) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the save reported failure";
    EXPECT_EQ(std::make_pair(1, std::string("old index")), Load(recording));
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(m_root + "/Index")) entries += e.is_regular_file();
    EXPECT_EQ(1, entries) << "no temporary file is left behind";

    std::filesystem::remove_all(m_root + "/Index");
    EXPECT_EQ(0, Write(recording, "x")) << "no Index folder, no index";
}

TEST_F(IndexFilesTest, LowDiskCleansIndexesUnusedForAWeek) {
    const auto recording = Touch("DVR_ch1_20120315101500_20120315110000.rvf", "rec");
    const auto old = Touch("Index/old.rvx", "o");
    const auto recent = Touch("Index/recent.rvx", "r");
    g_now = std::time(nullptr);
    SetIndexClock(&FakeClock);
    auto setAccess = [](const std::string& path, std::int64_t when) {
        timespec times[2] = {{static_cast<time_t>(when), 0}, {0, UTIME_OMIT}};
        ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
    };
    setAccess(old, g_now - 8 * 86400);
    setAccess(recent, g_now - 6 * 86400);

    g_freeBytes = 150ull << 20;
    ASSERT_EQ(1, Write(recording, "a"));
    EXPECT_TRUE(std::filesystem::exists(old)) << "enough space: nothing is cleaned";

    g_freeBytes = 50ull << 20;
    ASSERT_EQ(1, Write(recording, "b"));
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_TRUE(std::filesystem::exists(recent));
    EXPECT_EQ(std::make_pair(1, std::string("b")), Load(recording));
}
