#include "Base/Thread.h"

#include <pthread.h>

#include <new>
#include <type_traits>

#include "Base/SignalStack.h"

namespace KX_SOFT_BASE {

static_assert(std::is_integral<pthread_t>::value && sizeof(pthread_t) <= sizeof(KXThreadHandle),
              "the native thread id is used as a number");

namespace {

struct StartRecord {
    KXThreadRoutine routine;
    void* parameter;
};

void* Trampoline(void* p) {
    StartRecord record = *static_cast<StartRecord*>(p);
    delete static_cast<StartRecord*>(p);
    CKXSignalStack signalStack;  // so that a stack overflow here is reported too
    record.routine(record.parameter);
    return nullptr;
}

}  // namespace

struct CKXThread::Impl {
    int created = 0;
    pthread_t handle{};
};

CKXThread::CKXThread() : m_impl(new (std::nothrow) Impl) {}

CKXThread::~CKXThread() {
    if (m_impl && m_impl->created) pthread_detach(m_impl->handle);
}

int CKXThread::Create(std::size_t stackSize, KXThreadRoutine routine, void* parameter,
                      unsigned long /*creationFlags*/, KXThreadId* threadId) {
    if (!m_impl || !routine) return 0;
    if (m_impl->created) return 1;

    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return 0;
    if (stackSize > 0) pthread_attr_setstacksize(&attr, stackSize);
    auto* record = new (std::nothrow) StartRecord{routine, parameter};
    int rc = record ? pthread_create(&m_impl->handle, &attr, &Trampoline, record) : -1;
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete record;
        m_impl->created = 0;
        return 0;
    }
    m_impl->created = 1;
    if (threadId) *threadId = static_cast<KXThreadId>(m_impl->handle);
    return 1;
}

int CKXThread::IsCreated() const { return m_impl ? m_impl->created : 0; }

KXThreadHandle CKXThread::GetHandle() const {
    return m_impl && m_impl->created ? static_cast<KXThreadHandle>(m_impl->handle) : 0;
}

}  // namespace KX_SOFT_BASE
