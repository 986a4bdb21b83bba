#include "Main/ActivityKeeper.h"

#include <boost/weak_ptr.hpp>

#include <algorithm>
#include <cmath>

#include "Base/PostTask.h"
#include "Base/StreamConvert.h"

namespace {
// Files a job takes at once: small enough that a new opening's files do not wait long behind a
// job that is still wanted.
constexpr std::size_t kJobFiles = 8;
}  // namespace

CActivityKeeper::CActivityKeeper(Arrived arrived, Wanted wanted)
    : m_arrived(std::move(arrived)), m_wanted(std::move(wanted)) {}

CActivityKeeper::~CActivityKeeper() { Stop(); }

void CActivityKeeper::Want(const std::vector<std::wstring>& paths) {
    if (m_stopped) return;
    for (const std::wstring& path : paths) {
        if (path.empty() || m_profiles.count(path) || m_failed.count(path) || m_running.count(path) ||
            std::find(m_queue.begin(), m_queue.end(), path) != m_queue.end())
            continue;
        // The files of the latest opening come before those asked for earlier.
        m_queue.insert(m_queue.begin() + static_cast<std::ptrdiff_t>(std::min(m_fresh, m_queue.size())), path);
        ++m_fresh;
    }
    if (m_running.empty()) StartNext();
}

void CActivityKeeper::Reopen() {
    if (m_stopped) return;
    m_fresh = 0;
    if (m_running.empty()) return;
    // The job's files not reported yet go back to the queue, behind what this opening asks for;
    // the next job (once the opening has run) drops those no longer shown.
    m_profiler.Cancel();
    ++m_generation;
    m_queue.insert(m_queue.begin(), m_running.begin(), m_running.end());
    m_running.clear();
    boost::weak_ptr<CActivityKeeper> self = shared_from_this();
    KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([self] {
                         if (auto keeper = self.lock())
                             if (keeper->m_running.empty()) keeper->StartNext();
                     }));
}

void CActivityKeeper::Stop() {
    m_stopped = true;
    ++m_generation;
    m_queue.clear();
    m_running.clear();
    m_profiler.Cancel();
}

const MOVRA::ActivityResult* CActivityKeeper::Find(const std::wstring& path) const {
    const auto it = m_profiles.find(path);
    return it == m_profiles.end() ? nullptr : &it->second;
}

bool CActivityKeeper::Pending(const std::wstring& path) const {
    return m_running.count(path) || std::find(m_queue.begin(), m_queue.end(), path) != m_queue.end();
}

void CActivityKeeper::StartNext() {
    MOVRA::CActivityProfiler::Job job;
    std::vector<std::wstring> names;
    while (!m_queue.empty() && names.size() < kJobFiles) {
        std::wstring path = m_queue.front();
        m_queue.pop_front();
        if (m_fresh) --m_fresh;
        if (m_profiles.count(path) || (m_wanted && !m_wanted(path))) continue;
        job.paths.push_back(KX_SOFT_BASE::WideToNative(path));
        names.push_back(path);
        m_running.insert(path);
    }
    if (names.empty()) return;
    const unsigned generation = ++m_generation;
    // The profiler's thread knows the keeper only weakly: a report that arrives after the keeper
    // has gone is dropped on the UI loop.
    boost::weak_ptr<CActivityKeeper> self = shared_from_this();
    m_profiler.Start(
        std::move(job), nullptr,
        [self, generation, names](std::size_t file, bool ok, const MOVRA::ActivityResult& result, const std::string&) {
            if (file >= names.size()) return;
            const std::wstring path = names[file];
            KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([self, generation, path, ok, result] {
                                 if (auto keeper = self.lock()) keeper->Reported(generation, path, ok, result);
                             }));
        },
        [self, generation](bool) {
            KX_POST_FUNCTION(TarvexBase::ML_MAIN, ([self, generation] {
                                 if (auto keeper = self.lock()) keeper->Finished(generation);
                             }));
        });
}

void CActivityKeeper::Reported(unsigned generation, std::wstring path, bool ok, MOVRA::ActivityResult result) {
    // A cancelled job's last file is reported as failed: it is not believed, only a later job's.
    if (m_stopped || (generation != m_generation && !ok)) return;
    m_running.erase(path);
    if (!ok) {
        m_failed.insert(path);
        return;
    }
    const auto& kept = m_profiles[path] = std::move(result);
    if (m_arrived) m_arrived(path, kept);
}

void CActivityKeeper::Finished(unsigned generation) {
    if (m_stopped || generation != m_generation) return;
    // Files of the job never reported (it ended early) are tried with the next.
    m_queue.insert(m_queue.begin(), m_running.begin(), m_running.end());
    m_running.clear();
    StartNext();
}

ITimeLineFace::CActivityStrip ActivityStripOf(const MOVRA::ActivityResult& result) {
    ITimeLineFace::CActivityStrip strip;
    strip.start = std::llround(result.startWallClock);
    // A level that shows below the threshold of an event already (the strip tells where little
    // moves as well) and is full where a good share of the picture changes.
    const double floor = MOVRA::kActiveScore * 0.3;
    strip.levels.reserve(result.perSecond.size());
    for (float value : result.perSecond) {
        const double level = value > floor ? 255.0 * std::log10(value / floor) / 2.0 : 0.0;
        strip.levels.push_back(static_cast<unsigned char>(std::clamp(level, 0.0, 255.0)));
    }
    for (const MOVRA::ActivitySpan& span : result.spans)
        strip.events.emplace_back(static_cast<long long>(std::floor(result.startWallClock + span.start)),
                                  static_cast<long long>(std::ceil(result.startWallClock + span.end)));
    return strip;
}

std::vector<double> ActivityStarts(const MOVRA::ActivityResult& result) {
    std::vector<double> starts;
    for (const MOVRA::ActivitySpan& span : result.spans) starts.push_back(result.startWallClock + span.start);
    return starts;
}

bool NextActivityStart(const std::vector<double>& starts, double now, bool forward, double* at) {
    bool found = false;
    double best = 0;
    for (double start : starts) {
        // Forward: a start after the second shown (the one a jump went to is passed). Backward:
        // a start more than two seconds back, so that a jump from just after an event's start goes
        // to the event before it, and one from well inside an event to its start.
        const bool candidate = forward ? std::floor(start) > now : std::floor(start) < now - 2;
        if (candidate && (!found || (forward ? start < best : start > best))) {
            best = start;
            found = true;
        }
    }
    if (found && at) *at = best;
    return found;
}

bool JumpPassesPending(const std::vector<CPendingSpan>& pending, double now, bool forward, bool found, double at) {
    for (const CPendingSpan& span : pending) {
        const bool passed = forward ? span.end > now && (!found || span.start < at)
                                    : span.start < now && (!found || span.end > at);
        if (passed) return true;
    }
    return false;
}
