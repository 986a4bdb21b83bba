#include "Main/ReportLabels.h"

#include "App/Language.h"
#include "Base/StreamConvert.h"

namespace {

std::string Words(const wchar_t* english) { return KX_SOFT_BASE::WideToUtf8(TarvexApp::Translate(english)); }

}  // namespace

MOVRA::EvidenceLabels TranslatedEvidenceLabels() {
    MOVRA::EvidenceLabels l;
    // The page's language tag follows the language files' numbers.
    static const char* const kTags[] = {"en", "zh-CN", "de"};
    const int number = TarvexApp::LanguageNumber();
    l.language = number >= 0 && number < 3 ? kTags[number] : "en";
    l.title = Words(L"Evidence report");
    l.recordingsFrom = Words(L"Recordings from");
    l.stretchAskedFor = Words(L"Stretch asked for");
    l.exportedUtc = Words(L"Exported (UTC)");
    l.exportedLocal = Words(L"Exported (local time)");
    l.program = Words(L"Program");
    l.note = Words(L"Note");
    l.exportedFiles = Words(L"Exported files");
    l.file = Words(L"File");
    l.kind = Words(L"Kind");
    l.channel = Words(L"Channel");
    l.shows = Words(L"Shows");
    l.frames = Words(L"Frames");
    l.size = Words(L"Size");
    l.sourceRecordings = Words(L"Source recordings");
    l.recording = Words(L"Recording");
    l.span = Words(L"Span");
    l.notExported = Words(L"Not exported");
    l.what = Words(L"What");
    l.why = Words(L"Why");
    l.clip = Words(L"clip");
    l.mp4 = Words(L"MP4");
    l.snapshot = Words(L"snapshot");
    l.channelShort = Words(L"ch");
    l.extraStream = Words(L"extra");
    l.bytes = Words(L"bytes");
    l.thousands = Words(L",");  // a thousands separator: German writes 1.234.567
    l.madeFrom = Words(L"This page is made from report.json, whose SHA-256 is");
    l.verifyChecks = Words(L"checks every file listed here against its SHA-256, and this page against report.json.");
    return l;
}
