#include "Base/StreamConvert.h"

#include <new>

namespace KX_SOFT_BASE {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kEscapeBase = 0xDC00;  // + the byte, for bytes 0x80..0xFF

// What becomes of bytes that are not UTF-8: U+FFFD, or an escape that encodes back to the byte.
enum class Invalid { Replace, Escape };

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool IsEscapedByte(char32_t cp) { return cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF; }

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

std::wstring Decode(const char* text, std::size_t length, Invalid invalid) {
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
        }
        std::size_t j = i + 1;
        bool ok = need > 0;
        for (int k = 0; ok && k < need; ++k, ++j) {
            const bool inRange = j < length && (k == 0 ? (s[j] >= lo && s[j] <= hi) : IsContinuation(s[j]));
            if (!inRange) {
                ok = false;
                break;  // j stays on the byte that broke the sequence
            }
            cp = (cp << 6) | (s[j] & 0x3F);
        }
        if (ok) {
            out += static_cast<wchar_t>(cp);
            i = j;
        } else if (invalid == Invalid::Escape) {
            // Byte by byte, so that encoding gives back exactly what was read.
            out += static_cast<wchar_t>(kEscapeBase + lead);
            ++i;
        } else {
            // The maximal valid prefix becomes one replacement; the byte that broke it is read
            // again as a possible lead.
            out += static_cast<wchar_t>(kReplacement);
            i = j > i + 1 ? j : i + 1;
        }
    }
    return out;
}

std::string Encode(const wchar_t* text, std::size_t length, Invalid invalid) {
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
        if (invalid == Invalid::Escape && IsEscapedByte(cp)) {
            out += static_cast<char>(cp - kEscapeBase);
            continue;
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace

std::wstring Utf8ToWide(const char* text, std::size_t length) { return Decode(text, length, Invalid::Replace); }
std::wstring Utf8ToWide(const std::string& text) { return Utf8ToWide(text.data(), text.size()); }
std::string WideToUtf8(const wchar_t* text, std::size_t length) { return Encode(text, length, Invalid::Replace); }
std::string WideToUtf8(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }

std::wstring NativeToWide(const std::string& bytes) { return Decode(bytes.data(), bytes.size(), Invalid::Escape); }
std::string WideToNative(const std::wstring& text) { return Encode(text.data(), text.size(), Invalid::Escape); }

bool HasEscapedBytes(const std::wstring& text) {
    for (wchar_t c : text)
        if (IsEscapedByte(static_cast<char32_t>(c))) return true;
    return false;
}

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
    m_impl->multiByte = codePage == KX_CP_ACP    ? WideToNative(m_impl->wide)
                        : codePage == KX_CP_UTF8 ? WideToUtf8(m_impl->wide)
                                                 : std::string();
    return m_impl->multiByte.data();
}

wchar_t* CKXStreamConvert::FromMultiByte(const char* text, int codePage) {
    if (!m_impl) return nullptr;
    m_impl->multiByte = text ? std::string(text) : std::string();
    m_impl->wide = codePage == KX_CP_ACP    ? NativeToWide(m_impl->multiByte)
                   : codePage == KX_CP_UTF8 ? Utf8ToWide(m_impl->multiByte)
                                            : std::wstring();
    return m_impl->wide.data();
}

char* CKXStreamConvert::GetMultiByte() { return m_impl ? m_impl->multiByte.data() : nullptr; }

wchar_t* CKXStreamConvert::GetWide() { return m_impl ? m_impl->wide.data() : nullptr; }

}  // namespace KX_SOFT_BASE
