#include "Main/AboutDlg.h"

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

CAboutDlgEventImp::CAboutDlgEventImp(CKXWindow* parent) : m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"AboutDlg", 0, CKXRect(0, 0, 360, 250), parent, 0);
    m_dialog->SetTitle(Translate(L"About"));
    m_dialog->SetSize(360, 250);
}

CAboutDlgEventImp::~CAboutDlgEventImp() {
    m_link.reset();
    m_copyright.reset();
    m_version.reset();
    m_picture.reset();
    m_dialog.reset();
}

namespace {
constexpr int kTextLeft = 16;
}  // namespace

int CAboutDlgEventImp::OnDlgCreate(int) {
    if (m_link) return 1;
    m_picture.reset(CKXUIFactory::CreateUIPictureCtrl(nullptr));
    m_picture->SetImage(L"AboutPic.png");
    m_picture->Create(L"AboutPic", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 2, 360, 82), m_dialog.get(), 0);
    // The lines start further left than the picture's text, so that a translated copyright line
    // (the German one is the longest) has the dialog's width.
    auto line = [&](const wchar_t* key, int y) {
        std::unique_ptr<CKXStatic> s(CKXUIFactory::CreateUIStatic(nullptr));
        s->Create(key, KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(kTextLeft, y, 353, y + 20), m_dialog.get(), 0);
        s->SetWindowText(Translate(key));
        return s;
    };
    m_version = line(L"ProductVer", 98);
    m_copyright = line(L"CopyrightString", 126);
    m_link.reset(CKXUIFactory::CreateUIButton(this));
    m_link->SetLinkStyle(1);
    m_link->Create(L"WebSite", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(kTextLeft, 154, 353, 174), m_dialog.get(), kLink);
    m_link->SetWindowText(Translate(L"WebSite"));
    m_link->SetTextColor(L"0000FF");
    return 1;
}

void CAboutDlgEventImp::Show() {
    OnDlgCreate(1);
    m_dialog->CenterWindow();
    m_dialog->ShowWindow(KX_SW_SHOW);
}

void CAboutDlgEventImp::BTN_OnClicked(int id) {
    if (id != kLink) return;
    // The link is opened by the desktop, never by a command line.
    const std::wstring text = m_link->GetWindowText().substr(0, 128);
    KX_SOFT_BASE::OpenWithShell(KX_SOFT_BASE::WideToNative(text).c_str());
}
