#include "Base/LoopThread.h"

#include <boost/make_shared.hpp>

#include "Base/SystemFunctions.h"

namespace TarvexBase {

using namespace KX_SOFT_BASE;

CKXThreadEx_Qt::CKXThreadEx_Qt(const boost::shared_ptr<CKXThreadData>& data,
                               const boost::shared_ptr<CKXMessageLoop>& loop)
    : m_threadHandle(boost::make_shared<CThreadHandle>()), m_threadData(data), m_loop(loop) {}

CKXThreadEx_Qt::~CKXThreadEx_Qt() = default;

int CKXThreadEx_Qt::Start() {
    if (m_thread.IsCreated()) return 0;
    CKXEvent& started = m_threadData->started;
    started.Create(1, 1);
    started.Reset();

    // The thread copies this pointer before it reports that it runs, so the local may go then.
    boost::shared_ptr<CKXThreadEx_Qt> self = shared_from_this();
    if (!m_thread.Create(0, &CKXThreadEx_Qt::ThreadRoutine, &self, 0, nullptr)) {
        started.Close();
        return -1;
    }
    m_threadHandle->handle = m_thread.GetHandle();
    started.Wait(KX_INFINITE);
    started.Close();
    m_loop->SetThreadHandle(m_thread.GetHandle());
    return 0;
}

unsigned long CKXThreadEx_Qt::ThreadRoutine(void* parameter) {
    boost::shared_ptr<CKXThreadEx_Qt> self = *static_cast<boost::shared_ptr<CKXThreadEx_Qt>*>(parameter);
    self->Run();
    self.reset();
    return 0;
}

void CKXThreadEx_Qt::Run() {
    // The id is stored before Start is released, so whoever registers the loop next sees it.
    m_loop->SetThreadId(CurrentThreadId());
    m_threadData->started.Set();
    if (const auto& control = m_loop->GetControl()) control->Run();
}

boost::shared_ptr<CKXThreadEx_Qt> CreateLoopThread(int controlType) {
    auto data = boost::make_shared<CKXThreadEx_Qt::CKXThreadData>(controlType);
    return boost::make_shared<CKXThreadEx_Qt>(data, CreateMessageLoop(controlType));
}

}  // namespace TarvexBase
