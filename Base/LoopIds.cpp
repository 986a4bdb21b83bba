#include "Base/LoopIds.h"

namespace TarvexBase {

const char* GetLoopName(int loopId) {
    switch (loopId) {
    case ML_MAIN: return "ML_MAIN";
    case ML_HELPER: return "ML_HELPER";
    case ML_PLAY: return "ML_PLAY";
    case ML_WATERMARK: return "ML_WATERMARK";
    case ML_TEST: return "ML_TEST";
    case ML_EXPORT: return "ML_EXPORT";
    default: return "UNKNOWN";
    }
}

}  // namespace TarvexBase
