#pragma once
// The evidence report: report.json says everything; report.html is made from report.json's text
// alone (and carries that text's SHA-256), so the two can never tell different stories and
// verifying the folder can remake the HTML and compare it. Checking a folder against its report
// reads the report as untrusted input: a truncated, garbled or forged one is an error, never a
// crash, and it cannot send the check outside the folder for the exported files.
#include <atomic>
#include <string>
#include <vector>

#include "Engine/EvidenceExport.h"

namespace MOVRA {

constexpr const char* kEvidenceJsonName = "report.json";
constexpr const char* kEvidenceHtmlName = "report.html";

// Wall clock (local seconds) as "YYYY-MM-DD hh:mm:ss.fff".
std::string FormatEvidenceTime(double seconds);

std::string EvidenceReportJson(const EvidenceReport& report);
// False (and `error`) when the text is not a report this program writes.
bool EvidenceReportHtml(const std::string& jsonText, std::string* html, std::string* error);

struct EvidenceCheck {
    std::string path;  // as the report names it (exported files relative to the report)
    std::string role;  // "exported", "source", or "report" for report.html
    std::string status;  // "ok", "changed", "missing"
    std::string expected, actual;  // SHA-256; `actual` empty when missing
    std::string why;  // for "missing": the reason it could not be read
};

struct EvidenceVerification {
    bool readable = false;  // false: `error` says what is wrong with the report itself
    std::string error;
    std::vector<EvidenceCheck> checks;  // exported files, then sources, then report.html
    bool AllMatch() const;
};

EvidenceVerification VerifyEvidence(const std::string& reportPath, const std::atomic<bool>* cancel = nullptr);

}  // namespace MOVRA
