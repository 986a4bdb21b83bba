// tarvex-cli evidence PATH... --from TIME --to TIME -o DIR [--note TEXT]: a stretch of every
// channel's recordings exported with a hashed report, as the player's evidence export writes it.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "Base/DateTime.h"
#include "Base/StreamConvert.h"
#include "Engine/EvidenceExport.h"
#include "Engine/EvidenceReport.h"
#include "Files/CatalogueScan.h"
#include "Files/FileManager.h"
#include "Files/NamingRules.h"
#include "tools/cli/Commands.h"
#include "tools/cli/Options.h"

namespace {

using Json = nlohmann::ordered_json;

int Usage(const std::string& error) {
    std::fprintf(stderr, "tarvex-cli evidence: %s (see --help)\n", error.c_str());
    return kExitUsage;
}

std::string Normal(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : p).lexically_normal().string();
}

// The recordings the paths name, by device and channel as the catalogue groups them: a folder
// gives every recording in it (and below), a file only itself. A file outside the recorder's
// naming grammar is a channel of its own.
std::vector<MOVRA::EvidenceChannel> Channels(const std::vector<std::string>& paths) {
    CFileManager catalogue;
    std::vector<std::string> folders;
    std::set<std::string> files;
    for (const std::string& path : paths) {
        int none = 1;
        catalogue.AddFolder(ScanPatternForPath(KX_SOFT_BASE::NativeToWide(path)), &none);
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::string folder = Normal(path);
            if (folder.empty() || folder.back() != '/') folder += '/';
            folders.push_back(folder);
        } else {
            files.insert(Normal(path));
        }
    }
    std::set<std::string> taken;
    const auto wanted = [&](const std::wstring& wide) {
        const std::string path = Normal(KX_SOFT_BASE::WideToNative(wide));
        bool inFolder = false;
        for (const std::string& f : folders) inFolder = inFolder || path.compare(0, f.size(), f) == 0;
        if ((!inFolder && !files.count(path)) || !taken.insert(path).second) return std::string();
        return path;
    };
    std::vector<MOVRA::EvidenceChannel> channels;
    std::map<std::pair<std::wstring, std::int32_t>, std::size_t> byCode;  // one channel across days
    for (const auto& [deviceName, device] : catalogue.Devices())
        for (const auto& [dayKey, day] : device.days)
            for (const auto& [code, channel] : day.channels)
                for (const auto& [startKey, file] : channel.files) {
                    const std::string path = wanted(file->path);
                    if (path.empty()) continue;
                    auto at = byCode.find({deviceName, code});
                    if (at == byCode.end()) {
                        at = byCode.emplace(std::make_pair(deviceName, code), channels.size()).first;
                        channels.push_back(MOVRA::EvidenceChannel{KX_SOFT_BASE::WideToUtf8(deviceName), ChannelNumberOf(code),
                                                                  StreamNumberOf(code), {}});
                    }
                    channels[at->second].files.push_back(path);
                }
    for (const auto& [index, file] : catalogue.UngroupedFiles()) {
        const std::string path = wanted(file->path);
        if (!path.empty()) channels.push_back(MOVRA::EvidenceChannel{"", 0, 0, {path}});
    }
    for (const std::string& path : files)  // named on the command line but not a *.rvf
        if (taken.insert(path).second) channels.push_back(MOVRA::EvidenceChannel{"", 0, 0, {path}});
    return channels;
}

int RunEvidence(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {"--from", "--to", "-o", "--note", "--snapshot", "--snapshot-at"}, {});
    if (o.help) {
        std::fputs(kEvidenceCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.empty()) return Usage(o.error.empty() ? "give the recordings or their folders" : o.error);
    if (!o.values.count("-o")) return Usage("give the new folder with -o");
    if (!o.values.count("--from") || !o.values.count("--to")) return Usage("give the stretch with --from and --to");
    MOVRA::EvidenceRequest request;
    if (!KX_SOFT_BASE::ParseWallClockText(o.values.at("--from"), true, &request.from) ||
        !KX_SOFT_BASE::ParseWallClockText(o.values.at("--to"), true, &request.to))
        return Usage("--from and --to take YYYY-MM-DD hh:mm:ss[.fff]");
    if (request.to <= request.from) return Usage("--to must come after --from");
    request.snapshotAt = request.from;
    if (o.values.count("--snapshot-at") &&
        (!KX_SOFT_BASE::ParseWallClockText(o.values.at("--snapshot-at"), true, &request.snapshotAt) || request.snapshotAt < request.from ||
         request.snapshotAt >= request.to))
        return Usage("--snapshot-at takes YYYY-MM-DD hh:mm:ss[.fff] inside the stretch");
    const std::string snapshot = o.values.count("--snapshot") ? o.values.at("--snapshot") : "jpg";
    if (snapshot != "jpg" && snapshot != "bmp") return Usage("--snapshot takes jpg or bmp");
    for (const std::string& path : o.positional) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "tarvex-cli evidence: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
            return kExitFailed;
        }
    }
    request.channels = Channels(o.positional);
    request.folder = o.values.at("-o");
    request.note = o.values.count("--note") ? o.values.at("--note") : std::string();
    request.version = TARVEX_VERSION;
    request.jpegSnapshot = snapshot == "jpg";
    double shown = -1;
    request.progress = [&shown](double done, const std::string&) {
        if (done - shown < 0.05 && done < 1) return;
        shown = done;
        std::fprintf(stderr, "\rexporting evidence: %3.0f%%", 100 * done);
        if (done >= 1) std::fputc('\n', stderr);
    };
    const MOVRA::EvidenceResult result = MOVRA::ExportEvidence(request);
    if (result.error != MOVRA::EvidenceError::kNone) {
        if (shown >= 0 && shown < 1) std::fputc('\n', stderr);
        std::fprintf(stderr, "tarvex-cli evidence: %s\n", result.message.c_str());
        return result.error == MOVRA::EvidenceError::kBadRequest ? kExitUsage : kExitFailed;
    }
    // The summary is the report itself, as written, with where it is.
    const std::string reportPath = request.folder + "/" + MOVRA::kEvidenceJsonName;
    std::ifstream in(reportPath, std::ios::binary);
    Json summary{{"folder", request.folder}, {"report", reportPath}};
    const Json report = Json::parse(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), nullptr, false);
    for (const auto& [key, value] : report.items()) summary[key] = value;
    std::cout << summary.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    return std::cout.good() ? kExitOk : kExitFailed;
}

int RunVerify(int argc, char** argv) {
    const ParsedOptions o = ParseOptions(argc, argv, {}, {});
    if (o.help) {
        std::fputs(kVerifyCommand.help, stdout);
        return kExitOk;
    }
    if (!o.error.empty() || o.positional.size() != 1) {
        std::fprintf(stderr, "tarvex-cli verify: %s (see --help)\n", o.error.empty() ? "give one report.json" : o.error.c_str());
        return kExitUsage;
    }
    const std::string& path = o.positional[0];
    const MOVRA::EvidenceVerification v = MOVRA::VerifyEvidence(path);
    if (!v.readable) {
        std::cout << Json{{"report", path}, {"ok", false}, {"error", v.error}}.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        std::fprintf(stderr, "tarvex-cli verify: %s\n", v.error.c_str());
        return kExitUsage;
    }
    Json checks = Json::array(), failed = Json::array();
    for (const MOVRA::EvidenceCheck& c : v.checks) {
        Json entry{{"path", c.path}, {"role", c.role}, {"status", c.status}, {"expected", c.expected}, {"actual", c.actual}};
        if (!c.why.empty()) entry["why"] = c.why;
        if (c.status != "ok") {
            failed.push_back(entry);
            std::fprintf(stderr, "%s: %s %s\n", c.status == "missing" ? "MISSING" : "CHANGED", c.role.c_str(), c.path.c_str());
        }
        checks.push_back(std::move(entry));
    }
    const bool ok = v.AllMatch();
    std::cout << Json{{"report", path}, {"ok", ok}, {"checked", checks.size()}, {"failed", std::move(failed)}, {"files", std::move(checks)}}
                     .dump(2, ' ', false, Json::error_handler_t::replace)
              << '\n';
    if (!std::cout.good()) return kExitFailed;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace

const CliCommand kEvidenceCommand = {
    "evidence", "export a stretch of every channel as evidence with a hashed report",
    "Usage: tarvex-cli evidence PATH... --from TIME --to TIME -o DIR [--note TEXT] [--snapshot jpg|bmp]\n"
    "       [--snapshot-at TIME]\n"
    "\n"
    "Writes into the new folder DIR, for each channel of the recordings with recording between\n"
    "--from and --to (local times as YYYY-MM-DD hh:mm:ss[.fff]): one clip per recording the stretch\n"
    "touches (DEVICE_chN_YYYYMMDD-hhmmss.rvf, the packets copied without re-encoding from the\n"
    "keyframe at or before the stretch's start in that recording), an MP4 of each clip by stream\n"
    "copy where the video is H.264 or H.265, and the frame shown at --snapshot-at (a time inside\n"
    "the stretch; its start when not given) as a picture; then report.json and report.html (made\n"
    "from report.json) with the SHA-256, size and span of every source recording and every file\n"
    "written, the stretch, the snapshot time, the program's version, the time of export and the\n"
    "note. PATH is a recording (only that file) or a folder (every\n"
    "recording in it and below); recordings are grouped by device and channel as the catalogue\n"
    "groups them. DIR must not exist or be empty: nothing is ever overwritten, and an export that\n"
    "fails removes what it wrote. Progress goes to stderr; the report, with \"folder\" and\n"
    "\"report\" added, goes to stdout as JSON.\n"
    "\n"
    "Exit status: 0 written, 1 no recording in the stretch or DIR not new or a file cannot be read\n"
    "or written, 2 wrong usage.\n",
    &RunEvidence};

const CliCommand kVerifyCommand = {
    "verify", "check an evidence folder's files against its report's hashes",
    "Usage: tarvex-cli verify DIR/report.json\n"
    "\n"
    "Hashes every exported file (relative to the report) and every source recording the report\n"
    "lists, and remakes report.html from report.json, and compares each with the report. Prints\n"
    "JSON on stdout: {\"report\",\"ok\",\"checked\",\"failed\":[...],\"files\":[{\"path\",\"role\",\"status\",\n"
    "\"expected\",\"actual\"}]}, status being ok, changed or missing; each failure is also named on\n"
    "stderr.\n"
    "\n"
    "Exit status: 0 every file matches, 1 some file is changed or missing, 2 the report cannot be\n"
    "read or is not a well-formed evidence report (or wrong usage).\n",
    &RunVerify};
