// Replacing a file whole, and the leftovers of a writer that died: removed once nobody holds them,
// kept while their writer lives, and nothing else in the folder touched.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>
#include <fstream>
#include <iterator>

#include "Base/ReplaceFile.h"
#include "LoopTestSupport.h"

namespace {

using KX_SOFT_BASE::IsReplaceFilePart;
using KX_SOFT_BASE::RemoveLeftoverParts;
using KX_SOFT_BASE::ReplaceFile;

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(ReplaceFileTest, WritesTheWholeFileAndLeavesNoPart) {
    TarvexTest::ScopedProgramHome home;
    const std::string path = home.Path() + "/config.xml";
    const std::string first = "<a/>", second(100000, 'b');
    ASSERT_TRUE(ReplaceFile(path, {{first.data(), first.size()}}));
    ASSERT_TRUE(ReplaceFile(path, {{second.data(), 50000}, {second.data() + 50000, 50000}}));
    EXPECT_EQ(second, Read(path));
    // A name near the longest a folder takes: its temporary name is cut to fit.
    const std::string longName = home.Path() + "/" + std::string(250, 'n');
    ASSERT_TRUE(ReplaceFile(longName, {{first.data(), first.size()}})) << std::strerror(errno);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.Path())) {
        EXPECT_FALSE(IsReplaceFilePart(entry.path().filename().string())) << entry.path();
        ++entries;
    }
    EXPECT_EQ(2, entries);
    EXPECT_FALSE(ReplaceFile(home.Path() + "/missing/config.xml", {{first.data(), first.size()}}));
    EXPECT_EQ(ENOENT, errno);
}

TEST(ReplaceFileTest, OnlyTheLeftoversOfWritersThatWentAreRemoved) {
    TarvexTest::ScopedProgramHome home;
    const std::string dir = home.Path() + "/";
    Touch(dir + ".config.xml.a1B2c3.tarvex-part");  // its writer was killed
    Touch(dir + ".snap 1.bmp.Zz9Qx0.tarvex-part");
    Touch(dir + ".index.rvx.q1w2e3.tarvex-part");   // held by a writer that lives
    const int held = ::open((dir + ".index.rvx.q1w2e3.tarvex-part").c_str(), O_RDONLY);
    ASSERT_EQ(0, ::flock(held, LOCK_EX));
    // Names that only look like ours (another program's part, a unique field mkstemps never
    // makes), a folder and a link of our form: not touched.
    const char* const others[] = {"config.xml",          "clip.tarvex-part",     ".x.ab_c12.tarvex-part",
                                  ".x.abc123.part",      ".x.abc.tarvex-part",   ".a1B2c3.tarvex-part",
                                  "x.a1B2c3.tarvex-part"};
    for (const char* name : others) Touch(dir + name);
    std::filesystem::create_directory(dir + ".dir.a1B2c3.tarvex-part");
    Touch(home.Path() + "-outside");
    std::filesystem::create_symlink(home.Path() + "-outside", dir + ".link.a1B2c3.tarvex-part");

    EXPECT_EQ(2, RemoveLeftoverParts(home.Path()));
    EXPECT_FALSE(std::filesystem::exists(dir + ".config.xml.a1B2c3.tarvex-part"));
    EXPECT_FALSE(std::filesystem::exists(dir + ".snap 1.bmp.Zz9Qx0.tarvex-part"));
    EXPECT_TRUE(std::filesystem::exists(dir + ".index.rvx.q1w2e3.tarvex-part")) << "its writer still holds it";
    for (const char* name : others) EXPECT_TRUE(std::filesystem::exists(dir + name)) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir + ".dir.a1B2c3.tarvex-part"));
    EXPECT_TRUE(std::filesystem::exists(home.Path() + "-outside"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir + ".link.a1B2c3.tarvex-part"));

    ::close(held);  // the writer is gone now
    EXPECT_EQ(1, RemoveLeftoverParts(dir));
    EXPECT_EQ(0, RemoveLeftoverParts(dir + "missing/"));
    std::filesystem::remove(home.Path() + "-outside");
}

TEST(ReplaceFileTest, AFilePartTakesItsNameOnlyWhenCommittedAndNeverAnotherFilesName) {
    TarvexTest::ScopedProgramHome home;
    const std::string path = home.Path() + "/clip.avi";
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(home.Path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    {
        KX_SOFT_BASE::CFilePart part;
        ASSERT_TRUE(part.Create(path));
        std::ofstream(part.Temporary()) << "whole";
        EXPECT_FALSE(std::filesystem::exists(path)) << "nothing under the name while it is written";
        EXPECT_EQ(0, RemoveLeftoverParts(home.Path())) << "a part whose writer lives stays";
        ASSERT_TRUE(part.Commit());
    }
    EXPECT_EQ("whole", Read(path));
    EXPECT_EQ(std::vector<std::string>{"clip.avi"}, entries());

    KX_SOFT_BASE::CFilePart again;
    EXPECT_FALSE(again.Create(path)) << "an existing file is never written over";
    EXPECT_EQ(EEXIST, errno);
    {
        KX_SOFT_BASE::CFilePart failed;
        ASSERT_TRUE(failed.Create(home.Path() + "/failed.avi"));
        std::ofstream(failed.Temporary()) << "half";
    }
    EXPECT_EQ(std::vector<std::string>{"clip.avi"}, entries()) << "one given up leaves nothing";
    {
        KX_SOFT_BASE::CFilePart late;
        ASSERT_TRUE(late.Create(home.Path() + "/late.avi"));
        std::ofstream(home.Path() + "/late.avi") << "another's";
        EXPECT_FALSE(late.Commit()) << "a name taken meanwhile stays the other file's";
    }
    EXPECT_EQ("another's", Read(home.Path() + "/late.avi"));
    EXPECT_EQ((std::vector<std::string>{"clip.avi", "late.avi"}), entries());
}
