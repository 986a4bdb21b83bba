#pragma once
// Timers on the UI thread: a record the owner keeps, and one process-wide registry from timer id
// to record. A timer fires from the UI thread's event loop; an id that has been killed is not in
// the registry any more and its late firing is ignored. Start, kill and firing all happen on the
// UI thread, so the registry needs no lock.
#include <cstdint>

struct CKXTimer {
    void (*handler)(std::uintptr_t id, void* context) = nullptr;
    void* context = nullptr;
    std::uintptr_t id = 0;  // 0 when not running
};

namespace TarvexBase {

// Starts `timer` firing every `periodMs`; its id is set. The record must outlive the timer's run:
// its owner kills it first (destroying the record does not).
void StartUITimer(CKXTimer* timer, unsigned int periodMs);
void KillUITimer(CKXTimer* timer);
// What a firing does: calls the handler of the timer with this id, when there is one.
void DispatchUITimer(std::uintptr_t id);

}  // namespace TarvexBase
