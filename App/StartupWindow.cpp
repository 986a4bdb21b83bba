#include "App/StartupWindow.h"

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

namespace TarvexApp {

CStartupWindow::CStartupWindow(const std::string& path) : m_path(KX_SOFT_BASE::NativeToWide(path)) {
    m_window = CKXUIFactory::CreateUIMainWindow(this, nullptr);
    m_window->SetFrameImage(L"Frame.png");
    m_window->SetTitle(Translate(L"ProductName"));
    m_window->SetIcon(L"Tarvex.png");
    m_window->SetSize(1000, 730);
    m_window->CenterWindow();
}

CStartupWindow::~CStartupWindow() {
    CKXUIFactory::DestroyUIStatic(m_text);
    CKXUIFactory::DestroyUIPictureCtrl(m_logo);
    CKXUIFactory::DestroyUIMainWindow(m_window);
}

int CStartupWindow::OnDlgCreate(int argument) {
    if (argument != 1 || m_logo) return 1;
    m_logo = CKXUIFactory::CreateUIPictureCtrl(nullptr);
    m_logo->SetImage(L"logo_0.png");
    m_logo->Create(L"Logo", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(10, 8, 158, 38), m_window, 0);
    m_text = CKXUIFactory::CreateUIStatic(nullptr);
    m_text->SetAlignment(L"center");
    m_text->SetWordWrap(1);
    m_text->SetTextColor(L"999999");
    m_text->Create(L"Path", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 300, 1000, 400), m_window, 0);
    m_text->SetWindowText(m_path.empty() ? Translate(L"ProductVer") : m_path);
    m_window->ShowWindow(KX_SW_SHOW);
    return 1;
}

void CStartupWindow::OnDlgSize(int, int width, int height) {
    if (m_text) m_text->MoveWindow(CKXRect(20, height / 2 - 40, width - 20, height / 2 + 40));
}

void CStartupWindow::OnDlgFileDrop(const wchar_t* path) {
    m_path = path;
    if (m_text) m_text->SetWindowText(m_path);
}

}  // namespace TarvexApp
