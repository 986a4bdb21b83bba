#include "Engine/DecoderThreads.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace MOVRA {
namespace {
// Counted from every playback's thread; nothing else is shared, so an atomic is all it needs.
std::atomic<int> g_decodingWindows{0};
}  // namespace

CDecodingWindow::CDecodingWindow() { g_decodingWindows.fetch_add(1); }
CDecodingWindow::~CDecodingWindow() { g_decodingWindows.fetch_sub(1); }

int DecoderThreadsFor(int cores, int windows) {
    return std::clamp(std::max(cores, 1) / std::max(windows, 1), 1, kMaxDecoderThreads);
}

int DecoderThreads() {
    return DecoderThreadsFor(static_cast<int>(std::thread::hardware_concurrency()), g_decodingWindows.load());
}

}  // namespace MOVRA
