#include "Toolkit/UITimer.h"

#include <QTimer>

#include <map>
#include <memory>

namespace TarvexBase {

namespace {

struct Entry {
    CKXTimer* timer = nullptr;
    std::unique_ptr<QTimer> qt;
};

// Ids start at 1 and are never reused, so a late firing of a killed timer cannot reach another.
std::map<std::uintptr_t, Entry>& Registry() {
    static auto* registry = new std::map<std::uintptr_t, Entry>();  // lives to the process's end
    return *registry;
}
std::uintptr_t g_nextId = 1;

}  // namespace

void StartUITimer(CKXTimer* timer, unsigned int periodMs) {
    if (!timer) return;
    if (timer->id) KillUITimer(timer);
    const std::uintptr_t id = g_nextId++;
    Entry entry;
    entry.timer = timer;
    entry.qt = std::make_unique<QTimer>();
    entry.qt->setInterval(static_cast<int>(periodMs));
    QObject::connect(entry.qt.get(), &QTimer::timeout, [id] { DispatchUITimer(id); });
    entry.qt->start();
    timer->id = id;
    Registry()[id] = std::move(entry);
}

void KillUITimer(CKXTimer* timer) {
    if (!timer || !timer->id) return;
    Registry().erase(timer->id);
    timer->id = 0;
}

void DispatchUITimer(std::uintptr_t id) {
    auto it = Registry().find(id);
    if (it == Registry().end()) return;
    CKXTimer* timer = it->second.timer;
    if (timer->handler) timer->handler(id, timer->context);
}

}  // namespace TarvexBase
