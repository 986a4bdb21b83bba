// tarvex-cli scan PATH...: the catalogue the player builds for the same paths, as JSON.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Base/StreamConvert.h"
#include "Files/CatalogueScan.h"
#include "Files/FileManager.h"
#include "tools/cli/CliText.h"
#include "tools/cli/Commands.h"

namespace {

using Json = nlohmann::ordered_json;

Json CatalogueJson(const CFileManager& catalogue, bool noRecording) {
    Json groups = Json::array();
    for (const auto& [deviceName, device] : catalogue.Devices())
        for (const auto& [dayKey, day] : device.days) {
            // From a recording's name: the key holds only 32 bits of time.
            const KX_SOFT_BASE::DateTime& start = day.channels.begin()->second.files.begin()->second->startTime;
            const KX_SOFT_BASE::DateTime date{start.year, start.month, start.day, 0, 0, 0};
            Json channels = Json::array();
            for (const auto& [code, channel] : day.channels) {
                Json files = Json::array();
                for (const auto& [startKey, file] : channel.files)
                    files.push_back(Json{{"path", DisplayText(file->path)},
                                         {"start", FormatDateTime(file->startTime)},
                                         {"end", FormatDateTime(file->endTime)},
                                         {"startKey", startKey}});
                channels.push_back(Json{{"code", code},
                                        {"channel", ChannelNumberOf(code)},
                                        {"stream", StreamNumberOf(code)},
                                        {"files", std::move(files)}});
            }
            groups.push_back(Json{{"device", DisplayText(deviceName)},
                                  {"day", FormatDate(date)},
                                  {"dayKey", dayKey},
                                  {"channels", std::move(channels)}});
        }
    Json ungrouped = Json::array();
    for (const auto& [index, file] : catalogue.UngroupedFiles())
        ungrouped.push_back(Json{{"index", index}, {"path", DisplayText(file->path)}});
    return Json{{"groups", std::move(groups)}, {"ungrouped", std::move(ungrouped)}, {"noRecording", noRecording}};
}

int RunScan(int argc, char** argv) {
    std::vector<std::string> paths;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kScanCommand.help, stdout);
            return kExitOk;
        }
        if (std::strcmp(argv[i], "--") != 0 && argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "tarvex-cli scan: unknown option %s (see --help)\n", argv[i]);
            return kExitUsage;
        }
        if (std::strcmp(argv[i], "--") != 0) paths.emplace_back(argv[i]);
    }
    if (paths.empty()) {
        std::fputs("tarvex-cli scan: give at least one folder or recording (see --help)\n", stderr);
        return kExitUsage;
    }
    for (const std::string& path : paths) {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "tarvex-cli scan: cannot scan %s: %s\n", path.c_str(), std::strerror(errno));
            return kExitFailed;
        }
    }

    // As the player's helper loop does for each dropped path, in order, into one catalogue.
    CFileManager catalogue;
    bool noRecording = true;
    for (const std::string& path : paths) {
        int none = 1;
        catalogue.AddFolder(ScanPatternForPath(KX_SOFT_BASE::NativeToWide(path)), &none);
        noRecording = noRecording && none;
    }
    std::cout << CatalogueJson(catalogue, noRecording).dump(2) << '\n';
    return std::cout.good() ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kScanCommand = {
    "scan", "list the recordings of folders as the player catalogues them",
    "Usage: tarvex-cli scan PATH...\n"
    "\n"
    "Catalogues the recordings of each PATH the way the player does when the path is dropped on\n"
    "it: a folder is scanned with every folder below it, 8 levels deep (hidden ones and links to\n"
    "folders outside it passed over); a file scans the folder that holds it. A recording inside a\n"
    "date-named folder (such as 2012-03-15) is grouped only when its name has that date. Recordings (*.rvf) named by the recorder's grammar\n"
    "DEVICE_chN_[main_|extraN_]YYYYMMDDhhmmss_YYYYMMDDhhmmss[tail].rvf are grouped by device,\n"
    "day and channel; other *.rvf files are listed as ungrouped; other files are passed over.\n"
    "\n"
    "Prints one JSON document on stdout:\n"
    "  {\"groups\":[{\"device\",\"day\",\"dayKey\",\"channels\":[{\"code\",\"channel\",\"stream\",\n"
    "    \"files\":[{\"path\",\"start\",\"end\",\"startKey\"}]}]}],\n"
    "   \"ungrouped\":[{\"index\",\"path\"}], \"noRecording\":true|false}\n"
    "in the catalogue's order. Times are local. A byte of a name that is not UTF-8 is shown as \\xNN.\n"
    "\n"
    "Exit status: 0 scanned, 1 a PATH does not exist, 2 wrong usage.\n",
    &RunScan};
