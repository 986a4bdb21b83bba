// tarvex-cli export FILE [--from T] [--to T] --format rvf|avi -o OUT: a stretch of a recording
// written as the player's clip (rvf: MPEG-TS stream copy) by the engine's own clip recorder.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"
#include "tools/cli/PlaySession.h"

namespace {

using Clock = std::chrono::steady_clock;

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli export: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

int RunExport(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--from", "--to", "--format", "-o"}, {});
    if (o.help) {
        std::fputs(kExportCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) return Usage(o.error.empty() ? "give one file" : o.error);
    if (!o.values.count("-o")) return Usage("give the export's name with -o");
    const std::string format = o.values.count("--format") ? o.values.at("--format") : "rvf";
    if (format != "rvf") return Usage("--format takes rvf (avi export arrives with the AVI converter)");
    FilePosition from, to;
    const bool hasFrom = o.values.count("--from") != 0, hasTo = o.values.count("--to") != 0;
    if ((hasFrom && !ParsePosition(o.values.at("--from"), &from)) || (hasTo && !ParsePosition(o.values.at("--to"), &to)))
        return Usage(std::string("--from and --to take ") + kPositionForms);

    const std::string& path = o.positional[0];
    std::string out = o.values.at("-o");
    std::atomic<double> shownSeconds{0};
    std::atomic<bool> reached{false}, started{false}, refused{false};
    double endSeconds = 1e300;
    // The clip starts from inside the first frame's call: play cannot move on before it has.
    CPlaySession session([&](MOVRA::CMovra& engine, unsigned char*, const MOVRA::MV_FRAME_RECORD&) {
        double seconds = 0;
        int length = 0;
        engine.QueryInfo(MOVRA::MV_QUERY_STREAM_SECONDS, &seconds, sizeof seconds, &length);
        shownSeconds = seconds;
        if (!started.exchange(true)) {
            if (!engine.StartDataRecord(out.data(), 0)) {
                refused = true;
                engine.Pause();
                return;
            }
            engine.SetPresentationPacing(0);
        }
        if (seconds >= endSeconds - 1e-6 && !reached.exchange(true)) engine.Pause();
    });
    MOVRA::CMovra& movra = session.Engine();
    std::string error;
    if (!session.Open(path, true, &error)) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), error.c_str());
        return kExitFailed;
    }
    MOVRA::MV_FILE_DESCRIPTION d;
    movra.DescribeFile(&d);
    const double fromSeconds = hasFrom ? session.StreamSeconds(from) : 0;
    endSeconds = hasTo ? session.StreamSeconds(to) : d.duration;
    if (endSeconds <= fromSeconds) return Usage("--to must come after --from");
    if (hasFrom && !session.Seek(from)) {
        std::fprintf(stderr, "cannot open %s: --from %s is outside the file\n", path.c_str(), o.values.at("--from").c_str());
        return kExitFailed;
    }
    if (!movra.Play(nullptr)) {
        std::fprintf(stderr, "cannot open %s: its video does not decode\n", path.c_str());
        return kExitFailed;
    }
    // Until the end point or the end of the file, with a progress line for long exports.
    const auto begin = Clock::now();
    auto lastReport = begin;
    bool reported = false;
    while (!reached && !refused && !session.Ended()) {
        session.WaitEndOr(1 << 30, std::chrono::milliseconds(200));
        const auto now = Clock::now();
        if (now - begin > std::chrono::seconds(2) && now - lastReport >= std::chrono::milliseconds(500)) {
            const double done = shownSeconds - fromSeconds, total = std::min(endSeconds, d.duration) - fromSeconds;
            const double elapsed = std::chrono::duration<double>(now - begin).count();
            std::fprintf(stderr, "\rexporting %s: %3.0f%%  %.0fx real time", out.c_str(), 100 * done / total, done / elapsed);
            lastReport = now;
            reported = true;
        }
    }
    if (reported) std::fputc('\n', stderr);
    if (refused) {
        std::fprintf(stderr, "cannot write %s: it exists already, or its folder is missing or not writable\n", out.c_str());
        return kExitFailed;
    }
    if (!movra.StopDataRecord()) {
        std::fprintf(stderr, "cannot write %s: the disk is full or the clip could not be completed\n", out.c_str());
        return kExitFailed;
    }
    movra.Close();
    return kExitOk;
}

}  // namespace

const CliCommand kExportCommand = {
    "export", "write a stretch of a recording as a clip",
    "Usage: tarvex-cli export FILE [--from POSITION] [--to POSITION] [--format rvf] -o OUT\n"
    "\n"
    "Writes the stretch of FILE from --from (default: its start) to --to (default: its end) to\n"
    "OUT, as the player's clip recorder does: the packets copied without re-encoding from the\n"
    "keyframe at or before --from, MPEG-TS when the codecs fit it (else Matroska), with the wall\n"
    "clock of the first frame stored in it. OUT must not exist yet. POSITION is whole seconds from\n"
    "the file's start (90), a time of the file's day (10:01:30), or a percentage of its span (25%).\n"
    "Long exports show their progress on stderr.\n"
    "\n"
    "Exit status: 0 written, 1 the file cannot be played or OUT cannot be written, 2 wrong usage.\n",
    &RunExport};
