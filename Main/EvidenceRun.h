#pragma once
// An evidence export or a region search run for the UI: the work goes to a thread of its own (the
// export) or to the activity profiler's (the search), and its progress and its end come back to
// the UI thread as posted tasks. Dropping the run or cancelling it stops the work; after that no
// callback of it is called. UI thread only.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Engine/ActivityProfiler.h"
#include "Engine/EngineThread.h"
#include "Engine/EvidenceExport.h"

class CEvidenceRun {
public:
    using Progress = std::function<void(double done)>;
    using Done = std::function<void(const MOVRA::EvidenceResult& result)>;

    CEvidenceRun() = default;
    ~CEvidenceRun();
    CEvidenceRun(const CEvidenceRun&) = delete;
    CEvidenceRun& operator=(const CEvidenceRun&) = delete;

    // `done` is called once, with kCancelled after Cancel.
    void Start(MOVRA::EvidenceRequest request, Progress progress, Done done);
    void Cancel();
    bool Running() const;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    MOVRA::CEngineThread m_thread;
};

// One change found inside the searched rectangle, in wall-clock seconds (local).
struct CMotionEvent {
    std::string file;
    double start = 0, end = 0, peak = 0;
    double score = 0;  // the share of the rectangle changed at the peak
    std::string thumbnail;  // a JPEG of the peak picture; empty when none was made
};

class CMotionSearch {
public:
    struct Scope {
        double from = 0, to = 0;  // wall clock; both 0: every event of the files
    };
    using Progress = std::function<void(double done)>;
    // The events in file order; `errors` names the files that could not be read.
    using Done = std::function<void(bool cancelled, const std::vector<CMotionEvent>& events,
                                    const std::vector<std::string>& errors)>;

    CMotionSearch() = default;
    ~CMotionSearch();
    CMotionSearch(const CMotionSearch&) = delete;
    CMotionSearch& operator=(const CMotionSearch&) = delete;

    // `thumbnails`: a folder the thumbnails go to (made when missing), or empty for none.
    void Start(std::vector<std::string> paths, const MOVRA::ActivityRegion& region, Scope scope,
               const std::string& thumbnails, Progress progress, Done done);
    // The same for the files `find` gives, called on `findLoop` first (the loop whose data it
    // reads); none found: `fallback` instead.
    using Find = std::function<std::vector<std::string>()>;
    void Start(int findLoop, Find find, std::vector<std::string> fallback, const MOVRA::ActivityRegion& region,
               Scope scope, const std::string& thumbnails, Progress progress, Done done);
    // `done` still comes, with cancelled set.
    void Cancel();
    bool Running() const;

    struct Shared;

private:
    void Begin(Progress progress, Done done);
    void Run(std::vector<std::string> paths, const MOVRA::ActivityRegion& region, Scope scope, const std::string& thumbnails);

    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<MOVRA::CActivityProfiler> m_profiler;
};
