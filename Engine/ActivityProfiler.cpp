#include "Engine/ActivityProfiler.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "Engine/ActivityStore.h"

namespace MOVRA {

namespace {

// The calling thread, and the decoder threads it starts later, yield to every other.
void LowestPriority() {
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, 19);
}

}  // namespace

void CActivityProfiler::Start(Job job, Progress progress, Result result, Finished finished) {
    Cancel();
    m_thread.Start([job = std::move(job), progress = std::move(progress), result = std::move(result),
                    finished = std::move(finished)](const std::atomic<bool>& stop) {
        LowestPriority();
        for (std::size_t i = 0; i < job.paths.size() && !stop.load(); ++i) {
            const ActivityProgress each = [&](double done) {
                if (progress && !stop.load()) progress(i, done);
            };
            ActivityResult r;
            std::string error;
            const bool ok = job.search ? ScanActivity(job.paths[i], job.options, stop, each, &r, &error)
                                       : ProfileActivity(job.paths[i], stop, each, &r, &error);
            if (stop.load()) break;
            if (result) result(i, ok, r, error);
        }
        if (finished) finished(stop.load());
    });
}

void CActivityProfiler::Cancel() { m_thread.Stop(std::chrono::milliseconds(10000)); }

}  // namespace MOVRA
