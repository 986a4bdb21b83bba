#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Files/CatalogueScan.h"
#include "Files/FileManager.h"
#include "FilesTestSupport.h"

namespace {

struct Notice {
    std::wstring device;
    std::int32_t dayKey;
    std::vector<std::int32_t> codes;
    KX_SOFT_BASE::DateTime date;
};

class RecordingListener : public IFileManagerListener {
public:
    void OnSingleFileFound(std::int32_t index, const CFileInfo& file) override { singles.push_back({index, file.path}); }
    void OnGroupDayFound(const std::wstring& device, std::int32_t dayKey, const KX_SOFT_BASE::DateTime& date,
                         const std::vector<std::int32_t>& codes) override {
        days.push_back({device, dayKey, codes, date});
        EXPECT_EQ(0, date.hour);
    }
    std::vector<_SINGLE_FILE_INFO> singles;
    std::vector<Notice> days;
};

constexpr std::int32_t kMarch15 = 1331769600;  // 2012-03-15 00:00 UTC

class FileManagerTest : public TarvexTest::RecordingFolder {
protected:
    int Add(const std::string& relative = std::string()) {
        int none = -1;
        EXPECT_EQ(1, m_catalogue.AddFolder(Pattern(relative), &none));
        return none;
    }
    std::vector<std::wstring> GroupedPaths(std::vector<_GROUP_FILE_INFO>* groups = nullptr) {
        std::vector<_GROUP_FILE_INFO> g;
        std::vector<std::wstring> paths;
        m_catalogue.FillGroupList(g, paths);
        if (groups) *groups = g;
        return paths;
    }
    std::vector<_SINGLE_FILE_INFO> Singles() {
        std::vector<_SINGLE_FILE_INFO> s;
        m_catalogue.FillSingleList(s);
        return s;
    }

    RecordingListener m_listener;
    CFileManager m_catalogue{&m_listener};
};

}  // namespace

TEST_F(FileManagerTest, GroupsByDeviceDayChannelInTimeOrder) {
    const auto later = Touch("DVR_ch1_20120315110000_20120315120000.rvf");
    const auto earlier = Touch("DVR_ch1_20120315101500_20120315110000.rvf");
    const auto extra = Touch("DVR_ch1_extra1_20120315101500_20120315110000.rvf");
    const auto ch2 = Touch("DVR_ch2_20120315101500_20120315110000.rvf");
    const auto nextDay = Touch("DVR_ch1_20120316000000_20120316010000.rvf");
    const auto other = Touch("ANPR_ch9_20120315101500_20120315110000.rvf");
    Touch("notes.txt");
    EXPECT_EQ(0, Add());

    std::vector<_GROUP_FILE_INFO> groups;
    const auto paths = GroupedPaths(&groups);
    ASSERT_EQ(3u, groups.size());
    EXPECT_EQ(L"ANPR", groups[0].deviceName) << "devices in ordinal order";
    EXPECT_EQ(L"DVR", groups[1].deviceName);
    EXPECT_EQ(kMarch15, groups[1].day);
    EXPECT_EQ(kMarch15 + 86400, groups[2].day);
    ASSERT_EQ(3u, groups[1].channels.size());
    EXPECT_EQ(nullptr, groups[1].channels.at(1));
    // Paths: device, day, channel code, start time.
    EXPECT_EQ((std::vector<std::wstring>{Wide(other), Wide(earlier), Wide(later), Wide(ch2), Wide(extra), Wide(nextDay)}),
              paths);

    // The listener sees channel codes by channel, then stream.
    ASSERT_EQ(3u, m_listener.days.size());
    EXPECT_EQ((std::vector<std::int32_t>{1, 1 | (1 << 24), 2}), m_listener.days[1].codes);
    EXPECT_TRUE(Singles().empty());
}

TEST_F(FileManagerTest, DateFoldersMustMatchTheirRecordings) {
    const auto inside = Touch("2012-03-15/DVR_ch1_20120315101500_20120315110000.rvf");
    const auto stray = Touch("2012-3-16/DVR_ch1_20120315110000_20120315120000.rvf");
    const auto nested = Touch("2012-03-15/nested/DVR_ch2_20120315101500_20120315110000.rvf");
    const auto holiday = Touch("holiday/DVR_ch3_20120315101500_20120315110000.rvf");  // not a date folder
    Touch("2012-03-17/DVR_ch4_20120317101500_20120317110000.txt");
    EXPECT_EQ(0, Add());
    EXPECT_EQ((std::vector<std::wstring>{Wide(inside), Wide(nested), Wide(holiday)}), GroupedPaths())
        << "by their names, wherever they are below a folder that is not of another date";
    const auto singles = Singles();
    ASSERT_EQ(1u, singles.size());
    EXPECT_EQ(Wide(stray), singles[0].path);
}

TEST_F(FileManagerTest, ANestedExportIsSearchedEightLevelsDownWithoutLeavingIt) {
    // An export copied into a folder of its own, its date folders one level deeper.
    const auto copied = Touch("export/copy of DVR/2026-12-02/DVR_ch1_20261202101500_20261202110000.rvf");
    std::string deep = "export";
    for (int level = 1; level <= 8; ++level) deep += "/l" + std::to_string(level);
    const auto eighth = Touch(deep + "/DVR_ch2_20261202101500_20261202110000.rvf");
    Touch(deep + "/l9/DVR_ch3_20261202101500_20261202110000.rvf");  // nine levels below: not searched
    // Outside the folder given: reached only through links.
    const auto outside = Touch("elsewhere/DVR_ch4_20261202101500_20261202110000.rvf");
    std::filesystem::create_directory_symlink("..", m_root + "/export/2026-12-02");
    std::filesystem::create_directory_symlink("/", m_root + "/export/2026-12-03");
    std::filesystem::create_directory_symlink(m_root + "/elsewhere", m_root + "/export/2026-12-04");
    std::filesystem::create_directory_symlink(m_root + "/export", m_root + "/export/l1/loop");
    // A link to a folder inside the one given is followed, once.
    std::filesystem::create_directory_symlink("copy of DVR", m_root + "/export/again");
    int none = -1;
    EXPECT_EQ(1, m_catalogue.AddFolder(Pattern("export"), &none));
    EXPECT_EQ(0, none);
    const std::vector<std::wstring> paths = GroupedPaths();
    EXPECT_EQ(2u, paths.size());
    EXPECT_EQ(1, std::count_if(paths.begin(), paths.end(), [&](const std::wstring& p) {
                  return p.find(L"DVR_ch1_") != std::wstring::npos;
              })) << "the copy, once, by its own path or by the link";
    EXPECT_NE(paths.end(), std::find(paths.begin(), paths.end(), Wide(eighth)));
    EXPECT_EQ(paths.end(), std::find(paths.begin(), paths.end(), Wide(outside)));
    for (const std::wstring& p : paths) EXPECT_EQ(std::wstring::npos, p.find(L"elsewhere")) << p;
    EXPECT_TRUE(Singles().empty());
    (void)copied;
}

TEST_F(FileManagerTest, UngroupedFilesAreNumberedOnceAndForAll) {
    const auto clip = Touch("clip.rvf");
    const auto upper = Touch("DVR_ch1_20120315101500_20120315110000.RVF");
    EXPECT_EQ(0, Add());
    auto singles = Singles();
    ASSERT_EQ(2u, singles.size());
    EXPECT_EQ(singles[0].index + 1, singles[1].index);
    EXPECT_GT(singles[0].index, 0);
    EXPECT_TRUE(GroupedPaths().empty()) << "an upper-case extension is never grouped";

    EXPECT_EQ(0, Add()) << "adding again still reports the recordings";
    EXPECT_EQ(2u, Singles().size()) << "but files nothing twice";

    // Another catalogue continues the process-wide numbering; the delete frees no number.
    m_catalogue.DeleteFiles(L"", 0, -1, singles[1].index);
    ASSERT_EQ(1u, Singles().size());
    CFileManager another;
    int none;
    another.AddFolder(Pattern(), &none);
    std::vector<_SINGLE_FILE_INFO> fresh;
    another.FillSingleList(fresh);
    ASSERT_EQ(2u, fresh.size());
    EXPECT_GT(fresh[0].index, singles[1].index);

    // Adding again brings the deleted file back under a new number; a name differing only in
    // case is another file on Linux.
    Touch("CLIP.rvf");
    Add();
    singles = Singles();
    ASSERT_EQ(3u, singles.size());
    EXPECT_GT(singles[2].index, fresh[1].index);
}

TEST_F(FileManagerTest, FilesOfOneStartAreAllListedAndEachOnce) {
    const auto first = Touch("a/DVR_ch1_20120315101500_20120315110000.rvf");
    const auto second = Touch("b/DVR_ch1_20120315101500_20120315113000.rvf");
    int none;
    m_catalogue.AddFolder(Pattern("a"), &none);
    m_catalogue.AddFolder(Pattern("b"), &none);
    m_catalogue.AddFolder(Pattern("a"), &none);
    EXPECT_EQ((std::vector<std::wstring>{Wide(first), Wide(second)}), GroupedPaths());
}

TEST_F(FileManagerTest, YearsAfter2037AreTheirOwnDays) {
    const auto in2037 = Touch("DVR_ch1_20370315101500_20370315110000.rvf");
    const auto in2040 = Touch("DVR_ch1_20400315101500_20400315110000.rvf");
    const auto in2099 = Touch("DVR_ch1_20990315101500_20990315110000.rvf");
    Add();
    std::vector<_GROUP_FILE_INFO> groups;
    const std::vector<std::wstring> paths = GroupedPaths(&groups);
    EXPECT_EQ(3u, groups.size()) << "three days, not one";
    EXPECT_EQ(3u, paths.size());
    std::vector<int> years;
    for (const Notice& n : m_listener.days) years.push_back(n.date.year);
    std::sort(years.begin(), years.end());
    EXPECT_EQ((std::vector<int>{2037, 2040, 2099}), years) << "each day is named by its own date";
}

TEST_F(FileManagerTest, NoRecordingFlag) {
    Touch("notes.txt");
    Touch("2012-03-15/readme.md");
    EXPECT_EQ(1, Add());
    EXPECT_EQ(1, Add("missing"));
    Touch("2012-03-15/DVR_ch1_20120315101500_20120315110000.rvf");
    EXPECT_EQ(0, Add()) << "a recording inside a date folder counts";
    int none = 5;
    EXPECT_EQ(0, m_catalogue.AddFolder(L"", &none));
    EXPECT_EQ(1, none);
}

TEST_F(FileManagerTest, DeletesCascadeUpToTheDevice) {
    Touch("DVR_ch1_20120315101500_20120315110000.rvf");
    Touch("DVR_ch2_20120315101500_20120315110000.rvf");
    Touch("DVR_ch1_20120316101500_20120316110000.rvf");
    Touch("CAM_ch1_20120315101500_20120315110000.rvf");
    Add();

    m_catalogue.DeleteFiles(L"DVR", kMarch15, 9, 0);  // no such channel
    m_catalogue.DeleteFiles(L"NONE", 0, -1, 0);  // no such device
    EXPECT_EQ(4u, GroupedPaths().size());

    m_catalogue.DeleteFiles(L"DVR", kMarch15, 1, 0);
    ASSERT_NE(nullptr, m_catalogue.FindDay(L"DVR", kMarch15));
    EXPECT_EQ(1u, m_catalogue.FindDay(L"DVR", kMarch15)->channels.size());
    m_catalogue.DeleteFiles(L"DVR", kMarch15, 2, 0);
    EXPECT_EQ(nullptr, m_catalogue.FindDay(L"DVR", kMarch15)) << "an emptied day goes";
    m_catalogue.DeleteFiles(L"DVR", kMarch15 + 86400, -1, 0);
    EXPECT_EQ(0u, m_catalogue.Devices().count(L"DVR")) << "an emptied device goes";

    m_catalogue.DeleteFiles(L"CAM", 0, -1, 0);
    std::vector<_GROUP_FILE_INFO> groups;
    EXPECT_TRUE(GroupedPaths(&groups).empty());
    EXPECT_TRUE(groups.empty());
}

TEST_F(FileManagerTest, LongAndOddPathsAreKept) {
    // Deep folders make a path well past 516 characters; the recording must stay playable.
    std::string deep;
    for (int i = 0; i < 12; ++i) deep += std::string(50, 'd' + i % 3) + "/";
    const auto longPath = Touch(deep + "DVR_ch1_20120315101500_20120315110000.rvf");
    ASSERT_GT(longPath.size(), 600u);
    const auto odd = Touch("we ird/\xB1\xB1\xBE\xA9_ch1_20120315101500_20120315110000.rvf");
    int none;
    m_catalogue.AddFolder(ScanPatternForPath(Wide(longPath)), &none);
    m_catalogue.AddFolder(ScanPatternForPath(Wide(odd)), &none);
    const auto paths = GroupedPaths();
    ASSERT_EQ(2u, paths.size());
    for (const auto& p : paths) {
        struct stat st;
        EXPECT_EQ(0, stat(KX_SOFT_BASE::WideToNative(p).c_str(), &st)) << "the catalogued path opens";
    }
}

TEST_F(FileManagerTest, ScanPatternsForFilesFoldersAndMissingPaths) {
    const auto file = Touch("rec/DVR_ch1_20120315101500_20120315110000.rvf");
    EXPECT_EQ(Wide(m_root + "/rec/*.*"), ScanPatternForPath(Wide(file)));
    EXPECT_EQ(Wide(m_root + "/rec/*.*"), ScanPatternForPath(Wide(m_root + "/rec")));
    EXPECT_EQ(Wide(m_root + "/rec/*.*"), ScanPatternForPath(Wide(m_root + "/rec/")));
    EXPECT_EQ(Wide(m_root + "/rec/*.*"), ScanPatternForPath(Wide(m_root + "/rec/gone.rvf")));
}

TEST_F(FileManagerTest, PipesSocketsAndFoldersNamedLikeRecordingsAreNotListed) {
    const auto real = Touch("DVR_ch1_20120315101500_20120315110000.rvf");
    std::filesystem::create_directories(m_root + "/2012-03-15");
    ASSERT_EQ(0, ::mkfifo((m_root + "/DVR_ch2_20120315101500_20120315110000.rvf").c_str(), 0644));
    ASSERT_EQ(0, ::mkfifo((m_root + "/2012-03-15/DVR_ch3_20120315101500_20120315110000.rvf").c_str(), 0644));
    ASSERT_EQ(0, ::mkfifo((m_root + "/odd.rvf").c_str(), 0644));
    std::filesystem::create_directories(m_root + "/DVR_ch4_20120315101500_20120315110000.rvf");
    std::filesystem::create_symlink(m_root + "/odd.rvf", m_root + "/link.rvf");
    Add();
    EXPECT_EQ((std::vector<std::wstring>{Wide(real)}), GroupedPaths());
    EXPECT_TRUE(Singles().empty()) << "no pipe, link to one or folder is listed as an ungrouped file";
    EXPECT_EQ(0, m_catalogue.AddFile(Wide(m_root + "/odd.rvf"))) << "nor added by itself";
    EXPECT_EQ(0, m_catalogue.AddFile(Wide(m_root + "/link.rvf")));
    EXPECT_EQ(0, m_catalogue.AddFile(Wide("/dev/zero")));
    EXPECT_TRUE(Singles().empty());
}
