#include "PlayManager/FrameConversion.h"

#include <cstdlib>

#include "PlayManager/YuvTables.h"

namespace TarvexPlay {

namespace {

inline std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// One pixel: the 13-bit fixed-point sums, shifted without a rounding term.
inline void Pixel(const YuvTables& t, int y, int u, int v, std::uint8_t* p) {
    const int luma = t.y[y];
    p[0] = Clamp((luma + t.vToRed[v]) >> 13);
    p[1] = Clamp((luma - t.uToGreen[u] - t.vToGreen[v]) >> 13);
    p[2] = Clamp((luma + t.uToBlue[u]) >> 13);
    p[3] = 255;
}

}  // namespace

bool ConvertPlanarToRgba(const std::uint8_t* yvu, int width, int height, std::uint8_t* out) {
    const bool bottomUp = height < 0;
    height = std::abs(height);
    if (!yvu || !out || width < 1 || height < 1) return false;
    const YuvTables& t = GetYuvTables();
    const int chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
    const std::uint8_t* lumaPlane = yvu;
    const std::uint8_t* vPlane = lumaPlane + static_cast<std::size_t>(width) * height;
    const std::uint8_t* uPlane = vPlane + static_cast<std::size_t>(chromaWidth) * chromaHeight;
    const std::size_t pitch = static_cast<std::size_t>(width) * 4;
    auto rowOut = [&](int row) { return out + pitch * static_cast<std::size_t>(bottomUp ? height - 1 - row : row); };

    for (int row = 0; row < height; row += 2) {
        const std::uint8_t* y0 = lumaPlane + static_cast<std::size_t>(row) * width;
        const std::uint8_t* y1 = row + 1 < height ? y0 + width : nullptr;  // an odd last row stands alone
        const std::uint8_t* v = vPlane + static_cast<std::size_t>(row / 2) * chromaWidth;
        const std::uint8_t* u = uPlane + static_cast<std::size_t>(row / 2) * chromaWidth;
        std::uint8_t* p0 = rowOut(row);
        std::uint8_t* p1 = y1 ? rowOut(row + 1) : nullptr;
        for (int col = 0; col < width; col += 2) {
            const int cu = u[col / 2], cv = v[col / 2];
            const bool pair = col + 1 < width;
            Pixel(t, y0[col], cu, cv, p0 + col * 4);
            if (pair) Pixel(t, y0[col + 1], cu, cv, p0 + col * 4 + 4);
            if (!p1) continue;
            Pixel(t, y1[col], cu, cv, p1 + col * 4);
            if (pair) Pixel(t, y1[col + 1], cu, cv, p1 + col * 4 + 4);
        }
    }
    return true;
}

}  // namespace TarvexPlay
