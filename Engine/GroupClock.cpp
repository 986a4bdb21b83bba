#include "Engine/GroupClock.h"

#include <algorithm>

namespace MOVRA {

double CGroupClock::NowLocked(Clock::time_point now) const {
    if (!m_known) return 0;
    if (!m_running) return m_anchorWall;
    const double elapsed = std::chrono::duration<double>(now - m_anchorTime).count() * m_speed;
    return m_forward ? m_anchorWall + elapsed : m_anchorWall - elapsed;
}

void CGroupClock::Reanchor() {
    const auto now = Clock::now();
    m_anchorWall = NowLocked(now);
    m_anchorTime = now;
}

bool CGroupClock::Known() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_known;
}

double CGroupClock::Now() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return NowLocked(Clock::now());
}

void CGroupClock::SetTime(double wallClock) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_known = true;
    m_anchorWall = wallClock;
    m_anchorTime = Clock::now();
}

void CGroupClock::SetRunning(bool running) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Reanchor();
    m_running = running;
}

void CGroupClock::SetSpeed(double speed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Reanchor();
    m_speed = speed;
}

void CGroupClock::SetForward(bool forward) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Reanchor();
    m_forward = forward;
}

CGroupClock::Clock::time_point CGroupClock::Due(double wallClock) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_known || !m_running) return Clock::time_point::max();
    const double ahead = m_forward ? wallClock - m_anchorWall : m_anchorWall - wallClock;
    return m_anchorTime + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(ahead / m_speed));
}

void CGroupClock::SetMembers(int members) {
    // About a millisecond of the screen's thread per picture: a grid of 36 gets 25 beats a second,
    // which it draws at 1X anyway; a few windows get the screen's 60.
    const double beat = members > 0 ? std::clamp(members * 0.00125, 1.0 / 60, 1.0 / 25) : 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_beat = beat;
}

double CGroupClock::BeatSeconds() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_speed > 1 ? m_beat * m_speed : 0;
}

}  // namespace MOVRA
