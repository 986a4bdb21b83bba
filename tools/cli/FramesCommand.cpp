// tarvex-cli frames FILE: plays a recording through the engine and prints each presented frame.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "Base/DateTime.h"
#include "Engine/FramePattern.h"
#include "Engine/Movra.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"

namespace {

class FramePrinter : public MOVRA::IMovraListener {
public:
    FramePrinter(MOVRA::CMovra*& engine, int limit) : m_engine(engine), m_limit(limit) {}

    void OnFrameVisible(int, int, unsigned char* buffer, void*, MOVRA::MV_FRAME_RECORD* frame) override {
        if (Finished() || frame->type != 3) return;
        int number = -1, length = 0;
        m_engine->QueryInfo(MOVRA::MV_QUERY_FRAME_NUMBER, &number, sizeof number, &length);
        const unsigned int wall = m_engine->GetCurrentPlayTime();
        KX_SOFT_BASE::DateTime dt;
        dt.FromTimeT(wall);
        const int shown = MOVRA::ReadFrameNumber(buffer, frame->width, frame->width, frame->height);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_begin).count();
        std::printf("frame %d  wall %s  read %d  at %.3f s\n", number, FormatDateTime(dt).c_str(), shown, t);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (++m_printed >= m_limit) m_cv.notify_all();
    }
    void OnFileEnd(void*) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
        m_cv.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_ended || m_printed >= m_limit; });
    }

private:
    bool Finished() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_printed >= m_limit;
    }

    MOVRA::CMovra*& m_engine;
    int m_limit;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_printed = 0;
    bool m_ended = false;
    std::chrono::steady_clock::time_point m_begin = std::chrono::steady_clock::now();
};

int RunFrames(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--speed", "--count"}, {});
    if (o.help) {
        std::fputs(kFramesCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) {
        std::fprintf(stderr, "tarvex-cli frames: %s (see --help)\n", o.error.empty() ? "give one file" : o.error.c_str());
        return kExitUsage;
    }
    std::string error;
    int count = 1 << 30;
    double speed = 1;
    const bool unpaced = o.values.count("--speed") && o.values.at("--speed") == "max";
    if (!ReadInt(o, "--count", 1, 1 << 30, &count, &error) ||
        (!unpaced && !ReadDouble(o, "--speed", 1.0 / 64, 64, &speed, &error))) {
        std::fprintf(stderr, "tarvex-cli frames: %s (see --help)\n", error.c_str());
        return kExitUsage;
    }
    const std::string& path = o.positional[0];
    MOVRA::CMovra* engine = nullptr;
    FramePrinter printer(engine, count);
    MOVRA::CMovra movra(&printer);
    engine = &movra;
    if (!movra.Open(path.c_str())) {
        std::fprintf(stderr, "cannot open %s: not a recording this player can play\n", path.c_str());
        return kExitFailed;
    }
    movra.SetSpeed(static_cast<float>(speed));
    movra.SetPresentationPacing(unpaced ? 0 : 1);
    if (!movra.Play(nullptr)) {
        std::fprintf(stderr, "cannot open %s: its video does not decode\n", path.c_str());
        return kExitFailed;
    }
    printer.Wait();
    movra.Stop();
    movra.Close();
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kFramesCommand = {
    "frames", "play a recording and print each frame presented",
    "Usage: tarvex-cli frames FILE [--speed X|max] [--count N]\n"
    "\n"
    "Plays FILE forward through the playback engine, paced at X times real time (1/64 to 64,\n"
    "default 1; \"max\": no pacing, every frame as fast as it decodes), and prints one line per\n"
    "presented frame: the engine's frame number in the file, the wall-clock time of the frame,\n"
    "the frame number read back from the picture (-1 for a file that tarvex-cli synth did not\n"
    "write) and the seconds since playing began. Stops after N frames or at the end of the file.\n"
    "At high speeds the engine shows fewer frames so that the clock keeps the speed.\n"
    "\n"
    "Exit status: 0 played, 1 the file cannot be played, 2 wrong usage.\n",
    &RunFrames};
