#pragma once
// Works out activity off the caller's thread: profiles of recordings (kept beside their index)
// or a search of a rectangle, one job at a time, on a thread of its own at the lowest priority so
// that playback on the same machine always comes first. A job can be cancelled at any time.
//
// The callbacks run on the profiler's thread, in this order: progress and one result per file
// (in the order given), then `finished` once. A caller on a message loop posts them on to it.
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "Engine/ActivityScan.h"
#include "Engine/EngineThread.h"

namespace MOVRA {

class CActivityProfiler {
public:
    struct Job {
        std::vector<std::string> paths;
        bool search = false;  // false: the whole picture's stored profile; true: `options`' region
        ActivityScanOptions options;
    };
    // `done` (0..1) of the file at `file` in the job's paths.
    using Progress = std::function<void(std::size_t file, double done)>;
    using Result = std::function<void(std::size_t file, bool ok, const ActivityResult& result, const std::string& error)>;
    using Finished = std::function<void(bool cancelled)>;

    CActivityProfiler() = default;
    ~CActivityProfiler() { Cancel(); }
    CActivityProfiler(const CActivityProfiler&) = delete;
    CActivityProfiler& operator=(const CActivityProfiler&) = delete;

    // Cancels a job still running, then starts this one.
    void Start(Job job, Progress progress, Result result, Finished finished);
    // Stops the job (between two reads of the file) and waits for its thread a bounded time.
    void Cancel();

private:
    CEngineThread m_thread;
};

}  // namespace MOVRA
