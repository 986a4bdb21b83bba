#include "Base/StreamConvert.h"

#include <new>

namespace KX_SOFT_BASE {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool SupportedCodePage(int codePage) { return codePage == KX_CP_ACP || codePage == KX_CP_UTF8; }

}  // namespace

std::wstring Utf8ToWide(const char* text, std::size_t length) {
    std::wstring out;
    if (!text) return out;
    out.reserve(length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < length) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        int need = 0;
        char32_t cp = 0;
        // The second byte's range depends on the lead: it is what rules out overlong forms,
        // surrogates and values past U+10FFFF.
        unsigned char lo = 0x80, hi = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) lo = 0xA0;
            if (lead == 0xED) hi = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) lo = 0x90;
            if (lead == 0xF4) hi = 0x8F;
        } else {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= length) { ok = false; break; }
            const unsigned char c = s[j];
            const bool inRange = k == 0 ? (c >= lo && c <= hi) : IsContinuation(c);
            if (!inRange) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (ok) {
            out += static_cast<wchar_t>(cp);
            i = j;
        } else {
            // The maximal valid prefix is consumed as one replacement; the offending byte is
            // looked at again as a possible lead.
            out += static_cast<wchar_t>(kReplacement);
            i = j > i + 1 ? j : i + 1;
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) { return Utf8ToWide(text.data(), text.size()); }

std::string WideToUtf8(const wchar_t* text, std::size_t length) {
    std::string out;
    if (!text) return out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        char32_t cp = static_cast<char32_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length) {
            const char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }

struct CKXStreamConvert::Impl {
    std::string multiByte;
    std::wstring wide;
};

CKXStreamConvert::CKXStreamConvert() : m_impl(new (std::nothrow) Impl) {}

CKXStreamConvert::CKXStreamConvert(const wchar_t* text, int codePage) : CKXStreamConvert() {
    FromWide(text, codePage);
}

CKXStreamConvert::CKXStreamConvert(const char* text, int codePage) : CKXStreamConvert() {
    FromMultiByte(text, codePage);
}

CKXStreamConvert::~CKXStreamConvert() = default;

char* CKXStreamConvert::FromWide(const wchar_t* text, int codePage) {
    if (!m_impl) return nullptr;
    m_impl->wide = text ? std::wstring(text) : std::wstring();
    m_impl->multiByte = SupportedCodePage(codePage) ? WideToUtf8(m_impl->wide) : std::string();
    return m_impl->multiByte.data();
}

wchar_t* CKXStreamConvert::FromMultiByte(const char* text, int codePage) {
    if (!m_impl) return nullptr;
    m_impl->multiByte = text ? std::string(text) : std::string();
    m_impl->wide = SupportedCodePage(codePage) ? Utf8ToWide(m_impl->multiByte) : std::wstring();
    return m_impl->wide.data();
}

char* CKXStreamConvert::GetMultiByte() { return m_impl ? m_impl->multiByte.data() : nullptr; }

wchar_t* CKXStreamConvert::GetWide() { return m_impl ? m_impl->wide.data() : nullptr; }

}  // namespace KX_SOFT_BASE
