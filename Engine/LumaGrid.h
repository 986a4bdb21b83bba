#pragma once
// A picture's brightness reduced to a coarse grid of cell means: what the activity detector
// compares. A cell averages tens of pixels, so a pixel's sensor noise mostly cancels out, and a
// grid of a few thousand cells is cheap to keep for every picture looked at in an hour.
#include <cstdint>
#include <vector>

namespace MOVRA {

// Cells across a picture; fewer for pictures too small to give every cell several pixels.
constexpr int kGridColumns = 80;
// Coders work in blocks of 8 or 16 pixels and err block by block: a cell narrower than a block
// would see those errors as change.
constexpr int kMinCellWidth = 8;

struct GridShape {
    int columns = 0, rows = 0;
};

// The grid for a picture of `width` x `height`: square-ish cells, `kGridColumns` across at most.
GridShape GridFor(int width, int height);

// Mean brightness of every cell, row by row, from a luma plane.
void ReduceToGrid(const std::uint8_t* luma, int stride, int width, int height, const GridShape& shape,
                  std::vector<std::uint8_t>* cells);

}  // namespace MOVRA
