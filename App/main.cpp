// The player's entry. The UI toolkit and the main window are not part of the program yet, so for
// now the entry starts the message loops, sends one task from the UI thread to each worker loop
// and waits for each reply on ML_MAIN, then says what it did and exits.
#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "App/StartupLoops.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/ProgramPath.h"
#include "Base/TaskLog.h"

namespace {

using namespace TarvexBase;

// Asks each worker loop for its thread and counts the replies on ML_MAIN; the last reply ends
// the main loop.
class CLoopRoundTrip : public boost::enable_shared_from_this<CLoopRoundTrip> {
public:
    explicit CLoopRoundTrip(const boost::shared_ptr<CKXMessageLoop>& mainLoop) : m_mainLoop(mainLoop) {}

    void Begin() {
        for (int id : {ML_HELPER, ML_PLAY, ML_EXPORT})
            KX_POST_TASK(id, this, &CLoopRoundTrip::Task_Ping, id);
    }

    void Task_Ping(int loopId) { KX_POST_TASK(ML_MAIN, this, &CLoopRoundTrip::Task_Ping_Ret, loopId); }

    void Task_Ping_Ret(int loopId) {
        m_answered += GetLoopName(loopId);
        m_answered += ' ';
        if (++m_replies == 3) m_mainLoop->GetControl()->Quit();
    }

    const std::string& Answered() const { return m_answered; }

private:
    boost::shared_ptr<CKXMessageLoop> m_mainLoop;
    std::string m_answered;
    int m_replies = 0;
};

// TARVEX_TASK_LOG=<level> switches the task log on for diagnosis; it is off otherwise.
void ConfigureTaskLog() {
    const char* level = std::getenv("TARVEX_TASK_LOG");
    const int n = level ? std::atoi(level) : 0;
    SetTaskLogSwitch(n > 0 ? 1 : 0);
    SetTaskLogLevel(n > 0 ? n : 0);
}

}  // namespace

int main(int argc, char** argv) {
    ConfigureTaskLog();
    // Until the toolkit supplies the UI thread's pump, the main thread runs ML_MAIN with the
    // worker control, which blocks between tasks.
    TarvexApp::StartupLoops loops = TarvexApp::CreateStartupLoops(MC_WORKER);

    auto roundTrip = boost::make_shared<CLoopRoundTrip>(loops.mainLoop);
    roundTrip->Begin();
    loops.mainLoop->GetControl()->Run();

    std::printf("Tarvex Player: message loops up, replies on ML_MAIN from %s(program folder %s%s%s); "
                "the main window comes with the UI toolkit, so the program exits here.\n",
                roundTrip->Answered().c_str(), KX_SOFT_BASE::GetProgramDirectoryUtf8().c_str(),
                argc > 1 ? ", path given: " : "", argc > 1 ? argv[1] : "");
    return 0;
}
