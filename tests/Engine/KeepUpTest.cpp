// Keeping up with the clock when decoding cannot: what is given up while pictures come out late,
// that it is given back once they are in time (never stuck at its deepest), and that a decoder
// giving it up still shows each picture under its own time.
#include <gtest/gtest.h>

#include <cmath>

#include "Engine/FramePattern.h"
#include "Engine/KeepUp.h"
#include "Engine/VideoDecoder.h"
#include "EngineTestSupport.h"

using namespace MOVRA;
using namespace TarvexTest;

namespace {

using Clock = CKeepUp::Clock;
using std::chrono::milliseconds;

constexpr double kInterval = 0.04;

TEST(KeepUpTest, LatePicturesSkipWhatNothingRefersToThenDecodeCheaperAndBothGoBackInTime) {
    CKeepUp k;
    Clock::time_point t{};
    EXPECT_EQ(Relief::kNone, k.Note(-0.01, kInterval, t)) << "in time";
    EXPECT_EQ(Relief::kNone, k.Note(0.02, kInterval, t)) << "half a frame late is not behind";
    EXPECT_EQ(Relief::kNonReference, k.Note(0.05, kInterval, t += milliseconds(40))) << "a frame late: behind";
    EXPECT_EQ(Relief::kNonReference, k.Note(0.08, kInterval, t += milliseconds(300)));
    EXPECT_EQ(Relief::kCheaper, k.Note(0.06, kInterval, t += milliseconds(300))) << "still behind after half a second";
    // In time again: the cheaper decoding is what keeps it there, so it stays a while.
    EXPECT_EQ(Relief::kCheaper, k.Note(-0.03, kInterval, t += milliseconds(40)));
    EXPECT_EQ(Relief::kCheaper, k.Note(0.0, kInterval, t += milliseconds(1000))) << "neither late nor early: as it was";
    EXPECT_EQ(Relief::kCheaper, k.Note(-0.03, kInterval, t += milliseconds(500)));
    EXPECT_EQ(Relief::kNonReference, k.Note(-0.03, kInterval, t += milliseconds(600)));
    EXPECT_EQ(Relief::kNone, k.Note(-0.03, kInterval, t += milliseconds(40))) << "back to every frame";

    // Behind once more, briefly: only what nothing refers to goes, and comes back at once.
    EXPECT_EQ(Relief::kNonReference, k.Note(0.1, kInterval, t += milliseconds(40)));
    EXPECT_EQ(Relief::kNone, k.Note(-0.03, kInterval, t += milliseconds(100)));
    // Far behind at 8X: lateness counts in frame intervals at the speed.
    EXPECT_EQ(Relief::kNone, k.Note(0.004, kInterval / 8, t += milliseconds(5)));
    EXPECT_EQ(Relief::kNonReference, k.Note(0.006, kInterval / 8, t += milliseconds(5)));
    k.Reset();
    EXPECT_EQ(Relief::kNone, k.Current());
}

class KeepUpDecoderTest : public EngineTest {
protected:
    // Every picture the decoder gives, as (frame number from its time, number its barcode shows),
    // with `relief` from the `from`-th picture on.
    std::vector<std::pair<int, int>> Decode(const std::string& path, Relief relief, std::size_t from = 0) {
        CVideoDecoder d;
        EXPECT_TRUE(d.Open(path));
        const double tb = static_cast<double>(d.TimeBaseNum()) / d.TimeBaseDen();
        std::vector<std::pair<int, int>> out;
        DecodedPicture p;
        while (d.Next(&p)) {
            const int number = static_cast<int>(std::lround((p.pts - d.StartPts()) * tb * 25));
            out.emplace_back(number, ReadFrameNumber(p.planes.data(), p.width, p.width, p.height));
            if (out.size() == from) d.SetRelief(relief);
        }
        return out;
    }
};

TEST_F(KeepUpDecoderTest, AReliefChangedBetweenPacketsKeepsEachPictureUnderItsOwnTime) {
    SynthOptions o;
    o.seconds = 4;
    o.bframes = 2;
    o.gop = 20;
    const std::string path = Synth(o);
    const auto all = Decode(path, Relief::kNone);
    ASSERT_EQ(100u, all.size());

    const auto skipped = Decode(path, Relief::kNonReference, 10);
    EXPECT_LT(skipped.size(), 90u) << "frames nothing refers to were passed over";
    EXPECT_GE(skipped.size(), 50u) << "but only those";
    for (std::size_t i = 0; i < skipped.size(); ++i) {
        EXPECT_EQ(skipped[i].first, skipped[i].second) << "picture " << i << " is the frame its time says";
        if (i > 0) EXPECT_GT(skipped[i].first, skipped[i - 1].first);
    }
    for (int n = 0; n < 10; ++n) EXPECT_EQ(n, skipped[n].first) << "every frame before the relief";

    const auto cheaper = Decode(path, Relief::kCheaper, 10);
    for (std::size_t i = 0; i < cheaper.size(); ++i) EXPECT_EQ(cheaper[i].first, cheaper[i].second) << i;
}

}  // namespace
