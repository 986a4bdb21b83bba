#include "Base/MessageLoopManager.h"

#include <boost/make_shared.hpp>

namespace TarvexBase {

using KX_SOFT_BASE::CKXAutoMutexLock;

const boost::shared_ptr<CKXMessageLoopManager>& CKXMessageLoopManager::GetInstance() {
    static const auto* instance =
        new boost::shared_ptr<CKXMessageLoopManager>(boost::make_shared<CKXMessageLoopManager>());
    return *instance;
}

void CKXMessageLoopManager::RegisterMessageLoop(const boost::shared_ptr<CKXMessageLoop>& loop,
                                                int loopId) {
    boost::shared_ptr<CKXMessageLoop> replaced;
    {
        CKXAutoMutexLock lock(m_mutex);
        auto it = m_loops.find(loopId);
        if (it != m_loops.end() && it->second) {
            replaced.swap(it->second);
            m_loops.erase(it);
        }
        m_loops[loopId] = loop;
    }
    // The replaced loop may die here, releasing queued tasks whose targets may post: not under
    // the registry's lock.
}

boost::shared_ptr<CKXMessageLoop> CKXMessageLoopManager::GetMessageLoop(int loopId) {
    CKXAutoMutexLock lock(m_mutex);
    return m_loops[loopId];
}

}  // namespace TarvexBase
