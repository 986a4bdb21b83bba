#pragma once
// What the engine benchmarks share: CPU time, percentiles, and an engine with a listener that
// records every presented frame.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "Engine/Movra.h"

namespace TarvexBench {

using namespace MOVRA;
using Clock = std::chrono::steady_clock;

inline double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

// A figure measured in several rounds, told as its median with the lowest and highest round, so
// that one run shows whether the figure can decide anything.
inline std::string Spread(const std::vector<double>& rounds, const char* format = "%.2f") {
    if (rounds.empty()) return "n/a";
    char text[128];
    std::string f = std::string(format) + " (" + format + ".." + format + ", %zu rounds)";
    std::snprintf(text, sizeof text, f.c_str(), Percentile(rounds, 0.5), Percentile(rounds, 0), Percentile(rounds, 1),
                  rounds.size());
    return text;
}

// Every presented frame: its number and when it came.
class Recorder : public IMovraListener {
public:
    CMovra* engine = nullptr;
    void OnFrameVisible(int, int, unsigned char*, void*, MV_FRAME_RECORD*) override {
        int number = -1, length = 0;
        engine->QueryInfo(MV_QUERY_FRAME_NUMBER, &number, sizeof number, &length);
        std::lock_guard<std::mutex> lock(m_mutex);
        numbers.push_back(number);
        times.push_back(Clock::now());
        m_cv.notify_all();
    }
    void OnFileEnd(void*) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ended = true;
        m_cv.notify_all();
    }
    void OnFileRefFinished(void*, int) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        indexed = true;
        m_cv.notify_all();
    }
    template <class Pred>
    bool WaitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::milliseconds(30000)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return pred(*this); });
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return numbers.size();
    }
    Clock::time_point LastTime() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return times.back();
    }
    Clock::time_point TimeAt(std::size_t i) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return times.at(i);
    }

    std::vector<int> numbers;
    std::vector<Clock::time_point> times;
    bool ended = false, indexed = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

struct Engine {
    Recorder recorder;
    CMovra movra{&recorder};
    explicit Engine(const std::string& path) {
        recorder.engine = &movra;
        if (!movra.Open(path.c_str())) {
            std::fprintf(stderr, "bench_engine: cannot open %s\n", path.c_str());
            std::exit(1);
        }
        recorder.WaitFor([](Recorder& r) { return r.indexed; });
    }
};


// The benchmarks' own options: --quick (shorter runs) and --only NAME (one figure).
struct BenchOptions {
    bool quick = false;
    std::string only;
    bool Wanted(const char* name) const { return only.empty() || only == name; }
};

inline BenchOptions ReadBenchOptions(int argc, char** argv) {
    BenchOptions o;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--quick") o.quick = true;
        if (std::string(argv[i]) == "--only" && i + 1 < argc) o.only = argv[++i];
    }
    return o;
}

// A fresh folder for a run's recordings, in UTC so that their times are fixed; empty on failure.
inline std::string MakeBenchFolder(const char* name) {
    setenv("TZ", "UTC", 1);
    std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

}  // namespace TarvexBench
