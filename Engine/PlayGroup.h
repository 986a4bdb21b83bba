#pragma once
// Synchronous play: members keep to one clock in wall-clock time. Every member shows its frame
// for the group's time; one whose file does not cover that time shows its nearest frame and waits
// until the clock reaches its file. Members join and leave while the group plays; a member that
// closes leaves by itself.
#include <memory>
#include <mutex>
#include <vector>

#include "Engine/GroupClock.h"
#include "Engine/Movra.h"

namespace MOVRA {

class CPlayGroup : public std::enable_shared_from_this<CPlayGroup> {
public:
    ~CPlayGroup() { Close(); }  // members go back to their own clocks
    int Open();
    // `ahead`: the member shows nothing until the clock reaches it (CMovra::GroupPlay_AddAhead).
    int Add(CMovra* member, bool ahead = false);
    int Remove(CMovra* member);
    int PlayForward();
    int PlayBackward();
    int SetSpeed(float speed);
    int Pause();
    int Resume();
    int Seek(double wallClock);
    int Close();
    int QueryTime(__DATETIME_INFO* time);
    double Now() const { return m_clock->Known() ? m_clock->Now() : 0; }

    // A member closing its file; the group forgets it.
    void Forget(CMovra* member);

private:
    std::vector<CMovra*> Members();
    void Nudge();

    std::shared_ptr<CGroupClock> m_clock = std::make_shared<CGroupClock>();
    std::mutex m_mutex;  // the member list; a member may close on another loop than the group's
    std::vector<CMovra*> m_members;
    bool m_open = false;
    bool m_forward = true;
    float m_speed = 1;
};

}  // namespace MOVRA
