#include "Main/EvidenceRun.h"

#include <sys/stat.h>

#include <chrono>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"

// What the worker thread and the UI share: the callbacks are touched only on the UI thread (set
// at the start, dropped when the run is dropped), so a task posted after that finds none.
struct CEvidenceRun::Shared {
    std::atomic<bool> cancel{false};
    Progress progress;
    Done done;
    bool running = true;  // UI thread
};

namespace {

template <class S, class F>
void PostToUI(const std::weak_ptr<S>& weak, F call) {
    KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([weak, call] {
                         if (auto shared = weak.lock()) call(*shared);
                     }));
}

}  // namespace

CEvidenceRun::~CEvidenceRun() {
    if (m_shared) {
        m_shared->cancel = true;
        m_shared->progress = nullptr;
        m_shared->done = nullptr;
    }
    m_thread.Stop(std::chrono::milliseconds(10000));
}

void CEvidenceRun::Start(MOVRA::EvidenceRequest request, Progress progress, Done done) {
    if (m_shared) {
        m_shared->cancel = true;
        m_shared->progress = nullptr;
        m_shared->done = nullptr;
    }
    m_thread.Stop(std::chrono::milliseconds(10000));
    m_shared = std::make_shared<Shared>();
    m_shared->progress = std::move(progress);
    m_shared->done = std::move(done);
    const std::shared_ptr<Shared> shared = m_shared;
    const std::weak_ptr<Shared> weak = m_shared;
    m_thread.Start([shared, weak, request = std::move(request)](const std::atomic<bool>&) mutable {
        // At most a hundred progress tasks: the UI loop is not flooded by a long export.
        auto last = std::make_shared<double>(-1);
        request.cancel = &shared->cancel;
        request.progress = [weak, last](double done, const std::string&) {
            if (done - *last < 0.01 && done < 1) return;
            *last = done;
            PostToUI(weak, [done](Shared& s) {
                if (s.progress && s.running) s.progress(done);
            });
        };
        auto result = std::make_shared<MOVRA::EvidenceResult>(MOVRA::ExportEvidence(request));
        PostToUI(weak, [result](Shared& s) {
            s.running = false;
            if (s.done) {
                const Done done = s.done;  // the callback may drop the run
                done(*result);
            }
        });
    });
}

void CEvidenceRun::Cancel() {
    if (m_shared) m_shared->cancel = true;
}

bool CEvidenceRun::Running() const { return m_shared && m_shared->running; }

struct CMotionSearch::Shared {
    Progress progress;
    Done done;
    bool running = true;  // UI thread
    bool cancelled = false;  // before the files were found
    std::size_t files = 1;
    Scope scope;
    std::vector<std::string> paths;
    std::vector<CMotionEvent> events;
    std::vector<std::string> errors;
};

CMotionSearch::~CMotionSearch() {
    if (m_shared) {
        m_shared->progress = nullptr;
        m_shared->done = nullptr;
    }
    m_profiler.reset();
}

void CMotionSearch::Start(std::vector<std::string> paths, const MOVRA::ActivityRegion& region, Scope scope,
                          const std::string& thumbnails, Progress progress, Done done) {
    Begin(std::move(progress), std::move(done));
    Run(std::move(paths), region, scope, thumbnails);
}

void CMotionSearch::Start(int findLoop, Find find, std::vector<std::string> fallback, const MOVRA::ActivityRegion& region,
                          Scope scope, const std::string& thumbnails, Progress progress, Done done) {
    Begin(std::move(progress), std::move(done));
    const std::weak_ptr<Shared> weak = m_shared;
    // The search that asked is this object's as long as its shared part lives: a new start or
    // the object's end drops that, and the found files then find nobody.
    KX_POST_FUNCTION(findLoop, ([this, weak, find, fallback, region, scope, thumbnails] {
                         std::vector<std::string> paths = find();
                         if (paths.empty()) paths = fallback;
                         PostToUI(weak, [this, paths, region, scope, thumbnails](Shared& s) {
                             if (!s.cancelled) return Run(paths, region, scope, thumbnails);
                             s.running = false;
                             if (s.done) {
                                 const Done done = s.done;
                                 done(true, {}, {});
                             }
                         });
                     }));
}

void CMotionSearch::Begin(Progress progress, Done done) {
    if (m_shared) {
        m_shared->progress = nullptr;
        m_shared->done = nullptr;
    }
    m_profiler.reset();
    m_shared = std::make_shared<Shared>();
    m_shared->progress = std::move(progress);
    m_shared->done = std::move(done);
}

void CMotionSearch::Run(std::vector<std::string> paths, const MOVRA::ActivityRegion& region, Scope scope,
                        const std::string& thumbnails) {
    m_shared->files = std::max<std::size_t>(1, paths.size());
    m_shared->scope = scope;
    m_shared->paths = paths;
    if (!thumbnails.empty()) ::mkdir(thumbnails.c_str(), 0777);
    MOVRA::CActivityProfiler::Job job;
    job.paths = std::move(paths);
    job.search = true;
    job.options.region = region;
    job.options.thumbnailFolder = thumbnails;
    const std::weak_ptr<Shared> weak = m_shared;
    auto lastShown = std::make_shared<double>(-1);
    m_profiler = std::make_unique<MOVRA::CActivityProfiler>();
    m_profiler->Start(
        std::move(job),
        [weak, lastShown](std::size_t file, double done) {
            PostToUI(weak, [file, done, lastShown](Shared& s) {
                const double overall = (static_cast<double>(file) + done) / static_cast<double>(s.files);
                if (overall - *lastShown < 0.01 && overall < 1) return;
                *lastShown = overall;
                if (s.progress && s.running) s.progress(overall);
            });
        },
        [weak](std::size_t file, bool ok, const MOVRA::ActivityResult& r, const std::string& error) {
            PostToUI(weak, [file, ok, r, error](Shared& s) {
                const std::string& path = file < s.paths.size() ? s.paths[file] : std::string();
                if (!ok) {
                    s.errors.push_back(path + ": " + error);
                    return;
                }
                const bool bounded = s.scope.to > s.scope.from;
                for (std::size_t i = 0; i < r.spans.size(); ++i) {
                    CMotionEvent e;
                    e.file = path;
                    e.start = r.startWallClock + r.spans[i].start;
                    e.end = r.startWallClock + r.spans[i].end;
                    e.peak = r.startWallClock + r.spans[i].peak;
                    e.score = r.spans[i].score;
                    if (i < r.thumbnails.size()) e.thumbnail = r.thumbnails[i];
                    if (bounded && (e.end <= s.scope.from || e.start >= s.scope.to)) continue;
                    s.events.push_back(e);
                }
            });
        },
        [weak](bool cancelled) {
            PostToUI(weak, [cancelled](Shared& s) {
                s.running = false;
                if (s.done) {
                    const Done done = s.done;
                    done(cancelled, s.events, s.errors);
                }
            });
        });
}

void CMotionSearch::Cancel() {
    if (m_profiler) m_profiler->Cancel();
    else if (m_shared) m_shared->cancelled = true;
}

bool CMotionSearch::Running() const { return m_shared && m_shared->running; }
