#include "Base/PerformanceCounter.h"

#include <chrono>

namespace TarvexBase {

std::int64_t PerformanceCounter() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

std::int64_t PerformanceFrequency() {
    using Period = std::chrono::steady_clock::period;
    return Period::den / Period::num;
}

}  // namespace TarvexBase
