// tarvex-cli group FILE...: plays recordings as one play group and prints, per presented frame,
// the member, its wall-clock time and the group's clock, so that sync can be checked from outside.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Base/DateTime.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"
#include "tools/cli/PlaySession.h"

namespace {

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli group: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

int RunGroup(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--at", "--speed", "--frames"}, {"--backward"});
    if (o.help) {
        std::fputs(kGroupCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.empty()) return Usage(o.error.empty() ? "give the files to play" : o.error);
    std::string error;
    int limit = 1 << 30;
    double speed = 1;
    if (!ReadInt(o, "--frames", 1, 1 << 30, &limit, &error) || !ReadDouble(o, "--speed", 1.0 / 64, 64, &speed, &error))
        return Usage(error);
    FilePosition at;
    if (o.values.count("--at") && (!ParsePosition(o.values.at("--at"), &at) || at.kind == FilePosition::kPercent))
        return Usage("--at takes whole seconds from the first file's start, or HH:MM:SS on its day");
    const bool backward = o.values.count("--backward") != 0;

    MOVRA::CMovra group(nullptr);
    std::mutex printing;
    std::atomic<int> printed{0};
    std::atomic<bool> grouped{false};  // frames shown while the group is put together are not printed
    std::vector<std::unique_ptr<CPlaySession>> members;
    for (std::size_t i = 0; i < o.positional.size(); ++i) {
        const int member = static_cast<int>(i) + 1;
        members.push_back(std::make_unique<CPlaySession>(
            [&, member](MOVRA::CMovra& engine, unsigned char*, const MOVRA::MV_FRAME_RECORD&) {
                double wall = 0;
                int length = 0;
                engine.QueryInfo(MOVRA::MV_QUERY_WALL_CLOCK, &wall, sizeof wall, &length);
                const double clock = group.GroupPlay_ClockSeconds();
                std::lock_guard<std::mutex> lock(printing);
                if (!grouped || printed >= limit) return;
                ++printed;
                std::printf("member %d  wall %s  clock %s  gap %+.3f\n", member, FormatWallClock(wall).c_str(), FormatWallClock(clock).c_str(),
                            wall - clock);
            }));
        // Backward play and exact seeks need the index.
        if (!members.back()->Open(o.positional[i], true, &error)) {
            std::fprintf(stderr, "cannot open %s: %s\n", o.positional[i].c_str(), error.c_str());
            return kExitFailed;
        }
    }
    unsigned int first = 0;
    for (auto& m : members) {
        const unsigned int start = m->Engine().GetFileStartTime();
        if (first == 0 || start < first) first = start;
    }
    for (auto& m : members) {
        m->Engine().Pause();  // each shows its first frame until the group starts
        if (!m->Engine().Play(nullptr) || !m->WaitPresented(1, std::chrono::seconds(20))) {
            std::fprintf(stderr, "cannot open a member: its video does not decode\n");
            return kExitFailed;
        }
    }
    group.GroupPlay_Open();
    for (auto& m : members) group.GroupPlay_AddToPlayGroup(&m->Engine());
    std::int64_t target = first;
    if (o.values.count("--at")) {
        if (at.kind == FilePosition::kSeconds) {
            target = first + static_cast<std::int64_t>(at.value);
        } else {
            KX_SOFT_BASE::DateTime day;
            day.FromTimeT(first);
            day.hour = day.minute = day.second = 0;
            target = day.ToTimeT() + static_cast<std::int64_t>(at.value);
        }
    }
    group.GroupPlay_Pause();  // held while it is put together
    group.GroupPlay_Seek(static_cast<unsigned int>(target));
    if (backward && !group.GroupPlay_PlayBackward()) {
        std::fprintf(stderr, "cannot play backward: a member has no index\n");
        return kExitFailed;
    }
    group.GroupPlay_SetPlaySpeed(static_cast<float>(speed));
    for (auto& m : members) m->Engine().Resume();
    // The frames the seek shows come first; print from the first frame the clock moves to.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    grouped = true;
    group.GroupPlay_Resume();
    // Until N lines, or every member has passed its end.
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (printed >= limit) break;
        bool allEnded = true;
        for (auto& m : members) allEnded = allEnded && m->Ended();
        if (allEnded) break;
    }
    group.GroupPlay_Close();
    for (auto& m : members) m->Engine().Close();
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kGroupCommand = {
    "group", "play recordings in sync by wall clock and print each frame against the group's clock",
    "Usage: tarvex-cli group FILE... [--at POSITION] [--speed X] [--backward] [--frames N]\n"
    "\n"
    "Plays the files as one play group, as the player's synchronous play does: one clock in\n"
    "wall-clock time, every file showing its frame for that time, a file that does not cover it\n"
    "holding its nearest frame. Prints one line per presented frame: the member (its place on the\n"
    "command line), the frame's wall-clock time, the group's clock when it was handed out, and the\n"
    "difference.\n"
    "\n"
    "  --at POSITION   start at whole seconds from the earliest file's start, or at HH:MM:SS on\n"
    "                  its day (default: the earliest start)\n"
    "  --speed X       1/64 to 64 (default 1)\n"
    "  --backward      play backward\n"
    "  --frames N      stop after N lines (default: when every file has passed its end)\n"
    "\n"
    "Exit status: 0 played, 1 a file cannot be played, 2 wrong usage.\n",
    &RunGroup};
