// Making a folder path, parent by parent.
#include "AppTestSupport.h"
#include "Base/FolderPath.h"

namespace {
using FolderPathTest = TarvexTest::ProgramFolderTest;
}

TEST_F(FolderPathTest, FolderPathsAreMadeParentByParent) {
    using KX_SOFT_BASE::CreateFolderPath;
    EXPECT_EQ(0, CreateFolderPath(Home() + L"a/b c/ü/"));
    EXPECT_EQ(0, CountFiles("a/b c/ü"));
    EXPECT_EQ(1, CountFiles("a/b c"));
    EXPECT_EQ(0, CreateFolderPath(Home() + L"a/b c/ü/")) << "there already";
    EXPECT_EQ(0, CreateFolderPath(Home() + L"a/only-the-parent")) << "a last part without '/' is not made";
    EXPECT_EQ(1, CountFiles("a"));
    WriteFile("file", "x");
    EXPECT_EQ(-1, CreateFolderPath(Home() + L"file/below/")) << "a file stands in the way";
    EXPECT_EQ(-1, CreateFolderPath(L""));
}
