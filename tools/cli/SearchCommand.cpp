// tarvex-cli search FILE... --region X,Y,W,H: when something changes inside a rectangle of the
// picture, as JSON.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "Base/DateTime.h"
#include "Engine/ActivityScan.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"

namespace {

using Json = nlohmann::ordered_json;

// A bound of --from / --to: a date and time, or a time of each file's own day.
struct TimeBound {
    bool set = false, ofDay = false;
    double seconds = 0;  // local seconds, or seconds into the day
};

bool ParseBound(const std::string& text, TimeBound* bound) {
    bound->set = true;
    bound->ofDay = false;
    if (KX_SOFT_BASE::ParseWallClockText(text, true, &bound->seconds)) return true;
    int h = 0, mi = 0, consumed = 0;
    double s = 0;
    if (std::sscanf(text.c_str(), "%2d:%2d:%lf%n", &h, &mi, &s, &consumed) != 3 || consumed != static_cast<int>(text.size()) ||
        h < 0 || h > 23 || mi < 0 || mi > 59 || !(s >= 0 && s < 61))
        return false;
    bound->ofDay = true;
    bound->seconds = h * 3600.0 + mi * 60.0 + s;
    return true;
}

// The bound as local seconds for a file that starts at `start`.
double Resolve(const TimeBound& b, double start, double otherwise) {
    if (!b.set) return otherwise;
    if (!b.ofDay) return b.seconds;
    KX_SOFT_BASE::DateTime t;
    t.FromTimeT(static_cast<std::int64_t>(std::floor(start)));
    return static_cast<double>(KX_SOFT_BASE::DateTime::MakeTimeT(t.year, t.month, t.day, 0, 0, 0)) + b.seconds;
}

bool ParseRegion(const std::string& text, MOVRA::ActivityRegion* region) {
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf,%lf%n", &region->x, &region->y, &region->w, &region->h, &consumed) != 4 ||
        consumed != static_cast<int>(text.size()))
        return false;
    return region->IsValid();
}

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli search: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

int RunSearch(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--region", "--from", "--to", "--thumbs"}, {});
    if (o.help) {
        std::fputs(kSearchCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty()) return Usage(o.error);
    if (o.positional.empty()) return Usage("give one file or more");
    MOVRA::ActivityScanOptions options;
    if (!o.values.count("--region")) return Usage("--region X,Y,W,H is needed");
    if (!ParseRegion(o.values.at("--region"), &options.region))
        return Usage("--region takes X,Y,W,H: fractions of the picture (0..1), W and H above 0, the rectangle inside it");
    TimeBound from, to;
    if (o.values.count("--from") && !ParseBound(o.values.at("--from"), &from))
        return Usage("--from takes \"YYYY-MM-DD hh:mm:ss\" or hh:mm:ss (of each file's day)");
    if (o.values.count("--to") && !ParseBound(o.values.at("--to"), &to))
        return Usage("--to takes \"YYYY-MM-DD hh:mm:ss\" or hh:mm:ss (of each file's day)");
    if (from.set && to.set && from.ofDay == to.ofDay && to.seconds <= from.seconds) return Usage("--to must come after --from");
    if (o.values.count("--thumbs")) {
        options.thumbnailFolder = o.values.at("--thumbs");
        struct stat st;
        if (options.thumbnailFolder.empty() || ((::stat(options.thumbnailFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) &&
                                                ::mkdir(options.thumbnailFolder.c_str(), 0777) != 0)) {
            std::fprintf(stderr, "cannot write thumbnails into %s: not a folder\n", options.thumbnailFolder.c_str());
            return kExitFailed;
        }
    }
    const std::atomic<bool> never{false};
    Json events = Json::array(), errors = Json::array();
    for (const std::string& path : o.positional) {
        MOVRA::ActivityResult r;
        std::string error;
        if (!MOVRA::ScanActivity(path, options, never, nullptr, &r, &error)) {
            std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), error.c_str());
            errors.push_back(Json{{"file", path}, {"error", error}});
            continue;
        }
        const double low = Resolve(from, r.startWallClock, -1e18), high = Resolve(to, r.startWallClock, 1e18);
        for (std::size_t i = 0; i < r.spans.size(); ++i) {
            const MOVRA::ActivitySpan& s = r.spans[i];
            const double start = r.startWallClock + s.start, end = r.startWallClock + s.end;
            if (end <= low || start >= high) continue;
            Json e{{"file", path},
                   {"start", FormatWallClock(start)},
                   {"end", FormatWallClock(end)},
                   {"peak", FormatWallClock(r.startWallClock + s.peak)},
                   {"score", std::round(s.score * 1e4) / 1e4}};
            if (i < r.thumbnails.size() && !r.thumbnails[i].empty()) e["thumb"] = r.thumbnails[i];
            events.push_back(e);
        }
    }
    const MOVRA::ActivityRegion& g = options.region;
    Json out{{"region", {g.x, g.y, g.w, g.h}}, {"events", events}};
    if (!errors.empty()) out["errors"] = errors;
    std::cout << out.dump(2) << '\n';
    if (!std::cout.good()) return kExitFailed;
    return errors.empty() ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kSearchCommand = {
    "search", "when something moves inside a rectangle of the picture",
    "Usage: tarvex-cli search FILE... --region X,Y,W,H [--from TIME] [--to TIME] [--thumbs DIR]\n"
    "\n"
    "Looks through the recordings for change inside the rectangle X,Y,W,H, given in fractions of\n"
    "the picture (0,0 is the top left corner; 0.5,0.5,0.5,0.5 is the lower right quarter). Change\n"
    "outside it is not looked at. Prints one JSON document: \"region\" and \"events\", each with\n"
    "\"file\", \"start\", \"end\", \"peak\" (local \"YYYY-MM-DD hh:mm:ss.fff\") and \"score\" (the share\n"
    "of the rectangle changed at the peak), in the order of the files given.\n"
    "\n"
    "--from and --to keep the events that overlap that stretch: \"YYYY-MM-DD hh:mm:ss\", or hh:mm:ss\n"
    "for that time of each file's own day. --thumbs DIR writes a JPEG of each event's peak picture\n"
    "into DIR (made when missing), named after the file and the event's number, and names it in\n"
    "the event's \"thumb\".\n"
    "\n"
    "Exit status: 0 all files looked through, 1 some could not be read (named on stderr and in\n"
    "\"errors\"), 2 wrong usage.\n",
    &RunSearch};
