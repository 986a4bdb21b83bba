#pragma once
// The activity profiles of the recordings on the timeline, worked out one file after the other by
// the engine's profiler on its own low-priority thread and kept here, on the UI loop, per file.
// What the profiler reports is posted back to the UI loop; the keeper is told of each profile as
// it arrives. A new opening drops the files nobody shows any more, and closing the program stops
// the profiler without waiting for a file to finish.
#include <boost/enable_shared_from_this.hpp>
#include <boost/function.hpp>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Engine/ActivityProfiler.h"
#include "Main/PanelFaces.h"

class CActivityKeeper : public boost::enable_shared_from_this<CActivityKeeper> {
public:
    // Told on the UI loop of each file's profile as it arrives.
    using Arrived = boost::function<void(const std::wstring& path, const MOVRA::ActivityResult& result)>;
    // Whether a file is still shown (a file no longer shown is not profiled).
    using Wanted = boost::function<bool(const std::wstring& path)>;

    CActivityKeeper(Arrived arrived, Wanted wanted);
    ~CActivityKeeper();

    // The files to profile, after those already asked for; a file known or on its way is skipped.
    void Want(const std::vector<std::wstring>& paths);
    // Something new is being opened: the work under way stops, and what is still shown goes on.
    void Reopen();
    // Stops everything (the program closes).
    void Stop();

    // The profile of a file; null while it has none.
    const MOVRA::ActivityResult* Find(const std::wstring& path) const;
    // Whether the file's profile is still to come (waiting or being worked out).
    bool Pending(const std::wstring& path) const;
    // Files waiting or being profiled.
    std::size_t Outstanding() const { return m_queue.size() + m_running.size(); }

private:
    void StartNext();
    // Posted from the profiler's thread; `generation` tells a stale job's reports.
    void Reported(unsigned generation, std::wstring path, bool ok, MOVRA::ActivityResult result);
    void Finished(unsigned generation);

    Arrived m_arrived;
    Wanted m_wanted;
    MOVRA::CActivityProfiler m_profiler;
    std::map<std::wstring, MOVRA::ActivityResult> m_profiles;
    std::set<std::wstring> m_failed;  // not recordings, or unreadable: not tried again
    std::deque<std::wstring> m_queue;
    std::size_t m_fresh = 0;  // the queue's first files, asked for since the last opening
    std::set<std::wstring> m_running;  // in the job under way, not reported yet
    unsigned m_generation = 0;
    bool m_stopped = false;
};

// The strip a timeline row draws for a profile.
ITimeLineFace::CActivityStrip ActivityStripOf(const MOVRA::ActivityResult& result);
// The wall-clock starts of a profile's events.
std::vector<double> ActivityStarts(const MOVRA::ActivityResult& result);
// The event start a jump from the second `now` goes to, among `starts` in any order; false when
// there is none that way.
bool NextActivityStart(const std::vector<double>& starts, double now, bool forward, double* at);
// Whether a jump from `now` that way (to `at`, or past everything when `found` is false) would pass
// over a span of wall-clock seconds whose profile is still to come: an event there is not known yet,
// and jumping past it would skip it.
struct CPendingSpan {
    double start, end;
};
bool JumpPassesPending(const std::vector<CPendingSpan>& pending, double now, bool forward, bool found, double at);
