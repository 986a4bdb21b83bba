// A grid's layout description of any text: refused, or an arrangement covering its grid once whose
// description reads back as the same arrangement; merges and splits keep it whole.
#include <cstdint>
#include <cstdlib>

#include "Base/StreamConvert.h"
#include "FuzzSupport.h"
#include "Toolkit/GridLayout.h"

namespace {

void CheckCovered(const CKXGridLayout& layout) {
    int covered = 0;
    for (int w = 0; w < layout.Count(); ++w) covered += layout.Cell(w).rows * layout.Cell(w).cols;
    if (covered != layout.Rows() * layout.Cols()) std::abort();
    for (int r = 0; r < layout.Rows(); ++r)
        for (int c = 0; c < layout.Cols(); ++c)
            if (layout.WindowAt(r, c) < 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = KX_SOFT_BASE::Utf8ToWide(TarvexFuzz::Bytes(data, size));
    CKXGridLayout layout;
    if (!CKXGridLayout::Parse(text, 8, 8, layout)) return 0;
    CheckCovered(layout);
    CKXGridLayout again;
    if (!CKXGridLayout::Parse(layout.Describe(), 8, 8, again) || !(again == layout)) std::abort();
    // The input's bytes as moves: a merge of two windows, or a split.
    for (std::size_t i = 0; i + 1 < size && i < 16; i += 2) {
        const int a = data[i] % 64, b = data[i + 1] % 64;
        if (a >= layout.Count()) continue;
        if (b < layout.Count() && (data[i] & 0x80)) layout.Merge(a, b);
        else layout.Split(a);
        CheckCovered(layout);
    }
    return 0;
}
