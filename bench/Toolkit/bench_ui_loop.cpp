// Tasks posted to the UI thread's loop (ML_MAIN, driven by the toolkit's event loop) from a
// worker while the UI is idle: post-to-run latency (median, p99) and throughput, against the same
// figures for a worker loop in the same run. A small timed tool: the UI thread must run its
// event loop while another thread posts. Options: --quick.
#include <QApplication>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "bench/common/BenchLoops.h"

using namespace TarvexBase;
using Clock = std::chrono::steady_clock;

namespace {

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

struct Figures {
    double medianUs = 0, p99Us = 0, tasksPerSecond = 0;
};

// From the calling (poster) thread: one task at a time with a pause between (an idle loop), then
// a burst for throughput.
Figures Measure(int loopId, int samples, int burst) {
    Figures f;
    std::vector<double> latencies;
    std::atomic<std::int64_t> ranAt{0};
    for (int i = 0; i < samples; ++i) {
        ranAt = 0;
        const auto posted = Clock::now();
        KX_POST_FUNCTION(loopId, [&ranAt] { ranAt = Clock::now().time_since_epoch().count(); });
        while (ranAt.load() == 0) std::this_thread::yield();
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::duration(ranAt.load()) - posted.time_since_epoch()).count());
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    f.medianUs = Percentile(latencies, 0.5);
    f.p99Us = Percentile(latencies, 0.99);
    std::atomic<int> ran{0};
    const auto begin = Clock::now();
    for (int i = 0; i < burst; ++i) KX_POST_FUNCTION(loopId, [&ran] { ran.fetch_add(1, std::memory_order_relaxed); });
    while (ran.load() < burst) std::this_thread::yield();
    f.tasksPerSecond = burst / std::chrono::duration<double>(Clock::now() - begin).count();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TarvexBench::BenchLoops loops(ML_HELPER);

    Figures uiFigures, workerFigures;
    std::thread poster([&] {
        const int samples = quick ? 300 : 2000, burst = quick ? 20000 : 200000;
        uiFigures = Measure(ML_MAIN, samples, burst);
        workerFigures = Measure(ML_HELPER, samples, burst);
        QMetaObject::invokeMethod(&app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    app.exec();
    poster.join();
    std::printf("tasks posted from a worker, the target idle between posts:\n");
    std::printf("  UI loop (toolkit events): latency median %.1f us, p99 %.1f us; burst %.0f tasks/s\n", uiFigures.medianUs,
                uiFigures.p99Us, uiFigures.tasksPerSecond);
    std::printf("  worker loop:              latency median %.1f us, p99 %.1f us; burst %.0f tasks/s\n",
                workerFigures.medianUs, workerFigures.p99Us, workerFigures.tasksPerSecond);
    std::printf("  UI against worker: latency %.2fx, throughput %.2fx\n", uiFigures.medianUs / workerFigures.medianUs,
                uiFigures.tasksPerSecond / workerFigures.tasksPerSecond);
    return 0;
}
