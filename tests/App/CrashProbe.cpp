// A program that installs the crash report and then dies the way its argument says: segv, abort,
// throw, nested (the report's handler itself crashes). Run by the crash report's tests.
#include <cstring>
#include <stdexcept>

#include "App/CrashReport.h"

namespace {
volatile int* g_nowhere = nullptr;
void CrashAgain() { *g_nowhere = 2; }
}  // namespace

int main(int argc, char** argv) {
    TarvexApp::InstallCrashReport();
    const char* how = argc > 1 ? argv[1] : "";
    if (std::strcmp(how, "nested") == 0) TarvexApp::SetCrashReportProbe(&CrashAgain);
    if (std::strcmp(how, "abort") == 0) std::abort();
    if (std::strcmp(how, "throw") == 0) throw std::runtime_error("nobody catches this");
    if (std::strcmp(how, "none") == 0) return 0;
    *g_nowhere = 1;
    return 0;
}
