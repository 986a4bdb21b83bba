// A program that installs the crash report and then dies the way its argument says: segv, abort,
// throw, nested (the report's handler itself crashes), overflow (a worker thread of the
// framework's runs out of stack). Run by the crash report's tests.
#include <cstring>
#include <stdexcept>

#include "App/CrashReport.h"
#include "Base/SystemFunctions.h"
#include "Base/Thread.h"

namespace {
volatile int* g_nowhere = nullptr;
void CrashAgain() { *g_nowhere = 2; }

// Recurses until the stack runs out; the volatile buffer keeps each frame from being optimised.
int Overflow(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return Overflow(depth + 1) + frame[0];
}
unsigned long OverflowThread(void*) { return static_cast<unsigned long>(Overflow(0)); }
}  // namespace

int main(int argc, char** argv) {
    TarvexApp::InstallCrashReport();
    const char* how = argc > 1 ? argv[1] : "";
    if (std::strcmp(how, "nested") == 0) TarvexApp::SetCrashReportProbe(&CrashAgain);
    if (std::strcmp(how, "abort") == 0) std::abort();
    if (std::strcmp(how, "throw") == 0) throw std::runtime_error("nobody catches this");
    if (std::strcmp(how, "none") == 0) return 0;
    if (std::strcmp(how, "overflow") == 0) {
        KX_SOFT_BASE::CKXThread worker;
        worker.Create(256 * 1024, &OverflowThread, nullptr);
        for (;;) KX_SOFT_BASE::SleepMs(1000);
    }
    *g_nowhere = 1;
    return 0;
}
