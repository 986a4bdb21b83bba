#include "Engine/EvidenceReport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Engine/FileHash.h"

namespace MOVRA {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormatName = "tarvex-evidence";
constexpr int kFormatVersion = 1;
// A report is a few kilobytes per file listed; anything near this is not one of ours.
constexpr std::size_t kMaxReportBytes = 64u << 20;

std::string TimeText(std::int64_t t, bool utc) {
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(t);
    if (utc ? !gmtime_r(&tt, &tm) : !localtime_r(&tt, &tm)) return std::string();
    char text[64];
    std::strftime(text, sizeof text, utc ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d %H:%M:%S %z", &tm);
    std::string s = text;
    if (!utc && s.size() >= 5) s.insert(s.size() - 2, ":");  // +0100 -> +01:00, as ISO 8601 writes it
    return s;
}

Json SpanJson(double start, double end) { return Json{{"start", FormatEvidenceTime(start)}, {"end", FormatEvidenceTime(end)}}; }

// Never throws on a path that is not UTF-8: its bad bytes come out as U+FFFD.
std::string DumpJson(const Json& j, int indent) { return j.dump(indent, ' ', false, Json::error_handler_t::replace); }

std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

// Typed reads of an untrusted document: a missing or mistyped field is an error naming it.
struct Reader {
    std::string error;
    std::string Text(const Json& o, const char* key) {
        if (!o.is_object() || !o.contains(key) || !o[key].is_string()) return Fail(key, "a text"), std::string();
        return o[key].get<std::string>();
    }
    std::int64_t Count(const Json& o, const char* key) {
        if (!o.is_object() || !o.contains(key) || !o[key].is_number_integer() || o[key].get<std::int64_t>() < 0)
            return Fail(key, "a whole number"), 0;
        return o[key].get<std::int64_t>();
    }
    const Json& List(const Json& o, const char* key) {
        static const Json kEmpty = Json::array();
        if (!o.is_object() || !o.contains(key) || !o[key].is_array()) return Fail(key, "a list"), kEmpty;
        return o[key];
    }
    std::string Hash(const Json& o) {
        std::string h = Text(o, "sha256");
        if (error.empty() && (h.size() != 64 || h.find_first_not_of("0123456789abcdef") != std::string::npos))
            Fail("sha256", "64 hex digits");
        return h;
    }
    void Fail(const char* key, const char* what) {
        if (error.empty()) error = std::string("\"") + key + "\" is missing or not " + what;
    }
};

void Row(std::ostringstream& html, std::initializer_list<std::pair<const char*, std::string>> cells) {
    html << "<tr>";
    for (const auto& [cls, text] : cells) html << (*cls ? std::string("<td class=\"") + cls + "\">" : std::string("<td>")) << Escape(text) << "</td>";
    html << "</tr>\n";
}

std::string ChannelText(Reader& r, const Json& o, const EvidenceLabels& l) {
    const std::string device = r.Text(o, "device");
    const std::int64_t channel = r.Count(o, "channel"), stream = r.Count(o, "stream");
    std::string text = (device.empty() ? std::string() : device + " ") + l.channelShort + std::to_string(channel);
    if (stream > 0) text += " " + l.extraStream + std::to_string(stream);
    return text;
}

// "2024-03-15 10:00:02.000 – 10:00:04.000": the day once when both ends share it.
std::string SpanText(Reader& r, const Json& o) {
    const std::string start = r.Text(o, "start"), end = r.Text(o, "end");
    if (start == end) return start;
    const std::size_t day = start.find(' ');
    const bool sameDay = day != std::string::npos && end.compare(0, day + 1, start, 0, day + 1) == 0;
    return start + " \xE2\x80\x93 " + (sameDay ? end.substr(day + 1) : end);
}

// 1234567 -> "1,234,567 bytes": a size read aloud or compared by eye.
std::string SizeText(std::int64_t bytes, const EvidenceLabels& l) {
    std::string digits = std::to_string(bytes);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), l.thousands);
    return digits + " " + l.bytes;
}

// The kinds of file by the page's words; a kind it has none for as report.json gives it.
std::string KindText(const std::string& kind, const EvidenceLabels& l) {
    if (kind == "clip") return l.clip;
    if (kind == "mp4") return l.mp4;
    if (kind == "snapshot") return l.snapshot;
    return kind;
}

Json LabelsJson(const EvidenceLabels& labels) {
    Json j = Json::object();
    for (const auto& [name, field] : EvidenceLabels::Fields()) j[name] = labels.*field;
    return j;
}

// The page's words as report.json keeps them; a report without them (an English one, or one
// written before they were kept) has the English ones. Each must be text.
EvidenceLabels ReadLabels(Reader& r, const Json& j) {
    EvidenceLabels labels;
    if (!j.contains("labels")) return labels;
    const Json& given = j["labels"];
    if (!given.is_object()) return r.Fail("labels", "a set of texts"), labels;
    for (const auto& [name, field] : EvidenceLabels::Fields())
        if (given.contains(name)) labels.*field = r.Text(given, name);
    return labels;
}

constexpr const char* kStyle = R"(body{font-family:"DejaVu Sans",Arial,sans-serif;font-size:11pt;color:#111;margin:2em;max-width:75em}
h1{font-size:1.5em;margin:0 0 .2em}
h2{font-size:1.15em;margin:1.6em 0 .4em;border-bottom:1px solid #888;padding-bottom:.15em}
p.sub{margin:0 0 1em;color:#444}
table{border-collapse:collapse;width:100%;margin:.3em 0 1em}
th,td{border:1px solid #aaa;padding:.25em .45em;text-align:left;vertical-align:top}
th{background:#e8e8e8;font-weight:bold}
td.mono{font-family:"DejaVu Sans Mono",monospace;font-size:.85em;word-break:break-all}
td.num{text-align:right;white-space:nowrap}
td.nowrap{white-space:nowrap}
table.meta{width:auto}
table.meta th{white-space:nowrap}
.note{white-space:pre-wrap;border:1px solid #aaa;padding:.5em .7em;background:#f7f7f7;margin:.3em 0 1em}
footer{margin-top:2em;font-size:.9em;color:#333;border-top:1px solid #888;padding-top:.4em}
@media print{
@page{size:A4 landscape;margin:12mm}
body{margin:0;max-width:none;font-size:9pt}
th{background:#e8e8e8 !important;-webkit-print-color-adjust:exact;print-color-adjust:exact}
thead{display:table-header-group}
tr,.note{break-inside:avoid}
h2{break-after:avoid}
})";

}  // namespace

std::string FormatEvidenceTime(double seconds) {
    const double whole = std::floor(seconds);
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(whole);
    if (!localtime_r(&tt, &tm)) return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, std::clamp(static_cast<int>(std::lround((seconds - whole) * 1000)), 0, 999));
    return text;
}

std::string EvidenceReportJson(const EvidenceReport& report) {
    Json sources = Json::array();
    for (const EvidenceSource& s : report.sources)
        sources.push_back(Json{{"path", s.path}, {"size", s.size}, {"sha256", s.sha256}, {"device", s.device},
                               {"channel", s.channel}, {"stream", s.stream}, {"start", FormatEvidenceTime(s.start)},
                               {"end", FormatEvidenceTime(s.end)}});
    Json files = Json::array();
    for (const EvidenceFile& f : report.files)
        files.push_back(Json{{"path", f.name}, {"kind", f.kind}, {"container", f.container}, {"size", f.size},
                             {"sha256", f.sha256}, {"frames", f.frames}, {"start", FormatEvidenceTime(f.start)},
                             {"end", FormatEvidenceTime(f.end)}, {"source", f.source}, {"device", f.device},
                             {"channel", f.channel}, {"stream", f.stream}});
    Json skipped = Json::array();
    for (const EvidenceSkip& s : report.skipped)
        skipped.push_back(Json{{"device", s.device}, {"channel", s.channel}, {"stream", s.stream}, {"what", s.what}, {"reason", s.reason}});
    Json j{{"format", kFormatName},
                 {"formatVersion", kFormatVersion},
                 {"program", Json{{"name", "Tarvex Player"}, {"version", report.version}}},
                 {"exported", Json{{"utc", TimeText(report.exportedAt, true)}, {"local", TimeText(report.exportedAt, false)}}},
                 {"stretch", SpanJson(report.from, report.to)},
                 {"snapshotAt", FormatEvidenceTime(report.snapshotAt)},
                 {"note", report.note},
                 {"files", std::move(files)},
                 {"sources", std::move(sources)},
                 {"skipped", std::move(skipped)}};
    // Kept only when they are not the English ones: an English report reads as it always did.
    if (!(report.labels == EvidenceLabels())) j["labels"] = LabelsJson(report.labels);
    return DumpJson(j, 2) + "\n";
}

bool EvidenceReportHtml(const std::string& jsonText, std::string* html, std::string* error) {
    const Json j = Json::parse(jsonText, nullptr, false);
    if (j.is_discarded()) return (*error = "report.json is not valid JSON (truncated or garbled)", false);
    Reader r;
    if (!j.is_object() || r.Text(j, "format") != kFormatName)
        return (*error = "report.json is not an evidence report of this program", false);
    const Json& program = j.contains("program") ? j["program"] : Json();
    const Json& exported = j.contains("exported") ? j["exported"] : Json();
    const Json& stretch = j.contains("stretch") ? j["stretch"] : Json();
    const EvidenceLabels l = ReadLabels(r, j);
    const std::string stretchText = SpanText(r, stretch);
    // Every word of the page is escaped too: the labels come from report.json like the rest.
    const auto heads = [](std::initializer_list<std::string> names) {
        std::string row = "<thead><tr>";
        for (const std::string& name : names) row += "<th>" + Escape(name) + "</th>";
        return row + "</tr></thead>\n<tbody>\n";
    };
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"" << Escape(l.language) << "\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        << Escape(l.title) << ", " << Escape(stretchText) << "</title>\n<style>\n" << kStyle << "\n</style>\n</head>\n<body>\n";
    out << "<h1>" << Escape(l.title) << "</h1>\n<p class=\"sub\">" << Escape(l.recordingsFrom) << " " << Escape(stretchText)
        << "</p>\n";
    out << "<table class=\"meta\">\n";
    const auto meta = [&out](const std::string& label, const std::string& text) {
        out << "<tr><th>" << Escape(label) << "</th><td class=\"nowrap\">" << Escape(text) << "</td></tr>\n";
    };
    meta(l.stretchAskedFor, stretchText);
    meta(l.exportedUtc, r.Text(exported, "utc"));
    meta(l.exportedLocal, r.Text(exported, "local"));
    meta(l.program, r.Text(program, "name") + " " + r.Text(program, "version"));
    out << "</table>\n";

    out << "<h2>" << Escape(l.note) << "</h2>\n<div class=\"note\">" << Escape(r.Text(j, "note")) << "</div>\n";

    out << "<h2>" << Escape(l.exportedFiles) << "</h2>\n<table>\n"
        << heads({l.file, l.kind, l.channel, l.shows, l.frames, l.size, "SHA-256"});
    for (const Json& f : r.List(j, "files")) {
        const std::string kind = KindText(r.Text(f, "kind"), l) + " (" + r.Text(f, "container") + ")";
        Row(out, {{"mono", r.Text(f, "path")}, {"nowrap", kind}, {"nowrap", ChannelText(r, f, l)}, {"nowrap", SpanText(r, f)},
                  {"num", std::to_string(r.Count(f, "frames"))}, {"num", SizeText(r.Count(f, "size"), l)}, {"mono", r.Hash(f)}});
    }
    out << "</tbody>\n</table>\n";

    out << "<h2>" << Escape(l.sourceRecordings) << "</h2>\n<table>\n" << heads({l.recording, l.channel, l.span, l.size, "SHA-256"});
    for (const Json& s : r.List(j, "sources"))
        Row(out, {{"mono", r.Text(s, "path")}, {"nowrap", ChannelText(r, s, l)}, {"nowrap", SpanText(r, s)},
                  {"num", SizeText(r.Count(s, "size"), l)}, {"mono", r.Hash(s)}});
    out << "</tbody>\n</table>\n";

    const Json& skipped = r.List(j, "skipped");
    if (!skipped.empty()) {
        out << "<h2>" << Escape(l.notExported) << "</h2>\n<table>\n" << heads({l.channel, l.what, l.why});
        for (const Json& s : skipped) Row(out, {{"nowrap", ChannelText(r, s, l)}, {"", r.Text(s, "what")}, {"", r.Text(s, "reason")}});
        out << "</tbody>\n</table>\n";
    }
    out << "<footer>" << Escape(l.madeFrom) << " <span style=\"font-family:monospace\">"
        << Sha256OfBytes(jsonText.data(), jsonText.size()) << "</span>. <code>tarvex-cli verify report.json</code> "
        << Escape(l.verifyChecks) << "</footer>\n</body>\n</html>\n";
    if (!r.error.empty()) return (*error = "report.json: " + r.error, false);
    *html = out.str();
    return true;
}

bool EvidenceVerification::AllMatch() const {
    return readable && std::all_of(checks.begin(), checks.end(), [](const EvidenceCheck& c) { return c.status == "ok"; });
}

namespace {

// An exported file's name as a report may give it: inside the report's folder only.
bool InsideFolder(const std::string& name) {
    if (name.empty() || name[0] == '/' || name.find('\0') != std::string::npos) return false;
    std::istringstream parts(name);
    for (std::string part; std::getline(parts, part, '/');)
        if (part == "..") return false;
    return true;
}

EvidenceCheck Check(const std::string& shown, const std::string& path, const std::string& role, const std::string& expected,
                    std::int64_t expectedSize, const std::atomic<bool>* cancel) {
    EvidenceCheck c{shown, role, "ok", expected, std::string(), std::string()};
    std::uint64_t size = 0;
    std::string why;
    // Another size is another file, without reading it: a forged report naming a file of
    // terabytes (/proc/kcore) with a size of a few bytes is not read to its end.
    struct stat st;
    if (expectedSize >= 0 && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::int64_t>(st.st_size) != expectedSize) {
        c.status = "changed";
        c.why = std::to_string(st.st_size) + " bytes instead of " + std::to_string(expectedSize);
        return c;
    }
    if (!Sha256OfFile(path, &c.actual, &size, &why, cancel)) {
        c.status = "missing";
        c.actual.clear();
        c.why = why;
    } else if (c.actual != expected || (expectedSize >= 0 && size != static_cast<std::uint64_t>(expectedSize))) {
        c.status = "changed";
    }
    return c;
}

}  // namespace

EvidenceVerification VerifyEvidence(const std::string& reportPath, const std::atomic<bool>* cancel) {
    EvidenceVerification v;
    std::ifstream in(reportPath, std::ios::binary);
    if (!in) return (v.error = "cannot read " + reportPath, v);
    std::string text;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return (v.error = "cannot read " + reportPath, v);
    if (text.size() > kMaxReportBytes) return (v.error = reportPath + " is far too large for a report", v);
    std::string html;
    if (!EvidenceReportHtml(text, &html, &v.error)) return v;  // checks the whole document's shape
    const Json j = Json::parse(text, nullptr, false);
    const std::size_t slash = reportPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : reportPath.substr(0, slash + 1);
    Reader r;
    for (const Json& f : r.List(j, "files")) {
        const std::string name = r.Text(f, "path");
        if (r.error.empty() && !InsideFolder(name)) return (v.error = "report.json names an exported file outside its folder: " + name, v);
        v.checks.push_back(Check(name, folder + name, "exported", r.Hash(f), r.Count(f, "size"), cancel));
    }
    for (const Json& s : r.List(j, "sources")) {
        const std::string path = r.Text(s, "path");
        const std::string where = !path.empty() && path[0] == '/' ? path : folder + path;
        v.checks.push_back(Check(path, where, "source", r.Hash(s), r.Count(s, "size"), cancel));
    }
    if (!r.error.empty()) return (v.checks.clear(), v.error = "report.json: " + r.error, v);
    // report.html is remade from report.json: a page edited to show other hashes is caught.
    const std::string expected = Sha256OfBytes(html.data(), html.size());
    v.checks.push_back(Check(kEvidenceHtmlName, folder + kEvidenceHtmlName, "report", expected, -1, cancel));
    if (cancel && *cancel) return (v.checks.clear(), v.error = "cancelled", v);
    v.readable = true;
    return v;
}

}  // namespace MOVRA
