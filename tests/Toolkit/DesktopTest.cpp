// What the toolkit asks of the desktop: the file-type association in the user's XDG folders, the
// file dialog, the font, the program folder and the screen.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include "Toolkit/Qt/FileAssociation.h"
#include "Toolkit/Qt/ToolkitTexts.h"
#include "ToolkitTestSupport.h"

namespace {

// The user's data and config folders moved into a temporary folder for one test.
class AssociationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        m_saved[0] = qgetenv("XDG_DATA_HOME");
        m_saved[1] = qgetenv("XDG_CONFIG_HOME");
        m_saved[2] = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_HOME", (m_home.path() + "/data").toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/config").toUtf8());
        // A system folder of the test's own comes first: the desktop's MIME database stays in view.
        qputenv("XDG_DATA_DIRS", (m_home.path() + "/system:/usr/local/share:/usr/share").toUtf8());
    }
    void TearDown() override {
        qputenv("XDG_DATA_HOME", m_saved[0]);
        qputenv("XDG_CONFIG_HOME", m_saved[1]);
        qputenv("XDG_DATA_DIRS", m_saved[2]);
    }
    QString Read(const QString& relative) {
        QFile file(m_home.path() + "/" + relative);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void Write(const QString& relative, const QString& text) {
        QDir().mkpath(QFileInfo(m_home.path() + "/" + relative).absolutePath());
        QFile file(m_home.path() + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QTemporaryDir m_home;
    QByteArray m_saved[3];
};

}  // namespace

TEST_F(AssociationTest, AssociatingMakesTheQueryTrueAndKeepsOtherDefaults) {
    Write("config/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop\n\n[Other]\nkey=value\n");
    EXPECT_EQ(0, CKXUIFactory::IsFileAssociatetoApp(L".rvf"));
    const std::wstring program = KXQt::ToWString(QCoreApplication::applicationFilePath()) + L",0";
    EXPECT_EQ(1, CKXUIFactory::AssociateFiletoApp(L".rvf", program, 0));
    EXPECT_EQ(1, CKXUIFactory::IsFileAssociatetoApp(L".rvf"));
    EXPECT_EQ(1, CKXUIFactory::IsFileAssociatetoApp(L".RVF")) << "extensions compare without case";

    const QString apps = Read("config/mimeapps.list");
    EXPECT_TRUE(apps.contains("text/plain=editor.desktop"));
    EXPECT_TRUE(apps.contains("[Other]\nkey=value"));
    EXPECT_TRUE(apps.contains("application/x-tarvex-rvf=tarvex-player.desktop\n"));
    EXPECT_TRUE(Read("data/mime/packages/tarvex-rvf.xml").contains("<glob pattern=\"*.rvf\"/>"));
    const QString entry = Read("data/applications/tarvex-player.desktop");
    EXPECT_TRUE(entry.contains("MimeType=application/x-tarvex-rvf;"));
    EXPECT_TRUE(entry.contains("Exec=\"" + QCoreApplication::applicationFilePath() + "\" %f")) << entry.toStdString();

    // Again: nothing doubles.
    EXPECT_EQ(1, CKXUIFactory::AssociateFiletoApp(L".rvf", program, 0));
    EXPECT_EQ(1, Read("data/applications/tarvex-player.desktop").count("application/x-tarvex-rvf"));
    EXPECT_EQ(1, Read("config/mimeapps.list").count("[Default Applications]"));
}

TEST_F(AssociationTest, AnotherProgramOrAnotherDefaultIsNotOurs) {
    const QString self = QCoreApplication::applicationFilePath();
    EXPECT_TRUE(KXQt::Associate(".rvf", "/opt/elsewhere/tarvex-player", false));
    EXPECT_FALSE(KXQt::IsAssociated(".rvf", self)) << "an entry for an older copy of the program";
    EXPECT_TRUE(KXQt::Associate(".rvf", self, false));
    EXPECT_TRUE(KXQt::IsAssociated(".rvf", self));
    Write("config/mimeapps.list", "[Default Applications]\napplication/x-tarvex-rvf=other.desktop\n");
    EXPECT_FALSE(KXQt::IsAssociated(".rvf", self)) << "the user chose another player";
    EXPECT_FALSE(KXQt::Associate("../x", self, false)) << "not an extension";
}

TEST_F(AssociationTest, OddProgramPathsAreQuotedForTheDesktopEntry) {
    const QString odd = m_home.path() + "/my \"player\" $HOME 100%/tarvex";
    EXPECT_TRUE(KXQt::Associate(".ts", odd, false));
    EXPECT_TRUE(KXQt::IsAssociated(".ts", odd)) << "the quoted Exec reads back as the same program";
    EXPECT_TRUE(Read("data/applications/tarvex-player.desktop").contains(R"(\\"player\\" \\$HOME 100%%)"));
}

TEST_F(AssociationTest, ADocumentTypeSharingAnExtensionIsOfferedNotTakenOver) {
    const QString self = QCoreApplication::applicationFilePath();
    const QString postscript = KXQt::MimeTypeForExtension(".ps");
    if (!postscript.startsWith("application/")) GTEST_SKIP() << "this desktop knows .ps as " << postscript.toStdString();
    Write("config/mimeapps.list", "[Default Applications]\n" + postscript + "=viewer.desktop\n");
    EXPECT_TRUE(KXQt::Associate(".ps", self, false));
    const QString apps = Read("config/mimeapps.list");
    EXPECT_TRUE(apps.contains(postscript + "=viewer.desktop")) << "the documents keep their viewer";
    EXPECT_TRUE(apps.contains("[Added Associations]\n" + postscript + "=tarvex-player.desktop;")) << apps.toStdString();
    EXPECT_TRUE(KXQt::IsAssociated(".ps", self)) << "offered is all it asks, or the question would come back";
}

TEST_F(AssociationTest, AFreshUserHasNoneOfTheRecordFormats) {
    const QString self = QCoreApplication::applicationFilePath();
    for (const char* extension : {".rvf", ".avi", ".ps", ".ts"})
        EXPECT_FALSE(KXQt::IsAssociated(extension, self)) << extension << " as " << KXQt::MimeTypeForExtension(extension).toStdString();
}

TEST_F(AssociationTest, AnInstalledEntryServesWhenItNamesThisProgram) {
    const QString self = QCoreApplication::applicationFilePath();
    Write("system/applications/tarvex-player.desktop",
          "[Desktop Entry]\nType=Application\nName=Tarvex Player\nExec=" + self + " %f\nMimeType=video/x-msvideo;\n");
    EXPECT_FALSE(KXQt::IsAssociated(".avi", self)) << "installed, but not yet the user's default";
    EXPECT_TRUE(KXQt::Associate(".avi", self, false));
    EXPECT_FALSE(QFile::exists(m_home.path() + "/data/applications/tarvex-player.desktop")) << "no copy of the entry";
    EXPECT_TRUE(Read("config/mimeapps.list").contains("video/x-msvideo=tarvex-player.desktop\n"));
    EXPECT_TRUE(KXQt::IsAssociated(".avi", self));
    // A type the installed entry does not list is added for it, still without a copy of the entry.
    EXPECT_TRUE(KXQt::Associate(".mkv", self, false));
    EXPECT_FALSE(QFile::exists(m_home.path() + "/data/applications/tarvex-player.desktop"));
    EXPECT_TRUE(KXQt::IsAssociated(".mkv", self));
    EXPECT_TRUE(KXQt::IsAssociated(".avi", self)) << "the earlier type stays the player's";
    // Another copy of the program gets an entry of the user's own, which hides the installed one.
    EXPECT_TRUE(KXQt::Associate(".avi", "/opt/elsewhere/tarvex-player", false));
    EXPECT_TRUE(QFile::exists(m_home.path() + "/data/applications/tarvex-player.desktop"));
    EXPECT_FALSE(KXQt::IsAssociated(".avi", self));
}

TEST(FileDialogTest, TheChosenPathComesBackAndCancelGivesZero) {
#if defined(__SANITIZE_THREAD__)
    // The dialog reads folders on Qt's own threads, which hand over through locks that the
    // uninstrumented Qt libraries do not show to ThreadSanitizer; our code adds no thread here.
    GTEST_SKIP() << "Qt's file dialog threads are invisible to ThreadSanitizer";
#endif
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.path() + "/DVR_ch1_20240315100000_20240315100004.rvf";
    QFile(file).open(QIODevice::WriteOnly);

    // Answers the dialog once it is up, as the user would, until it has gone.
    auto answer = [](bool accept, const QString& choose) {
        auto poll = std::make_unique<QTimer>();
        QObject::connect(poll.get(), &QTimer::timeout, [accept, choose] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (!accept) return dialog->reject();
            // The dialog does not overwrite what its focused name field holds.
            if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
            if (!choose.isEmpty()) dialog->selectFile(choose);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        poll->start(20);
        return poll;
    };
    std::wstring path = KXQt::PathFromQString(folder.path());
    auto user = answer(true, file);
    EXPECT_EQ(1, CKXUIFactory::CreateFileDialog(KX_FILEDLG_OPEN, nullptr, path, L".rvf", L"RVF Video File(*.rvf)",
                                                KX_OFN_HIDEREADONLY, 520));
    EXPECT_EQ(KXQt::PathFromQString(file), path);

    std::wstring untouched = L"/keep";
    user = answer(false, QString());
    EXPECT_EQ(0, CKXUIFactory::CreateFileDialog(KX_FILEDLG_OPEN, nullptr, untouched, L".rvf", L"", 0, 520));
    EXPECT_EQ(L"/keep", untouched);

    std::wstring chosenFolder = KXQt::PathFromQString(folder.path());
    user = answer(true, QString());
    EXPECT_EQ(1, CKXUIFactory::CreateFileDialog(KX_FILEDLG_FOLDER, nullptr, chosenFolder, L"", L"", 0, 256));
    EXPECT_EQ(KXQt::PathFromQString(folder.path()), chosenFolder);

    std::wstring tooLong = KXQt::PathFromQString(folder.path());
    user = answer(true, file);
    EXPECT_EQ(0, CKXUIFactory::CreateFileDialog(KX_FILEDLG_OPEN, nullptr, tooLong, L"", L"", 0, 10))
        << "a path longer than the caller's room is refused, not cut";
}

namespace {
std::wstring Bracketed(const std::wstring& english) { return L"[" + english + L"]"; }
}  // namespace

TEST(FileDialogTest, ItSpeaksTheProgramsLanguageOffersItsFiltersAndAFolder) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "Qt's file dialog threads are invisible to ThreadSanitizer";
#endif
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir("export"));
    CKXUIFactory::SetTextTranslator(&Bracketed);
    // What the user sees, read once the dialog is up; then the user goes into the export folder and
    // chooses it with the "Open Folder" button.
    QStringList seen;
    auto poll = std::make_unique<QTimer>();
    QObject::connect(poll.get(), &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !seen.isEmpty()) return;
        seen << dialog->windowTitle() << dialog->nameFilters();
        for (auto* button : dialog->findChildren<QPushButton*>()) seen << button->text();
        dialog->setDirectory(folder.path() + "/export");
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->text() == "[Open Folder]") button->click();
    });
    poll->start(20);
    std::wstring path = KXQt::PathFromQString(folder.path());
    EXPECT_EQ(1, CKXUIFactory::CreateFileDialog(KX_FILEDLG_OPEN, nullptr, path, L".rvf",
                                                L"All recordings(*.rvf;*.mp4)|RVF Video File(*.rvf)", KX_OFN_FOLDERSTOO, 0));
    poll.reset();
    CKXUIFactory::SetTextTranslator(nullptr);
    EXPECT_EQ(KXQt::PathFromQString(folder.path() + "/export"), path) << "the folder it shows";
    EXPECT_TRUE(seen.contains("[Open]")) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains("[Cancel]")) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains("All recordings (*.rvf *.mp4)")) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains("[All files] (*)")) << seen.join(", ").toStdString();
    // Qt's own wording reaches the program under the name its language files know.
    EXPECT_EQ(L"File name:", KXQt::EnglishOfQtText("QFileDialog", "File &name:"));
    EXPECT_EQ(L"Date Modified", KXQt::EnglishOfQtText("QFileSystemModel", "Date Modified"));
    EXPECT_EQ(L"", KXQt::EnglishOfQtText("QMessageBox", "Close")) << "only the dialog's texts";
}

TEST(FactoryTest, ProgramFolderFontAndScreen) {
    const std::wstring home = KXQt::PathFromQString(QString::fromLocal8Bit(qgetenv("TARVEX_HOME")));
    EXPECT_EQ(home + L"/", CKXUIFactory::GetCurrentPath());

    const std::wstring before = CKXUIFactory::GetFontFace();
    CKXUIFactory::SetFontProperty(1, L"No Such Face 12345");
    EXPECT_EQ(before, CKXUIFactory::GetFontFace()) << "a face that is not installed leaves the toolkit's";
    if (QFontDatabase::hasFamily("DejaVu Sans")) {
        CKXUIFactory::SetFontProperty(1, L"DejaVu Sans");
        EXPECT_EQ(L"DejaVu Sans", CKXUIFactory::GetFontFace());
    }

    CKXRect desktop;
    CKXUIFactory::GetDesktopRect(desktop);
    EXPECT_GT(desktop.Width(), 0);
    EXPECT_GT(desktop.Height(), 0);
    EXPECT_EQ(1, CKXUIFactory::Install(TarvexTest::NoArguments(), nullptr)) << "installing again changes nothing";
}
