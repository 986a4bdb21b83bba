// The toolkit's file dialog: open a file (or a folder), save one, or choose a folder. It is always
// the toolkit's own dialog rather than the desktop's, so that it speaks the program's language.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>

#include "Toolkit/UIFactory.h"
#include "Toolkit/Window.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/ToolkitTexts.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

// "RVF Video File(*.rvf)|All(*.*)" as the dialog writes filters: "RVF Video File (*.rvf)" and so
// on, the patterns of one filter separated by blanks; everything is always offered last.
QStringList NameFilters(const std::wstring& filter) {
    QStringList filters;
    for (const QString& part : KXQt::ToQString(filter).split('|', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = QRegularExpression(R"(^(.*?)\s*\(([^)]*)\)\s*$)").match(part);
        if (!m.hasMatch()) continue;
        QStringList patterns = m.captured(2).split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == "*.*") p = "*";
        filters << QStringLiteral("%1 (%2)").arg(m.captured(1).trimmed(), patterns.join(' '));
    }
    filters << QStringLiteral("%1 (*)").arg(KXQt::ToolkitText(L"All files"));
    return filters;
}

// The "Open Folder" button of an open dialog that takes folders too: the folder selected in the
// list, or else the folder the dialog shows. Empty until pressed.
void OfferFolders(QFileDialog& dialog, QString& chosenFolder) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (!buttons) return;
    QPushButton* open = buttons->addButton(KXQt::ToolkitText(L"Open Folder"), QDialogButtonBox::ActionRole);
    QObject::connect(open, &QPushButton::clicked, &dialog, [&dialog, &chosenFolder] {
        const QStringList selected = dialog.selectedFiles();
        const QFileInfo first(selected.isEmpty() ? QString() : selected.front());
        chosenFolder = first.isDir() ? first.absoluteFilePath() : dialog.directory().absolutePath();
        static_cast<QDialog&>(dialog).done(QDialog::Accepted);  // public as a QDialog
    });
}

}  // namespace

void CKXUIFactory::SetTextTranslator(std::wstring (*translate)(const std::wstring& english)) {
    KXQt::SetTextTranslator(translate);
}

int CKXUIFactory::CreateFileDialog(int mode, CKXWindow* owner, std::wstring& path, const std::wstring& defaultExt,
                                   const std::wstring& filter, unsigned int flags, std::size_t maxChars) {
    KXQt::CWidgetLink* link = owner ? owner->GetImpl().Link() : nullptr;
    QFileDialog dialog(link ? link->Widget()->window() : nullptr);
    // The desktop's own dialog would speak the desktop's language, not the window's.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    switch (mode) {
        case KX_FILEDLG_FOLDER:
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly, true);
            break;
        case KX_FILEDLG_SAVE:
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !(flags & KX_OFN_OVERWRITEPROMPT));
            break;
        default:
            dialog.setFileMode(QFileDialog::ExistingFile);
            break;
    }
    if (mode != KX_FILEDLG_FOLDER) dialog.setNameFilters(NameFilters(filter));
    QString suffix = KXQt::ToQString(defaultExt);
    if (suffix.startsWith('.')) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    QString chosenFolder;
    if (mode == KX_FILEDLG_OPEN && (flags & KX_OFN_FOLDERSTOO)) OfferFolders(dialog, chosenFolder);

    // Where to start: the folder given, or the file given in its folder.
    if (!path.empty()) {
        const QFileInfo start(KXQt::PathToQString(path));
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            dialog.setDirectory(start.absolutePath());
            if (mode != KX_FILEDLG_FOLDER) dialog.selectFile(start.fileName());
        }
    }

    if (dialog.exec() != QDialog::Accepted) return 0;
    const QStringList chosen = chosenFolder.isEmpty() ? dialog.selectedFiles() : QStringList{chosenFolder};
    if (chosen.isEmpty()) return 0;
    const std::wstring result = KXQt::PathFromQString(chosen.front());
    // A path that does not fit the caller's room is refused, never cut.
    if (result.empty() || (maxChars && result.size() > maxChars)) return 0;
    path = result;
    return 1;
}
