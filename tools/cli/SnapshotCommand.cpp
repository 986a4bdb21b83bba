// tarvex-cli snapshot FILE --at POSITION -o OUT: the frame at a place in a recording, written as the
// player's snapshot button writes it.
#include <cstdio>
#include <string>

#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"
#include "tools/cli/PlaySession.h"

namespace {

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli snapshot: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

int RunSnapshot(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--at", "--format", "-o"}, {});
    if (o.help) {
        std::fputs(kSnapshotCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) return Usage(o.error.empty() ? "give one file" : o.error);
    if (!o.values.count("-o")) return Usage("give the picture's name with -o");
    if (!o.values.count("--at")) return Usage("give the place with --at");
    FilePosition at;
    if (!ParsePosition(o.values.at("--at"), &at)) return Usage(std::string("--at takes ") + kPositionForms);
    const std::string& out = o.values.at("-o");
    std::string format = o.values.count("--format") ? o.values.at("--format")
                         : (EndsWith(out, ".jpg") || EndsWith(out, ".jpeg") || EndsWith(out, ".JPG")) ? "jpg"
                                                                                                    : "bmp";
    if (format == "jpeg") format = "jpg";
    if (format != "bmp" && format != "jpg") return Usage("--format takes bmp or jpg");

    const std::string& path = o.positional[0];
    std::string error;
    CPlaySession session;
    MOVRA::CMovra& movra = session.Engine();
    if (!session.Open(path, true, &error)) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), error.c_str());
        return kExitFailed;
    }
    if (!session.Seek(at)) {
        std::fprintf(stderr, "cannot open %s: --at %s is outside the file\n", path.c_str(), o.values.at("--at").c_str());
        return kExitFailed;
    }
    movra.Pause();  // shows the frame sought, and no other
    if (!movra.Play(nullptr) || !session.WaitPresented(1, std::chrono::seconds(20))) {
        std::fprintf(stderr, "cannot open %s: its video does not decode\n", path.c_str());
        return kExitFailed;
    }
    std::string target = out;
    if (!movra.SnapPicture(target.data(), format == "jpg" ? MOVRA::MV_IMAGE_JPEG : MOVRA::MV_IMAGE_BMP)) {
        std::fprintf(stderr, "cannot write %s: the folder is missing or not writable, or the disk is full\n", out.c_str());
        return kExitFailed;
    }
    movra.Close();
    return kExitOk;
}

}  // namespace

const CliCommand kSnapshotCommand = {
    "snapshot", "write the frame at a place in a recording as a picture",
    "Usage: tarvex-cli snapshot FILE --at POSITION [--format bmp|jpg] -o OUT\n"
    "\n"
    "Writes the frame of FILE at POSITION to OUT at its native size, exactly as the player's\n"
    "snapshot does: a 24-bit BMP or a JPEG of quality about 90 (the default follows OUT's ending,\n"
    "else BMP). POSITION is whole seconds from the file's start (90), a time of the file's day\n"
    "(10:01:30), or a percentage of its span (25%). OUT is written whole or not at all.\n"
    "\n"
    "Exit status: 0 written, 1 the file cannot be played or OUT cannot be written, 2 wrong usage.\n",
    &RunSnapshot};
