// The pictures of one beat of sync play show together: once every window with a recording has
// its picture, or after a moment when one does not come; a window's next file takes the place of
// the picture it leaves in the same beat; and what waits for the pictures is done when they show.
#include "Main/PictureBeat.h"
#include "MainTestSupport.h"

using namespace TarvexTest;

namespace {

class PictureBeatTest : public MainLogicTest {
protected:
    void SetUp() override {
        MainLogicTest::SetUp();
        Grid()->SetLayout(1);  // four windows
    }
    CKXVideoWindow* Grid() { return m_panels->Grid(); }
    // A grey picture, as the engine hands it out: planar Y, V, U.
    void Picture(CPictureBeat& beat, int window, const void* file, int expected) {
        const std::vector<std::uint8_t> yvu(176 * 144 * 3 / 2, 128);
        beat.Hold(window, file, expected);
        Grid()->DrawFrame(window, yvu.data(), 176, 144, 0, nullptr);
    }
};

// Files are told apart by address only.
const char kFileA = 0, kFileB = 0, kFileC = 0, kNextOfA = 0;

}  // namespace

TEST_F(PictureBeatTest, ABeatShowsWhenEveryWindowHasItsPictureAndNotBefore) {
    CPictureBeat beat([this] { return Grid(); });
    int noted = 0;
    Picture(beat, 0, &kFileA, 3);
    beat.WhenShown([&] { ++noted; });
    Picture(beat, 1, &kFileB, 3);
    // The file after A: its first frame falls in the beat where A's last does, and takes its place.
    Picture(beat, 0, &kNextOfA, 3);
    EXPECT_TRUE(beat.Holding()) << "a window's next file does not end the beat";
    EXPECT_EQ(0, Grid()->HasFrame(0));
    EXPECT_EQ(0, Grid()->HasFrame(1));
    EXPECT_EQ(0, noted);

    Picture(beat, 2, &kFileC, 3);  // the third of three: the beat is complete
    ASSERT_TRUE(PumpUntil([&] { return !beat.Holding(); }, 5000));
    for (int w : {0, 1, 2}) EXPECT_EQ(1, Grid()->HasFrame(w)) << w;
    EXPECT_EQ(1u, Grid()->GetFramesShown(0)) << "the picture replaced never showed";
    EXPECT_EQ(1, noted);

    // The next beat: the same file's second picture shows the first before it is held itself.
    Picture(beat, 0, &kNextOfA, 3);
    Picture(beat, 0, &kNextOfA, 3);
    EXPECT_EQ(2u, Grid()->GetFramesShown(0));
    EXPECT_TRUE(beat.Holding());
    // A window whose picture does not come holds the others back for a moment only.
    ASSERT_TRUE(PumpUntil([&] { return !beat.Holding(); }, 5000));
    EXPECT_EQ(3u, Grid()->GetFramesShown(0));
}

TEST_F(PictureBeatTest, APictureAlreadyOnItsWayShowsWithItsBeatWhenTheMomentRunsOut) {
    CPictureBeat beat([this] { return Grid(); });
    Picture(beat, 0, &kFileA, 2);
    int together = -1;
    beat.WhenShown([&] { together = Grid()->HasFrame(1); });
    // The UI thread is busy while the moment runs out; the other window's picture is queued by
    // then, and shows with the first.
    const auto busyUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(60);
    while (std::chrono::steady_clock::now() < busyUntil) {
    }
    KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([&] { Picture(beat, 1, &kFileB, 0); }));
    ASSERT_TRUE(PumpUntil([&] { return !beat.Holding(); }, 5000));
    EXPECT_EQ(1, Grid()->HasFrame(0));
    EXPECT_EQ(1, together) << "window 1's picture showed with window 0's";
}
