#include "Base/Task.h"

#include <cstring>

#include "Base/PerformanceCounter.h"
#include "Base/TaskLog.h"

namespace TarvexBase {

CTaskBase::CTaskBase() : m_creationTime(PerformanceCounter()) {}
CTaskBase::~CTaskBase() = default;

CKXTask::~CKXTask() {
    const int level = GetTaskLogLevel();
    if (GetTaskLogSwitch() && level >= 2 && level >= GetLogLevel()) WriteDestroyLine(this);
}

void CKXTask::LogRunCosts(std::int64_t start) const {
    const int level = GetTaskLogLevel();
    if (!GetTaskLogSwitch() || level < GetLogLevel()) return;
    const std::int64_t end = PerformanceCounter();
    static const double ticksPerMs = static_cast<double>(PerformanceFrequency()) / 1000.0;
    if (level > 1) WriteCostLine(this, "Queue Cost", (start - GetCreationTime()) / ticksPerMs);
    if (level > 0) WriteCostLine(this, "Execute Cost", (end - start) / ticksPerMs);
}

void SetTaskInfo(int loopId, const char* file, CTaskBase* task, int line, const char* boundName,
                 const char* caller, int logLevel) {
    if (!task || !GetTaskLogSwitch()) return;
    task->m_loopId = loopId;
    task->m_file = file ? file : "";
    task->m_line = line;
    task->m_boundName = boundName ? boundName : "";
    task->m_callerName = CallerNameFromSignature(caller);
    task->m_logLevel = logLevel;
    const int level = GetTaskLogLevel();
    if (level > 0 && level >= logLevel) WritePostLine(task);
}

std::string CallerNameFromSignature(const char* signature) {
    if (!signature) return std::string();
    const std::string s(signature);
    // The parameter list opens at the first '(' outside template brackets.
    std::size_t open = std::string::npos;
    int depth = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '<') ++depth;
        else if (s[i] == '>' && depth > 0) --depth;
        else if (s[i] == '(' && depth == 0) { open = i; break; }
    }
    if (open == std::string::npos) return s;
    // The qualified name runs back from there to the blank after the return type.
    std::size_t begin = open;
    depth = 0;
    while (begin > 0) {
        const char c = s[begin - 1];
        if (c == '>') ++depth;
        else if (c == '<') --depth;
        else if (c == ' ' && depth == 0) break;
        --begin;
    }
    return s.substr(begin, open - begin);
}

}  // namespace TarvexBase
