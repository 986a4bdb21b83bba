// What the play windows decide without any loop: which waiting file comes next in a channel, how
// records move between the tables, the speeds of the play bar and the property dialog's texts.
#include <gtest/gtest.h>

#include "Main/PlaySpeeds.h"
#include "Main/PlayWinManager_Tables.h"
#include "Main/VideoProperties.h"

namespace {

PlayRecord RecordIn(int window, std::int32_t startKey, std::int32_t start = -1, std::int32_t end = -1) {
    PlayRecord r;
    r.path = L"/rec/" + std::to_wstring(startKey) + L".rvf";
    r.context = window;
    r.startKey = startKey;
    r.fileStartTime = start;
    r.fileEndTime = end;
    return r;
}

void* H(int n) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(n)); }

}  // namespace

TEST(PlayWindowTables, AWindowsFirstFileIsCurrentTheOthersWaitAndSequenceFollowsStartKeys) {
    CPlayWindowTables t;
    EXPECT_TRUE(t.Add(H(2), RecordIn(0, 200)));
    EXPECT_FALSE(t.Add(H(3), RecordIn(0, 300)));
    EXPECT_FALSE(t.Add(H(1), RecordIn(0, 100)));
    EXPECT_TRUE(t.Add(H(9), RecordIn(1, 100)));
    EXPECT_FALSE(t.Add(H(2), RecordIn(1, 100))) << "a handle lives in one place only";
    EXPECT_EQ(H(2), t.HandleOf(0));
    EXPECT_EQ(0, t.WindowOf(H(2)));
    EXPECT_EQ(-1, t.WindowOf(H(3)));
    EXPECT_TRUE(t.IsWaiting(H(3)));
    EXPECT_EQ((std::vector<void*>{H(1), H(3)}), t.WaitingHandles(0));

    EXPECT_EQ(H(3), t.Adjacent(0, 200, true));
    EXPECT_EQ(H(1), t.Adjacent(0, 200, false));
    EXPECT_EQ(nullptr, t.Adjacent(0, 300, true));
    EXPECT_EQ(H(1), t.First(0, true)) << "Repeat One wraps to the channel's first file";
    EXPECT_EQ(H(3), t.First(0, false));
    EXPECT_EQ(nullptr, t.Adjacent(1, 0, true)) << "another window's files are not this one's";

    // The next file takes the window; the ended one waits with the state it had.
    t.CurrentRecord(0)->atEnd = 1;
    t.CurrentRecord(0)->direction = 0;
    t.Swap(H(2), H(3));
    EXPECT_EQ(H(3), t.HandleOf(0));
    EXPECT_TRUE(t.IsWaiting(H(2)));
    EXPECT_EQ(1, t.RecordOf(H(2))->atEnd);
    EXPECT_EQ(0, t.RecordOf(H(2))->direction);
    EXPECT_EQ(300, t.CurrentRecord(0)->startKey);

    t.Remove(H(3));
    EXPECT_EQ(nullptr, t.CurrentRecord(0));
    EXPECT_EQ(nullptr, t.RecordOf(H(3)));
    t.Remove(H(1));
    t.Remove(H(2));
    t.Remove(H(9));
    EXPECT_TRUE(t.Empty());
}

TEST(PlayWindowTables, OnEqualStartKeysTheLaterFileInTableOrderWins) {
    CPlayWindowTables t;
    t.Add(H(1), RecordIn(0, 100));
    t.Add(H(5), RecordIn(0, 200));
    t.Add(H(7), RecordIn(0, 200));
    EXPECT_EQ(H(7), t.Adjacent(0, 100, true));
}

TEST(PlayWindowTables, ASpanHoldsItsBoundsAndAnUnreportedSpanHoldsNothing) {
    CPlayWindowTables t;
    t.Add(H(1), RecordIn(0, 1, 1000, 1100));
    t.Add(H(2), RecordIn(0, 2, 1101, 1200));
    t.Add(H(3), RecordIn(0, 3));
    EXPECT_EQ(H(2), t.WaitingHolding(0, 1101));
    EXPECT_EQ(H(2), t.WaitingHolding(0, 1200));
    EXPECT_EQ(nullptr, t.WaitingHolding(0, 1201)) << "the unreported span of file 3 holds no time";
    EXPECT_TRUE(SpanHolds(*t.CurrentRecord(0), 1000));
    EXPECT_FALSE(SpanHolds(RecordIn(0, 9), 5)) << "-1 compared unsigned never holds a time";
}

TEST(PlaySpeeds, ThirteenPositionsFrom1To64thTo64AndAnyOtherReadsAs1X) {
    EXPECT_FLOAT_EQ(1.0f / 64, SpeedAt(0).factor);
    EXPECT_EQ(std::wstring(L"1/64X"), SpeedAt(0).label);
    EXPECT_FLOAT_EQ(1.0f, SpeedAt(6).factor);
    EXPECT_FLOAT_EQ(64.0f, SpeedAt(12).factor);
    EXPECT_FLOAT_EQ(1.0f, SpeedAt(13).factor);
    EXPECT_FLOAT_EQ(1.0f, SpeedAt(-1).factor);
    EXPECT_EQ(L"1X", SpeedLabel(6, false));
    EXPECT_EQ(L"-16X", SpeedLabel(10, true));
    EXPECT_TRUE(IsNormalSpeed(1.00005f));
    EXPECT_FALSE(IsNormalSpeed(1.001f));
}

TEST(VideoProperties, TextsOfTheDialog) {
    EXPECT_EQ(L"704*576", ResolutionText(704, 576));
    EXPECT_EQ(L"25 fps", FrameRateText(25));
    EXPECT_EQ(L"0.500 (1/2) fps", FrameRateText(-20000));
    EXPECT_EQ(L"01:01:01", DurationText(1000, 1000 + 3661));
    EXPECT_EQ(L"00:00:00", DurationText(2000, 1000)) << "an end before the start";
    EXPECT_EQ(L"99:00:00", DurationText(0, 356400));
    EXPECT_EQ(L"00:00:00", DurationText(0, 356401)) << "more than 99 hours";
    EXPECT_EQ(L"1024.000 KB", FileSizeText(1048576));
    EXPECT_EQ(L"1.000 MB", FileSizeText(1048577));
    EXPECT_EQ(L"0.000 KB", FileSizeText(0));
}
