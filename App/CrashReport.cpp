#include "App/CrashReport.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Base/FolderPath.h"
#include "Base/StreamConvert.h"
#include "Base/UserFolders.h"

namespace TarvexApp {

namespace {

// Filled once at install: the handler only reads them.
char g_path[PATH_MAX + 8];
char g_fallback[PATH_MAX + 8];
int g_entered = 0;
void (*g_probe)() = nullptr;
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Writing without stdio or allocation.
void Put(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(fd, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

void PutNumber(int fd, unsigned long long value, unsigned base) {
    char digits[32];
    int at = static_cast<int>(sizeof(digits)) - 1;
    digits[at] = '\0';
    do {
        digits[--at] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value && at > 0);
    if (base == 16) Put(fd, "0x");
    Put(fd, digits + at);
}

const char* SignalName(int signo) {
    switch (signo) {
        case SIGSEGV: return "SIGSEGV (invalid memory access)";
        case SIGBUS: return "SIGBUS (bus error)";
        case SIGFPE: return "SIGFPE (arithmetic error)";
        case SIGILL: return "SIGILL (illegal instruction)";
        case SIGABRT: return "SIGABRT (abort)";
        default: return "uncaught exception (std::terminate)";
    }
}

void CopyFile(int to, const char* path) {
    const int from = ::open(path, O_RDONLY | O_CLOEXEC);
    if (from < 0) return;
    char buffer[4096];
    for (ssize_t n; (n = ::read(from, buffer, sizeof(buffer))) > 0;) (void)::write(to, buffer, static_cast<std::size_t>(n));
    ::close(from);
}

[[noreturn]] void Report(int signo, const void* address) {
    // A crash while reporting one: give up at once.
    if (__atomic_add_fetch(&g_entered, 1, __ATOMIC_SEQ_CST) > 1) ::_exit(23);
    if (g_probe) g_probe();
    int fd = g_path[0] ? ::open(g_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (fd < 0 && g_fallback[0]) fd = ::open(g_fallback, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        Put(fd, "Tarvex Player crash report\nsignal: ");
        PutNumber(fd, static_cast<unsigned>(signo), 10);
        Put(fd, " ");
        Put(fd, SignalName(signo));
        Put(fd, "\naddress: ");
        PutNumber(fd, reinterpret_cast<unsigned long long>(address), 16);
        Put(fd, "\nprocess: ");
        PutNumber(fd, static_cast<unsigned long long>(::getpid()), 10);
        Put(fd, "\nthread: ");
        PutNumber(fd, static_cast<unsigned long long>(::syscall(SYS_gettid)), 10);
        Put(fd, "\nbacktrace:\n");
        void* frames[64];
        backtrace_symbols_fd(frames, backtrace(frames, 64), fd);
        Put(fd, "memory map (/proc/self/maps):\n");
        CopyFile(fd, "/proc/self/maps");
        ::fsync(fd);
        ::close(fd);
    }
    ::_exit(1);
}

void OnSignal(int signo, siginfo_t* info, void*) { Report(signo, info ? info->si_addr : nullptr); }

void OnTerminate() { Report(0, nullptr); }

void Copy(char* to, const std::string& from) {
    if (from.size() >= PATH_MAX) return;
    std::memcpy(to, from.c_str(), from.size() + 1);
}

}  // namespace

void InstallCrashReport() {
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n > 0) {
        exe[n] = '\0';
        const char* name = std::strrchr(exe, '/');
        // Where the user's files go: the handler cannot make a folder, so it is made now. An
        // installed program's folder is the system's: the report never goes there, even for root.
        const KX_SOFT_BASE::KXUserFolders folders = KX_SOFT_BASE::UserFolders();
        const std::string own = folders.reports + (name ? name + 1 : exe) + ".dmp";
        if (!folders.besideProgram) KX_SOFT_BASE::CreateFolderPath(KX_SOFT_BASE::Utf8ToWide(folders.reports));
        Copy(g_path, folders.besideProgram ? std::string(exe) + ".dmp" : own);
        Copy(g_fallback, own);
    }
    // backtrace() loads its unwinder on first use, which allocates: do that now, not in a handler.
    void* warm[4];
    backtrace(warm, 4);

    // Its own stack, so that a stack overflow can be reported too.
    static char alternate[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternate;
    stack.ss_size = sizeof(alternate);
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = &OnSignal;
    // SA_NODEFER: a fault inside the handler enters it again, which then ends the process with 23.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signo : kSignals) ::sigaction(signo, &action, nullptr);
    std::set_terminate(&OnTerminate);
}

std::string CrashReportPath() { return g_path; }
std::string CrashReportFallbackPath() { return g_fallback; }

void SetCrashReportProbe(void (*probe)()) { g_probe = probe; }

}  // namespace TarvexApp
