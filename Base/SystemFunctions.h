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
// Keeps a day of many files, opened and closed in turn by its windows, from growing the heap more
// than a day of two (it grew by a quarter):
// - the heap's arenas are capped at one per processor. glibc gives each new thread an arena of its
//   own up to eight per processor, and a file closed leaves its threads' arenas fragmented; the
//   threads that share an arena are bound by the processors anyway;
// - blocks from 128 KiB up (a decoder's state, its frame pools) are mapped on their own and go
//   back to the system when freed. glibc would raise that bar as such blocks are freed, and then
//   keep them in the arenas, where the next file's smaller blocks split them.
// Called once at start-up.
void LimitHeapGrowth();

}  // namespace KX_SOFT_BASE
