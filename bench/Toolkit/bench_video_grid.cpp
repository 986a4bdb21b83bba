// The video grid's drawing. A small timed tool: the UI thread must run its event loop (painting
// happens there) while frames arrive at their real rate. Options: --quick, --only NAME (grid,
// convert).
//   grid:    36 sub-windows each given 704x576 frames at 25 fps (900 frames a second): the UI
//            thread's CPU share with frames converted, scaled and painted, against converting the
//            same frames alone (the limit).
//   convert: one 1920x1080 frame converted and scaled into a 640x360 sub-window: median time.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Toolkit/Dialog.h"
#include "Toolkit/EventSinks.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/Qt/FrameConverter.h"

namespace {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Frames as the engine hands them out, each a little different so that nothing is cached.
std::vector<std::vector<std::uint8_t>> MakeFrames(int width, int height, int count) {
    std::vector<std::vector<std::uint8_t>> frames;
    const int chroma = ((width + 1) / 2) * ((height + 1) / 2);
    for (int n = 0; n < count; ++n) {
        std::vector<std::uint8_t> f(static_cast<std::size_t>(width * height + 2 * chroma));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) f[y * width + x] = static_cast<std::uint8_t>(16 + (x + y * 3 + n * 7) % 220);
        for (int i = 0; i < chroma; ++i) {
            f[width * height + i] = static_cast<std::uint8_t>(128 + (i + n) % 40);
            f[width * height + chroma + i] = static_cast<std::uint8_t>(128 - (i + n) % 40);
        }
        frames.push_back(std::move(f));
    }
    return frames;
}

class CQuietSink : public IKXVideoWindowEvent, public IKXDialogEvent {};

void GridFigure(bool quick) {
    const int kWindows = 36, kWidth = 704, kHeight = 576;
    const auto frames = MakeFrames(kWidth, kHeight, 25);
    CQuietSink sink;
    std::unique_ptr<CKXDialog> host(CKXUIFactory::CreateUIDialog(&sink));
    host->Create(L"Bench", KX_WS_VISIBLE, CKXRect(0, 0, 1280, 720), nullptr, 0);
    std::unique_ptr<CKXVideoWindow> grid(CKXUIFactory::CreateUIVideoWindow(0, &sink, 8, 8));
    grid->Create(L"VideoWindow", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 1280, 720), host.get(), 2145);
    grid->SetLayout(8);
    for (int w = 0; w < kWindows; ++w) grid->SetWindowTitle(w, L"Channel" + std::to_wstring(w + 1) + L"_main");
    QCoreApplication::processEvents();

    const double seconds = quick ? 3 : 10;
    const int ticks = static_cast<int>(seconds * 25);
    int tick = 0, late = 0;
    QElapsedTimer wall;
    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    const double cpuBefore = ThreadCpuSeconds();
    wall.start();
    QObject::connect(&clock, &QTimer::timeout, [&] {
        // A tick that comes after the next one was due means the grid fell behind.
        if (wall.elapsed() > (tick + 1) * 40 + 40) ++late;
        for (int w = 0; w < kWindows; ++w) grid->DrawFrame(w, frames[(tick + w) % 25].data(), kWidth, kHeight, 0, nullptr);
        if (++tick == ticks) QCoreApplication::quit();
    });
    clock.start(40);
    QCoreApplication::exec();
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double cpu = ThreadCpuSeconds() - cpuBefore;

    // The limit: converting the same frames to the same size and nothing else.
    const CKXRect cell = grid->GetSubWindowRect(0);
    const QSize target(cell.Width() - 4, cell.Height() - 4);
    std::vector<KXQt::CFrameConverter> converters(kWindows);
    const double alone0 = ThreadCpuSeconds();
    for (int t = 0; t < ticks; ++t)
        for (int w = 0; w < kWindows; ++w) converters[w].Convert(frames[(t + w) % 25].data(), kWidth, kHeight, target);
    const double alone = ThreadCpuSeconds() - alone0;

    std::printf("grid: 36 x 704x576 at 25 fps into %dx%d sub-windows, %.1f s: %d frames, %d ticks late\n",
                target.width(), target.height(), wallSeconds, ticks * kWindows, late);
    std::printf("  UI thread CPU share %.1f%% of one core (target <= 50%%)\n", 100 * cpu / wallSeconds);
    std::printf("  converting alone     %.1f%% of one core (the limit)\n", 100 * alone / wallSeconds);
    std::printf("  limit against ours: %.2f (1 would be no cost beyond the conversion)\n", alone / cpu);
}

void ConvertFigure(bool quick) {
    const auto frames = MakeFrames(1920, 1080, 4);
    KXQt::CFrameConverter converter;
    std::vector<double> times;
    const int reps = quick ? 60 : 300;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        converter.Convert(frames[i % 4].data(), 1920, 1080, QSize(640, 360));
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("convert: 1920x1080 into 640x360: median %.2f ms, p90 %.2f ms (target median <= 3 ms)\n",
                times[times.size() / 2], times[times.size() * 9 / 10]);
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    CKXUIFactory::Install(argc, argv);
    if (only.empty() || only == "convert") ConvertFigure(quick);
    if (only.empty() || only == "grid") GridFigure(quick);
    CKXUIFactory::UnInstall();
    return 0;
}
