#include "App/XmlText.h"

#include <cstdio>
#include <cstring>

namespace TarvexApp {

bool XmlNestingWithin(const std::string& text, int limit) {
    int depth = 0;
    const std::size_t n = text.size();
    auto skipPast = [&](std::size_t from, const char* end) {
        const std::size_t at = text.find(end, from);
        return at == std::string::npos ? n : at + std::strlen(end);
    };
    for (std::size_t i = 0; i < n;) {
        if (text[i] != '<') {
            ++i;
            continue;
        }
        if (text.compare(i, 4, "<!--") == 0) {
            i = skipPast(i + 4, "-->");
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            i = skipPast(i + 9, "]]>");
        } else if (i + 1 < n && (text[i + 1] == '?' || text[i + 1] == '!')) {
            i = skipPast(i + 2, ">");
        } else if (i + 1 < n && text[i + 1] == '/') {
            if (depth > 0) --depth;
            i = skipPast(i + 2, ">");
        } else {
            // An opening tag: to its '>', passing over quoted values that may hold one.
            std::size_t j = i + 1;
            char quote = 0;
            for (; j < n; ++j) {
                const char c = text[j];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (j >= n || text[j - 1] != '/')
                if (++depth > limit) return false;
            i = j < n ? j + 1 : n;
        }
    }
    return true;
}

bool ReadXmlText(const std::string& path, std::string* text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string content;
    char buffer[64 * 1024];
    bool ok = true;
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        if (content.size() + got > kMaxXmlBytes) {
            ok = false;
            break;
        }
        content.append(buffer, got);
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    if (!ok || !XmlNestingWithin(content)) return false;
    // Line ends as the parser's own file reading leaves them: "\r\n" and a lone "\r" read as "\n".
    text->clear();
    text->reserve(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r') {
            text->push_back('\n');
            if (i + 1 < content.size() && content[i + 1] == '\n') ++i;
        } else {
            text->push_back(content[i]);
        }
    }
    // The parser steps over a UTF-8 character by its first byte's length: a file cut inside one
    // would have it step over the end of the text and read on. A few zeros after the end keep
    // every such step inside the text, where the first zero ends it.
    text->append(kXmlTextPadding, '\0');
    return true;
}

}  // namespace TarvexApp
