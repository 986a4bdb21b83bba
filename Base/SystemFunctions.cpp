#include "Base/SystemFunctions.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace KX_SOFT_BASE {

namespace {
std::atomic<KXShellOpener> g_shellOpener{nullptr};
}

void SleepMs(unsigned int milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

KXThreadId CurrentThreadId() { return static_cast<KXThreadId>(pthread_self()); }

void SetShellOpener(KXShellOpener opener) { g_shellOpener.store(opener); }

int OpenWithShell(const char* path) {
    const KXShellOpener opener = g_shellOpener.load();
    if (!opener || !path) return 0;
    return opener(path) ? 1 : 0;
}

int DeleteFileAt(const char* path) { return path && ::unlink(path) == 0 ? 1 : 0; }

int GetFreeDiskSpace(const char* directory, std::uint64_t* freeBytes) {
    if (!directory) return 0;
    struct statvfs fs;
    if (::statvfs(directory, &fs) != 0) return 0;
    if (freeBytes)
        *freeBytes = static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_frsize);
    return 1;
}

int FileStat(const char* path, struct stat* status) {
    struct stat local;
    if (!path) return -1;
    return ::stat(path, status ? status : &local) == 0 ? 0 : -1;
}

void LimitHeapGrowth() {
#ifdef __GLIBC__
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    mallopt(M_ARENA_MAX, static_cast<int>(processors < 2 ? 2 : processors));
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

}  // namespace KX_SOFT_BASE
