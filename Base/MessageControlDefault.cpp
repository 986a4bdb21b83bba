#include "Base/MessageControlDefault.h"

#include <boost/shared_ptr.hpp>

#include "Base/SystemFunctions.h"

namespace TarvexBase {

using namespace KX_SOFT_BASE;

CKXMessageControl_Default::CKXMessageControl_Default(const boost::weak_ptr<CDelegate>& delegate)
    : CKXMessageControl(delegate) {
    m_wakeEvent.Create(1, 1);
}

CKXMessageControl_Default::~CKXMessageControl_Default() {
    if (m_running.load()) Quit();
    m_wakeEvent.Close();
}

void CKXMessageControl_Default::Run() {
    while (m_running.load()) {
        boost::shared_ptr<CDelegate> delegate = m_delegate.lock();
        if (!delegate) return;
        if (delegate->DoWork()) continue;

        CKXAutoMutexLock lock(m_mutex);
        // Quit may have come from the task just run, on this thread: its wake-up must not be
        // reset away, so running is read again under the mutex Quit takes to set the event.
        if (m_running.load() && delegate->IsIdle()) {
            m_wakeEvent.Reset();
            lock.Unlock();
            SleepMs(kIdleSleepMs);
            m_wakeEvent.Wait(KX_INFINITE);
        }
    }
}

void CKXMessageControl_Default::ScheduleWork() {
    CKXAutoMutexLock lock(m_mutex);
    m_wakeEvent.Set();
}

void CKXMessageControl_Default::Quit() {
    m_running.store(0);
    CKXAutoMutexLock lock(m_mutex);
    m_wakeEvent.Set();
}

}  // namespace TarvexBase
