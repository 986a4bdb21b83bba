#pragma once
// The toolkit's own texts in the program's language: the program hands over its translation, and
// the texts Qt's file dialog shows (labels, buttons, tool tips, column headings) are passed
// through it by their English wording, so that the dialog speaks the window's language.
#include <QString>

#include <string>

namespace KXQt {

using TextTranslator = std::wstring (*)(const std::wstring& english);

// Null: every text stays English. Installed once the application object exists.
void SetTextTranslator(TextTranslator translate);

// One of the toolkit's texts, translated on the UI thread (English elsewhere or without a
// translator).
QString ToolkitText(const std::wstring& english);

// The English wording the program translates for one of Qt's own texts, or empty when it is not
// one the toolkit shows in the program's language (Qt's own English then stays).
std::wstring EnglishOfQtText(const char* context, const char* source);

}  // namespace KXQt
