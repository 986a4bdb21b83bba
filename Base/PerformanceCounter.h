#pragma once
// A monotonic tick count and its frequency, for costs measured across threads.
#include <cstdint>

namespace TarvexBase {

std::int64_t PerformanceCounter();
std::int64_t PerformanceFrequency();  // ticks per second

}  // namespace TarvexBase
