// tarvex-cli frames FILE: plays or steps through a recording with the engine and prints each
// presented frame.
#include <cstdio>

#include "Engine/FramePattern.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"
#include "tools/cli/PlaySession.h"

namespace {

constexpr auto kStepLimit = std::chrono::seconds(10);  // a step that shows nothing is a fault

void PrintFrame(MOVRA::CMovra& engine, unsigned char* buffer, const MOVRA::MV_FRAME_RECORD& frame) {
    int number = -1, length = 0;
    double seconds = 0, wall = 0;
    engine.QueryInfo(MOVRA::MV_QUERY_FRAME_NUMBER, &number, sizeof number, &length);
    engine.QueryInfo(MOVRA::MV_QUERY_STREAM_SECONDS, &seconds, sizeof seconds, &length);
    engine.QueryInfo(MOVRA::MV_QUERY_WALL_CLOCK, &wall, sizeof wall, &length);
    const int shown = MOVRA::ReadFrameNumber(buffer, frame.width, frame.width, frame.height);
    std::printf("frame %d  time %.3f  wall %s  read %d\n", number, seconds, FormatWallClock(wall).c_str(), shown);
}

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli frames: %s (see --help)\n", error.c_str());
    return kExitUsage;
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
    double speed = 1;
    const bool unpaced = o.values.count("--speed") && o.values.at("--speed") == "max";
    if (!ReadInt(o, "--count", 1, 1 << 30, &count, &error) ||
        (!unpaced && !ReadDouble(o, "--speed", 1.0 / 64, 64, &speed, &error)))
        return Usage(error);
    FilePosition from;
    const bool seeking = o.values.count("--from") != 0;
    if (seeking && !ParsePosition(o.values.at("--from"), &from)) return Usage(std::string("--from takes ") + kPositionForms);
    const bool stepping = o.values.count("--step") != 0;
    const bool stepForward = stepping && o.values.at("--step") == "forward";
    if (stepping && !stepForward && o.values.at("--step") != "backward") return Usage("--step takes forward or backward");
    const bool backward = o.values.count("--backward") != 0;

    const std::string& path = o.positional[0];
    // Lines stop at N even while the engine is still handing frames out.
    std::mutex printing;
    int printed = 0;
    CPlaySession session([&](MOVRA::CMovra& engine, unsigned char* buffer, const MOVRA::MV_FRAME_RECORD& frame) {
        std::lock_guard<std::mutex> lock(printing);
        if (printed >= count) return;
        ++printed;
        PrintFrame(engine, buffer, frame);
    });
    MOVRA::CMovra& movra = session.Engine();
    if (!session.Open(path, backward || seeking || stepping, &error)) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), error.c_str());
        return kExitFailed;
    }
    if (seeking && !session.Seek(from)) {
        std::fprintf(stderr, "cannot open %s: --from %s is outside the file\n", path.c_str(), o.values.at("--from").c_str());
        return kExitFailed;
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
        bool ok = session.WaitPresented(1, kStepLimit);
        while (ok && session.Presented() < count) {
            const int before = session.Presented();
            if (!(stepForward ? movra.StepForward() : movra.StepBackward())) break;
            ok = session.WaitPresented(before + 1, kStepLimit);
        }
        if (!ok) {
            std::fprintf(stderr, "cannot open %s: a step showed no frame\n", path.c_str());
            return kExitFailed;
        }
    } else {
        session.WaitEndOr(count);
        if (session.Presented() == 0) {
            // Played to its end without a picture: not a success.
            std::fprintf(stderr, "cannot open %s: no frame of it decodes%s\n", path.c_str(), seeking ? " from there on" : "");
            return kExitFailed;
        }
    }
    movra.Stop();
    movra.Close();
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kFramesCommand = {
    "frames", "play or step through a recording and print each frame presented",
    "Usage: tarvex-cli frames FILE [--from POSITION] [--backward] [--speed X|max] [--count N]\n"
    "                              [--step forward|backward]\n"
    "\n"
    "Plays FILE through the playback engine and prints one line per presented frame: the\n"
    "engine's frame number in the file, its time in seconds from the file's first frame, its\n"
    "wall-clock time, and the frame number read back from the picture (-1 for a file that\n"
    "tarvex-cli synth did not write).\n"
    "\n"
    "  --from POSITION    start at whole seconds from the file's start (90), at a time of the\n"
    "                     file's day (10:01:30), or at a percentage of its span (25%)\n"
    "  --backward         play backward (from the end, or from --from)\n"
    "  --speed X|max      X times real time, 1/64 to 64 (default 1); max: no pacing at all\n"
    "  --count N          stop after N frames (default: at the end of the file)\n"
    "  --step forward|backward\n"
    "                     do not play: show the starting frame, then step one frame at a time\n"
    "                     until N lines are printed or the file ends\n"
    "\n"
    "At high speeds the engine shows fewer frames so that the clock keeps the speed.\n"
    "\n"
    "Exit status: 0 played, 1 the file cannot be played (no frame of it decodes), 2 wrong usage.\n",
    &RunFrames};
