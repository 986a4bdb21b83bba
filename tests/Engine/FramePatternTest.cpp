#include <gtest/gtest.h>

#include <vector>

#include "Engine/FramePattern.h"

using namespace MOVRA;

TEST(FramePattern, EveryNumberReadsBackAndOtherPicturesReadAsNone) {
    for (const auto& size : {std::pair<int, int>{320, 240}, {96, 64}, {704, 576}}) {
        const int w = size.first, h = size.second;
        std::vector<std::uint8_t> y(w * h), u(w * h / 4), v(w * h / 4);
        for (int n : {0, 1, 2, 255, 256, 1000, 65535}) {
            DrawSynthFrame(y.data(), w, u.data(), v.data(), w / 2, w, h, n, 3, 1710496800);
            EXPECT_EQ(n, ReadFrameNumber(y.data(), w, w, h)) << w << "x" << h;
        }
        // A flipped bar breaks the check instead of reading as another frame.
        DrawSynthFrame(y.data(), w, u.data(), v.data(), w / 2, w, h, 1234, 3, 1710496800);
        const int block = w / 24;
        for (int row = 0; row < h / 12; ++row)
            for (int col = 5 * block; col < 6 * block; ++col) y[row * w + col] = 255 - y[row * w + col];
        EXPECT_EQ(-1, ReadFrameNumber(y.data(), w, w, h));
        std::fill(y.begin(), y.end(), 128);
        EXPECT_EQ(-1, ReadFrameNumber(y.data(), w, w, h)) << "a flat picture";
    }
    EXPECT_EQ(-1, ReadFrameNumber(nullptr, 0, 0, 0));
}
