// Counts the sub-windows a screenshot of the player's grid shows. The grid paints its borders and
// the gaps between sub-windows in the border colour (the focused one's border in the focus colour),
// one connected network from the grid's edge; every sub-window is a hole in that network. Given a
// pixel of the grid's outer border, the network is followed from it, and the holes inside its
// bounds are counted. Pictures may hold the border colour themselves: only what the network
// reaches from the edge separates sub-windows.
// The border colours are the main grid's unless given (six hex digits each, as a skin gives them).
// Prints the count, or -1 when the pixel is not on a border.
// Usage: screen_grid_windows SHOT.ppm X Y [RRGGBB ...]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ScreenImage.h"

namespace {

const std::vector<std::uint32_t> kMainGridBorders = {0x5c6576, 0x00fa00};  // border, focus border
constexpr int kSmallestWindow = 100;  // pixels: less is a speck between two borders, not a window

// Marks, 4-connected from (x, y), the pixels of the region `inside` accepts, within the box.
template <typename Inside>
std::size_t Fill(int x, int y, int left, int top, int right, int bottom, int width, std::vector<std::uint8_t>& mark,
                 std::uint8_t value, Inside inside) {
    std::vector<std::pair<int, int>> stack{{x, y}};
    std::size_t area = 0;
    while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        if (px < left || px > right || py < top || py > bottom) continue;
        std::uint8_t& m = mark[static_cast<std::size_t>(py) * width + px];
        if (m || !inside(px, py)) continue;
        m = value;
        ++area;
        stack.push_back({px + 1, py});
        stack.push_back({px - 1, py});
        stack.push_back({px, py + 1});
        stack.push_back({px, py - 1});
    }
    return area;
}

}  // namespace

int main(int argc, char** argv) {
    TarvexTest::ScreenImage shot;
    if (argc < 4 || !shot.Read(argv[1]) || shot.channels != 3) {
        std::fprintf(stderr, "usage: screen_grid_windows SHOT.ppm X Y [RRGGBB ...]\n");
        return 2;
    }
    const int w = shot.width, h = shot.height, x0 = std::atoi(argv[2]), y0 = std::atoi(argv[3]);
    std::vector<std::uint32_t> borders = kMainGridBorders;
    if (argc > 4) {
        borders.clear();
        for (int i = 4; i < argc; ++i) borders.push_back(static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 16)));
    }
    auto border = [&](int x, int y) { return std::count(borders.begin(), borders.end(), shot.Rgb(x, y)) > 0; };
    if (x0 < 0 || y0 < 0 || x0 >= w || y0 >= h || !border(x0, y0)) {
        std::printf("-1\n");
        return 1;
    }
    std::vector<std::uint8_t> mark(static_cast<std::size_t>(w) * h, 0);
    Fill(x0, y0, 0, 0, w - 1, h - 1, w, mark, 1, border);
    int left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mark[static_cast<std::size_t>(y) * w + x] == 1) {
                if (x < left) left = x;
                if (x > right) right = x;
                if (y < top) top = y;
                if (y > bottom) bottom = y;
            }
    int windows = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (!mark[static_cast<std::size_t>(y) * w + x] &&
                Fill(x, y, left, top, right, bottom, w, mark, 2, [](int, int) { return true; }) >= kSmallestWindow)
                ++windows;
    std::printf("%d\n", windows);
    return 0;
}
