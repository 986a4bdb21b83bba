#pragma once
// A manual- or auto-reset event on a mutex and a condition variable. Set may come from any thread
// while another waits.
#include <memory>

namespace KX_SOFT_BASE {

constexpr unsigned int KX_INFINITE = 0xFFFFFFFFu;  // passed as -1
constexpr int KX_WAIT_OBJECT_0 = 0;
constexpr int KX_WAIT_TIMEOUT = 258;

class CKXEvent {
public:
    CKXEvent();
    virtual ~CKXEvent();
    CKXEvent(const CKXEvent&) = delete;
    CKXEvent& operator=(const CKXEvent&) = delete;

    // Creating an event that exists keeps its state, which a waiter may be blocked on, and gives
    // it the new kind and initial state.
    int Create(int initialState, int manualReset);
    // 0 without a record, 1 when not created; otherwise closes and returns 1.
    int Close();
    int Set();
    void Reset();
    // 0 when signalled (an auto-reset event is consumed), 258 on time-out, -1 when not created.
    int Wait(unsigned int milliseconds);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace KX_SOFT_BASE
