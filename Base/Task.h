#pragma once
// A task is one bound call of a member function on a target object: made on the posting thread,
// queued in a loop's task queue, run later on that loop's thread. The task co-owns its target,
// so the target outlives every task posted to it.
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <string>
#include <utility>

#include "Base/PerformanceCounter.h"

namespace TarvexBase {

class CTaskBase {
public:
    CTaskBase();
    virtual ~CTaskBase();
    CTaskBase(const CTaskBase&) = delete;
    CTaskBase& operator=(const CTaskBase&) = delete;

    const std::string& GetFile() const { return m_file; }
    int GetLine() const { return m_line; }
    const std::string& GetBoundName() const { return m_boundName; }
    const std::string& GetCallerName() const { return m_callerName; }
    int GetLoopId() const { return m_loopId; }
    std::int64_t GetCreationTime() const { return m_creationTime; }
    int GetLogLevel() const { return m_logLevel; }

private:
    friend void SetTaskInfo(int, const char*, CTaskBase*, int, const char*, const char*, int);

    std::string m_file;
    int m_line = 0;
    std::string m_boundName;
    std::string m_callerName;
    int m_loopId = 0;
    std::int64_t m_creationTime = 0;
    int m_logLevel = 1;
};

class CKXTask : public CTaskBase {
public:
    ~CKXTask() override;  // writes the "Destroy" line
    virtual int Run() = 0;

protected:
    // Writes the "Queue Cost" and "Execute Cost" lines of a run that started at `start`.
    void LogRunCosts(std::int64_t start) const;
};

// T is the target's type; T = int serves tasks made from a callable alone (no target).
template <class T>
class CKXConcreteTask : public CKXTask {
public:
    CKXConcreteTask(boost::function<void()> callable, boost::shared_ptr<T> target)
        : m_target(std::move(target)), m_callable(std::move(callable)) {}

    int Run() override;

private:
    boost::shared_ptr<T> m_target;
    boost::function<void()> m_callable;  // declared last: released before the target
};

// Records the posting site in the task and writes the post line. While the log is off nothing is
// copied into the task. `caller` may be a full signature (__PRETTY_FUNCTION__): it is kept as
// "Class::Function".
void SetTaskInfo(int loopId, const char* file, CTaskBase* task, int line, const char* boundName,
                 const char* caller, int logLevel);

// "void CMainFrameEventImp::Dlg_Close(int)" -> "CMainFrameEventImp::Dlg_Close"; a plain name is
// returned as it is.
std::string CallerNameFromSignature(const char* signature);

template <class T>
int CKXConcreteTask<T>::Run() {
    const std::int64_t start = PerformanceCounter();
    if (m_callable) m_callable();
    LogRunCosts(start);
    return 1;
}

}  // namespace TarvexBase
