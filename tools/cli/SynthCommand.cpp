// tarvex-cli synth OUTDIR ...: recordings made here, named and timed as a recorder makes them.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "Base/DateTime.h"
#include "Engine/RecordingWriter.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"

namespace {

bool ParseDay(const std::string& text, int* y, int* m, int* d) {
    return std::sscanf(text.c_str(), "%4d-%2d-%2d", y, m, d) == 3;
}

bool ParseClock(const std::string& text, int* h, int* m, int* s) {
    return std::sscanf(text.c_str(), "%2d:%2d:%2d", h, m, s) == 3 && *h >= 0 && *h < 24 && *m >= 0 && *m < 60 &&
           *s >= 0 && *s < 60;
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "tarvex-cli synth: %s (see --help)\n", why.c_str());
    return kExitUsage;
}

int RunSynth(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(
        argc, argv,
        {"--device", "--channels", "--streams", "--day", "--start", "--files", "--seconds", "--size", "--fps", "--gop",
         "--bframes", "--codec", "--audio"},
        {"--date-folders"});
    if (o.help) {
        std::fputs(kSynthCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty()) return Usage(o.error);
    if (o.positional.size() != 1) return Usage("give one output folder");

    MOVRA::SynthOptions s;
    std::string error;
    if (o.values.count("--device")) s.device = o.values.at("--device");
    if (s.device.empty() || s.device.find('_') != std::string::npos || s.device.find('/') != std::string::npos)
        return Usage("--device takes a name without '_' or '/'");
    if (!ReadInt(o, "--channels", 1, 36, &s.channels, &error) || !ReadInt(o, "--files", 1, 1000, &s.files, &error) ||
        !ReadDouble(o, "--seconds", 0.04, 86400, &s.seconds, &error) || !ReadInt(o, "--fps", 1, 120, &s.fps, &error) ||
        !ReadInt(o, "--gop", 1, 1000, &s.gop, &error) || !ReadInt(o, "--bframes", 0, 8, &s.bframes, &error))
        return Usage(error);
    if (o.values.count("--streams")) {
        s.streams.clear();
        std::stringstream list(o.values.at("--streams"));
        for (std::string item; std::getline(list, item, ',');) {
            int n = 0;
            char tail = 0;
            if (item != "main" && !(std::sscanf(item.c_str(), "extra%d%c", &n, &tail) == 1 && n >= 1))
                return Usage("--streams takes main and extraN names, such as main,extra1");
            s.streams.push_back(item);
        }
        if (s.streams.empty()) return Usage("--streams takes at least one stream");
    }
    if (o.values.count("--size")) {
        char x = 0;
        if (std::sscanf(o.values.at("--size").c_str(), "%d%c%d", &s.width, &x, &s.height) != 3 || x != 'x' ||
            s.width < 96 || s.height < 64 || s.width > 3840 || s.height > 2160 || s.width % 2 || s.height % 2)
            return Usage("--size takes WxH, even, from 96x64 to 3840x2160");
    }
    if (o.values.count("--codec")) s.codec = o.values.at("--codec");
    if (s.codec != "h264" && s.codec != "hevc" && s.codec != "mjpeg") return Usage("--codec takes h264, hevc or mjpeg");
    if (o.values.count("--audio")) s.audio = o.values.at("--audio");
    if (s.audio != "none" && s.audio != "mulaw" && s.audio != "alaw" && s.audio != "aac")
        return Usage("--audio takes none, mulaw, alaw or aac");
    s.dateFolders = o.values.count("--date-folders") > 0;

    int year = 2024, month = 3, day = 15, hour = 10, minute = 0, second = 0;
    if (o.values.count("--day") && !ParseDay(o.values.at("--day"), &year, &month, &day))
        return Usage("--day takes YYYY-MM-DD");
    if (o.values.count("--start") && !ParseClock(o.values.at("--start"), &hour, &minute, &second))
        return Usage("--start takes HH:MM:SS");
    s.start = KX_SOFT_BASE::DateTime::MakeTimeT(year, month, day, hour, minute, second);
    if (s.start <= 0 || year > 2037) return Usage("--day is not a date this player can time (1970 to 2037)");

    const std::string& out = o.positional[0];
    ::mkdir(out.c_str(), 0755);
    struct stat st;
    if (::stat(out.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "cannot write %s: not a folder that can be made\n", out.c_str());
        return kExitFailed;
    }
    std::vector<std::string> written;
    if (!MOVRA::WriteSynthRecordings(out, s, &written, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", out.c_str(), error.c_str());
        return kExitFailed;
    }
    for (const std::string& path : written) std::printf("%s\n", path.c_str());
    return kExitOk;
}

}  // namespace

const CliCommand kSynthCommand = {
    "synth", "write generated recordings, as a recorder would",
    "Usage: tarvex-cli synth OUTDIR [options]\n"
    "\n"
    "Writes recordings into OUTDIR (made if missing), named by the recorder's grammar\n"
    "DEVICE_chN_[extraN_]START_END.rvf, and prints their paths. Each picture shows its frame\n"
    "number as a barcode along the top and the channel and wall-clock time in large digits;\n"
    "the sound track is a tone whose pitch tells the channel. The wall clock of the first frame\n"
    "is stored in the file. The same options always give the same bytes.\n"
    "\n"
    "The container is MPEG-TS when the codecs fit it (h264 or hevc with aac or no sound), else\n"
    "Matroska (MJPEG video and G.711 sound do not survive MPEG-TS in common demuxers).\n"
    "\n"
    "  --device NAME        device name (default DVR; no '_' or '/')\n"
    "  --channels N         channels 1..N (default 1, at most 36)\n"
    "  --streams LIST       streams per channel, such as main,extra1 (default main)\n"
    "  --day YYYY-MM-DD     day of the first file (default 2024-03-15)\n"
    "  --start HH:MM:SS     local time of the first file (default 10:00:00)\n"
    "  --files N            consecutive files per channel and stream (default 1)\n"
    "  --seconds S          length of each file (default 4)\n"
    "  --size WxH           picture size (default 320x240)\n"
    "  --fps F              frames per second (default 25)\n"
    "  --gop G              frames from one keyframe to the next (default 25)\n"
    "  --bframes N          B-frames between references (default 0)\n"
    "  --codec C            h264, hevc or mjpeg (default h264)\n"
    "  --audio A            none, mulaw, alaw or aac (default none)\n"
    "  --date-folders       write into OUTDIR/YYYY-MM-DD/ folders\n"
    "\n"
    "Exit status: 0 written, 1 cannot write, 2 wrong usage.\n",
    &RunSynth};
