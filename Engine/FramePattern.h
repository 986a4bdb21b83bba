#pragma once
// The picture every generated recording shows: a barcode band at the top that encodes the frame's
// number (16 bits and an 8-bit check), and the channel and wall-clock time in large digits. The
// barcode survives lossy compression, so a test can tell exactly which frame is on screen.
#include <cstdint>

namespace MOVRA {

// Paints frame `frameNumber` into planar 4:2:0 planes. Width and height are even, width >= 96.
void DrawSynthFrame(std::uint8_t* y, int yStride, std::uint8_t* u, std::uint8_t* v, int chromaStride, int width,
                    int height, int frameNumber, int channel, std::int64_t wallClock);

// The frame number the barcode shows, or -1 when the picture carries none (another encoder's
// file, or a band too damaged to read).
int ReadFrameNumber(const std::uint8_t* y, int yStride, int width, int height);

}  // namespace MOVRA
