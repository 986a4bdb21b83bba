#pragma once
// A recursive lock, like the critical section it stands for, and its scoped holder.
#include <memory>

namespace KX_SOFT_BASE {

class CKXMutex {
public:
    CKXMutex();
    virtual ~CKXMutex();
    CKXMutex(const CKXMutex&) = delete;
    CKXMutex& operator=(const CKXMutex&) = delete;

    void Lock();
    void Unlock();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

class CKXAutoMutexLock {
public:
    explicit CKXAutoMutexLock(CKXMutex& mutex);
    virtual ~CKXAutoMutexLock();
    CKXAutoMutexLock(const CKXAutoMutexLock&) = delete;
    CKXAutoMutexLock& operator=(const CKXAutoMutexLock&) = delete;

    // Releases early; the destructor then leaves the mutex alone.
    void Unlock();

private:
    CKXMutex* m_mutex;
    int m_locked;
};

}  // namespace KX_SOFT_BASE
