#include "Base/SignalStack.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace KX_SOFT_BASE {

namespace {

// Enough for the crash report's handler (it writes with a few small buffers), with a guard page
// below it so that an overflow of the handler itself faults instead of writing over memory.
constexpr std::size_t kStackBytes = 64 * 1024;

}  // namespace

CKXSignalStack::CKXSignalStack() {
    stack_t current{};
    if (::sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE)) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t size = kStackBytes + page;
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) return;
    ::mprotect(memory, page, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(memory) + page;
    stack.ss_size = kStackBytes;
    if (::sigaltstack(&stack, nullptr) != 0) {
        ::munmap(memory, size);
        return;
    }
    m_memory = memory;
    m_size = size;
}

CKXSignalStack::~CKXSignalStack() {
    if (!m_memory) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    ::sigaltstack(&off, nullptr);
    ::munmap(m_memory, m_size);
}

}  // namespace KX_SOFT_BASE
