#pragma once
// The optional task log: when a task was posted, how long it waited, how long it ran, when it
// died. Off at start-up; a diagnostic switch (the TARVEX_TASK_LOG variable read at start-up, or a
// test) turns it on. Lines go to stderr, one write per line, unless a test installs its own sink.
#include <cstddef>

namespace TarvexBase {

class CTaskBase;

void SetTaskLogSwitch(int on);
int GetTaskLogSwitch();
void SetTaskLogLevel(int level);
int GetTaskLogLevel();

using TaskLogWriter = void (*)(const char* line, std::size_t length);
// Null restores the stderr writer.
void SetTaskLogWriter(TaskLogWriter writer);

// The four lines. Each is formatted into a zero-filled buffer (512 bytes, the post line 256) and
// what does not fit is cut; the writer is handed the bytes up to the first NUL.
void WritePostLine(const CTaskBase* task);
void WriteCostLine(const CTaskBase* task, const char* what, double milliseconds);
void WriteDestroyLine(const CTaskBase* task);

}  // namespace TarvexBase
