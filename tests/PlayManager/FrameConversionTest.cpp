// The play object's table conversion: known colours to the value, odd sizes, bottom-up pictures.
#include <gtest/gtest.h>

#include <vector>

#include "PlayManager/FrameConversion.h"
#include "PlayManager/YuvTables.h"

using namespace TarvexPlay;

namespace {

// A frame of one colour, as the engine lays it out.
std::vector<std::uint8_t> Uniform(int width, int height, int y, int u, int v) {
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width * height), static_cast<std::uint8_t>(y));
    frame.insert(frame.end(), static_cast<std::size_t>(cw * ch), static_cast<std::uint8_t>(v));
    frame.insert(frame.end(), static_cast<std::size_t>(cw * ch), static_cast<std::uint8_t>(u));
    return frame;
}

class FrameConversionTest : public ::testing::Test {
protected:
    void SetUp() override { FillYuvTables(); }
};

}  // namespace

TEST_F(FrameConversionTest, TheTablesHoldTheFixedPointCoefficients) {
    const YuvTables& t = GetYuvTables();
    EXPECT_EQ(9535 * (235 - 16), t.y[235]);
    EXPECT_EQ(-16531 * 128, t.uToBlue[0]);
    EXPECT_EQ(3203 * 127, t.uToGreen[255]);
    EXPECT_EQ(6660 * -28, t.vToGreen[100]);
    EXPECT_EQ(13074 * 112, t.vToRed[240]);
}

TEST_F(FrameConversionTest, KnownColoursComeOutAsTheArithmeticSays) {
    struct Case { int y, u, v; std::uint8_t r, g, b; } cases[] = {
        {16, 128, 128, 0, 0, 0},       // black
        {235, 128, 128, 254, 254, 254},  // white: 9535 * 219 >> 13 = 254, no rounding term
        {81, 90, 240, 254, 0, 0},      // red: (9535*65 + 13074*112) >> 13 = 254; green below 0
        {145, 54, 34, 0, 255, 0},      // green, clamped
        {41, 240, 110, 0, 0, 255},     // blue, clamped
        {0, 0, 0, 0, 135, 0},          // below the range: what the chroma adds to green outweighs Y
    };
    for (const Case& c : cases) {
        const auto frame = Uniform(2, 2, c.y, c.u, c.v);
        std::uint8_t out[16];
        ASSERT_TRUE(ConvertPlanarToRgba(frame.data(), 2, 2, out));
        const YuvTables& t = GetYuvTables();
        auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
        const int r = clamp((t.y[c.y] + t.vToRed[c.v]) >> 13), g = clamp((t.y[c.y] - t.uToGreen[c.u] - t.vToGreen[c.v]) >> 13),
                  b = clamp((t.y[c.y] + t.uToBlue[c.u]) >> 13);
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(r, out[p * 4 + 0]) << c.y << "," << c.u << "," << c.v;
            EXPECT_EQ(g, out[p * 4 + 1]);
            EXPECT_EQ(b, out[p * 4 + 2]);
            EXPECT_EQ(255, out[p * 4 + 3]);
        }
        EXPECT_EQ(c.r, out[0]);
        EXPECT_EQ(c.g, out[1]);
        EXPECT_EQ(c.b, out[2]);
    }
}

TEST_F(FrameConversionTest, OddSizesAndBottomUpPicturesPlaceEveryPixel) {
    // 5 x 3: chroma of 3 x 2; luma rises along the row, each chroma block has its own V.
    const int w = 5, h = 3, cw = 3, ch = 2;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(w * h + 2 * cw * ch));
    for (int i = 0; i < w * h; ++i) frame[i] = static_cast<std::uint8_t>(16 + 10 * i);
    for (int i = 0; i < cw * ch; ++i) {
        frame[w * h + i] = static_cast<std::uint8_t>(128 + 10 * i);  // V
        frame[w * h + cw * ch + i] = 128;                             // U
    }
    std::vector<std::uint8_t> down(w * h * 4, 0), up(w * h * 4, 0);
    ASSERT_TRUE(ConvertPlanarToRgba(frame.data(), w, h, down.data()));
    ASSERT_TRUE(ConvertPlanarToRgba(frame.data(), w, -h, up.data()));
    const YuvTables& t = GetYuvTables();
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const int y = frame[row * w + col], v = frame[w * h + (row / 2) * cw + col / 2];
            const int r = std::min(255, std::max(0, (t.y[y] + t.vToRed[v]) >> 13));
            EXPECT_EQ(r, down[(row * w + col) * 4]) << row << "," << col;
            EXPECT_EQ(r, up[((h - 1 - row) * w + col) * 4]) << "bottom-up " << row << "," << col;
            EXPECT_EQ(255, down[(row * w + col) * 4 + 3]);
        }
    std::uint8_t one[4];
    EXPECT_FALSE(ConvertPlanarToRgba(frame.data(), 0, 2, one));
    EXPECT_FALSE(ConvertPlanarToRgba(nullptr, 2, 2, one));
}
