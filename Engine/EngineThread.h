#pragma once
// A thread of the engine's. Stopping it asks its body to end and waits a bounded time: a body
// still inside a listener call after that (a listener may block, that is its right) is left to
// finish on its own. The body must therefore own, through shared pointers, everything it touches
// after a listener call returns, and must check `stop` before calling the listener again.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace MOVRA {

class CEngineThread {
public:
    using Body = std::function<void(const std::atomic<bool>& stop)>;

    CEngineThread() = default;
    ~CEngineThread();
    CEngineThread(const CEngineThread&) = delete;
    CEngineThread& operator=(const CEngineThread&) = delete;

    void Start(Body body);
    // True when the thread ended within the limit (or was not running).
    bool Stop(std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
    bool Running() const { return m_thread.joinable(); }

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

}  // namespace MOVRA
