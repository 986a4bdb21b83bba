// tarvex-cli export FILE [--from T] [--to T] --format rvf|avi -o OUT: a stretch of a recording
// written as the player writes clips: rvf by the engine's clip recorder, avi by the stream the
// engine pushes, fed to the stream converter.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "Engine/StrovaWrapper.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"
#include "tools/cli/PlaySession.h"

namespace {

using Clock = std::chrono::steady_clock;

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli export: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

// The parts of a split AVI: OUT without ".avi", then "_2.avi", "_3.avi"...
class PartNamer : public MOVRA::IAVIConvertListener {
public:
    explicit PartNamer(const std::string& out)
        : m_base(out.size() > 4 && out.compare(out.size() - 4, 4, ".avi") == 0 ? out.substr(0, out.size() - 4) : out) {}
    void OnGetNewFileName(void*, int* flag, char* name) override {
        *flag = 0;
        std::snprintf(name, MOVRA::kMaxAviNameLength, "%s_%d.avi", m_base.c_str(), ++m_part);
        std::fprintf(stderr, "\rcontinuing in %s\n", name);
    }

private:
    std::string m_base;
    int m_part = 1;
};

// Feeds the pushed stream to the converter, waiting while its buffer is full.
class AviFeed {
public:
    MOVRA::CStrovaWrapper converter;
    std::atomic<bool> active{true};
    void Input(const char* data, int length) {
        while (active && !converter.InputData(reinterpret_cast<const unsigned char*>(data), static_cast<unsigned>(length)))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Once everything fed is taken: the AVI completed with its index.
    bool Finish() {
        while (converter.GetBufferValue(MOVRA::MV_BUFFER_PENDING) + converter.GetSourceBufferRemain() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const int result = converter.StopAVIConvert();
        converter.Stop();
        converter.CloseStream();
        return result != 0;
    }
};

int RunExport(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--from", "--to", "--format", "-o"}, {});
    if (o.help) {
        std::fputs(kExportCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) return Usage(o.error.empty() ? "give one file" : o.error);
    if (!o.values.count("-o")) return Usage("give the export's name with -o");
    const std::string format = o.values.count("--format") ? o.values.at("--format") : "rvf";
    if (format != "rvf" && format != "avi") return Usage("--format takes rvf or avi");
    const bool avi = format == "avi";
    FilePosition from, to;
    const bool hasFrom = o.values.count("--from") != 0, hasTo = o.values.count("--to") != 0;
    if ((hasFrom && !ParsePosition(o.values.at("--from"), &from)) || (hasTo && !ParsePosition(o.values.at("--to"), &to)))
        return Usage(std::string("--from and --to take ") + kPositionForms);

    const std::string& path = o.positional[0];
    std::string out = o.values.at("-o");
    std::atomic<double> shownSeconds{0};
    std::atomic<bool> reached{false}, started{false}, refused{false};
    double endSeconds = 1e300;
    AviFeed feed;
    PartNamer namer(out);
    if (avi) {
        feed.converter.SetAVIConvertListener(&namer);
        if (!feed.converter.SetStreamOpenMode(1) || !feed.converter.OpenStream(0x100000) ||
            !feed.converter.StartAVIConvert(out.c_str()) || !feed.converter.Play(nullptr)) {
            std::fprintf(stderr, "cannot write %s: it exists already, or its folder is missing or not writable\n", out.c_str());
            return kExitFailed;
        }
    }
    // The clip starts from inside the first frame's call: play cannot move on before it has.
    CPlaySession session([&](MOVRA::CMovra& engine, unsigned char*, const MOVRA::MV_FRAME_RECORD&) {
        double seconds = 0;
        int length = 0;
        engine.QueryInfo(MOVRA::MV_QUERY_STREAM_SECONDS, &seconds, sizeof seconds, &length);
        shownSeconds = seconds;
        if (!started.exchange(true)) {
            if (avi) {
                engine.SetPresentationPacing(0);  // the engine pushes the stream as it plays it
            } else if (!engine.StartDataRecord(out.data(), 1)) {  // nothing under OUT unless complete
                refused = true;
                engine.Pause();
                return;
            }
            engine.SetPresentationPacing(0);
        }
        if (seconds >= endSeconds - 1e-6 && !reached.exchange(true)) engine.Pause();
    });
    if (avi) session.SetStreamHandler([&feed](const char* data, int length) { feed.Input(data, length); });
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
    if (avi) {
        movra.Close();  // pushes what is left up to the frame on screen
        if (!feed.Finish()) {
            std::fprintf(stderr, "cannot write %s: the disk is full or the AVI could not be completed\n", out.c_str());
            return kExitFailed;
        }
        return kExitOk;
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
    "Usage: tarvex-cli export FILE [--from POSITION] [--to POSITION] [--format rvf|avi] -o OUT\n"
    "\n"
    "Writes the stretch of FILE from --from (default: its start) to --to (default: its end) to\n"
    "OUT, as the player writes clips: the packets copied without re-encoding from the keyframe at\n"
    "or before --from. rvf (the default): MPEG-TS when the codecs fit it (else Matroska), with the\n"
    "wall clock of the first frame stored in it. avi: an AVI with its index, split into OUT_2.avi,\n"
    "OUT_3.avi... past 1 GiB or where the stream's parameters change. OUT must not exist yet; it\n"
    "is written under a temporary name beside it, so that an export that fails (a full disk)\n"
    "leaves nothing under OUT.\n"
    "POSITION is whole seconds from the file's start (90), a time of the file's day (10:01:30), or\n"
    "a percentage of its span (25%). Long exports show their progress on stderr.\n"
    "\n"
    "Exit status: 0 written, 1 the file cannot be played or OUT cannot be written, 2 wrong usage.\n",
    &RunExport};
