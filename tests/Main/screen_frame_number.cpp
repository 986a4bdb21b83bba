// Reads the frame number a generated recording shows from a screenshot of the player: the barcode
// band along the top of the picture, found wherever the picture is on the screen. The screenshot
// comes as a binary grey map (PGM, "P5"). Prints the number of the first picture found (top to
// bottom), or -1. Usage: screen_frame_number SHOT.pgm
#include <cstdio>
#include <cstdint>
#include <vector>

#include "Engine/FramePattern.h"
#include "ScreenImage.h"

namespace {

constexpr int kBits = 24;
constexpr int kMinRun = 150;  // the smallest picture the test shows is wider than this
constexpr int kEdge = 3;      // grey pixels an edge between two blocks may take

bool Dark(int v) { return v <= 24; }
bool Light(int v) { return v >= 230; }

}  // namespace

int main(int argc, char** argv) {
    TarvexTest::ScreenImage shot;
    if (argc != 2 || !shot.Read(argv[1]) || shot.channels != 1) {
        std::fprintf(stderr, "usage: screen_frame_number SHOT.pgm\n");
        return 2;
    }
    const int w = shot.width, h = shot.height;
    auto at = [&](int x, int y) { return shot.Grey(x, y); };
    for (int y = 0; y < h; ++y) {
        // A band row: a long run of pure black and white with several changes between them.
        for (int x = 0; x < w;) {
            if (!Dark(at(x, y)) && !Light(at(x, y))) {
                ++x;
                continue;
            }
            // Scaling blurs the edges between blocks over a pixel or two: short grey gaps belong.
            int end = x, changes = 0;
            for (;;) {
                int next = end + 1;
                while (next < w && next - end <= kEdge && !Dark(at(next, y)) && !Light(at(next, y))) ++next;
                if (next >= w || next - end > kEdge || !(Dark(at(next, y)) || Light(at(next, y)))) break;
                if (Dark(at(next, y)) != Dark(at(end, y))) ++changes;
                end = next;
            }
            const int length = end - x + 1;
            if (length >= kMinRun && changes >= 3) {
                // Blocks of a scaled picture are not a whole number of pixels wide.
                const double block = static_cast<double>(length) / kBits;
                // The band's rows: as long as the first block keeps its look.
                const int probe = x + static_cast<int>(block / 2);
                const bool firstDark = Dark(at(probe, y));
                int rows = 0;
                while (y + rows < h && (firstDark ? Dark(at(probe, y + rows)) : Light(at(probe, y + rows)))) ++rows;
                // The blocks as the generator painted them, into a clean picture the reader knows.
                const int cleanBlock = 8, cleanBand = 8;
                const int cw = kBits * cleanBlock, ch = 12 * cleanBand;
                std::vector<std::uint8_t> clean(static_cast<std::size_t>(cw) * ch, 128);
                for (int bit = 0; bit < kBits; ++bit) {
                    const int cx = x + static_cast<int>((bit + 0.5) * block), cy = y + rows / 2;
                    const std::uint8_t value = Light(at(cx, cy)) ? 235 : 16;
                    for (int r = 0; r < cleanBand; ++r)
                        for (int c = 0; c < cleanBlock; ++c) clean[static_cast<std::size_t>(r) * cw + bit * cleanBlock + c] = value;
                }
                const int number = MOVRA::ReadFrameNumber(clean.data(), cw, cw, ch);
                if (number >= 0) {
                    std::printf("%d\n", number);
                    return 0;
                }
            }
            x = end + 1;
        }
    }
    std::printf("-1\n");
    return 1;
}
