// A language file of any bytes: the table loads or stays untranslated, and every lookup (formats
// included) gives a text without crashing.
#include <cstdint>
#include <string>

#include "App/Language.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& home = TarvexFuzz::ProgramHome();
    if (!TarvexFuzz::WriteWhole(home + "Lang_0.xml", data, size)) return 0;
    TarvexApp::SetLanguageNumber(0);
    TarvexApp::ResetLanguageTable();  // the file is read again at the next lookup
    for (const wchar_t* english : {L"ProductName", L"MultiLanguage", L"Video", L"Language_0", L""})
        TarvexApp::Translate(english);
    TarvexApp::TranslateFormat(L"The file types(%s) doesn't associate to the program, do you want to associate to it?");
    return 0;
}
