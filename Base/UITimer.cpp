#include "Base/UITimer.h"

#include <atomic>
#include <map>

#include "Base/SystemFunctions.h"

namespace TarvexBase {

namespace {

// Ids start at 1 and are never reused, so a late firing of a killed timer cannot reach another.
std::map<std::uintptr_t, CKXTimer*>& Registry() {
    static auto* registry = new std::map<std::uintptr_t, CKXTimer*>();  // lives to the process's end
    return *registry;
}
std::uintptr_t g_nextId = 1;
UITimerSource g_source;
std::atomic<KX_SOFT_BASE::KXThreadId> g_uiThread{0};

}  // namespace

void SetUITimerSource(const UITimerSource& source) {
    g_source = source;
    g_uiThread = source.start ? KX_SOFT_BASE::CurrentThreadId() : 0;
}

bool OnUITimerThread() {
    const KX_SOFT_BASE::KXThreadId ui = g_uiThread;
    return !ui || ui == KX_SOFT_BASE::CurrentThreadId();
}

int StartUITimer(CKXTimer* timer, unsigned int periodMs) {
    // The registry and the toolkit's timers belong to the UI thread; a start elsewhere would race
    // them and never fire.
    if (!timer || !OnUITimerThread()) return 0;
    if (timer->id) KillUITimer(timer);
    const std::uintptr_t id = g_nextId++;
    timer->id = id;
    Registry()[id] = timer;
    if (g_source.start) g_source.start(id, periodMs);
    return 1;
}

void KillUITimer(CKXTimer* timer) {
    if (!timer || !timer->id || !OnUITimerThread()) return;
    if (g_source.stop) g_source.stop(timer->id);
    Registry().erase(timer->id);
    timer->id = 0;
}

void DispatchUITimer(std::uintptr_t id) {
    auto it = Registry().find(id);
    if (it == Registry().end()) return;
    CKXTimer* timer = it->second;
    if (timer->handler) timer->handler(id, timer->context);
}

}  // namespace TarvexBase
