#include "Base/UITimer.h"

#include <map>

namespace TarvexBase {

namespace {

// Ids start at 1 and are never reused, so a late firing of a killed timer cannot reach another.
std::map<std::uintptr_t, CKXTimer*>& Registry() {
    static auto* registry = new std::map<std::uintptr_t, CKXTimer*>();  // lives to the process's end
    return *registry;
}
std::uintptr_t g_nextId = 1;
UITimerSource g_source;

}  // namespace

void SetUITimerSource(const UITimerSource& source) { g_source = source; }

void StartUITimer(CKXTimer* timer, unsigned int periodMs) {
    if (!timer) return;
    if (timer->id) KillUITimer(timer);
    const std::uintptr_t id = g_nextId++;
    timer->id = id;
    Registry()[id] = timer;
    if (g_source.start) g_source.start(id, periodMs);
}

void KillUITimer(CKXTimer* timer) {
    if (!timer || !timer->id) return;
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
