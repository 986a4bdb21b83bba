#include "Toolkit/GridLayout.h"

#include <algorithm>
#include <cwchar>
#include <sstream>

CKXGridLayout CKXGridLayout::Uniform(int rows, int cols) {
    CKXGridLayout layout;
    layout.m_rows = std::max(1, rows);
    layout.m_cols = std::max(1, cols);
    layout.m_cells.clear();
    for (int r = 0; r < layout.m_rows; ++r)
        for (int c = 0; c < layout.m_cols; ++c) layout.m_cells.push_back(KXGridCell{r, c, 1, 1});
    return layout;
}

CKXGridLayout CKXGridLayout::Builtin(int type) {
    // Grid side and the large window (its corner and side in cells) where there is one.
    struct Shape { int rows, cols, bigAt, big; };
    static const Shape kShapes[kBuiltinCount] = {
        {1, 1, 0, 1}, {2, 2, 0, 1}, {3, 3, 0, 2}, {4, 4, 0, 3}, {3, 3, 0, 1},
        {4, 4, 1, 2}, {4, 4, 0, 1}, {5, 5, 0, 1}, {6, 6, 0, 1}, {3, 4, 0, 1}};
    const Shape s = type >= 0 && type < kBuiltinCount ? kShapes[type] : kShapes[1];
    CKXGridLayout layout = Uniform(s.rows, s.cols);
    if (s.big > 1) layout.Merge(layout.WindowAt(s.bigAt, s.bigAt), layout.WindowAt(s.bigAt + s.big - 1, s.bigAt + s.big - 1));
    return layout;
}

bool CKXGridLayout::Parse(const std::wstring& text, int maxRows, int maxCols, CKXGridLayout& out) {
    int rows = 0, cols = 0, count = 0, used = 0;
    if (std::swscanf(text.c_str(), L"%d/%d/%d/%n", &rows, &cols, &count, &used) != 3 || used == 0) return false;
    if (rows < 1 || cols < 1 || rows > maxRows || cols > maxCols || count < 1 || count > rows * cols) return false;
    CKXGridLayout layout;
    layout.m_rows = rows;
    layout.m_cols = cols;
    layout.m_cells.clear();
    std::vector<int> covered(static_cast<std::size_t>(rows * cols), 0);
    std::wistringstream rest(text.substr(static_cast<std::size_t>(used)));
    std::wstring item;
    while (std::getline(rest, item, L';')) {
        if (item.empty()) continue;
        KXGridCell cell;
        wchar_t tail = 0;
        if (std::swscanf(item.c_str(), L"%d,%d,%d,%d%lc", &cell.row, &cell.col, &cell.rows, &cell.cols, &tail) != 4)
            return false;
        if (cell.row < 0 || cell.col < 0 || cell.rows < 1 || cell.cols < 1 || cell.row + cell.rows > rows ||
            cell.col + cell.cols > cols)
            return false;
        for (int r = cell.row; r < cell.row + cell.rows; ++r)
            for (int c = cell.col; c < cell.col + cell.cols; ++c)
                if (covered[static_cast<std::size_t>(r * cols + c)]++) return false;  // overlap
        layout.m_cells.push_back(cell);
    }
    if (static_cast<int>(layout.m_cells.size()) != count) return false;
    if (std::count(covered.begin(), covered.end(), 0)) return false;  // a hole
    layout.Sort();
    out = layout;
    return true;
}

std::wstring CKXGridLayout::Describe() const {
    std::wostringstream text;
    text << m_rows << L'/' << m_cols << L'/' << m_cells.size() << L'/';
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const KXGridCell& c = m_cells[i];
        text << (i ? L";" : L"") << c.row << L',' << c.col << L',' << c.rows << L',' << c.cols;
    }
    return text.str();
}

int CKXGridLayout::WindowAt(int row, int col) const {
    for (std::size_t i = 0; i < m_cells.size(); ++i)
        if (m_cells[i].Contains(row, col)) return static_cast<int>(i);
    return -1;
}

bool CKXGridLayout::Merge(int a, int b) {
    if (a < 0 || b < 0 || a >= Count() || b >= Count() || a == b) return false;
    const KXGridCell &x = m_cells[a], &y = m_cells[b];
    const int top = std::min(x.row, y.row), left = std::min(x.col, y.col);
    const int bottom = std::max(x.row + x.rows, y.row + y.rows), right = std::max(x.col + x.cols, y.col + y.cols);
    std::vector<KXGridCell> kept;
    for (const KXGridCell& c : m_cells) {
        const bool inside = c.row >= top && c.col >= left && c.row + c.rows <= bottom && c.col + c.cols <= right;
        const bool apart = c.row >= bottom || c.row + c.rows <= top || c.col >= right || c.col + c.cols <= left;
        if (!inside && !apart) return false;
        if (apart) kept.push_back(c);
    }
    kept.push_back(KXGridCell{top, left, bottom - top, right - left});
    m_cells = kept;
    Sort();
    return true;
}

bool CKXGridLayout::Split(int window) {
    if (window < 0 || window >= Count()) return false;
    const KXGridCell big = m_cells[window];
    if (big.rows == 1 && big.cols == 1) return false;
    m_cells.erase(m_cells.begin() + window);
    for (int r = big.row; r < big.row + big.rows; ++r)
        for (int c = big.col; c < big.col + big.cols; ++c) m_cells.push_back(KXGridCell{r, c, 1, 1});
    Sort();
    return true;
}

void CKXGridLayout::Sort() {
    std::sort(m_cells.begin(), m_cells.end(), [](const KXGridCell& a, const KXGridCell& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
}
