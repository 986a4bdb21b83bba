// The engine on a file of any bytes, as a recording handed over by someone else: opened or
// refused, indexed, played until its first picture or its end, stopped and closed, all within a
// bound and without touching memory it does not own.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "Engine/Movra.h"
#include "FuzzSupport.h"

namespace {

class Listener : public MOVRA::IMovraListener {
public:
    void OnFileRefFinished(void*, int) override { Set(m_indexed); }
    void OnFileEnd(void*) override { Set(m_ended); }
    void OnFrameVisible(int size, int, unsigned char* buffer, void*, MOVRA::MV_FRAME_RECORD*) override {
        // Every byte the engine says it hands over is readable.
        unsigned sum = 0;
        for (int i = 0; buffer && i < size; i += 61) sum += buffer[i];
        if (buffer && size > 0) sum += buffer[size - 1];
        m_sum += sum;
        Set(m_shown);
    }
    template <typename Ready>
    void Wait(Ready ready) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::seconds(4), [&] { return ready(); });
    }
    bool m_indexed = false, m_ended = false, m_shown = false;

private:
    void Set(bool& flag) {
        std::lock_guard<std::mutex> lock(m_mutex);
        flag = true;
        m_cv.notify_all();
    }
    std::mutex m_mutex;
    std::condition_variable m_cv;
    unsigned m_sum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = TarvexFuzz::ProgramHome() + "input.rvf";
    if (!TarvexFuzz::WriteWhole(path, data, size)) return 0;
    Listener listener;
    MOVRA::CMovra engine(&listener);
    if (!engine.Open(path.c_str())) return 0;
    listener.Wait([&] { return listener.m_indexed; });
    MOVRA::MEDIA_INFO info;
    engine.GetMediaInfo(&info);
    engine.SetPresentationPacing(0);
    engine.Play(nullptr);
    listener.Wait([&] { return listener.m_shown || listener.m_ended; });
    engine.Stop();
    engine.Close();
    return 0;
}
