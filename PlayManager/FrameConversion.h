#pragma once
// The play object's conversion of a planar frame (Y, then V, then U, 4:2:0, chroma rows of
// (width + 1) / 2 samples) into 32-bit pixels whose bytes are R, G, B, 255, with the lookup tables
// of YuvTables.h: two rows per pass and two pixels per step, each chroma pair serving a 2 x 2
// block. A negative height writes the picture bottom-up.
#include <cstdint>

namespace TarvexPlay {

// `out` holds width * |height| * 4 bytes. False for a size that makes no sense.
bool ConvertPlanarToRgba(const std::uint8_t* yvu, int width, int height, std::uint8_t* out);

}  // namespace TarvexPlay
