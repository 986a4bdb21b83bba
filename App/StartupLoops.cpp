#include "App/StartupLoops.h"

#include "Base/LoopIds.h"
#include "Base/MessageLoopManager.h"
#include "Base/SystemFunctions.h"

namespace TarvexApp {

using namespace TarvexBase;

StartupLoops CreateStartupLoops(int mainControlType) {
    StartupLoops loops;
    const auto& manager = CKXMessageLoopManager::GetInstance();

    loops.mainLoop = CreateMessageLoop(mainControlType);
    loops.mainLoop->SetThreadId(KX_SOFT_BASE::CurrentThreadId());
    manager->RegisterMessageLoop(loops.mainLoop, ML_MAIN);

    for (int id : {ML_HELPER, ML_PLAY, ML_EXPORT}) {
        boost::shared_ptr<CKXThreadEx_Qt> worker = CreateLoopThread(MC_WORKER);
        worker->Start();
        manager->RegisterMessageLoop(worker->GetLoop(), id);
        loops.workers.push_back(worker);
    }
    return loops;
}

}  // namespace TarvexApp
