#pragma once
// Builds the process's message loops in start-up order: ML_MAIN on the calling (UI) thread, then
// the helper, play and export workers, each started and registered before the next.
#include <boost/shared_ptr.hpp>

#include <vector>

#include "Base/LoopThread.h"
#include "Base/MessageLoop.h"

namespace TarvexApp {

struct StartupLoops {
    boost::shared_ptr<TarvexBase::CKXMessageLoop> mainLoop;
    // Start-up's own references; the threads keep themselves alive after these are dropped.
    std::vector<boost::shared_ptr<TarvexBase::CKXThreadEx_Qt>> workers;
};

StartupLoops CreateStartupLoops(int mainControlType);

}  // namespace TarvexApp
