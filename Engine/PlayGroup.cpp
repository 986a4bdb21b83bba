#include "Engine/PlayGroup.h"

#include <algorithm>
#include <cmath>

#include "Base/DateTime.h"
#include "Engine/MovraImpl.h"
#include "Engine/Playback.h"

namespace MOVRA {

std::vector<CMovra*> CPlayGroup::Members() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_members;
}

void CPlayGroup::Nudge() {
    for (CMovra* m : Members()) m->m_impl->NudgePlayback();
}

int CPlayGroup::Open() {
    Close();
    m_clock = std::make_shared<CGroupClock>();
    m_clock->SetForward(m_forward);
    m_clock->SetSpeed(m_speed);
    m_open = true;
    return 1;
}

int CPlayGroup::Add(CMovra* member, bool ahead) {
    if (!m_open || !member || !member->m_impl->IsOpen()) return 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (std::find(m_members.begin(), m_members.end(), member) != m_members.end()) return 1;
    }
    CMovra::Impl& m = *member->m_impl;
    const bool first = !m_clock->Known();
    if (first) m_clock->SetTime(m.CurrentWallClock());  // the first member sets the time
    m.SetSpeed(m_speed);
    if (m_forward) m.PlayForward();
    else m.PlayBackward();
    m.JoinGroup(m_clock, shared_from_this());
    // A later one joins at the group's time.
    if (!first) m.SeekToWallClockNearest(m_clock->Now(), !ahead);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_members.push_back(member);
    m_clock->SetMembers(static_cast<int>(m_members.size()));
    return 1;
}

int CPlayGroup::Remove(CMovra* member) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = std::find(m_members.begin(), m_members.end(), member);
        if (it == m_members.end()) return 0;
        m_members.erase(it);
        m_clock->SetMembers(static_cast<int>(m_members.size()));
    }
    member->m_impl->LeaveGroup();
    return 1;
}

void CPlayGroup::Forget(CMovra* member) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_members.erase(std::remove(m_members.begin(), m_members.end(), member), m_members.end());
    m_clock->SetMembers(static_cast<int>(m_members.size()));
}

int CPlayGroup::PlayForward() {
    if (!m_open) return 0;
    m_forward = true;
    m_clock->SetForward(true);
    for (CMovra* m : Members()) m->m_impl->PlayForward();
    return 1;
}

int CPlayGroup::PlayBackward() {
    if (!m_open) return 0;
    int result = 1;
    m_forward = false;
    m_clock->SetForward(false);
    for (CMovra* m : Members()) result &= m->m_impl->PlayBackward() ? 1 : 0;  // 0 while one is indexing
    return result;
}

int CPlayGroup::SetSpeed(float speed) {
    if (!m_open || !(speed >= kMinSpeed * 0.999 && speed <= kMaxSpeed * 1.001)) return 0;
    m_speed = speed;
    m_clock->SetSpeed(speed);
    for (CMovra* m : Members()) m->m_impl->SetSpeed(speed);
    return 1;
}

int CPlayGroup::Pause() {
    if (!m_open) return 0;
    m_clock->SetRunning(false);
    Nudge();
    return 1;
}

int CPlayGroup::Resume() {
    if (!m_open) return 0;
    m_clock->SetRunning(true);
    Nudge();
    return 1;
}

int CPlayGroup::Seek(double wallClock) {
    if (!m_open) return 0;
    m_clock->SetTime(wallClock);
    for (CMovra* m : Members()) m->m_impl->SeekToWallClockNearest(wallClock);
    Nudge();
    return 1;
}

int CPlayGroup::Close() {
    std::vector<CMovra*> members;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        members.swap(m_members);
    }
    for (CMovra* m : members) m->m_impl->LeaveGroup();
    const bool wasOpen = m_open;
    m_open = false;
    return wasOpen ? 1 : 0;
}

int CPlayGroup::QueryTime(__DATETIME_INFO* time) {
    if (!time || !m_open || !m_clock->Known()) return 0;
    KX_SOFT_BASE::DateTime t;
    t.FromTimeT(static_cast<std::int64_t>(std::floor(m_clock->Now())));
    *time = __DATETIME_INFO{t.year, t.month, t.day, t.hour, t.minute, t.second};
    return 1;
}

}  // namespace MOVRA
