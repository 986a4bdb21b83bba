#include "Base/MessageLoop.h"

#include <boost/make_shared.hpp>

#include "Base/LoopIds.h"
#include "Base/MessageControlDefault.h"

namespace TarvexBase {

namespace {

class CKXMessageControl_Inert : public CKXMessageControl {
public:
    using CKXMessageControl::CKXMessageControl;
    void Run() override {}
    void ScheduleWork() override {}
    void Quit() override {}
};

std::atomic<MessageControlFactory> g_uiControlFactory{nullptr};

}  // namespace

CKXMessageLoop::CKXMessageLoop() = default;
CKXMessageLoop::~CKXMessageLoop() = default;

int CKXMessageLoop::DoWork() { return m_taskQueue.RunOneTask(); }

int CKXMessageLoop::IsIdle() { return m_taskQueue.IsIncomingEmpty() ? 1 : 0; }

void SetUIThreadControlFactory(MessageControlFactory factory) { g_uiControlFactory.store(factory); }

boost::shared_ptr<CKXMessageLoop> CreateMessageLoop(int controlType) {
    boost::shared_ptr<CKXMessageLoop> loop = boost::make_shared<CKXMessageLoop>();
    const boost::weak_ptr<CKXMessageControl::CDelegate> delegate = loop;
    boost::shared_ptr<CKXMessageControl> control;
    if (controlType == MC_WORKER) {
        control = boost::make_shared<CKXMessageControl_Default>(delegate);
    } else if (controlType == MC_UI_THREAD) {
        const MessageControlFactory factory = g_uiControlFactory.load();
        control = factory ? factory(delegate) : boost::make_shared<CKXMessageControl_Inert>(delegate);
    }
    loop->SetControl(control);
    return loop;
}

}  // namespace TarvexBase
