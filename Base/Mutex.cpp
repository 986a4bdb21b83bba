#include "Base/Mutex.h"

#include <mutex>
#include <new>

namespace KX_SOFT_BASE {

struct CKXMutex::Impl {
    std::recursive_mutex mutex;
};

CKXMutex::CKXMutex() : m_impl(new (std::nothrow) Impl) {}
CKXMutex::~CKXMutex() = default;

void CKXMutex::Lock() {
    if (m_impl) m_impl->mutex.lock();
}

void CKXMutex::Unlock() {
    if (m_impl) m_impl->mutex.unlock();
}

CKXAutoMutexLock::CKXAutoMutexLock(CKXMutex& mutex) : m_mutex(&mutex), m_locked(1) {
    m_mutex->Lock();
}

CKXAutoMutexLock::~CKXAutoMutexLock() { Unlock(); }

void CKXAutoMutexLock::Unlock() {
    if (!m_locked) return;
    m_locked = 0;
    m_mutex->Unlock();
}

}  // namespace KX_SOFT_BASE
