// Opening a whole day of 16 channels (704x576, 25 fps H.264, three files a channel) as a day, the
// way a double-click on it does: the time from the request to every window showing a frame, to
// synchronous play running, and what the UI thread went through meanwhile (its busiest 100 ms and
// the longest it was held by one piece of work, from a 10 ms timer of its own).
// Usage: bench_open_day [--quick]
#include <time.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Base/LoopIds.h"
#include "Base/LoopThread.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Base/TaskLog.h"
#include "Base/UITimer.h"
#include "Engine/RecordingWriter.h"
#include "Main/MainFrame_UILogic.h"
#include "PlayManager/YuvTables.h"
#include "bench/Engine/EngineBenchSupport.h"
#include "bench/common/BenchLoops.h"
#include "tests/Main/PanelDoubles.h"
#include "Toolkit/UIFactory.h"

namespace {

using TarvexBench::Clock;
using TarvexBench::Ms;

constexpr int kChannels = 16;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Watches the UI thread from a 10 ms timer of its own: CPU per 100 ms, and the longest gap between
// two firings (work that held the thread).
struct UIWatch {
    Clock::time_point last = Clock::now(), bucketStart = Clock::now();
    double bucketCpu = ThreadCpuSeconds();
    double busiest = 0;  // share of one core in the busiest 100 ms
    double longestGapMs = 0;
    static void Fire(std::uintptr_t, void* context) {
        auto* w = static_cast<UIWatch*>(context);
        const auto now = Clock::now();
        w->longestGapMs = std::max(w->longestGapMs, Ms(now - w->last));
        w->last = now;
        if (now - w->bucketStart >= std::chrono::milliseconds(100)) {
            const double cpu = ThreadCpuSeconds();
            w->busiest = std::max(w->busiest, (cpu - w->bucketCpu) / std::chrono::duration<double>(now - w->bucketStart).count());
            w->bucketCpu = cpu;
            w->bucketStart = now;
        }
    }
};

template <class Done>
bool PumpUntil(Done done, double limitSeconds) {
    const auto limit = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds));
    struct Check {
        Done* done;
        Clock::time_point limit;
    } check{&done, limit};
    CKXTimer timer;
    timer.context = &check;
    timer.handler = [](std::uintptr_t, void* context) {
        auto* c = static_cast<Check*>(context);
        if ((*c->done)() || Clock::now() > c->limit) CKXUIFactory::Quit();
    };
    TarvexBase::StartUITimer(&timer, 5);
    if (!done()) CKXUIFactory::MainLoop();
    TarvexBase::KillUITimer(&timer);
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    // TARVEX_TASK_LOG=<level>, as for the player: where the UI thread's time goes.
    if (const char* level = std::getenv("TARVEX_TASK_LOG"); level && std::atoi(level) > 0) {
        TarvexBase::SetTaskLogSwitch(1);
        TarvexBase::SetTaskLogLevel(std::atoi(level));
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string dir = TarvexBench::MakeBenchFolder("tarvex-bench-day");
    if (dir.empty() || !CKXUIFactory::Install(argc, argv)) return 1;
    setenv("TARVEX_HOME", (dir + "/").c_str(), 1);
    std::filesystem::create_directories(dir + "/Index");
    std::filesystem::create_directories(dir + "/day");
    TarvexPlay::FillYuvTables();

    MOVRA::SynthOptions o;
    o.start = 1710496800;
    o.channels = kChannels;
    o.files = 3;
    o.seconds = quick ? 2 : 4;
    o.width = 704;
    o.height = 576;
    std::vector<std::string> files;
    std::string error;
    std::printf("writing %d recordings of 704x576...\n", kChannels * o.files);
    std::fflush(stdout);
    if (!MOVRA::WriteSynthRecordings(dir + "/day", o, &files, &error)) {
        std::fprintf(stderr, "bench_open_day: %s\n", error.c_str());
        return 1;
    }

    TarvexBench::BenchLoops loops(TarvexBase::ML_PLAY);
    auto helper = TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER);
    helper->Start();
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(helper->GetLoop(), TarvexBase::ML_HELPER);

    for (int round = 0; round < 2; ++round) {
        const bool sync = round == 1;
        auto panels = boost::make_shared<TarvexTest::CPanels>();
        panels->Create();
        panels->DropPath(KX_SOFT_BASE::NativeToWide(dir + "/day"));
        if (!PumpUntil([&] { return !panels->groups.empty(); }, 60)) return 1;
        auto askForDay = [&] {
            KX_POST_TASK(TarvexBase::ML_HELPER, panels->frame->HelpLogic().get(), &CMainFrameHelpLogic::Task_GetFilePath,
                         int(QUERY_WHOLE_DAY), panels->groups[0].day, panels->groups[0].deviceName,
                         boost::make_shared<std::map<std::int32_t, void*>>(),
                         boost::static_pointer_cast<IFileManagerQuery>(panels->frame), -1);
        };
        if (sync) {
            // Sync Play is switched on while a day plays; the day opened next then plays in sync
            // as soon as every file's span is known, which is what is timed.
            askForDay();
            PumpUntil([&] { return !panels->play->Tables().Empty() && panels->play->PendingOpens() == 0; }, 60);
            PumpUntil([&] { return panels->play->SetSynPlay(1) == 1; }, 60);
            panels->messages.clear();
            panels->play->CloseFiles(-1);
            PumpUntil([&] { return panels->play->PendingCloses() == 0; }, 60);
        }

        UIWatch watch;
        CKXTimer tick;
        tick.handler = &UIWatch::Fire;
        tick.context = &watch;
        TarvexBase::StartUITimer(&tick, 10);
        const auto begin = Clock::now();
        const double uiCpu0 = ThreadCpuSeconds();
        askForDay();
        const bool shown = PumpUntil(
            [&] {
                for (int w = 0; w < kChannels; ++w)
                    if (!panels->Grid()->HasFrame(w)) return false;
                return true;
            },
            60);
        const double toFrames = Ms(Clock::now() - begin);
        double toSync = 0;
        if (sync && PumpUntil([&] { return panels->play->SyncFlag() == 1; }, 60)) toSync = Ms(Clock::now() - begin);
        PumpUntil([&] { return Clock::now() - begin > std::chrono::seconds(3); }, 10);  // a while of playing
        const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
        const double uiCpu = ThreadCpuSeconds() - uiCpu0;
        TarvexBase::KillUITimer(&tick);

        std::printf("%s: %d channels x %d files\n", sync ? "day with Sync Play" : "day", kChannels, o.files);
        if (shown)
            std::printf("  request to a frame in every window: %.0f ms\n", toFrames);
        else
            std::printf("  not every window showed a frame within 60 s (%zu bound, %d opens pending, %zu messages, %d windows)\n",
                        panels->play->Tables().BoundHandles().size(), panels->play->PendingOpens(),
                        panels->messages.size() + panels->notifications.size(), panels->Grid()->GetWindowCount());
        for (const auto& m : panels->messages) std::printf("  message: %ls\n", m.c_str());

        if (sync) std::printf("  request to synchronous play running: %.0f ms\n", toSync);
        std::printf("  UI thread: busiest 100 ms %.0f%% of a core, longest hold %.1f ms (10 ms timer), %.0f%% on average\n",
                    100 * watch.busiest, std::max(0.0, watch.longestGapMs - 10), 100 * uiCpu / wall);
        std::fflush(stdout);

        panels->play->CloseFiles(-1);
        PumpUntil([&] { return panels->play->PendingCloses() == 0; }, 60);
        panels->Destroy();
        auto drained = boost::make_shared<std::atomic<bool>>(false);
        KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([drained] { *drained = true; }));
        PumpUntil([&] { return drained->load(); }, 60);
    }
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, TarvexBase::ML_HELPER);
    helper->GetLoop()->GetControl()->Quit();
    std::filesystem::remove_all(dir);
    return 0;
}
