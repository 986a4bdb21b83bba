#pragma once
// Wide <-> multibyte text. On Linux both code pages the system uses are UTF-8 and wide text is
// UTF-32 in a 32-bit wchar_t. Invalid input never fails a conversion.
//
// Code page 65001 (language files, regular-expression input) is strict: each broken sequence
// becomes U+FFFD. Code page 0, the "ANSI" page, carries file paths and settings values, whose
// bytes the file system does not promise to be UTF-8: there each byte that is not part of valid
// UTF-8 becomes U+DC80..U+DCFF and turns back into the same byte, so any path survives the trip
// to wide text and back and the file can still be opened.
#include <memory>
#include <string>

namespace KX_SOFT_BASE {

constexpr int KX_CP_ACP = 0;
constexpr int KX_CP_UTF8 = 65001;

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF); one U+FFFD for each
// maximal invalid subsequence, as Unicode recommends.
std::wstring Utf8ToWide(const char* text, std::size_t length);
std::wstring Utf8ToWide(const std::string& text);
// A UTF-16 surrogate pair held in two wchar_t is joined; a lone surrogate or a value beyond
// U+10FFFF is written as U+FFFD.
std::string WideToUtf8(const wchar_t* text, std::size_t length);
std::string WideToUtf8(const std::wstring& text);
// The lossless pair used for paths (code page 0).
std::wstring NativeToWide(const std::string& bytes);
std::string WideToNative(const std::wstring& text);
// True when a wide text holds a byte that was not UTF-8 (as NativeToWide keeps it).
bool HasEscapedBytes(const std::wstring& text);

class CKXStreamConvert {
public:
    CKXStreamConvert();
    CKXStreamConvert(const wchar_t* text, int codePage);
    CKXStreamConvert(const char* text, int codePage);
    virtual ~CKXStreamConvert();
    CKXStreamConvert(const CKXStreamConvert&) = delete;
    CKXStreamConvert& operator=(const CKXStreamConvert&) = delete;

    // Both forms are replaced together; the returned buffer lives until the next conversion.
    // A code page other than 0 or 65001 converts to empty text, as an unknown page would fail.
    char* FromWide(const wchar_t* text, int codePage);
    wchar_t* FromMultiByte(const char* text, int codePage);

    // Never null while the object could allocate its record; empty before any conversion.
    char* GetMultiByte();
    wchar_t* GetWide();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace KX_SOFT_BASE
