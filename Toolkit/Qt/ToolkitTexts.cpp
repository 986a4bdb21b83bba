#include "Toolkit/Qt/ToolkitTexts.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTranslator>

#include <cstring>

#include "Toolkit/Qt/Text.h"

namespace KXQt {

namespace {

TextTranslator g_translate = nullptr;  // UI thread only

bool OnUIThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Qt's texts of the file dialog, by Qt's context and wording, with the wording our language files
// know them by (no "&" shortcut marks, one name for the open dialog's title and button).
struct QtText {
    const char* context;
    const char* source;
    const wchar_t* english;
};
const QtText kQtTexts[] = {
    {"QFileDialog", "Look in:", L"Look in:"},
    {"QFileDialog", "File &name:", L"File name:"},
    {"QFileDialog", "Files of type:", L"Files of type:"},
    {"QFileDialog", "Directory:", L"Folder:"},
    {"QFileDialog", "&Open", L"Open"},
    {"QFileDialog", "Open", L"Open"},
    {"QFileDialog", "&Choose", L"Choose"},
    {"QFileDialog", "Find Directory", L"Choose Folder"},
    {"QFileDialog", "Back", L"Back"},
    {"QFileDialog", "Forward", L"Forward"},
    {"QFileDialog", "Parent Directory", L"Parent Folder"},
    {"QFileDialog", "Create New Folder", L"New Folder"},
    {"QFileDialog", "New Folder", L"New Folder"},
    {"QFileDialog", "&New Folder", L"New Folder"},
    {"QFileDialog", "List View", L"List View"},
    {"QFileDialog", "Detail View", L"Detail View"},
    {"QFileSystemModel", "Name", L"Name"},
    {"QFileSystemModel", "Size", L"Size"},
    {"QFileSystemModel", "Type", L"Type"},
    {"QFileSystemModel", "Date Modified", L"Date Modified"},
    {"QPlatformTheme", "Cancel", L"Cancel"},
};

// Asks the program for the texts above while a translator is set; Qt keeps its own otherwise.
class CProgramTranslator : public QTranslator {
public:
    explicit CProgramTranslator(QObject* parent) : QTranslator(parent) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (!g_translate || !context || !source || !OnUIThread()) return QString();
        const std::wstring english = EnglishOfQtText(context, source);
        return english.empty() ? QString() : ToQString(g_translate(english));
    }
};

}  // namespace

std::wstring EnglishOfQtText(const char* context, const char* source) {
    for (const QtText& t : kQtTexts)
        if (std::strcmp(t.context, context) == 0 && std::strcmp(t.source, source) == 0) return t.english;
    return std::wstring();
}

void SetTextTranslator(TextTranslator translate) {
    g_translate = translate;
    static QPointer<QTranslator> installed;  // goes with the application object it belongs to
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || installed) return;
    installed = new CProgramTranslator(app);
    QCoreApplication::installTranslator(installed);
}

QString ToolkitText(const std::wstring& english) {
    return ToQString(g_translate && OnUIThread() ? g_translate(english) : english);
}

}  // namespace KXQt
