#pragma once
// A named place where tasks run, on one thread: its task queue, the control that drives and wakes
// it, and the thread it runs on.
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <atomic>

#include "Base/MessageControl.h"
#include "Base/TaskQueue.h"
#include "Base/Thread.h"

namespace TarvexBase {

class CKXMessageLoop : public CKXMessageControl::CDelegate {
public:
    CKXMessageLoop();
    virtual ~CKXMessageLoop();
    CKXMessageLoop(const CKXMessageLoop&) = delete;
    CKXMessageLoop& operator=(const CKXMessageLoop&) = delete;

    int DoWork() override;
    int IsIdle() override;

    CKXTaskQueue& GetTaskQueue() { return m_taskQueue; }
    // Set once by CreateMessageLoop before the loop is shared.
    const boost::shared_ptr<CKXMessageControl>& GetControl() const { return m_control; }
    void SetControl(const boost::shared_ptr<CKXMessageControl>& control) { m_control = control; }

    KX_SOFT_BASE::KXThreadId GetThreadId() const { return m_threadId.load(); }
    void SetThreadId(KX_SOFT_BASE::KXThreadId id) { m_threadId.store(id); }
    // 0 for the UI thread's loop.
    KX_SOFT_BASE::KXThreadHandle GetThreadHandle() const { return m_threadHandle.load(); }
    void SetThreadHandle(KX_SOFT_BASE::KXThreadHandle handle) { m_threadHandle.store(handle); }

private:
    CKXTaskQueue m_taskQueue;
    boost::shared_ptr<CKXMessageControl> m_control;
    std::atomic<KX_SOFT_BASE::KXThreadId> m_threadId{0};
    std::atomic<KX_SOFT_BASE::KXThreadHandle> m_threadHandle{0};
};

// The UI-thread control (type 0) lives with the UI toolkit, which installs its maker when it
// starts, so this layer needs no toolkit. Until one is installed a type-0 loop gets a control
// that does nothing: its tasks run only when its owner calls DoWork.
using MessageControlFactory = boost::shared_ptr<CKXMessageControl> (*)(
    const boost::weak_ptr<CKXMessageControl::CDelegate>& loop);
void SetUIThreadControlFactory(MessageControlFactory factory);

// A new loop with a control of the given type (0 UI thread, 1 worker); any other type gets no
// control, and posts to it wait until someone runs it.
boost::shared_ptr<CKXMessageLoop> CreateMessageLoop(int controlType);

}  // namespace TarvexBase
