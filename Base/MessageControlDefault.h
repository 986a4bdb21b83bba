#pragma once
// The worker-thread control: runs tasks until the loop is idle, then blocks on a wake event.
// The idle test and the event's reset happen under the same mutex that ScheduleWork takes
// before setting the event, so a post that lands after the test still wakes the loop.
#include <atomic>

#include "Base/Event.h"
#include "Base/MessageControl.h"
#include "Base/Mutex.h"

namespace TarvexBase {

class CKXMessageControl_Default : public CKXMessageControl {
public:
    // How long an idle loop sleeps before it blocks: posts of a burst that arrive meanwhile are
    // taken without a wake-up.
    static constexpr unsigned int kIdleSleepMs = 5;

    explicit CKXMessageControl_Default(const boost::weak_ptr<CDelegate>& delegate);
    ~CKXMessageControl_Default() override;

    void Run() override;
    void ScheduleWork() override;
    void Quit() override;

private:
    std::atomic<int> m_running{1};
    KX_SOFT_BASE::CKXEvent m_wakeEvent;  // manual reset, created signalled
    KX_SOFT_BASE::CKXMutex m_mutex;
};

}  // namespace TarvexBase
