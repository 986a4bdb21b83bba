// Opening a recorder's whole day as a double-click on it does, and playing it in sync across its
// file boundaries. For each day: the time from the request to a picture in every window, the
// process's threads and resident memory at their peak, frames drawn against the frames the
// windows' clocks passed, and the time to close the day; with --sync, played in sync forward at 1X
// and 8X and backward at 1X across a file boundary, the largest distance of any window's picture
// from the others' (the group's clock, which the play loop tells in whole seconds only, is where
// the windows' median stands) in frame intervals, sampled every 100 ms after the first second, and
// the longest any window's picture stood still.
// Usage: bench_open_day [--quick] [--day DIR] [--sync] [--trace] [--camera]
//   Without --day it writes two days of 36 channels, of 2 and of 96 files a channel (176x144,
//   12 fps, 2 s files: what is measured is the number of files, not the decoding).
//   --camera: a day of 16 channels of three 20-s camera-like D1 files, played in sync.
//   --trace: each sync sample with a window more than 2 intervals off, and those windows.
#include <time.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
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
#include "bench/common/CameraDay.h"
#include "tests/Main/PanelDoubles.h"
#include "Toolkit/UIFactory.h"

namespace {

using TarvexBench::Clock;
using TarvexBench::Ms;

// Threads and resident memory of this process, from /proc.
struct ProcessSize {
    int threads = 0;
    long rssKb = 0;
};
ProcessSize Sample() {
    ProcessSize s;
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "Threads:") status >> s.threads;
        else if (key == "VmRSS:") status >> s.rssKb;
        status.ignore(1 << 12, '\n');
    }
    return s;
}

// A timer of its own on the UI thread every 100 ms: the peaks of threads and memory, and what
// a caller wants sampled.
struct Watch {
    ProcessSize peak;
    std::function<void()> each;
    static void Fire(std::uintptr_t, void* context) {
        auto* w = static_cast<Watch*>(context);
        const ProcessSize s = Sample();
        w->peak.threads = std::max(w->peak.threads, s.threads);
        w->peak.rssKb = std::max(w->peak.rssKb, s.rssKb);
        if (w->each) w->each();
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

void PumpFor(double seconds) {
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    PumpUntil([&] { return Clock::now() >= end; }, seconds + 1);
}

// What sync play across a boundary came to.
struct SyncFigures {
    double worstSpread = 0;  // frame intervals
    std::vector<double> spreads;  // each sample's largest, in frame intervals
    double longestStillMs = 0;
    double slowestDrawRate = 0;  // pictures a second of the window that drew fewest
    bool crossed = false;
};

class DayRun {
public:
    DayRun(const std::string& folder, bool trace) : m_folder(folder), m_trace(trace) {}

    bool Run(bool sync) {
        auto panels = boost::make_shared<TarvexTest::CPanels>();
        m_panels = panels;
        panels->Create();
        Watch watch;
        CKXTimer tick;
        tick.handler = &Watch::Fire;
        tick.context = &watch;
        TarvexBase::StartUITimer(&tick, 100);
        panels->DropPath(KX_SOFT_BASE::NativeToWide(m_folder));
        if (!PumpUntil([&] { return !panels->groups.empty(); }, 120)) {
            std::printf("%s: nothing listed\n", m_folder.c_str());
            return false;
        }
        const _GROUP_FILE_INFO day = panels->groups[0];
        m_windows = std::min<int>(36, static_cast<int>(day.channels.size()));
        const auto begin = Clock::now();
        KX_POST_TASK(TarvexBase::ML_HELPER, panels->frame->HelpLogic().get(), &CMainFrameHelpLogic::Task_GetFilePath,
                     int(QUERY_WHOLE_DAY), day.day, day.deviceName, boost::make_shared<std::map<std::int32_t, void*>>(),
                     boost::static_pointer_cast<IFileManagerQuery>(panels->frame), -1);
        auto& ui = *panels->play;
        const bool shown = PumpUntil(
            [&] {
                for (int w = 0; w < m_windows; ++w)
                    if (!panels->Grid()->HasFrame(w)) return false;
                return true;
            },
            60);
        const double toPicture = Ms(Clock::now() - begin);
        // The watch samples every 100 ms: the moment of the last picture counts as well.
        Watch::Fire(0, &watch);
        const ProcessSize opening = watch.peak;
        const std::size_t files = ui.Tables().AllRecords().size() + ui.FilesPreparing();
        std::printf("%s: %d channels, %zu files\n", m_folder.c_str(), m_windows, files);
        if (shown)
            std::printf("  request to a picture in every window: %.0f ms\n", toPicture);
        else
            std::printf("  not every window showed a picture within 60 s\n");

        // Frames drawn against the frames each window's clock passed over 5 s of play: its
        // pictures' wall clock advanced times the recording's frame rate (a file's frames over the
        // time since its start).
        std::vector<unsigned int> drawn0(m_windows);
        std::vector<double> clock0(m_windows);
        for (int w = 0; w < m_windows; ++w) {
            drawn0[w] = panels->Grid()->GetFramesShown(w);
            clock0[w] = ui.PositionOf(w).wallClock;
        }
        PumpFor(5);
        double drawn = 0, asked = 0, slowest = 1;
        for (int w = 0; w < m_windows; ++w) {
            const CWindowPosition p = ui.PositionOf(w);
            const PlayRecord* r = ui.Tables().CurrentRecord(w);
            const double into = r ? p.wallClock - r->fileStartTime : 0;
            const double fps = p.frame > 5 && into > 0.2 ? p.frame / into : 25;
            const double d = panels->Grid()->GetFramesShown(w) - drawn0[w];
            const double a = std::max(1.0, std::round((p.wallClock - clock0[w]) * fps) + 1);
            drawn += d;
            asked += a;
            slowest = std::min(slowest, d / a);
        }
        std::printf("  frames drawn against passed over 5 s: %.1f%%, slowest window %.1f%%\n", 100 * drawn / asked,
                    100 * slowest);
        // Opening apart from playing on: a day of 2-s files crosses a boundary in every window
        // every 2 s, where a recorder's 15-minute files cross one each quarter of an hour.
        std::printf("  peak to a picture in every window: %d threads, %.0f MB resident\n", opening.threads,
                    opening.rssKb / 1024.0);
        std::printf("  peak while opening and playing 5 s: %d threads, %.0f MB resident\n", watch.peak.threads,
                    watch.peak.rssKb / 1024.0);

        if (sync) {
            PumpUntil([&] { return ui.PendingOpens() == 0 && ui.SetSynPlay(1) == 1; }, 60);
            panels->messages.clear();
            const PlayRecord* first = ui.Tables().CurrentRecord(0);
            const unsigned int boundary = first ? static_cast<unsigned int>(first->fileEndTime) : 0;
            Report("sync forward 1X", Across(boundary - 2, kNormalSpeedPosition, true, 5));
            Report("sync forward 8X", Across(boundary - 8, kNormalSpeedPosition + 3, true, 3));
            Report("sync backward 1X", Across(boundary + 2, kNormalSpeedPosition, false, 5));
            std::printf("  peak with sync play: %d threads, %.0f MB resident\n", watch.peak.threads,
                        watch.peak.rssKb / 1024.0);
        }

        const auto closing = Clock::now();
        ui.CloseFiles(-1);
        PumpUntil([&] { return ui.PendingCloses() == 0; }, 60);
        std::printf("  closing the day: %.0f ms\n", Ms(Clock::now() - closing));
        std::fflush(stdout);
        TarvexBase::KillUITimer(&tick);
        panels->Destroy();
        auto drained = boost::make_shared<std::atomic<bool>>(false);
        KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([drained] { *drained = true; }));
        PumpUntil([&] { return drained->load(); }, 60);
        panels->DestroyWindows();
        m_panels.reset();
        return shown;
    }

private:
    // Plays in sync from `from` for `seconds`, sampling every 100 ms after the first second.
    SyncFigures Across(unsigned int from, int speed, bool forward, double seconds) {
        auto& ui = *m_panels->play;
        SyncFigures f;
        ui.SetPlaySpeed(speed);
        if (!forward) PumpUntil([&] { return ui.SetPlayDirection(0) == 1; }, 60);
        else ui.SetPlayDirection(1);
        m_panels->messages.clear();
        ui.Seek(from, 0);
        // Every window at the time asked (the files that hold it opened, where they were not)
        // before play and the samples start.
        PumpUntil(
            [&] {
                for (int w = 0; w < m_windows; ++w) {
                    const PlayRecord* r = ui.Tables().CurrentRecord(w);
                    if (!r || !SpanHolds(*r, from) || std::fabs(ui.PositionOf(w).wallClock - from) > 1) return false;
                }
                return true;
            },
            30);
        ui.Pause(0);
        std::vector<double> last(m_windows, 0);
        std::vector<Clock::time_point> changed(m_windows, Clock::now());
        const PlayRecord* start = ui.Tables().CurrentRecord(0);
        const std::wstring startPath = start ? start->path : std::wstring();
        const double interval = 1.0 / 12;  // refined below from the frames' own spacing
        double frameInterval = interval;
        const auto begin = Clock::now();
        Watch sampler;
        sampler.each = [&] {
            const auto now = Clock::now();
            std::vector<double> clocks;
            for (int w = 0; w < m_windows; ++w) {
                const CWindowPosition p = ui.PositionOf(w);
                if (p.wallClock != last[w]) {
                    if (last[w] != 0 && p.frame > 0) {
                        // the spacing of one frame, from any window that moved a frame forward
                        const double step = std::fabs(p.wallClock - last[w]);
                        if (step > 0.01 && step < frameInterval) frameInterval = step;
                    }
                    last[w] = p.wallClock;
                    changed[w] = now;
                }
                if (p.wallClock > 0) clocks.push_back(p.wallClock);
                if (now - begin > std::chrono::seconds(1))
                    f.longestStillMs = std::max(f.longestStillMs, Ms(now - changed[w]));
            }
            if (now - begin < std::chrono::seconds(1) || clocks.empty()) return;
            std::sort(clocks.begin(), clocks.end());
            const double median = clocks[clocks.size() / 2];
            double spread = 0;
            for (double c : clocks) spread = std::max(spread, std::fabs(c - median) / frameInterval);
            if (m_trace && spread > 2) Trace(spread, median, frameInterval);
            f.worstSpread = std::max(f.worstSpread, spread);
            f.spreads.push_back(spread);
        };
        CKXTimer tick;
        tick.handler = &Watch::Fire;
        tick.context = &sampler;
        std::vector<unsigned int> shown0(m_windows);
        for (int w = 0; w < m_windows; ++w) shown0[w] = m_panels->Grid()->GetFramesShown(w);
        TarvexBase::StartUITimer(&tick, 100);
        PumpFor(seconds);
        TarvexBase::KillUITimer(&tick);
        f.slowestDrawRate = 1e9;
        for (int w = 0; w < m_windows; ++w)
            f.slowestDrawRate = std::min(f.slowestDrawRate, (m_panels->Grid()->GetFramesShown(w) - shown0[w]) / seconds);
        const PlayRecord* end = ui.Tables().CurrentRecord(0);
        f.crossed = end && end->path != startPath;
        ui.Pause(1);
        PumpUntil([&] { return ui.PauseSettled() == 1; }, 10);
        return f;
    }

    void Trace(double spread, double median, double interval) {
        auto& ui = *m_panels->play;
        std::printf("    sample: %.0f intervals, median %.3f, group's second %u:", spread, median, ui.GroupTime());
        for (int w = 0; w < m_windows; ++w) {
            const CWindowPosition p = ui.PositionOf(w);
            if (std::fabs(p.wallClock - median) / interval > 2)
                std::printf(" window %d at %.3f (frame %lld of %p)", w, p.wallClock, static_cast<long long>(p.frame), p.handle);
        }
        std::printf("\n");
    }

    static void Report(const char* what, SyncFigures f) {
        std::sort(f.spreads.begin(), f.spreads.end());
        const double typical = f.spreads.empty() ? 0 : f.spreads[f.spreads.size() * 9 / 10];
        std::printf("  %s: %s the boundary, windows within %.2f frame intervals of the group (%.2f in 90%% of samples), "
                    "longest still %.0f ms, slowest window %.0f pictures/s\n",
                    what, f.crossed ? "across" : "NOT across", f.worstSpread, typical, f.longestStillMs, f.slowestDrawRate);
    }

    std::string m_folder;
    bool m_trace = false;
    int m_windows = 0;
    boost::shared_ptr<TarvexTest::CPanels> m_panels;
};

}  // namespace

int main(int argc, char** argv) {
    KX_SOFT_BASE::LimitHeapGrowth();  // as the player does
    bool quick = false, sync = false, trace = false, camera = false;
    std::string given;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--sync") == 0) sync = true;
        else if (std::strcmp(argv[i], "--trace") == 0) trace = true;
        else if (std::strcmp(argv[i], "--camera") == 0) camera = sync = true;
        else if (std::strcmp(argv[i], "--day") == 0 && i + 1 < argc) given = argv[++i];
    }
    // TARVEX_TASK_LOG=<level>, as for the player: where the UI thread's time goes.
    if (const char* level = std::getenv("TARVEX_TASK_LOG"); level && std::atoi(level) > 0) {
        TarvexBase::SetTaskLogSwitch(1);
        TarvexBase::SetTaskLogLevel(std::atoi(level));
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string dir = TarvexBench::MakeBenchFolder("tarvex-bench-day");
    int toolkitArgc = 1;
    if (dir.empty() || !CKXUIFactory::Install(toolkitArgc, argv)) return 1;
    setenv("TARVEX_HOME", (dir + "/").c_str(), 1);
    std::filesystem::create_directories(dir + "/Index");
    TarvexPlay::FillYuvTables();

    std::vector<std::string> days;
    if (!given.empty()) {
        days.push_back(std::filesystem::absolute(given).string());
    } else if (camera) {
        const std::string day = TarvexBench::MakeCameraDay(dir, 16, 3, 20, "704x576", 1500);
        if (day.empty()) return 1;
        days.push_back(day);
    } else {
        // The two days whose opening is compared, then a day of longer files for sync play across
        // its boundaries (a file of 2 s at 8X is a boundary every quarter second).
        int day = 0;
        for (int files : {2, quick ? 24 : 96, 3}) {
            MOVRA::SynthOptions o;
            // A day apiece: the catalogue keeps what earlier runs dropped, and a day of the same
            // date would take their files into its channels.
            o.start = 1710496800 + 86400 * day++;
            o.channels = 36;
            o.files = files;
            o.seconds = files == 3 ? 30 : 2;
            o.width = 176;
            o.height = 144;
            o.fps = 12;
            const std::string folder = dir + (files == 3 ? "/long" : "/day" + std::to_string(files));
            std::vector<std::string> written;
            std::string error;
            std::filesystem::create_directories(folder);
            std::printf("writing 36 channels x %d files...\n", files);
            std::fflush(stdout);
            if (!MOVRA::WriteSynthRecordings(folder, o, &written, &error)) {
                std::fprintf(stderr, "bench_open_day: %s\n", error.c_str());
                return 1;
            }
            days.push_back(folder);
        }
    }

    TarvexBench::BenchLoops loops(TarvexBase::ML_PLAY);
    auto helper = TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER);
    helper->Start();
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(helper->GetLoop(), TarvexBase::ML_HELPER);
    for (const std::string& day : days) DayRun(day, trace).Run(given.empty() && !camera ? day == days.back() : sync);
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, TarvexBase::ML_HELPER);
    helper->GetLoop()->GetControl()->Quit();
    std::filesystem::remove_all(dir);
    return 0;
}
