// The evidence report as verify reads it: whatever report.json holds (truncated, garbled,
// forged), the page made from it is refused with a reason or made whole, and no text of the
// report ever reaches the page as markup.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Engine/EvidenceReport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string html, error;
    if (!MOVRA::EvidenceReportHtml(text, &html, &error)) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    // The page's own markup has no script, and every '<' of the report's text is escaped.
    if (html.find("<script") != std::string::npos || html.find("<SCRIPT") != std::string::npos) std::abort();
    if (html.find("</html>") == std::string::npos) std::abort();
    return 0;
}
