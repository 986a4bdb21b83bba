#pragma once
// The UI thread's loop control. The UI thread runs the toolkit's event loop and cannot wait on a
// queue of its own, so a task posted to its loop becomes an event for a hidden object on that
// thread; handling the event runs at most one task and posts the event again while tasks wait,
// so input, paint and timer events run between tasks and a burst of posts never freezes the
// window.
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <memory>

#include "Base/MessageControl.h"

class QObject;

namespace TarvexBase {

class CKXMessageControl_MFC : public CKXMessageControl {
public:
    // On the UI thread, with the toolkit's application object in place.
    explicit CKXMessageControl_MFC(const boost::weak_ptr<CDelegate>& delegate);
    ~CKXMessageControl_MFC() override;

    void Run() override;  // one task, from the event; posts again while more wait
    void ScheduleWork() override;  // any thread
    void Quit() override {}  // the toolkit's event loop ends with the main window

    struct Alive;

private:
    std::shared_ptr<Alive> m_alive;  // what a queued event holds: a control that is gone does nothing
    QObject* m_target = nullptr;
};

// Makes type-0 loops (the UI thread's) use this control from now on.
void InstallUIThreadControl();

}  // namespace TarvexBase
