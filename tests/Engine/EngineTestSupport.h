#pragma once
#include <sys/resource.h>

#include <csignal>
// A temporary folder for generated recordings, in UTC so times are fixed numbers, and a
// listener that records what the engine reports.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "Engine/Movra.h"
#include "Engine/RecordingWriter.h"

namespace TarvexTest {

class RecordingListener : public MOVRA::IMovraListener {
public:
    void OnFileRefFinished(void*, int result) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        refResults.push_back(result);
        m_cv.notify_all();
    }
    void OnFileTimeDone(void*, unsigned int start, unsigned int end) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        spans.emplace_back(start, end);
        m_cv.notify_all();
    }
    bool WaitForIndex(std::chrono::seconds limit = std::chrono::seconds(30)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return !refResults.empty(); });
    }
    std::vector<int> refResults;
    std::vector<std::pair<unsigned int, unsigned int>> spans;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-engine-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    // One recording of `seconds` at 25 fps, GOP 25, starting 2024-03-15 10:00:00 UTC.
    std::string Synth(MOVRA::SynthOptions o = MOVRA::SynthOptions()) {
        if (o.start == 0) o.start = kStart;
        std::vector<std::string> written;
        std::string error;
        EXPECT_TRUE(MOVRA::WriteSynthRecordings(m_dir, o, &written, &error)) << error;
        return written.empty() ? std::string() : written.front();
    }

    static constexpr unsigned int kStart = 1710496800;  // 2024-03-15 10:00:00 UTC
    std::string m_dir;
};

// Files of this process cannot grow past `bytes` while it lives; a write past it fails with
// EFBIG instead of raising SIGXFSZ, as a write to a full disk fails with ENOSPC.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit{bytes, m_old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
};

}  // namespace TarvexTest
