#include "Base/Event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace KX_SOFT_BASE {

namespace {

struct EventState {
    std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
    bool manualReset = false;
};

}  // namespace

struct CKXEvent::Impl {
    int created = 0;
    std::unique_ptr<EventState> state;
};

CKXEvent::CKXEvent() : m_impl(new (std::nothrow) Impl) {}

CKXEvent::~CKXEvent() {
    if (m_impl && m_impl->created) Close();
}

int CKXEvent::Create(int initialState, int manualReset) {
    if (!m_impl) return 0;
    if (m_impl->created) {
        // Created again while a thread may wait on it: the state it waits on stays, with the new
        // kind and initial state (a waiter is woken when that is signalled).
        EventState& s = *m_impl->state;
        std::lock_guard<std::mutex> lock(s.mutex);
        s.manualReset = manualReset != 0;
        s.signalled = initialState != 0;
        if (s.signalled) s.cv.notify_all();
        return 1;
    }
    m_impl->state.reset(new (std::nothrow) EventState);
    if (!m_impl->state) {
        m_impl->created = 0;
        return 0;
    }
    m_impl->state->signalled = initialState != 0;
    m_impl->state->manualReset = manualReset != 0;
    m_impl->created = 1;
    return 1;
}

int CKXEvent::Close() {
    if (!m_impl) return 0;
    if (!m_impl->created) return 1;
    m_impl->state.reset();
    m_impl->created = 0;
    return 1;
}

int CKXEvent::Set() {
    if (!m_impl || !m_impl->created) return 0;
    EventState& s = *m_impl->state;
    std::lock_guard<std::mutex> lock(s.mutex);
    // A manual-reset event that is already set has nobody left to wake; skipping the notify keeps
    // a busy loop's wake-ups cheap.
    if (s.signalled && s.manualReset) return 1;
    s.signalled = true;
    if (s.manualReset)
        s.cv.notify_all();
    else
        s.cv.notify_one();
    return 1;
}

void CKXEvent::Reset() {
    if (!m_impl || !m_impl->created) return;
    std::lock_guard<std::mutex> lock(m_impl->state->mutex);
    m_impl->state->signalled = false;
}

int CKXEvent::Wait(unsigned int milliseconds) {
    if (!m_impl || !m_impl->created) return -1;
    EventState& s = *m_impl->state;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (milliseconds == KX_INFINITE) {
        s.cv.wait(lock, [&] { return s.signalled; });
    } else {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        if (!s.cv.wait_until(lock, deadline, [&] { return s.signalled; })) return KX_WAIT_TIMEOUT;
    }
    if (!s.manualReset) s.signalled = false;
    return KX_WAIT_OBJECT_0;
}

}  // namespace KX_SOFT_BASE
