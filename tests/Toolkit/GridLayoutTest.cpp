// Arrangements of the video-window grid: the built-in ones, the text form and its checks, and
// what the custom-layout preview does with merges and splits.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "Toolkit/GridLayout.h"

namespace {

// Each grid position covered by exactly one window.
void ExpectCovered(const CKXGridLayout& layout) {
    for (int r = 0; r < layout.Rows(); ++r)
        for (int c = 0; c < layout.Cols(); ++c) {
            int owners = 0;
            for (int w = 0; w < layout.Count(); ++w) owners += layout.Cell(w).Contains(r, c);
            const std::wstring text = layout.Describe();
            EXPECT_EQ(1, owners) << "row " << r << " column " << c << " of " << std::string(text.begin(), text.end());
        }
}

}  // namespace

TEST(GridLayoutTest, TheBuiltInArrangementsCoverTheirGridsAndReadBack) {
    const int counts[CKXGridLayout::kBuiltinCount] = {1, 4, 6, 8, 9, 13, 16, 25, 36, 12};
    for (int type = 0; type < CKXGridLayout::kBuiltinCount; ++type) {
        const CKXGridLayout layout = CKXGridLayout::Builtin(type);
        EXPECT_EQ(counts[type], layout.Count()) << "type " << type;
        ExpectCovered(layout);
        CKXGridLayout back;
        ASSERT_TRUE(CKXGridLayout::Parse(layout.Describe(), 8, 8, back)) << "type " << type;
        EXPECT_TRUE(back == layout);
    }
    EXPECT_EQ(L"2/2/4/0,0,1,1;0,1,1,1;1,0,1,1;1,1,1,1", CKXGridLayout::Builtin(1).Describe());
    // The large window: top left for 6 and 8, in the middle for 13.
    EXPECT_EQ((KXGridCell{0, 0, 2, 2}), CKXGridLayout::Builtin(2).Cell(0));
    EXPECT_EQ((KXGridCell{0, 0, 3, 3}), CKXGridLayout::Builtin(3).Cell(0));
    EXPECT_EQ((KXGridCell{1, 1, 2, 2}), CKXGridLayout::Builtin(5).Cell(5));
    EXPECT_TRUE(CKXGridLayout::Builtin(99) == CKXGridLayout::Builtin(1));
}

TEST(GridLayoutTest, DescriptionsThatAreNotWholeArrangementsAreRefused) {
    CKXGridLayout layout = CKXGridLayout::Uniform(3, 3);
    const CKXGridLayout before = layout;
    for (const wchar_t* bad : {
             L"", L"2/2/4", L"2/2/4/", L"x/2/4/0,0,1,1", L"2/2/3/0,0,1,1;0,1,1,1;1,0,1,1",  // a hole
             L"2/2/4/0,0,2,1;0,1,1,1;1,0,1,1;1,1,1,1",                                       // overlap
             L"2/2/4/0,0,1,1;0,1,1,1;1,0,1,1;1,2,1,1",                                       // outside
             L"9/1/9/0,0,1,1;1,0,1,1;2,0,1,1;3,0,1,1;4,0,1,1;5,0,1,1;6,0,1,1;7,0,1,1;8,0,1,1",  // too many rows
             L"1/1/1/0,0,1,1x", L"1/1/2/0,0,1,1", L"1/1/1/0,0,0,1", L"-1/1/1/0,0,1,1"}) {
        EXPECT_FALSE(CKXGridLayout::Parse(bad, 8, 8, layout)) << std::string(bad, bad + std::wcslen(bad));
        EXPECT_TRUE(layout == before) << "a refused text changes nothing";
    }
    // Order of the windows in the text does not matter; they are numbered in reading order.
    ASSERT_TRUE(CKXGridLayout::Parse(L"2/2/3/1,0,1,2;0,1,1,1;0,0,1,1", 8, 8, layout));
    EXPECT_EQ(L"2/2/3/0,0,1,1;0,1,1,1;1,0,1,2", layout.Describe());
}

TEST(GridLayoutTest, MergingAndSplittingKeepTheGridWhole) {
    CKXGridLayout layout = CKXGridLayout::Uniform(3, 3);
    ASSERT_TRUE(layout.Merge(layout.WindowAt(0, 0), layout.WindowAt(1, 1)));
    EXPECT_EQ(6, layout.Count());
    ExpectCovered(layout);
    EXPECT_TRUE(layout == CKXGridLayout::Builtin(2)) << "a 2x2 window and five singles is the 6 layout";
    // A rectangle that holds the large window whole is taken.
    ASSERT_TRUE(layout.Merge(layout.WindowAt(1, 1), layout.WindowAt(2, 2)));
    EXPECT_EQ(1, layout.Count());
    ASSERT_TRUE(layout.Split(0));
    EXPECT_TRUE(layout == CKXGridLayout::Uniform(3, 3));
    EXPECT_FALSE(layout.Split(0)) << "a single cell stays";
    // One that would cut a large window in two is refused.
    ASSERT_TRUE(layout.Merge(layout.WindowAt(0, 1), layout.WindowAt(1, 2)));
    const CKXGridLayout before = layout;
    EXPECT_FALSE(layout.Merge(layout.WindowAt(1, 0), layout.WindowAt(2, 1)));
    EXPECT_TRUE(layout == before);
    EXPECT_FALSE(layout.Merge(0, 0));
    EXPECT_FALSE(layout.Merge(0, 40));
}
