#include "Engine/EngineThread.h"

#include <condition_variable>
#include <mutex>

#include "Base/SignalStack.h"

namespace MOVRA {

struct CEngineThread::Shared {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
};

CEngineThread::~CEngineThread() { Stop(); }

void CEngineThread::Start(Body body) {
    Stop();
    m_shared = std::make_shared<Shared>();
    std::shared_ptr<Shared> shared = m_shared;
    m_thread = std::thread([shared, body = std::move(body)] {
        {
            KX_SOFT_BASE::CKXSignalStack signalStack;  // so that a stack overflow here is reported
            body(shared->stop);
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->done = true;
        shared->cv.notify_all();
    });
}

bool CEngineThread::Stop(std::chrono::milliseconds limit) {
    if (!m_thread.joinable()) return true;
    m_shared->stop.store(true);
    bool ended;
    {
        std::unique_lock<std::mutex> lock(m_shared->mutex);
        ended = m_shared->cv.wait_for(lock, limit, [&] { return m_shared->done; });
    }
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
    m_shared.reset();
    return ended;
}

}  // namespace MOVRA
