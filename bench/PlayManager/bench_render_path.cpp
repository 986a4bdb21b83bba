// What a frame costs the decoding thread on the play object's render path: post to ML_MAIN, wait
// until the UI thread has run the task and released the frame, return. Two runs:
//  - path: 16 play objects, each fed 704x576 frames at 25 fps by a thread of its own as an engine
//    feeds it; every call is timed (median, p90, p99, worst) with the UI thread's CPU share;
//  - playing: 16 recordings opened and played at 1X through the play manager on ML_PLAY; frames
//    drawn per second against the 400 the clocks ask for, and the process's CPU.
// The listener stands in for the video window without drawing, so the figures are the path's own.
// A small timed tool: the UI thread must run its event loop meanwhile. Options: --quick.
#include <time.h>

#include <boost/make_shared.hpp>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "Base/UITimer.h"
#include "Engine/RecordingWriter.h"
#include "PlayManager/PlayManager.h"
#include "PlayManager/PlayObject.h"
#include "Toolkit/UIFactory.h"
#include "bench/Engine/EngineBenchSupport.h"
#include "bench/common/BenchLoops.h"

using namespace TarvexBase;
using namespace TarvexPlay;
using TarvexBench::Clock;
using TarvexBench::Ms;
using TarvexBench::Percentile;

namespace {

constexpr int kObjects = 16;
constexpr int kWidth = 704, kHeight = 576, kFps = 25;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Releases every frame at once, as a window that has drawn it.
class CountingListener : public IPlayObjectListener {
public:
    std::atomic<long> frames{0};
    int OnDDRenderSubWinEx(void*, unsigned char*, int, int, int, TarvexPlay::CFrameInfo, RenderToken, CompletionToken) override {
        frames.fetch_add(1, std::memory_order_relaxed);
        return 1;
    }
};

// Runs the UI thread's loop until `done` holds, sleeping in it between events as the program's
// loop does (a 10 ms timer of the UI thread checks `done`).
template <class Done>
void PumpUntil(Done done) {
    if (done()) return;
    CKXTimer check;
    check.context = &done;
    check.handler = [](std::uintptr_t, void* context) {
        if ((*static_cast<Done*>(context))()) CKXUIFactory::Quit();
    };
    TarvexBase::StartUITimer(&check, 10);
    CKXUIFactory::MainLoop();
    TarvexBase::KillUITimer(&check);
}

void PathRun(double seconds) {
    auto listener = boost::make_shared<CountingListener>();
    std::vector<boost::shared_ptr<CPlayObject>> objects;
    for (int i = 0; i < kObjects; ++i) {
        objects.push_back(CPlayObject::Create());
        objects.back()->SetListener(listener);
    }
    const std::size_t bytes = static_cast<std::size_t>(kWidth) * kHeight * 3 / 2;
    std::vector<std::vector<double>> costs(kObjects);
    std::atomic<int> running{kObjects};
    const double uiCpu0 = ThreadCpuSeconds();
    const auto begin = Clock::now();
    std::vector<std::thread> feeders;
    for (int i = 0; i < kObjects; ++i) {
        feeders.emplace_back([&, i] {
            std::vector<unsigned char> frame(bytes, 128);
            MOVRA::MV_FRAME_RECORD record;
            record.width = kWidth;
            record.height = kHeight;
            record.type = 3;
            const auto period = std::chrono::microseconds(1000000 / kFps);
            auto next = Clock::now() + period * i / kObjects;  // engines do not start together
            const int count = static_cast<int>(seconds * kFps);
            for (int n = 0; n < count; ++n) {
                std::this_thread::sleep_until(next);
                next += period;
                const auto t0 = Clock::now();
                objects[i]->OnFrameVisible(static_cast<int>(bytes), MOVRA::MV_FRAME_DIRECTDRAW, frame.data(), nullptr, &record);
                costs[i].push_back(Ms(Clock::now() - t0));
            }
            running.fetch_sub(1);
        });
    }
    PumpUntil([&] { return running.load() == 0; });
    const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
    const double uiCpu = ThreadCpuSeconds() - uiCpu0;
    for (auto& t : feeders) t.join();
    std::vector<double> all;
    for (const auto& c : costs) all.insert(all.end(), c.begin(), c.end());
    std::printf("path: %d play objects x %d fps, %zu frames in %.1f s\n", kObjects, kFps, all.size(), wall);
    std::printf("  cost per frame (post, wait, return): median %.3f ms, p90 %.3f ms, p99 %.3f ms, worst %.2f ms\n",
                Percentile(all, 0.5), Percentile(all, 0.9), Percentile(all, 0.99), Percentile(all, 1.0));
    std::printf("  against the %.0f ms a frame stays on screen: median %.2f%%, p99 %.2f%%\n", 1000.0 / kFps,
                100 * Percentile(all, 0.5) * kFps / 1000, 100 * Percentile(all, 0.99) * kFps / 1000);
    std::printf("  UI thread: %.1f%% of one core, %ld frames released\n", 100 * uiCpu / wall, listener->frames.load());
}

void PlayingRun(const std::vector<std::string>& files, double seconds) {
    boost::shared_ptr<CPlayManager> manager = CPlayManager::Create();
    auto listener = boost::make_shared<CountingListener>();
    boost::weak_ptr<IPlayObjectListener> weak = listener;
    auto handles = boost::make_shared<std::vector<void*>>();
    std::atomic<int> opened{-1};
    KX_POST_FUNCTION(ML_PLAY, ([manager, weak, files, handles, &opened] {
                         for (const auto& f : files) {
                             void* h = manager->CreatePlayObject();
                             manager->SetPlayObjectListener(h, weak);
                             if (manager->Open(h, f.c_str()) && manager->Play(h)) handles->push_back(h);
                             else manager->DestroyPlayObject(h);
                         }
                         opened = static_cast<int>(handles->size());
                     }));
    PumpUntil([&] { return opened.load() >= 0; });
    // From the second frame on: opening and the first decode are not the path.
    PumpUntil([&] { return listener->frames.load() >= kObjects; });
    const long frames0 = listener->frames.load();
    const double cpu0 = TarvexBench::CpuSeconds(), uiCpu0 = ThreadCpuSeconds();
    const auto begin = Clock::now();
    PumpUntil([&] { return Clock::now() - begin > std::chrono::duration<double>(seconds); });
    const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
    const long frames = listener->frames.load() - frames0;
    const double cpu = TarvexBench::CpuSeconds() - cpu0, uiCpu = ThreadCpuSeconds() - uiCpu0;
    std::printf("playing: %d of %zu recordings (704x576 H.264) at 1X through the play manager, %.1f s\n",
                opened.load(), files.size(), wall);
    std::printf("  frames drawn: %.1f per second (the clocks ask %d); process CPU %.0f%% of one core, UI thread %.1f%%\n",
                frames / wall, opened.load() * kFps, 100 * cpu / wall, 100 * uiCpu / wall);
    std::atomic<bool> closed{false};
    KX_POST_FUNCTION(ML_PLAY, ([manager, handles, &closed] {
                         for (void* h : *handles) {
                             manager->Stop(h);
                             manager->Close(h);
                             manager->DestroyPlayObject(h);
                         }
                         closed = true;
                     }));
    PumpUntil([&] { return closed.load(); });
    manager.reset();
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!CKXUIFactory::Install(argc, argv)) {
        std::fprintf(stderr, "bench_render_path: the toolkit cannot start\n");
        return 1;
    }
    TarvexBench::BenchLoops loops(ML_PLAY);

    PathRun(quick ? 2 : 8);

    const std::string dir = TarvexBench::MakeBenchFolder("tarvex-bench-render");
    MOVRA::SynthOptions o;
    o.start = 1710496800;
    o.channels = kObjects;
    o.seconds = quick ? 4 : 10;
    o.width = kWidth;
    o.height = kHeight;
    std::vector<std::string> files;
    std::string error;
    std::printf("writing the recordings...\n");
    std::fflush(stdout);
    if (dir.empty() || !MOVRA::WriteSynthRecordings(dir, o, &files, &error)) {
        std::fprintf(stderr, "bench_render_path: %s\n", error.c_str());
        return 1;
    }
    PlayingRun(files, quick ? 2 : 6);
    std::filesystem::remove_all(dir);

    return 0;
}
