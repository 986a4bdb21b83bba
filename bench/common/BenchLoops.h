#pragma once
// The loops a benchmark runs on, as the program has them: ML_MAIN on this thread, driven by the
// toolkit's event loop (a Qt application must exist), and one worker loop under the given id.
// Both are unregistered, and the worker ended, when this goes.
#include <boost/shared_ptr.hpp>

#include "Base/LoopThread.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/SystemFunctions.h"
#include "Toolkit/MessageControlQt.h"
#include "Toolkit/UITimer.h"

namespace TarvexBench {

class BenchLoops {
public:
    explicit BenchLoops(int workerId) : m_workerId(workerId) {
        TarvexBase::InstallUIThreadControl();
        TarvexBase::InstallUITimerSource();
        const auto& loops = TarvexBase::CKXMessageLoopManager::GetInstance();
        m_ui = TarvexBase::CreateMessageLoop(TarvexBase::MC_UI_THREAD);
        m_ui->SetThreadId(KX_SOFT_BASE::CurrentThreadId());
        loops->RegisterMessageLoop(m_ui, TarvexBase::ML_MAIN);
        m_worker = TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER);
        m_worker->Start();
        loops->RegisterMessageLoop(m_worker->GetLoop(), workerId);
    }
    ~BenchLoops() {
        const auto& loops = TarvexBase::CKXMessageLoopManager::GetInstance();
        loops->RegisterMessageLoop({}, m_workerId);
        m_worker->GetLoop()->GetControl()->Quit();
        loops->RegisterMessageLoop({}, TarvexBase::ML_MAIN);
    }
    BenchLoops(const BenchLoops&) = delete;
    BenchLoops& operator=(const BenchLoops&) = delete;

private:
    int m_workerId;
    boost::shared_ptr<TarvexBase::CKXMessageLoop> m_ui;
    boost::shared_ptr<TarvexBase::CKXThreadEx_Qt> m_worker;
};

}  // namespace TarvexBench
