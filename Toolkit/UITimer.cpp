#include "Toolkit/UITimer.h"

#include <QTimer>

#include <map>
#include <memory>

#include "Base/UITimer.h"

namespace TarvexBase {

namespace {

std::map<std::uintptr_t, std::unique_ptr<QTimer>>& Timers() {
    static auto* timers = new std::map<std::uintptr_t, std::unique_ptr<QTimer>>();  // to the process's end
    return *timers;
}

void StartQtTimer(std::uintptr_t id, unsigned int periodMs) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(static_cast<int>(periodMs));
    QObject::connect(timer.get(), &QTimer::timeout, [id] { DispatchUITimer(id); });
    timer->start();
    Timers()[id] = std::move(timer);
}

void StopQtTimer(std::uintptr_t id) { Timers().erase(id); }

}  // namespace

void InstallUITimerSource() {
    UITimerSource source;
    source.start = &StartQtTimer;
    source.stop = &StopQtTimer;
    SetUITimerSource(source);
}

}  // namespace TarvexBase
