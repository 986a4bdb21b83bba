#pragma once
// Reading an XML file (settings, a language file) before the XML parser sees it. The parser
// recurses once per level of nesting and would run out of stack on a damaged or hostile file
// nested thousands deep; such a file, like one too large to be ours, is refused here and the
// caller goes on as for any broken file.
#include <cstddef>
#include <string>

namespace TarvexApp {

// Far beyond what our files use (three levels), far below what the parser's stack can take.
constexpr int kMaxXmlNesting = 256;
constexpr std::size_t kMaxXmlBytes = 16u << 20;

// True when no element of the text lies deeper than `limit` levels. Comments, CDATA sections,
// declarations and quoted attribute values are passed over; self-closing elements add no level.
bool XmlNestingWithin(const std::string& text, int limit = kMaxXmlNesting);

// The longest UTF-8 sequence: the zeros that follow the text read.
constexpr std::size_t kXmlTextPadding = 4;

// The file's text when it can be read, is at most kMaxXmlBytes long and is nested within the
// limit, followed by kXmlTextPadding zeros (pass its c_str() to the parser); false otherwise.
bool ReadXmlText(const std::string& path, std::string* text);

}  // namespace TarvexApp
