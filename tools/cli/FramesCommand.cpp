// tarvex-cli frames FILE: plays or steps through a recording with the engine and prints each
// presented frame.
#include <chrono>
#include <cmath>
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

constexpr auto kStepLimit = std::chrono::seconds(10);  // a step that shows nothing is a fault

class FramePrinter : public MOVRA::IMovraListener {
public:
    FramePrinter(MOVRA::CMovra*& engine, int limit) : m_engine(engine), m_limit(limit) {}

    void OnFrameVisible(int, int, unsigned char* buffer, void*, MOVRA::MV_FRAME_RECORD* frame) override {
        if (Finished() || frame->type != 3) return;
        int number = -1, length = 0;
        double seconds = 0, wall = 0;
        m_engine->QueryInfo(MOVRA::MV_QUERY_FRAME_NUMBER, &number, sizeof number, &length);
        m_engine->QueryInfo(MOVRA::MV_QUERY_STREAM_SECONDS, &seconds, sizeof seconds, &length);
        m_engine->QueryInfo(MOVRA::MV_QUERY_WALL_CLOCK, &wall, sizeof wall, &length);
        KX_SOFT_BASE::DateTime dt;
        const double whole = std::floor(wall);
        dt.FromTimeT(static_cast<std::int64_t>(whole));
        const int millis = std::min(999, static_cast<int>(std::lround((wall - whole) * 1000)));
        const int shown = MOVRA::ReadFrameNumber(buffer, frame->width, frame->width, frame->height);
        std::printf("frame %d  time %.3f  wall %s.%03d  read %d\n", number, seconds, FormatDateTime(dt).c_str(), millis,
                    shown);
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_printed;
        m_cv.notify_all();
    }
    void OnFileEnd(void*) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
        m_cv.notify_all();
    }
    void OnFileRefFinished(void*, int result) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_indexed = result != 0;
        m_indexDone = true;
        m_cv.notify_all();
    }
    // Until the end of the file or `limit` frames.
    void WaitPlayed() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_ended || m_printed >= m_limit; });
    }
    bool WaitPrinted(int count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, kStepLimit, [&] { return m_printed >= count; });
    }
    bool WaitIndex() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_indexDone; });
        return m_indexed;
    }
    int Printed() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_printed;
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
    bool m_indexDone = false, m_indexed = false;
};

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli frames: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

// "--from": whole seconds from the file's start, or a percentage of its span ("25%").
bool ReadFrom(const ParsedOptions& o, bool* percent, double* value, std::string* error) {
    auto it = o.values.find("--from");
    if (it == o.values.end()) return true;
    std::string text = it->second;
    *percent = !text.empty() && text.back() == '%';
    if (*percent) text.pop_back();
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    const bool ok = !text.empty() && !*end &&
                    (*percent ? *value >= 0 && *value <= 100 : *value >= 0 && *value == std::floor(*value) && *value < 4e9);
    if (!ok) *error = "--from takes whole seconds from the file's start, or a percentage such as 25%";
    return ok;
}

int RunFrames(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--speed", "--count", "--from", "--step"}, {"--backward"});
    if (o.help) {
        std::fputs(kFramesCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) return Usage(o.error.empty() ? "give one file" : o.error);
    std::string error;
    int count = 1 << 30;
    double speed = 1, from = 0;
    bool fromPercent = false;
    const bool unpaced = o.values.count("--speed") && o.values.at("--speed") == "max";
    if (!ReadInt(o, "--count", 1, 1 << 30, &count, &error) ||
        (!unpaced && !ReadDouble(o, "--speed", 1.0 / 64, 64, &speed, &error)) || !ReadFrom(o, &fromPercent, &from, &error))
        return Usage(error);
    const bool stepping = o.values.count("--step") != 0;
    const bool stepForward = stepping && o.values.at("--step") == "forward";
    if (stepping && !stepForward && o.values.at("--step") != "backward") return Usage("--step takes forward or backward");
    const bool backward = o.values.count("--backward") != 0;

    const std::string& path = o.positional[0];
    MOVRA::CMovra* engine = nullptr;
    FramePrinter printer(engine, count);
    MOVRA::CMovra movra(&printer);
    engine = &movra;
    if (!movra.Open(path.c_str())) {
        std::fprintf(stderr, "cannot open %s: not a recording this player can play\n", path.c_str());
        return kExitFailed;
    }
    // Seeks are exact and backward play needs every keyframe's place: wait for the index.
    if ((backward || o.values.count("--from") || stepping) && !printer.WaitIndex()) {
        std::fprintf(stderr, "cannot open %s: its frames cannot be indexed\n", path.c_str());
        return kExitFailed;
    }
    if (o.values.count("--from")) {
        const int sought = fromPercent ? movra.Seek(static_cast<float>(from))
                                       : movra.Seek(movra.GetFileStartTime() + static_cast<unsigned int>(from));
        if (!sought) {
            std::fprintf(stderr, "cannot open %s: --from %s is outside the file\n", path.c_str(), o.values.at("--from").c_str());
            return kExitFailed;
        }
    }
    if (backward) movra.PlayBackward();
    movra.SetSpeed(static_cast<float>(speed));
    movra.SetPresentationPacing(unpaced ? 0 : 1);
    if (stepping) movra.Pause();
    if (!movra.Play(nullptr)) {
        std::fprintf(stderr, "cannot open %s: its video does not decode\n", path.c_str());
        return kExitFailed;
    }
    if (stepping) {
        // The frame where stepping starts, then one line per step until N lines or an end.
        bool ok = printer.WaitPrinted(1);
        while (ok && printer.Printed() < count) {
            const int before = printer.Printed();
            if (!(stepForward ? movra.StepForward() : movra.StepBackward())) break;
            ok = printer.WaitPrinted(before + 1);
        }
        if (!ok) {
            std::fprintf(stderr, "cannot open %s: a step showed no frame\n", path.c_str());
            return kExitFailed;
        }
    } else {
        printer.WaitPlayed();
    }
    movra.Stop();
    movra.Close();
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kFramesCommand = {
    "frames", "play or step through a recording and print each frame presented",
    "Usage: tarvex-cli frames FILE [--from SECONDS|P%] [--backward] [--speed X|max] [--count N]\n"
    "                              [--step forward|backward]\n"
    "\n"
    "Plays FILE through the playback engine and prints one line per presented frame: the\n"
    "engine's frame number in the file, its time in seconds from the file's first frame, its\n"
    "wall-clock time, and the frame number read back from the picture (-1 for a file that\n"
    "tarvex-cli synth did not write).\n"
    "\n"
    "  --from SECONDS|P%  start at whole SECONDS from the file's start, or at P percent of its span\n"
    "  --backward         play backward (from the end, or from --from)\n"
    "  --speed X|max      X times real time, 1/64 to 64 (default 1); max: no pacing at all\n"
    "  --count N          stop after N frames (default: at the end of the file)\n"
    "  --step forward|backward\n"
    "                     do not play: show the starting frame, then step one frame at a time\n"
    "                     until N lines are printed or the file ends\n"
    "\n"
    "At high speeds the engine shows fewer frames so that the clock keeps the speed.\n"
    "\n"
    "Exit status: 0 played, 1 the file cannot be played, 2 wrong usage.\n",
    &RunFrames};
