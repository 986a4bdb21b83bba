#pragma once
// Helpers for tests that run real loops: a started worker that is stopped at scope end, a
// temporary program folder, and a wait that fails a test instead of hanging it.
#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "Base/LoopIds.h"
#include "Base/LoopThread.h"
#include "Base/MessageLoopManager.h"

namespace TarvexTest {

// Counts down to zero; Wait gives up after a generous time so a lost task fails the test.
class Latch {
public:
    explicit Latch(int count) : m_count(count) {}
    void CountDown() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (--m_count <= 0) m_cv.notify_all();
    }
    bool Wait(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return m_count <= 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_count;
};

// A worker loop registered under an id for the test's duration.
class ScopedWorker {
public:
    explicit ScopedWorker(int loopId) : m_loopId(loopId), m_thread(TarvexBase::CreateLoopThread(1)) {
        EXPECT_EQ(0, m_thread->Start());
        TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(m_thread->GetLoop(), loopId);
    }
    ~ScopedWorker() {
        TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, m_loopId);
        m_thread->GetLoop()->GetControl()->Quit();
    }
    const boost::shared_ptr<TarvexBase::CKXMessageLoop>& Loop() const { return m_thread->GetLoop(); }

private:
    int m_loopId;
    boost::shared_ptr<TarvexBase::CKXThreadEx_Qt> m_thread;
};

// Points TARVEX_HOME at a fresh folder, as every test that touches the program folder must.
class ScopedProgramHome {
public:
    ScopedProgramHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data()) ? pattern : std::string();
        setenv("TARVEX_HOME", m_path.c_str(), 1);
    }
    ~ScopedProgramHome() {
        unsetenv("TARVEX_HOME");
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace TarvexTest
