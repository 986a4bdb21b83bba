#pragma once
// The crash report: when the program dies of a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT) or an uncaught exception, a text report (signal, address, thread, backtrace, memory
// map) is written to the executable's path followed by ".dmp", or into the program folder when the
// executable's folder is not writable, and the process ends with exit code 1. A crash while the
// report is being written ends it with 23. Everything the handler does is async-signal-safe.
#include <string>

namespace TarvexApp {

void InstallCrashReport();
// Where the report goes first, and where when that fails (known once installed).
std::string CrashReportPath();
std::string CrashReportFallbackPath();

// Tests only: runs inside the handler before the report is written (a crash there is nested).
void SetCrashReportProbe(void (*probe)());

}  // namespace TarvexApp
