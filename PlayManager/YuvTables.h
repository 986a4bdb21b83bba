#pragma once
// The lookup tables of the play object's planar-to-RGB conversion: BT.601 coefficients in 13-bit
// fixed point (scaled by 8192), one entry per byte value. Filled once at start-up.
#include <array>
#include <cstdint>

namespace TarvexPlay {

struct YuvTables {
    std::array<std::int32_t, 256> y;         // 9535 * (i - 16)
    std::array<std::int32_t, 256> uToBlue;   // 16531 * (i - 128)
    std::array<std::int32_t, 256> uToGreen;  // 3203 * (i - 128)
    std::array<std::int32_t, 256> vToGreen;  // 6660 * (i - 128)
    std::array<std::int32_t, 256> vToRed;    // 13074 * (i - 128)
};

void FillYuvTables();
const YuvTables& GetYuvTables();

}  // namespace TarvexPlay
