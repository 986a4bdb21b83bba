// The real main window (offscreen) playing a whole day of 16 and of 36 channels of 704x576 25 fps
// H.264 at 1X, opened by a double-click on the day: the time until every window shows a picture,
// then over a stretch of playing the frames drawn per second against the frames the clocks ask
// for, per window and in total, the process's CPU and the UI thread's share.
// With --day DIR it opens that folder's first day instead (any names, containers and sizes), and
// with --sync plays it in sync; the frames asked are then each window's own rate. With --camera
// the recordings are made by the ffmpeg command to look like a camera's (temporal noise,
// B-frames, keyframes at most 50 apart with scene cuts; 704x576 at 1.5 Mbit/s for 16 and 36
// channels, 1920x1080 at 4 Mbit/s for 4 and 9) instead of generated ones. Each run has its
// anchor in the same run when mpv is installed: mpv showing the run's first 16 recordings in one
// grid, through X11 under a virtual X server (--no-anchor leaves it out).
// The files' activity is profiled in the background while they play, as in the program;
// --no-activity leaves it out, to compare. The line "activity" tells how many files were profiled.
// Usage: bench_main_window [--quick] [--day DIR] [--sync] [--camera] [--no-anchor] [--no-activity]
#include <time.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/LoopIds.h"
#include "Base/LoopThread.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Base/UITimer.h"
#include "Engine/RecordingWriter.h"
#include "Main/ActivityKeeper.h"
#include "Main/FileList.h"
#include "Main/MainFrame.h"
#include "Main/MainPage.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager.h"
#include "Main/PlayWinManager_UILogic.h"
#include "PlayManager/YuvTables.h"
#include "Toolkit/TreeCtrl.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "bench/Engine/EngineBenchSupport.h"
#include "bench/common/BenchLoops.h"
#include "bench/common/CameraDay.h"
#include "bench/common/MpvAnchor.h"

namespace {

using TarvexBench::Clock;
using TarvexBench::Ms;

double CpuOf(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

template <class Done>
bool PumpUntil(Done done, double limitSeconds) {
    struct Check {
        Done* done;
        Clock::time_point limit;
    } check{&done, Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds))};
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

// The user's messages go nowhere: nothing must stop the run with a box.
class Silent : public IUserMessages {
    void MessageBox(const std::wstring&, const std::wstring&) override {}
    int Question(const std::wstring&, const std::wstring&) override { return 2; }
    void Notification(const std::wstring&) override {}
    void VideoInfo(const CVideoInfoTexts&) override {}
};

std::string Generate(const std::string& dir, int channels, double fileSeconds) {
    const std::string folder = dir + "/day" + std::to_string(channels);
    std::filesystem::create_directories(folder);
    MOVRA::SynthOptions o;
    o.start = 1710496800;
    o.channels = channels;
    o.seconds = fileSeconds;
    o.width = 704;
    o.height = 576;
    std::vector<std::string> files;
    std::string error;
    std::printf("writing %d recordings of 704x576...\n", channels);
    std::fflush(stdout);
    if (!MOVRA::WriteSynthRecordings(folder, o, &files, &error)) {
        std::fprintf(stderr, "bench_main_window: %s\n", error.c_str());
        return std::string();
    }
    return folder;
}

// The recordings of a folder in channel order, for the anchor.
std::vector<std::string> RecordingsOf(const std::string& folder, std::size_t most) {
    std::vector<std::pair<int, std::string>> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        const std::string name = e.path().filename().string();
        const std::size_t ch = name.find("_ch");
        found.emplace_back(ch == std::string::npos ? 0 : std::atoi(name.c_str() + ch + 3), e.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> files;
    int last = -1;
    for (const auto& [channel, path] : found) {
        if (channel == last) continue;  // a channel's first file
        last = channel;
        files.push_back(path);
        if (files.size() == most) break;
    }
    return files;
}

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmHWM:") status >> kb;
        status.ignore(1 << 12, '\n');
    }
    return kb;
}

int Threads() { return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {})); }

bool g_activity = true;  // profiles worked out in the background, as the program does

void Run(const std::string& folder, double playSeconds, bool sync, bool anchor) {
    if (folder.empty()) return;
    auto frame = CMainFrameEventImp::Create(L"", L"");
    if (!PumpUntil([&] { return frame->Page() != nullptr; }, 20)) return;
    if (!g_activity)
        if (auto ui = frame->Page()->PlayWindows()->PlayUILogic())
            if (ui->Activity()) ui->Activity()->Stop();
    Silent silent;
    SetUserMessages(&silent);
    frame->DropPath(KX_SOFT_BASE::NativeToWide(folder));
    CFileListEventImp* list = frame->Page()->FileList();
    CKXTreeCtrl* tree = list->Tree();
    PumpUntil([&] { return tree->GetRootItem() && tree->GetChildItem(tree->GetChildItem(tree->GetRootItem())); }, 60);
    PumpUntil([] { return false; }, 1);  // the rest of a large listing
    int channels = 0;
    for (HKXTREEITEM c = tree->GetChildItem(tree->GetChildItem(tree->GetRootItem())); c; c = tree->GetNextSiblingItem(c))
        ++channels;
    channels = std::min(channels, 36);
    CPlayWinManagerEventImp* windows = frame->Page()->PlayWindows();
    CKXVideoWindow* grid = windows->VideoWindow();
    const auto begin = Clock::now();
    list->OnItemDbClick(list->Tree()->GetChildItem(list->Tree()->GetRootItem()), -1, CFileListEventImp::kTree);
    const bool all = PumpUntil(
        [&] {
            if (grid->GetWindowCount() < channels) return false;
            for (int w = 0; w < channels; ++w)
                if (!grid->HasFrame(w)) return false;
            return true;
        },
        60);
    const double toPictures = Ms(Clock::now() - begin);
    auto ui = windows->PlayUILogic();
    if (sync) PumpUntil([&] { return ui->PendingOpens() == 0 && frame->Commands()->SetSync(true).ok; }, 30);
    int peakThreads = Threads();

    // A settled stretch of playing.
    PumpUntil([&] { return Clock::now() - begin > std::chrono::seconds(2); }, 10);
    std::vector<unsigned int> before(channels);
    for (int w = 0; w < channels; ++w) before[w] = grid->GetFramesShown(w);
    const double cpu0 = CpuOf(CLOCK_PROCESS_CPUTIME_ID), ui0 = CpuOf(CLOCK_THREAD_CPUTIME_ID);
    const auto from = Clock::now();
    PumpUntil(
        [&] {
            peakThreads = std::max(peakThreads, Threads());
            return Clock::now() - from > std::chrono::duration<double>(playSeconds);
        },
        playSeconds + 5);
    const double wall = std::chrono::duration<double>(Clock::now() - from).count();
    const double cpu = CpuOf(CLOCK_PROCESS_CPUTIME_ID) - cpu0, uiCpu = CpuOf(CLOCK_THREAD_CPUTIME_ID) - ui0;
    double total = 0, asked = 0, worst = 1e9;
    for (int w = 0; w < channels; ++w) {
        // The window's own frame rate: its file's frames over the time since the file's start.
        const CWindowPosition p = ui->PositionOf(w);
        const PlayRecord* r = ui->Tables().CurrentRecord(w);
        const double into = r ? p.wallClock - r->fileStartTime : 0;
        const double rate = p.frame > 5 && into > 0.2 ? p.frame / into : 25;
        const double drawn = (grid->GetFramesShown(w) - before[w]) / wall;
        total += drawn;
        asked += rate;
        worst = std::min(worst, drawn / rate);
    }
    std::printf("%d channels, a day opened by a double-click%s (%s):\n", channels, sync ? " and played in sync" : "",
                folder.c_str());
    std::printf("  request to a picture in every window: %s\n", all ? (std::to_string(static_cast<int>(toPictures)) + " ms").c_str() : "not within 60 s");
    std::printf("  drawn %.1f frames/s of %.0f asked (%.1f%%); the slowest window %.1f%% of its own\n", total, asked,
                100 * total / asked, 100 * worst);
    std::printf("  process %.0f%% of one core (%.2f ms a frame drawn), UI thread %.0f%%; peak %d threads, %.0f MB resident\n",
                100 * cpu / wall, total > 0 ? 1000 * cpu / (total * wall) : 0.0, 100 * uiCpu / wall, peakThreads,
                PeakRssKb() / 1024.0);
    int profiled = 0, files = 0;
    for (const PlayRecord* r : ui->Tables().AllRecords()) {
        ++files;
        if (ui->Activity() && ui->Activity()->Find(r->path)) ++profiled;
    }
    std::printf("  activity: %s, %d of %d files profiled by the end\n", g_activity ? "profiled in the background" : "off",
                profiled, files);
    std::fflush(stdout);
    SetUserMessages(nullptr);
    if (auto play = windows->PlayUILogic()) play->CloseFiles(-1);
    PumpUntil([&] { return windows->PlayUILogic()->PendingCloses() == 0; }, 30);
    frame.reset();
    auto drained = boost::make_shared<std::atomic<bool>>(false);
    KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([drained] { *drained = true; }));
    PumpUntil([&] { return drained->load(); }, 30);
    if (!anchor) return;
    // The anchor plays as long as we played, after as long a start.
    const std::vector<std::string> sixteen = RecordingsOf(folder, 16);
    const TarvexBench::MpvFigures mpv = TarvexBench::MpvGrid(sixteen, 320, 200, 2, playSeconds);
    if (mpv.ran)
        std::printf("  anchor, mpv with %zu of them in one grid: %.1f%% shown, %.0f%% of one core (%.2f ms a frame shown)\n",
                    sixteen.size(), 100 * mpv.shownShare, mpv.cpuPercent, mpv.cpuPerFrame);
    else
        std::printf("  anchor: %s\n", mpv.why.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    KX_SOFT_BASE::LimitHeapGrowth();  // as the player does
    bool quick = false, sync = false, camera = false, anchor = true;
    std::string given;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--sync") == 0) sync = true;
        else if (std::strcmp(argv[i], "--camera") == 0) camera = true;
        else if (std::strcmp(argv[i], "--no-anchor") == 0) anchor = false;
        else if (std::strcmp(argv[i], "--no-activity") == 0) g_activity = false;
        else if (std::strcmp(argv[i], "--day") == 0 && i + 1 < argc) given = argv[++i];
    }
    argc = 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string dir = TarvexBench::MakeBenchFolder("tarvex-bench-window");
    if (dir.empty() || !CKXUIFactory::Install(argc, argv)) return 1;
    setenv("TARVEX_HOME", (dir + "/").c_str(), 1);
    std::filesystem::create_directories(dir + "/Index");
    CKXUIFactory::SetResourcePath(KX_SOFT_BASE::NativeToWide(TARVEX_SKIN_DIR));
    TarvexApp::LoadSettings(KX_SOFT_BASE::NativeToWide(dir + "/"));
    TarvexPlay::FillYuvTables();
    TarvexBench::BenchLoops loops(TarvexBase::ML_PLAY);
    auto helper = TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER);
    helper->Start();
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(helper->GetLoop(), TarvexBase::ML_HELPER);

    const double play = quick ? 3 : 8;
    if (!given.empty()) {
        Run(std::filesystem::absolute(given).string(), play, sync, anchor);
    } else if (camera) {
        const double seconds = play + 6;
        for (int channels : {16, 36}) Run(TarvexBench::MakeCameraDay(dir, channels, 1, static_cast<int>(seconds), "704x576", 1500), play, sync, anchor);
        for (int channels : {4, 9}) Run(TarvexBench::MakeCameraDay(dir, channels, 1, static_cast<int>(seconds), "1920x1080", 4000), play, sync, anchor);
    } else {
        Run(Generate(dir, 16, quick ? 8 : 14), play, sync, anchor);
        Run(Generate(dir, 36, quick ? 8 : 14), play, sync, anchor);
    }

    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, TarvexBase::ML_HELPER);
    helper->GetLoop()->GetControl()->Quit();
    std::filesystem::remove_all(dir);
    return 0;
}
