#pragma once
// A listener that records each presented frame: the engine's number, the number the picture
// shows, when it came; and the file ends.
#include <atomic>
#include <chrono>
#include <thread>

#include "Engine/FramePattern.h"
#include "EngineTestSupport.h"

namespace TarvexTest {

using namespace MOVRA;

// Records each presented frame: the engine's number, the number the picture shows, its time.
class FrameLog : public RecordingListener {
public:
    CMovra* engine = nullptr;
    std::atomic<bool> blockForever{false};

    void OnFrameVisible(int size, int kind, unsigned char* buffer, void*, MV_FRAME_RECORD* frame) override {
        int number = -1, length = 0;
        engine->QueryInfo(MV_QUERY_FRAME_NUMBER, &number, sizeof number, &length);
        const int shown = ReadFrameNumber(buffer, frame->width, frame->width, frame->height);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            engineNumbers.push_back(number);
            shownNumbers.push_back(shown);
            times.push_back(std::chrono::steady_clock::now());
            sizes.push_back(size);
            kinds.push_back(kind);
            types.push_back(frame->type);
            m_cv.notify_all();
        }
        while (blockForever) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::lock_guard<std::mutex> lock(m_mutex);
        ++returned;
        m_cv.notify_all();
    }
    // Every call that began has returned: the listener may go.
    bool WaitAllReturned(std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return returned == shownNumbers.size(); });
    }
    void OnDataRecordStopped(void*, int reason) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        recordStops.push_back(reason);
        m_cv.notify_all();
    }
    bool WaitRecordStopped(std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return !recordStops.empty(); });
    }
    void OnFileEnd(void*) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++ends;
        m_cv.notify_all();
    }
    bool WaitFrames(std::size_t n, std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return shownNumbers.size() >= n; });
    }
    bool WaitEnd(std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return ends > 0; });
    }
    // A copy of the numbers read from the pictures so far.
    std::vector<int> Shown() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return shownNumbers;
    }
    int LastShown() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return shownNumbers.empty() ? -2 : shownNumbers.back();
    }
    int Ends() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return ends;
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return shownNumbers.size();
    }

    std::vector<int> engineNumbers, shownNumbers, sizes, kinds, types, recordStops;
    std::vector<std::chrono::steady_clock::time_point> times;
    int ends = 0;
    std::size_t returned = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};


// Plays a written file through the engine as fast as it decodes and returns the numbers its
// pictures show; empty when it cannot be played.
inline std::vector<int> PlayedFrames(const std::string& path, MV_FILE_DESCRIPTION* description = nullptr) {
    FrameLog log;
    CMovra engine(&log);
    log.engine = &engine;
    if (!engine.Open(path.c_str()) || !log.WaitForIndex()) return {};
    if (description) engine.DescribeFile(description);
    engine.SetPresentationPacing(0);
    engine.Play(nullptr);
    log.WaitEnd();
    return log.Shown();
}

}  // namespace TarvexTest
