// tarvex-cli activity FILE...: when something happens in each recording, as JSON.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Engine/ActivityStore.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"

namespace {

using Json = nlohmann::ordered_json;

double Rounded(double v, double unit) { return std::round(v / unit) * unit; }

int RunActivity(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {}, {"--per-second"});
    if (o.help) {
        std::fputs(kActivityCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.empty()) {
        std::fprintf(stderr, "tarvex-cli activity: %s (see --help)\n", o.error.empty() ? "give one file or more" : o.error.c_str());
        return kExitUsage;
    }
    const bool perSecond = o.values.count("--per-second") != 0;
    const std::atomic<bool> never{false};
    Json files = Json::array();
    int failed = 0;
    for (const std::string& path : o.positional) {
        MOVRA::ActivityResult r;
        std::string error;
        if (!MOVRA::ProfileActivity(path, never, nullptr, &r, &error)) {
            std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), error.c_str());
            files.push_back(Json{{"file", path}, {"error", error}});
            ++failed;
            continue;
        }
        Json events = Json::array();
        for (const MOVRA::ActivitySpan& s : r.spans)
            events.push_back(Json{{"start", FormatWallClock(r.startWallClock + s.start)},
                                  {"end", FormatWallClock(r.startWallClock + s.end)},
                                  {"peak", FormatWallClock(r.startWallClock + s.peak)},
                                  {"score", Rounded(s.score, 1e-4)}});
        Json file{{"file", path},
                  {"start", FormatWallClock(r.startWallClock)},
                  {"end", FormatWallClock(r.startWallClock + r.duration)},
                  {"events", events}};
        if (perSecond) {
            Json values = Json::array();
            for (float v : r.perSecond) values.push_back(Rounded(v, 1e-4));
            file["perSecond"] = values;
        }
        files.push_back(file);
    }
    std::cout << Json{{"files", files}}.dump(2) << '\n';
    if (!std::cout.good()) return kExitFailed;
    return failed ? kExitFailed : kExitOk;
}

}  // namespace

const CliCommand kActivityCommand = {
    "activity", "when something moves in recordings",
    "Usage: tarvex-cli activity FILE... [--per-second]\n"
    "\n"
    "Looks through each recording for change in the picture - something or someone moving - and\n"
    "prints one JSON document: {\"files\": [...]}, per file its \"file\", wall-clock \"start\" and\n"
    "\"end\", and \"events\", each with \"start\", \"end\", \"peak\" (the moment of most change) and\n"
    "\"score\" (the share of the picture changed at the peak). Times are local\n"
    "\"YYYY-MM-DD hh:mm:ss.fff\". With --per-second, \"perSecond\" holds one value (0..1) for each\n"
    "second of the file.\n"
    "\n"
    "Slow changes of light, flicker, sensor noise and places that always move (leaves, water) are\n"
    "not activity. What is found is kept with the file's index (in the program's Index folder,\n"
    "when it exists) and used again while the file is unchanged.\n"
    "\n"
    "Exit status: 0 all files looked through, 1 some could not be read (named on stderr, and with\n"
    "an \"error\" in the output), 2 wrong usage.\n",
    &RunActivity};
