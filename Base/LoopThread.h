#pragma once
// The thread of a worker loop. The running thread holds the thread object, and with it the loop,
// alive for its whole life; nobody joins it.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "Base/Event.h"
#include "Base/MessageLoop.h"
#include "Base/Thread.h"

namespace TarvexBase {

class CKXThreadEx {
public:
    class CDelegate {
    public:
        virtual void Run() = 0;  // the thread body
        virtual ~CDelegate() = default;
    };
};

class CKXThreadEx_Qt : public CKXThreadEx::CDelegate,
                       public boost::enable_shared_from_this<CKXThreadEx_Qt> {
public:
    struct CThreadHandle {
        KX_SOFT_BASE::KXThreadHandle handle = 0;
    };
    struct CKXThreadData {
        explicit CKXThreadData(int type) : controlType(type) {}
        KX_SOFT_BASE::CKXEvent started;
        int controlType;
    };

    CKXThreadEx_Qt(const boost::shared_ptr<CKXThreadData>& data,
                   const boost::shared_ptr<CKXMessageLoop>& loop);
    ~CKXThreadEx_Qt() override;

    // Starts the thread and returns 0 once it runs its loop. When no thread can be created it
    // returns -1 at once; a second call on a started object returns 0 and starts nothing.
    int Start();
    const boost::shared_ptr<CKXMessageLoop>& GetLoop() const { return m_loop; }
    KX_SOFT_BASE::KXThreadHandle GetThreadHandle() const { return m_threadHandle->handle; }

    void Run() override;

private:
    static unsigned long ThreadRoutine(void* parameter);

    boost::shared_ptr<CThreadHandle> m_threadHandle;
    boost::shared_ptr<CKXThreadData> m_threadData;
    boost::shared_ptr<CKXMessageLoop> m_loop;
    KX_SOFT_BASE::CKXThread m_thread;
};

boost::shared_ptr<CKXThreadEx_Qt> CreateLoopThread(int controlType);

}  // namespace TarvexBase
