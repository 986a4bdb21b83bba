#pragma once
// What drives a loop: runs its tasks on the loop's thread and wakes it when a task is posted. The
// control holds its loop weakly and the loop holds the control, so both go together.
#include <boost/weak_ptr.hpp>

namespace TarvexBase {

class CKXMessageControl {
public:
    class CDelegate {
    public:
        // Runs at most one task; nonzero when more tasks of the current batch are waiting.
        virtual int DoWork() = 0;
        // Nonzero when no task waits to be taken.
        virtual int IsIdle() = 0;

    protected:
        ~CDelegate() = default;  // owners delete the loop itself, never through this interface
    };

    explicit CKXMessageControl(const boost::weak_ptr<CDelegate>& delegate) : m_delegate(delegate) {}
    virtual ~CKXMessageControl() = default;
    CKXMessageControl(const CKXMessageControl&) = delete;
    CKXMessageControl& operator=(const CKXMessageControl&) = delete;

    virtual void Run() = 0;  // drives the delegate on the calling thread
    virtual void ScheduleWork() = 0;  // a task was posted; any thread
    virtual void Quit() = 0;  // makes Run return

protected:
    boost::weak_ptr<CDelegate> m_delegate;
};

}  // namespace TarvexBase
