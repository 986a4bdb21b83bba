#pragma once
// A stack of its own for the signal handlers of the calling thread, for as long as the object
// lives. The crash report runs its handler on the alternate stack, which exists per thread: a
// thread without one that overflows its stack dies without a report. Every thread the framework
// and the engine start makes one first.
#include <cstddef>

namespace KX_SOFT_BASE {

class CKXSignalStack {
public:
    CKXSignalStack();
    ~CKXSignalStack();
    CKXSignalStack(const CKXSignalStack&) = delete;
    CKXSignalStack& operator=(const CKXSignalStack&) = delete;

private:
    void* m_memory = nullptr;  // null when the thread had a stack already, or none could be made
    std::size_t m_size = 0;
};

}  // namespace KX_SOFT_BASE
