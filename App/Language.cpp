#include "App/Language.h"

#include <tinyxml.h>

#include <cwctype>
#include <map>
#include <string>

#include "App/XmlText.h"
#include "Base/UserFolders.h"
#include "Base/StreamConvert.h"

namespace TarvexApp {

namespace {

constexpr std::size_t kMaxLength = 1023;

struct LanguageTable {
    int number = 0;
    bool loaded = false;
    std::map<std::wstring, std::wstring> texts;
};

LanguageTable& Table() {
    static auto* table = new LanguageTable;  // UI thread only; lives to the process's end
    return *table;
}

void LoadIfNeeded() {
    LanguageTable& table = Table();
    if (table.loaded) return;
    const std::string path = KX_SOFT_BASE::GetDataDirectoryUtf8() + "Lang_" + std::to_string(table.number) + ".xml";
    std::string text;
    if (!ReadXmlText(path, &text)) return;  // missing or damaged: tried again next time
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) return;
    table.loaded = true;
    const TiXmlElement* root = document.RootElement();
    for (const TiXmlElement* e = root ? root->FirstChildElement() : nullptr; e; e = e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        const char* value = e->Attribute("value");
        if (!name || !value) continue;
        table.texts[KX_SOFT_BASE::Utf8ToWide(name)] = KX_SOFT_BASE::Utf8ToWide(value);  // a later entry wins
    }
}

// The entries whose name is a key rather than the English wording, in English: what they show
// while the language file is missing, empty or unusable, or lacks them (the window's title is
// never the key "ProductName"). The same as Lang_0.xml's, but for the list of languages
// ("MultiLanguage"), which only the files can offer.
const std::map<std::wstring, std::wstring>& BuiltInEnglish() {
    static const auto* english = new std::map<std::wstring, std::wstring>{
        {L"ProductName", L"Tarvex Player"},
        {L"ProductVer", L"Version " TARVEX_VERSION_TEXT},
        {L"CopyrightString", L"Copyright (C) 2026 The Tarvex Player developers"},
        {L"WebSite", L"https://tarvex.example/"},
        {L"Language_0", L"English"},
        {L"Language_1", L"\u7b80\u4f53\u4e2d\u6587"},
        {L"Language_2", L"Deutsch"},
        {L"Player User's Guide.pdf", L"Guide/en/index.html"},
    };
    return *english;
}

}  // namespace

void SetLanguageNumber(int number) {
    if (Table().number == number) return;
    Table().number = number;
    ResetLanguageTable();
}

int LanguageNumber() { return Table().number; }

void ResetLanguageTable() {
    Table().loaded = false;
    Table().texts.clear();
}

namespace {
void (*g_missingText)(const std::wstring&) = nullptr;  // UI thread only
}  // namespace

void SetMissingTextHook(void (*hook)(const std::wstring& english)) { g_missingText = hook; }

std::wstring Translate(const std::wstring& english) {
    LoadIfNeeded();
    const auto& texts = Table().texts;
    const auto it = texts.find(english);
    if (it == texts.end() && g_missingText && Table().loaded) g_missingText(english);
    const auto builtIn = BuiltInEnglish().find(english);
    // A keyed entry left empty would show nothing where the product's name belongs.
    const bool keyedAndEmpty = it != texts.end() && it->second.empty() && builtIn != BuiltInEnglish().end();
    if (it != texts.end() && !keyedAndEmpty) return it->second.substr(0, kMaxLength);
    return (builtIn != BuiltInEnglish().end() ? builtIn->second : english).substr(0, kMaxLength);
}

std::wstring FormatSpecifiers(const std::wstring& format) {
    std::wstring specifiers;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') continue;
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            ++i;
            continue;
        }
        // Everything up to and including the conversion letter: flags, width, precision, length.
        std::size_t end = i + 1;
        while (end < format.size() && !std::iswalpha(format[end])) ++end;
        while (end < format.size() && std::wcschr(L"hlLqjzt", format[end])) ++end;
        specifiers += format.substr(i, end + 1 - i);
        specifiers += L'\n';
        i = end;
    }
    return specifiers;
}

std::wstring TranslateFormat(const std::wstring& english) {
    const std::wstring translated = Translate(english);
    return FormatSpecifiers(translated) == FormatSpecifiers(english) ? translated : english.substr(0, kMaxLength);
}

}  // namespace TarvexApp
