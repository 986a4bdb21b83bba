#include "PlayManager/YuvTables.h"

namespace TarvexPlay {

namespace {
YuvTables g_tables{};  // filled before any frame is converted
}

void FillYuvTables() {
    for (int i = 0; i < 256; ++i) {
        g_tables.y[i] = 9535 * (i - 16);
        g_tables.uToBlue[i] = 16531 * (i - 128);
        g_tables.uToGreen[i] = 3203 * (i - 128);
        g_tables.vToGreen[i] = 6660 * (i - 128);
        g_tables.vToRed[i] = 13074 * (i - 128);
    }
}

const YuvTables& GetYuvTables() { return g_tables; }

}  // namespace TarvexPlay
