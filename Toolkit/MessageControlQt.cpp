#include "Toolkit/MessageControlQt.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <boost/make_shared.hpp>

#include <atomic>
#include <mutex>

#include "Base/MessageLoop.h"

// The toolkit's event queue hands an event from the posting thread to the UI thread under its
// own lock, which ThreadSanitizer cannot see (the toolkit is not built with it): say so.
#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define TARVEX_HANDED_OVER(p) __tsan_release(p)
#define TARVEX_TAKEN_OVER(p) __tsan_acquire(p)
#else
#define TARVEX_HANDED_OVER(p)
#define TARVEX_TAKEN_OVER(p)
#endif

namespace TarvexBase {

namespace {

// The event number of a posted task (a plain number in the toolkit's user range).
constexpr QEvent::Type kTaskEvent = static_cast<QEvent::Type>(8888);

}  // namespace

// The control as a queued event sees it: it may be destroyed before the event is handled.
struct CKXMessageControl_MFC::Alive {
    std::mutex mutex;
    CKXMessageControl_MFC* control = nullptr;
    // One task event waits in the toolkit's queue at a time. The toolkit handles, in one pass, the
    // events that were queued when the pass began; an event per posted task would run a whole
    // burst in one pass with no input between. One at a time, each pass runs one task.
    std::atomic<bool> pending{false};
    // UI thread only. How many of this loop's tasks are running, one inside the other: above 0
    // while a task runs a nested event loop (a modal dialog, a file dialog, a drag).
    int running = 0;
    // A task began since a pass last found the batch done and nothing posted: tasks may wait
    // behind it.
    bool mayHaveWork = false;
};

namespace {

class CTaskEvent : public QEvent {
public:
    explicit CTaskEvent(std::weak_ptr<CKXMessageControl_MFC::Alive> alive) : QEvent(kTaskEvent), alive(std::move(alive)) {}
    std::weak_ptr<CKXMessageControl_MFC::Alive> alive;
};

// The hidden object on the UI thread that receives the task events.
class CTaskTarget : public QObject {
public:
    bool event(QEvent* e) override {
        TARVEX_TAKEN_OVER(e);
        if (e->type() != kTaskEvent) return QObject::event(e);
        // Only the UI thread destroys the control, so it cannot go while its Run runs here.
        if (auto alive = static_cast<CTaskEvent*>(e)->alive.lock()) {
            alive->pending = false;  // a post from now on needs an event of its own
            CKXMessageControl_MFC* control;
            {
                std::lock_guard<std::mutex> lock(alive->mutex);
                control = alive->control;
            }
            if (control) control->Run();
        }
        return true;
    }
};

}  // namespace

CKXMessageControl_MFC::CKXMessageControl_MFC(const boost::weak_ptr<CDelegate>& delegate)
    : CKXMessageControl(delegate), m_alive(std::make_shared<Alive>()), m_target(new CTaskTarget) {
    m_alive->control = this;
    // A task that runs a nested event loop holds the event that ran it: the tasks behind it in
    // its batch would wait for the next post. When the nested loop runs out of events, wake them.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_target, [this] {
            if (m_alive->running > 0 && m_alive->mayHaveWork) ScheduleWork();
        });
    }
}

CKXMessageControl_MFC::~CKXMessageControl_MFC() {
    {
        std::lock_guard<std::mutex> lock(m_alive->mutex);
        m_alive->control = nullptr;
    }
    delete m_target;  // its queued events go with it
}

void CKXMessageControl_MFC::Run() {
    boost::shared_ptr<CDelegate> delegate = m_delegate.lock();
    if (!delegate) return;
    m_alive->mayHaveWork = true;
    ++m_alive->running;
    const int more = delegate->DoWork();
    --m_alive->running;
    // Again while the batch has more, or while tasks posted during it (whose posts found this
    // event already queued) wait for the next batch.
    if (more || !delegate->IsIdle())
        ScheduleWork();
    else
        m_alive->mayHaveWork = false;
}

void CKXMessageControl_MFC::ScheduleWork() {
    if (m_alive->pending.exchange(true)) return;
    auto* e = new CTaskEvent(m_alive);
    TARVEX_HANDED_OVER(e);
    QCoreApplication::postEvent(m_target, e);
}

namespace {

boost::shared_ptr<CKXMessageControl> MakeUIThreadControl(const boost::weak_ptr<CKXMessageControl::CDelegate>& loop) {
    return boost::make_shared<CKXMessageControl_MFC>(loop);
}

}  // namespace

void InstallUIThreadControl() { SetUIThreadControlFactory(&MakeUIThreadControl); }

}  // namespace TarvexBase
