#pragma once
// The process-wide registry from loop id to loop. It is never destroyed: worker threads still
// post through it while the process exits.
#include <boost/shared_ptr.hpp>

#include <map>

#include "Base/MessageLoop.h"
#include "Base/Mutex.h"

namespace TarvexBase {

class CKXMessageLoopManager {
public:
    static const boost::shared_ptr<CKXMessageLoopManager>& GetInstance();

    // A later registration under the same id replaces the earlier loop.
    void RegisterMessageLoop(const boost::shared_ptr<CKXMessageLoop>& loop, int loopId);
    // An id never registered yields an empty pointer (and gets an empty entry).
    boost::shared_ptr<CKXMessageLoop> GetMessageLoop(int loopId);

private:
    std::map<int, boost::shared_ptr<CKXMessageLoop>> m_loops;
    KX_SOFT_BASE::CKXMutex m_mutex;
};

}  // namespace TarvexBase
