#include "Base/TaskQueue.h"

namespace TarvexBase {

using KX_SOFT_BASE::CKXAutoMutexLock;

CKXTaskQueue::CKXTaskQueue() = default;

CKXTaskQueue::~CKXTaskQueue() {
    std::deque<boost::shared_ptr<CKXTask>> incoming, working;
    {
        CKXAutoMutexLock lock(m_mutex);
        incoming.swap(m_incoming);
        working.swap(m_working);
    }
    // Released outside the lock: a dying target may post from its destructor.
}

void CKXTaskQueue::PushTask(const boost::shared_ptr<CKXTask>& task) {
    CKXAutoMutexLock lock(m_mutex);
    m_incoming.push_back(task);
}

int CKXTaskQueue::RunOneTask() {
    if (m_working.empty()) {
        CKXAutoMutexLock lock(m_mutex);
        if (m_incoming.empty()) return 0;
        m_working.swap(m_incoming);
    }
    if (!m_working.empty()) {
        // Off the queue before it runs: a task that opens a modal dialog runs a nested loop that
        // takes the next tasks from this same queue, and must neither find itself at the front
        // again nor have its removal drop a task that never ran.
        const boost::shared_ptr<CKXTask> task = m_working.front();
        m_working.pop_front();
        task->Run();
    }
    return static_cast<int>(m_working.size());
}

bool CKXTaskQueue::IsIncomingEmpty() {
    CKXAutoMutexLock lock(m_mutex);
    return m_incoming.empty();
}

}  // namespace TarvexBase
