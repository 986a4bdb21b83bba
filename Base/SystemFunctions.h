#pragma once
// The handful of system calls the rest of the program needs, with paths in UTF-8.
#include <sys/stat.h>

#include <cstdint>

#include "Base/Thread.h"

namespace KX_SOFT_BASE {

void SleepMs(unsigned int milliseconds);
KXThreadId CurrentThreadId();

// Opening a folder or document in the desktop's default application is the toolkit's job (it
// knows the desktop); it installs the opener at start-up. Without one, nothing opens and 0 comes
// back.
using KXShellOpener = int (*)(const char* pathUtf8);
void SetShellOpener(KXShellOpener opener);
int OpenWithShell(const char* path);

// Nonzero when the file was removed.
int DeleteFileAt(const char* path);
// The bytes an unprivileged caller may still write below the folder; 0 when it cannot be asked.
int GetFreeDiskSpace(const char* directory, std::uint64_t* freeBytes);
// 0 when the path exists (status filled in), -1 otherwise.
int FileStat(const char* path, struct stat* status);
// Caps the heap's arenas at one per processor. glibc gives each new thread an arena of its own up
// to eight per processor, and a file closed leaves its threads' arenas fragmented: a day of many
// files, opened and closed in turn by its windows, grew by a fifth more than a day of two. The
// threads that share an arena are bound by the processors anyway. Called once at start-up.
void LimitHeapArenas();

}  // namespace KX_SOFT_BASE
