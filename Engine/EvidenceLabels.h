#pragma once
// The words of the evidence report's page, in the language of whoever exported it. The engine has
// no language of its own: these are English unless the caller gives others. They are kept in
// report.json with the rest, so that the page made again from it - by anyone's program, in any
// language - is the page that was handed over. UTF-8.
#include <string>
#include <utility>
#include <vector>

namespace MOVRA {

struct EvidenceLabels {
    std::string language = "en";  // the page's language tag
    std::string title = "Evidence report";
    std::string recordingsFrom = "Recordings from";
    std::string stretchAskedFor = "Stretch asked for";
    std::string exportedUtc = "Exported (UTC)";
    std::string exportedLocal = "Exported (local time)";
    std::string program = "Program";
    std::string note = "Note";
    std::string exportedFiles = "Exported files";
    std::string file = "File";
    std::string kind = "Kind";
    std::string channel = "Channel";
    std::string shows = "Shows";
    std::string frames = "Frames";
    std::string size = "Size";
    std::string sourceRecordings = "Source recordings";
    std::string recording = "Recording";
    std::string span = "Span";
    std::string notExported = "Not exported";
    std::string what = "What";
    std::string why = "Why";
    std::string clip = "clip";
    std::string mp4 = "MP4";
    std::string snapshot = "snapshot";
    std::string channelShort = "ch";  // before a channel's number
    std::string extraStream = "extra";  // before an extra stream's number
    std::string bytes = "bytes";
    std::string thousands = ",";  // between groups of three digits
    std::string madeFrom = "This page is made from report.json, whose SHA-256 is";
    std::string verifyChecks = "checks every file listed here against its SHA-256, and this page against report.json.";

    // Every label with its name in report.json, in a fixed order.
    using Field = std::string EvidenceLabels::*;
    static const std::vector<std::pair<const char*, Field>>& Fields();
    bool operator==(const EvidenceLabels& other) const;
};

}  // namespace MOVRA
