#pragma once
// A double-buffered queue: posters append to `incoming` under the lock; the owning loop swaps the
// whole batch into `working` in one step and runs it without the lock. Lock hold times stay
// constant whatever the batch size, and a task may post to its own loop (it runs next batch).
#include <boost/shared_ptr.hpp>

#include <deque>

#include "Base/Mutex.h"
#include "Base/Task.h"

namespace TarvexBase {

class CKXTaskQueue {
public:
    CKXTaskQueue();
    // Releases every task still queued without running it.
    virtual ~CKXTaskQueue();
    CKXTaskQueue(const CKXTaskQueue&) = delete;
    CKXTaskQueue& operator=(const CKXTaskQueue&) = delete;

    void PushTask(const boost::shared_ptr<CKXTask>& task);  // any thread
    // Runs at most one task; returns how many of the current batch are still waiting.
    virtual int RunOneTask();  // owning loop only
    // True when nothing waits to be taken into the next batch.
    bool IsIncomingEmpty();

private:
    std::deque<boost::shared_ptr<CKXTask>> m_incoming;
    std::deque<boost::shared_ptr<CKXTask>> m_working;
    KX_SOFT_BASE::CKXMutex m_mutex;
};

}  // namespace TarvexBase
