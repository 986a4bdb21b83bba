#pragma once
// When a frame is due: a steady clock anchored at one frame, running at the speed, forward or
// backward through stream time. Re-anchored after every command (a seek, a speed change, a
// resume) and when it has fallen far behind, so that nothing races to catch up.
#include <chrono>

namespace MOVRA {

class CPlayClock {
public:
    using Clock = std::chrono::steady_clock;

    void Reset() { m_valid = false; }
    // Anchors at `seconds` now when there is no anchor.
    void AnchorIfNeeded(double seconds, Clock::time_point now) {
        if (m_valid) return;
        Anchor(seconds, now);
    }
    void Anchor(double seconds, Clock::time_point now) {
        m_time = now;
        m_seconds = seconds;
        m_valid = true;
    }
    // The moment stream time `seconds` is due, going the given way at `speed`.
    Clock::time_point Due(double seconds, double speed, bool forward) const {
        const double delta = forward ? seconds - m_seconds : m_seconds - seconds;
        return m_time + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delta / speed));
    }
    // Stream time now, going the given way at `speed`.
    double Now(double speed, bool forward, Clock::time_point now) const {
        const double elapsed = std::chrono::duration<double>(now - m_time).count() * speed;
        return forward ? m_seconds + elapsed : m_seconds - elapsed;
    }

private:
    bool m_valid = false;
    Clock::time_point m_time;
    double m_seconds = 0;
};

}  // namespace MOVRA
