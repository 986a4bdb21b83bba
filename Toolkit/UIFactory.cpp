#include "Toolkit/UIFactory.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QPalette>
#include <QScreen>
#include <QUrl>

#include <memory>

#include "Base/ProgramPath.h"
#include "Base/UserFolders.h"
#include "Base/SystemFunctions.h"
#include "Toolkit/Button.h"
#include "Toolkit/ComboBox.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/MessageControlQt.h"
#include "Toolkit/UITimer.h"
#include "Toolkit/NumSpiner.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/SliderCtrl.h"
#include "Toolkit/ProgressCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/ListCtrl.h"
#include "Toolkit/PlayProgressPanel.h"
#include "Toolkit/TreeCtrl.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"
#include "Toolkit/Qt/DesktopMonitor.h"
#include "Toolkit/Qt/FileAssociation.h"
#include "Toolkit/Qt/PostedMessage.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

struct ToolkitState {
    bool installed = false;
    std::unique_ptr<QApplication> ownApplication;  // null when the program brought its own
    std::unique_ptr<KXQt::CDesktopMonitor> monitor;
    bool inMainLoop = false;
    bool quitRequested = false;  // a Quit before the loop runs ends it at once
};

ToolkitState& State() {
    static auto* state = new ToolkitState;  // UI thread only; lives to the process's end
    return *state;
}

// Opens a document, a folder or a web address with the desktop's default application.
int OpenWithDesktop(const char* pathUtf8) {
    const QString target = QString::fromUtf8(pathUtf8);
    const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
    return QDesktopServices::openUrl(url) ? 1 : 0;
}

// The flat dark look for what the desktop draws itself (edits, combos, the file dialog).
void ApplyPalette() {
    using namespace KXQt::Theme;
    QPalette palette;
    palette.setColor(QPalette::Window, Window());
    palette.setColor(QPalette::WindowText, Text());
    palette.setColor(QPalette::Base, Panel());
    palette.setColor(QPalette::AlternateBase, Raised());
    palette.setColor(QPalette::Text, Text());
    palette.setColor(QPalette::Button, Raised());
    palette.setColor(QPalette::ButtonText, Text());
    palette.setColor(QPalette::Highlight, Accent());
    palette.setColor(QPalette::HighlightedText, QColor(Qt::black));
    palette.setColor(QPalette::ToolTipBase, Panel());
    palette.setColor(QPalette::ToolTipText, Text());
    palette.setColor(QPalette::Disabled, QPalette::Text, DimText());
    palette.setColor(QPalette::Disabled, QPalette::WindowText, DimText());
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, DimText());
    QApplication::setPalette(palette);
}

}  // namespace

int CKXUIFactory::Install(int& argc, char** argv) {
    ToolkitState& state = State();
    if (state.installed) return 1;
    if (!QApplication::instance()) {
        static int s_argc = 1;
        static char s_name[] = "tarvex-player";
        static char* s_argv[] = {s_name, nullptr};
        if (argc > 0 && argv) {
            // The application object keeps a reference to its count for its whole life.
            s_argc = argc;
            state.ownApplication = std::make_unique<QApplication>(s_argc, argv);
            argc = s_argc;
        } else {
            state.ownApplication = std::make_unique<QApplication>(s_argc, s_argv);
        }
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return 0;
    // No display name: the desktop would add it to every window title.
    QCoreApplication::setApplicationName(QStringLiteral("tarvex-player"));
    // Closing a dialog never ends the program by itself: the main window's close does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    ApplyPalette();
    TarvexBase::InstallUIThreadControl();
    TarvexBase::InstallUITimerSource();
    KX_SOFT_BASE::SetShellOpener(&OpenWithDesktop);
    KXQt::SetSkinFolder(KX_SOFT_BASE::GetDataDirectory() + L"Skin/");
    state.monitor = std::make_unique<KXQt::CDesktopMonitor>();
    state.installed = true;
    return 1;
}

void CKXUIFactory::UnInstall() {
    ToolkitState& state = State();
    if (!state.installed) return;
    state.monitor.reset();
    KX_SOFT_BASE::SetShellOpener(nullptr);
    state.ownApplication.reset();
    state.installed = false;
    state.quitRequested = false;
}

std::wstring CKXUIFactory::GetCurrentPath() { return KX_SOFT_BASE::GetProgramDirectory(); }

void CKXUIFactory::SetResourcePath(const std::wstring& folder) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'/') path += L'/';
    KXQt::SetSkinFolder(path);
}

std::wstring CKXUIFactory::GetResourcePath() { return KXQt::SkinFolder(); }

void CKXUIFactory::SetFontProperty(int /*charSet: every face covers Unicode here*/, const std::wstring& face) {
    if (!QApplication::instance()) return;
    const QString family = KXQt::ToQString(face);
    // A face the machine does not have would be replaced by whatever the font matcher finds:
    // keep the toolkit's own face instead.
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) return;
    QFont font = QApplication::font();
    font.setFamily(family);
    QApplication::setFont(font);
}

std::wstring CKXUIFactory::GetFontFace() {
    return QApplication::instance() ? KXQt::ToWString(QApplication::font().family()) : std::wstring();
}

int CKXUIFactory::IsFileAssociatetoApp(const std::wstring& extension) {
    return KXQt::IsAssociated(KXQt::ToQString(extension), QCoreApplication::applicationFilePath()) ? 1 : 0;
}

int CKXUIFactory::AssociateFiletoApp(const std::wstring& extension, const std::wstring& program, int last) {
    // The program may carry its icon's index (",0"), which has no meaning here.
    std::wstring path = program;
    const auto comma = path.rfind(L',');
    if (comma != std::wstring::npos && path.find_first_not_of(L"0123456789", comma + 1) == std::wstring::npos)
        path.erase(comma);
    return KXQt::Associate(KXQt::ToQString(extension), KXQt::PathToQString(path), last != 0) ? 1 : 0;
}

CKXDialog* CKXUIFactory::CreateUIMainWindow(IKXDialogEvent* sink, CKXWindow* parent) {
    auto* window = new CKXDialog(sink, true);
    window->Create(L"MainWindow", 0, CKXRect(0, 0, 1000, 730), parent, 0);
    return window;
}

void CKXUIFactory::DestroyUIMainWindow(CKXDialog* window) { delete window; }

int CKXUIFactory::MainLoop() {
    ToolkitState& state = State();
    if (!QApplication::instance()) return 0;
    if (state.quitRequested) {
        state.quitRequested = false;
        return 0;
    }
    state.inMainLoop = true;
    const int code = QApplication::exec();
    state.inMainLoop = false;
    state.quitRequested = false;
    return code;
}

void CKXUIFactory::Quit() {
    ToolkitState& state = State();
    // exit, not quit: the toolkit's quit closes every window first, and ending the loop must leave
    // the windows to their owners.
    if (state.inMainLoop) QCoreApplication::exit(0);
    else state.quitRequested = true;
}

CKXDialog* CKXUIFactory::CreateUIDialog(IKXDialogEvent* sink) { return new CKXDialog(sink, false); }
void CKXUIFactory::DestroyUIDialog(CKXDialog* dialog) { delete dialog; }
CKXView* CKXUIFactory::CreateUIView(IKXViewEvent* sink) { return new CKXView(sink); }
void CKXUIFactory::DestroyUIView(CKXView* view) { delete view; }
CKXButton* CKXUIFactory::CreateUIButton(IKXButtonEvent* sink) { return new CKXButton(sink); }
void CKXUIFactory::DestroyUIButton(CKXButton* button) { delete button; }
CKXRadioBox* CKXUIFactory::CreateUIRadioBox(IKXRadioBoxEvent* sink) { return new CKXRadioBox(sink); }
void CKXUIFactory::DestroyUIRadioBox(CKXRadioBox* box) { delete box; }
CKXStatic* CKXUIFactory::CreateUIStatic(IKXStaticEvent* sink) { return new CKXStatic(sink); }
void CKXUIFactory::DestroyUIStatic(CKXStatic* text) { delete text; }
CKXComboBox* CKXUIFactory::CreateUIComboBox(IKXComboBoxEvent* sink) { return new CKXComboBox(sink); }
void CKXUIFactory::DestroyUIComboBox(CKXComboBox* combo) { delete combo; }
CKXEditCtrl* CKXUIFactory::CreateUIEditCtrl(IKXEditCtrlEvent* sink) { return new CKXEditCtrl(sink); }
void CKXUIFactory::DestroyUIEditCtrl(CKXEditCtrl* edit) { delete edit; }
CKXSliderCtrl* CKXUIFactory::CreateUISliderCtrl(IKXSliderCtrlEvent* sink) { return new CKXSliderCtrl(sink); }
void CKXUIFactory::DestroyUISliderCtrl(CKXSliderCtrl* slider) { delete slider; }
CKXProgressCtrl* CKXUIFactory::CreateUIProgressCtrl() { return new CKXProgressCtrl(); }
void CKXUIFactory::DestroyUIProgressCtrl(CKXProgressCtrl* progress) { delete progress; }
CKXNumSpiner* CKXUIFactory::CreateUINumSpiner(IKXNumSpinerEvent* sink) { return new CKXNumSpiner(sink); }
void CKXUIFactory::DestroyUINumSpiner(CKXNumSpiner* spiner) { delete spiner; }
CKXPictureCtrl* CKXUIFactory::CreateUIPictureCtrl(IKXPictureCtrlEvent* sink) { return new CKXPictureCtrl(sink); }
void CKXUIFactory::DestroyUIPictureCtrl(CKXPictureCtrl* picture) { delete picture; }

CKXVideoWindow* CKXUIFactory::CreateUIVideoWindow(int mode, IKXVideoWindowEvent* sink, int maxRows, int maxColumns) {
    return new CKXVideoWindow(mode, sink, maxRows, maxColumns);
}
void CKXUIFactory::DestroyUIVideoWindow(CKXVideoWindow* grid) { delete grid; }
CKXTreeCtrl* CKXUIFactory::CreateUITreeCtrl(IKXTreeCtrlEvent* sink) { return new CKXTreeCtrl(sink); }
void CKXUIFactory::DestroyUITreeCtrl(CKXTreeCtrl* tree) { delete tree; }
CKXListCtrl* CKXUIFactory::CreateUIListCtrl(IKXListCtrlEvent* sink) { return new CKXListCtrl(sink); }
void CKXUIFactory::DestroyUIListCtrl(CKXListCtrl* list) { delete list; }
CKXPlayProgressPanel* CKXUIFactory::CreateUIPlayProgressPanel(IPlayProgressEvent* sink) { return new CKXPlayProgressPanel(sink); }
void CKXUIFactory::DestroyUIPlayProgressPanel(CKXPlayProgressPanel* panel) { delete panel; }

void CKXUIFactory::GetDesktopRect(CKXRect& rect) {
    QScreen* screen = QApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen) {
        rect = CKXRect();
        return;
    }
    const QRect r = screen->geometry();
    rect = CKXRect::FromSize(r.x(), r.y(), r.width(), r.height());
}

int CKXUIFactory::UIPostMessage(CKXWindow* window, int code, std::intptr_t data) {
    auto* dialog = dynamic_cast<CKXDialog*>(window);
    KXQt::CWidgetLink* link = dialog ? dialog->GetImpl().Link() : nullptr;
    if (!link) return 0;
    QCoreApplication::postEvent(link->Widget(), new KXQt::CPostedMessage(code, data));
    return 1;
}
