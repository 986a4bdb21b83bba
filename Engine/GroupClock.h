#pragma once
// The clock of a play group, in wall-clock seconds: running or held, at a speed, forward or
// backward. Every member's decoding thread asks it when its next frame is due, so the members
// cannot drift apart: there is one clock, not one per member kept in step. Thread-safe: the
// group's owner sets it, the members' threads read it.
#include <chrono>
#include <mutex>

namespace MOVRA {

class CGroupClock {
public:
    using Clock = std::chrono::steady_clock;

    bool Known() const;
    double Now() const;  // wall-clock seconds; 0 when not known
    // Sets the time, keeping the rest.
    void SetTime(double wallClock);
    void SetRunning(bool running);
    void SetSpeed(double speed);
    void SetForward(bool forward);
    // When a frame at `wallClock` is due; max() while held or for a frame the clock has passed
    // going the other way.
    Clock::time_point Due(double wallClock) const;

    // Played faster than recorded, the members show their pictures together on a common beat
    // rather than each at its own frame's time: one picture a beat each, all for the same moment,
    // so that a grid shows one instant even when no member can show every frame. The beat is
    // longer the more members share the screen's thread.
    void SetMembers(int members);
    // Wall-clock seconds from one beat to the next at the present speed; 0 when every frame is
    // shown at its own time (at 1X and slower, or before any member joined).
    double BeatSeconds() const;

private:
    double NowLocked(Clock::time_point now) const;
    void Reanchor();

    mutable std::mutex m_mutex;
    bool m_known = false;
    bool m_running = true;
    bool m_forward = true;
    double m_speed = 1;
    double m_beat = 0;  // seconds of real time
    Clock::time_point m_anchorTime;
    double m_anchorWall = 0;
};

}  // namespace MOVRA
