#include "Engine/FramePattern.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

namespace MOVRA {

namespace {

constexpr int kBits = 24;  // 16 bits of frame number, 8 bits of check
constexpr std::uint8_t kBlack = 16, kWhite = 235;

int BandHeight(int height) { return std::max(8, height / 12); }

std::uint32_t Check(std::uint32_t n) { return (n ^ (n >> 8) ^ 0xA5u) & 0xFFu; }

// 5x7 glyphs, one byte per row, bit 4 the leftmost pixel.
const std::uint8_t* Glyph(char c) {
    static const std::uint8_t digits[10][7] = {
        {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
        {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
        {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
        {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
        {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    };
    static const std::uint8_t colon[7] = {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00};
    static const std::uint8_t letterC[7] = {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E};
    static const std::uint8_t letterH[7] = {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11};
    static const std::uint8_t blank[7] = {0, 0, 0, 0, 0, 0, 0};
    if (c >= '0' && c <= '9') return digits[c - '0'];
    if (c == ':') return colon;
    if (c == 'C') return letterC;
    if (c == 'H') return letterH;
    return blank;
}

void DrawText(std::uint8_t* y, int stride, int width, int height, int top, const std::string& text, int scale) {
    const int advance = 6 * scale;
    int x0 = std::max(0, (width - static_cast<int>(text.size()) * advance) / 2);
    for (char c : text) {
        const std::uint8_t* g = Glyph(c);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!(g[row] & (0x10 >> col))) continue;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        const int px = x0 + col * scale + dx, py = top + row * scale + dy;
                        if (px < width && py < height) y[py * stride + px] = kWhite;
                    }
            }
        x0 += advance;
    }
}

}  // namespace

void DrawSynthFrame(std::uint8_t* y, int yStride, std::uint8_t* u, std::uint8_t* v, int chromaStride, int width,
                    int height, int frameNumber, int channel, std::int64_t wallClock) {
    // A moving gradient, so that inter-frame codecs have real motion to code.
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            y[row * yStride + col] = static_cast<std::uint8_t>(48 + ((col + row + frameNumber * 3) & 63));
    for (int row = 0; row < height / 2; ++row) {
        std::memset(u + row * chromaStride, 128 + 12 * (channel % 4) - 18, width / 2);
        std::memset(v + row * chromaStride, 128 - 10 * (channel % 5) + 20, width / 2);
    }

    const int band = BandHeight(height), block = width / kBits;
    const std::uint32_t code = (static_cast<std::uint32_t>(frameNumber & 0xFFFF) << 8) | Check(frameNumber & 0xFFFF);
    for (int bit = 0; bit < kBits; ++bit) {
        const bool one = code & (1u << (kBits - 1 - bit));
        for (int row = 0; row < band; ++row)
            std::memset(y + row * yStride + bit * block, one ? kWhite : kBlack, block);
    }
    for (int row = 0; row < band / 2; ++row) {
        std::memset(u + row * chromaStride, 128, width / 2);
        std::memset(v + row * chromaStride, 128, width / 2);
    }

    const int scale = std::max(1, std::min(height / 40, width / 80));
    char channelText[16];
    std::snprintf(channelText, sizeof channelText, "CH%02d", channel);
    std::tm tm{};
    const std::time_t t = static_cast<std::time_t>(wallClock);
    localtime_r(&t, &tm);
    char clockText[16];
    std::strftime(clockText, sizeof clockText, "%H:%M:%S", &tm);
    const int lineHeight = 9 * scale;
    const int top = std::max(band + scale, height / 2 - lineHeight);
    DrawText(y, yStride, width, height, top, channelText, scale);
    DrawText(y, yStride, width, height, top + lineHeight, clockText, scale);
}

int ReadFrameNumber(const std::uint8_t* y, int yStride, int width, int height) {
    if (!y || width < kBits * 2 || height < 16) return -1;
    const int band = BandHeight(height), block = width / kBits;
    std::uint32_t code = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        // The middle of the block, away from its edges where compression smears.
        int sum = 0, count = 0;
        for (int row = band / 4; row < band - band / 4; ++row)
            for (int col = bit * block + block / 4; col < (bit + 1) * block - block / 4; ++col) {
                sum += y[row * yStride + col];
                ++count;
            }
        const int mean = count ? sum / count : 0;
        if (mean > 90 && mean < 160) return -1;  // neither black nor white: no barcode here
        code = (code << 1) | (mean >= 160 ? 1u : 0u);
    }
    const std::uint32_t n = code >> 8;
    return (code & 0xFF) == Check(n) ? static_cast<int>(n) : -1;
}

}  // namespace MOVRA
