#pragma once
// Timers on the UI thread: a record the owner keeps, and one process-wide registry from timer id
// to record. A timer fires from the UI thread's event loop; an id that has been killed is not in
// the registry any more and its late firing is ignored. Start, kill and firing all happen on the
// UI thread, so the registry needs no lock.
//
// What makes a timer fire lives with the UI toolkit, which installs its source when it starts, so
// this layer and the play core need no toolkit. Until a source is installed a started timer gets
// its id and never fires.
#include <cstdint>

struct CKXTimer {
    void (*handler)(std::uintptr_t id, void* context) = nullptr;
    void* context = nullptr;
    std::uintptr_t id = 0;  // 0 when not running
};

namespace TarvexBase {

// Starts `timer` firing every `periodMs`; its id is set; nonzero when started. The record must
// outlive the timer's run: its owner kills it first (destroying the record does not).
// Only the UI thread (the one that installed the source) starts and kills timers: a start on any
// other thread is refused (0, the id stays 0), and a kill there does nothing. A caller on another
// thread posts its start or kill to ML_MAIN, with a record that lives until that task has run.
int StartUITimer(CKXTimer* timer, unsigned int periodMs);
void KillUITimer(CKXTimer* timer);
// What a firing does: calls the handler of the timer with this id, when there is one.
void DispatchUITimer(std::uintptr_t id);

// The toolkit's periodic source: `start` makes id fire (DispatchUITimer) every period until
// `stop` is called with it. The thread that installs it is the UI thread from then on.
struct UITimerSource {
    void (*start)(std::uintptr_t id, unsigned int periodMs) = nullptr;
    void (*stop)(std::uintptr_t id) = nullptr;
};
void SetUITimerSource(const UITimerSource& source);
// True on the thread that installed the source (and anywhere while none is installed).
bool OnUITimerThread();

}  // namespace TarvexBase
