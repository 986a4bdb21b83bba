#include "Base/TaskLog.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "Base/LoopIds.h"
#include "Base/Task.h"

namespace TarvexBase {

namespace {

std::atomic<int> g_switch{0};
std::atomic<int> g_level{0};

void WriteToStderr(const char* line, std::size_t length) {
    // One write per line keeps lines from different threads whole; a line cut short by its buffer
    // still ends the line on the terminal.
    std::string text(line, length);
    if (text.empty() || text.back() != '\n') text += '\n';
    ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
}

std::atomic<TaskLogWriter> g_writer{&WriteToStderr};

// The two 15-character columns sit in full-width lenticular brackets (their code-page-936 bytes).
#define KX_TASK_LOG_HEAD "[TaskInfo--%p]--|\xA1\xBE%-15.15s\xA1\xBF|\xA1\xBE%-15.15s\xA1\xBF|%13.13s|"

template <std::size_t N, typename... Args>
void Emit(const char* format, Args... args) {
    char buffer[N];
    std::memset(buffer, 0, sizeof buffer);
    std::snprintf(buffer, sizeof buffer, format, args...);
    g_writer.load()(buffer, std::strlen(buffer));
}

}  // namespace

void SetTaskLogSwitch(int on) { g_switch.store(on); }
int GetTaskLogSwitch() { return g_switch.load(std::memory_order_relaxed); }
void SetTaskLogLevel(int level) { g_level.store(level); }
int GetTaskLogLevel() { return g_level.load(std::memory_order_relaxed); }

void SetTaskLogWriter(TaskLogWriter writer) { g_writer.store(writer ? writer : &WriteToStderr); }

void WritePostLine(const CTaskBase* task) {
    Emit<256>(KX_TASK_LOG_HEAD "<%s> called by <%s> at file %s, line %d.\n",
              static_cast<const void*>(task), GetLoopName(task->GetLoopId()), "PostMessage", "",
              task->GetBoundName().c_str(), task->GetCallerName().c_str(),
              task->GetFile().c_str(), task->GetLine());
}

void WriteCostLine(const CTaskBase* task, const char* what, double milliseconds) {
    char cost[64];
    // The log's historic format: the '0' flag does nothing beside '-', but readers of old logs
    // know the column by it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
    std::snprintf(cost, sizeof cost, "%-0.2f ms", milliseconds);
#pragma GCC diagnostic pop
    Emit<512>(KX_TASK_LOG_HEAD "<%s>.\n", static_cast<const void*>(task),
              GetLoopName(task->GetLoopId()), what, cost, task->GetBoundName().c_str());
}

void WriteDestroyLine(const CTaskBase* task) {
    Emit<512>(KX_TASK_LOG_HEAD "<%s>.\n", static_cast<const void*>(task),
              GetLoopName(task->GetLoopId()), "Destroy", "", task->GetBoundName().c_str());
}

}  // namespace TarvexBase
