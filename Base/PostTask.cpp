#include "Base/PostTask.h"

#include "Base/MessageLoopManager.h"

namespace TarvexBase {

void DeliverTask(int loopId, const CPostSite& site, const boost::shared_ptr<CKXTask>& task) {
    SetTaskInfo(loopId, site.file, task.get(), site.line, site.boundName, site.caller,
                site.logLevel);
    const boost::shared_ptr<CKXMessageLoop> loop =
        CKXMessageLoopManager::GetInstance()->GetMessageLoop(loopId);
    if (!loop) return;
    loop->GetTaskQueue().PushTask(task);
    if (const auto& control = loop->GetControl()) control->ScheduleWork();
}

void PostFunction(int loopId, const CPostSite& site, boost::function<void()> function) {
    DeliverTask(loopId, site,
                boost::make_shared<CKXConcreteTask<int>>(std::move(function), boost::shared_ptr<int>()));
}

}  // namespace TarvexBase
