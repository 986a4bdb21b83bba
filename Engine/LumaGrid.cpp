#include "Engine/LumaGrid.h"

#include <algorithm>

namespace MOVRA {

GridShape GridFor(int width, int height) {
    GridShape shape;
    if (width <= 0 || height <= 0) return shape;
    shape.columns = std::max(1, std::min(kGridColumns, width / kMinCellWidth));
    const double cell = static_cast<double>(width) / shape.columns;
    shape.rows = std::max(1, std::min(height, static_cast<int>(height / cell + 0.5)));
    return shape;
}

void ReduceToGrid(const std::uint8_t* luma, int stride, int width, int height, const GridShape& shape,
                  std::vector<std::uint8_t>* cells) {
    cells->assign(static_cast<std::size_t>(shape.columns) * shape.rows, 0);
    std::vector<std::uint32_t> sums(shape.columns);
    std::vector<int> columnOf(width);
    std::vector<std::uint32_t> widths(shape.columns, 0);
    for (int x = 0; x < width; ++x) {
        columnOf[x] = static_cast<int>(static_cast<std::int64_t>(x) * shape.columns / width);
        ++widths[columnOf[x]];
    }
    for (int r = 0; r < shape.rows; ++r) {
        const int y0 = static_cast<int>(static_cast<std::int64_t>(r) * height / shape.rows);
        const int y1 = static_cast<int>(static_cast<std::int64_t>(r + 1) * height / shape.rows);
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* row = luma + static_cast<std::ptrdiff_t>(y) * stride;
            for (int x = 0; x < width; ++x) sums[columnOf[x]] += row[x];
        }
        const std::uint32_t lines = static_cast<std::uint32_t>(std::max(1, y1 - y0));
        for (int c = 0; c < shape.columns; ++c) {
            const std::uint32_t n = std::max<std::uint32_t>(1, widths[c] * lines);
            (*cells)[static_cast<std::size_t>(r) * shape.columns + c] = static_cast<std::uint8_t>((sums[c] + n / 2) / n);
        }
    }
}

}  // namespace MOVRA
