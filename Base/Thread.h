#pragma once
// One thread per object, over pthreads. The "handle" is the native pthread_t; destroying the
// object lets the thread go on by itself (it is detached), it never waits for or kills it.
#include <cstdint>
#include <memory>

namespace KX_SOFT_BASE {

// The value CurrentThreadId returns and Create reports: the native thread id.
using KXThreadId = std::uint64_t;
using KXThreadHandle = std::uint64_t;
using KXThreadRoutine = unsigned long (*)(void* parameter);

class CKXThread {
public:
    CKXThread();
    virtual ~CKXThread();
    CKXThread(const CKXThread&) = delete;
    CKXThread& operator=(const CKXThread&) = delete;

    // Returns 1 without creating anything when this object already started a thread. A stack size
    // of 0 takes the default. Creation flags have no meaning on Linux and are ignored.
    int Create(std::size_t stackSize, KXThreadRoutine routine, void* parameter,
               unsigned long creationFlags = 0, KXThreadId* threadId = nullptr);
    int IsCreated() const;
    KXThreadHandle GetHandle() const;  // 0 before Create succeeds

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace KX_SOFT_BASE
