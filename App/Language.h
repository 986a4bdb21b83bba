#pragma once
// The language table: every text the program shows is passed by its English wording and comes
// back in the current language, from "Lang_<n>.xml" in the program folder. A text the table lacks,
// or every text while the file is missing or broken (it is tried again on the next call), stays
// English; the few entries named by a key ("ProductName", not the list of languages) have their
// English built in. UI thread only.
#include <string>

namespace TarvexApp {

void SetLanguageNumber(int number);
int LanguageNumber();

// The translation, at most 1023 characters, returned by value: a caller may keep it.
std::wstring Translate(const std::wstring& english);

// For a translation used as a format: taken only when its conversion specifiers are exactly the
// English text's, in the same order; else the English text. A language file cannot make the
// program read arguments it was not given.
std::wstring TranslateFormat(const std::wstring& english);

// The conversion specifiers of a printf format, in order ("%%" is none).
std::wstring FormatSpecifiers(const std::wstring& format);

// Told of every text looked up that the loaded language file lacks (for the tests that every text
// the program shows is in its language files); null: nobody.
void SetMissingTextHook(void (*hook)(const std::wstring& english));

// Forgets the loaded table, so that the next lookup reads the file again (a change of language
// number does the same).
void ResetLanguageTable();

}  // namespace TarvexApp
