#pragma once
// The arrangement of a video-window grid: rows, columns and one cell rectangle per sub-window, in
// reading order of their top-left corners. Its text form, "rows/columns/count/r,c,h,w;...", is what
// the grid hands out and takes back: the three numbers first, then each sub-window's row, column,
// height and width in cells.
#include <string>
#include <vector>

struct KXGridCell {
    int row = 0, col = 0, rows = 1, cols = 1;
    bool Contains(int r, int c) const { return r >= row && r < row + rows && c >= col && c < col + cols; }
    bool operator==(const KXGridCell& o) const { return row == o.row && col == o.col && rows == o.rows && cols == o.cols; }
};

class CKXGridLayout {
public:
    // The built-in arrangements 0-9: 1, 4, 6, 8, 9, 13, 16, 25, 36 and 12 (three rows of four)
    // windows; 6, 8 and 13 have one large window. An unknown type gives 4.
    static CKXGridLayout Builtin(int type);
    static constexpr int kBuiltinCount = 10;
    static CKXGridLayout Uniform(int rows, int cols);
    // False (and `out` untouched) for a text that is not a whole arrangement within the limits:
    // every cell of the grid covered exactly once.
    static bool Parse(const std::wstring& text, int maxRows, int maxCols, CKXGridLayout& out);

    std::wstring Describe() const;
    int Rows() const { return m_rows; }
    int Cols() const { return m_cols; }
    int Count() const { return static_cast<int>(m_cells.size()); }
    const KXGridCell& Cell(int window) const { return m_cells[window]; }
    // The window covering a grid position; -1 outside.
    int WindowAt(int row, int col) const;

    // Joins the windows that span the rectangle from window a to window b into one; false when a
    // window sticks out of that rectangle (the arrangement is then unchanged).
    bool Merge(int a, int b);
    // Splits a large window back into single cells; false for a single cell.
    bool Split(int window);

    bool operator==(const CKXGridLayout& o) const { return m_rows == o.m_rows && m_cols == o.m_cols && m_cells == o.m_cells; }

private:
    void Sort();
    int m_rows = 1, m_cols = 1;
    std::vector<KXGridCell> m_cells{KXGridCell{}};
};
