#include "Main/ToolBar.h"

#include <string>

#include "App/Language.h"
#include "Toolkit/Button.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/View.h"

using TarvexApp::Translate;

CToolBarEventImp::CToolBarEventImp(IToolBarOwner* owner) : m_owner(owner) {}

CToolBarEventImp::~CToolBarEventImp() {
    m_buttons.clear();
    m_radios.clear();
    m_logo.reset();
    m_productWord.reset();
    m_rightLogo.reset();
    m_separator.reset();
    m_secondSeparator.reset();
    m_view.reset();
}

void CToolBarEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_toolbar.png");
    m_view->Create(L"ToolBar", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 1000, kHeight), parent, 0);
}

void CToolBarEventImp::OnCreate() {
    // The brand reads the same in every language: one logo serves them all.
    m_logo.reset(CKXUIFactory::CreateUIPictureCtrl(nullptr));
    m_logo->SetImage(L"logo_0.png");
    m_logo->Create(L"Logo", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(10, 8, 168, 46), m_view.get(), 0);
    m_rightLogo.reset(CKXUIFactory::CreateUIPictureCtrl(nullptr));
    m_rightLogo->SetImage(L"logoRight.png");
    m_rightLogo->Create(L"LogoRight", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(907, 24, 990, 57), m_view.get(), 0);
    // The word over it is translated: it is wider than the picture, growing to the left.
    m_productWord.reset(CKXUIFactory::CreateUIStatic(nullptr));
    m_productWord->SetAlignment(L"right");
    m_productWord->Create(L"Player", KX_WS_CHILD | KX_WS_VISIBLE, ProductWordRect(1000, kHeight), m_view.get(), 0);
    m_productWord->SetFont(L"", 14, 0);
    m_productWord->SetTextColor(L"999999");
    m_productWord->SetWindowText(Translate(L"Player"));
    auto button = [&](int id, const std::wstring& base, const wchar_t* tip, const CKXRect& at) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(base + L"nor.png", base + L"over.png", base + L"down.png", base + L"dis.png");
        b->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, m_view.get(), id);
        b->SetToolTip(Translate(tip));
        m_buttons[id] = std::move(b);
    };
    auto radio = [&](int id, std::vector<std::wstring> faces, const wchar_t* tip, const CKXRect& at) {
        std::unique_ptr<CKXRadioBox> r(CKXUIFactory::CreateUIRadioBox(this));
        r->SetImages(faces);
        r->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, m_view.get(), id);
        r->SetToolTip(Translate(tip));
        m_radios[id] = std::move(r);
    };
    int x = 190;
    button(kAddFiles, L"btn_addfile", L"Add Files", CKXRect::FromSize(x, 0, 49, 62));
    x += 49 + 8;
    m_separator.reset(CKXUIFactory::CreateUIPictureCtrl(nullptr));
    m_separator->SetImage(L"btn_seperater.png");
    m_separator->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(x, 8, 2, 46), m_view.get(), 0);
    x += 2 + 8;
    radio(kDigitalZoom,
          {L"btn_frameselectdown.png", L"btn_frameselectdown.png", L"btn_frameselectdown.png", L"btn_frameselectnor.png",
           L"btn_frameselectover.png", L"btn_frameselectdown.png", L"btn_frameselectdis.png", L"btn_frameselectdis.png"},
          L"Digital Zoom", CKXRect::FromSize(x, 0, 49, 62));
    x += 49 + 8;
    radio(kDrag,
          {L"btn_dragdown.png", L"btn_dragover.png", L"btn_dragdown.png", L"btn_selectnor.png", L"btn_selectover.png",
           L"btn_selectdown.png", L"btn_dragdis.png", L"btn_selectdis.png"},
          L"Drag", CKXRect::FromSize(x, 0, 49, 62));
    x += 49 + 8;
    button(kFullScreen, L"btn_fullscreen", L"Full Screen", CKXRect::FromSize(x, 0, 49, 62));
    x += 49 + 8;
    std::unique_ptr<CKXPictureCtrl> separator(CKXUIFactory::CreateUIPictureCtrl(nullptr));
    separator->SetImage(L"btn_seperater.png");
    separator->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(x, 8, 2, 46), m_view.get(), 0);
    m_secondSeparator = std::move(separator);
    x += 2 + 8;
    button(kConfig, L"btn_config", L"Config", CKXRect::FromSize(x, 0, 49, 62));
    // The keys that do the same, named after the texts.
    m_buttons[kAddFiles]->SetToolTip(Translate(L"Add Files") + L" (Ctrl+O)");
    m_buttons[kFullScreen]->SetToolTip(Translate(L"Full Screen") + L" (F11)");
    // The window's own buttons, right to left from the close button (placed by OnSize).
    auto caption = [&](int id, const wchar_t* image, const wchar_t* tip) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(image, image, image);
        b->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(0, 8, 13, 13), m_view.get(), id);
        b->SetToolTip(Translate(tip));
        m_buttons[id] = std::move(b);
    };
    caption(kClose, L"btn_close.png", L"Close");
    m_buttons[kClose]->SetToolTip(Translate(L"Close") + L" (Ctrl+Q)");
    caption(kMaximize, L"btn_maximize.png", L"Max");
    caption(kMinimize, L"btn_minimize.png", L"Min");
    caption(kAbout, L"btn_lock.png", L"About");
}

void CToolBarEventImp::OnSize(int, int width, int height) {
    if (m_buttons.empty()) return;
    int left = width - 29;
    for (int id : {kClose, kMaximize, kMinimize, kAbout}) {
        m_buttons[id]->MoveWindow(CKXRect(left, 8, left + 13, 21));
        left -= 13 + 8;
    }
    m_rightLogo->MoveWindow(CKXRect(width - 93, height - 38, width - 10, height - 5));
    m_productWord->MoveWindow(ProductWordRect(width, height));
}

CKXRect CToolBarEventImp::ProductWordRect(int width, int height) {
    return CKXRect(width - 10 - kProductWordWidth, height - 38, width - 10, height - 5);
}

CKXRadioBox* CToolBarEventImp::Radio(int id) const {
    const auto at = m_radios.find(id);
    return at == m_radios.end() ? nullptr : at->second.get();
}

void CToolBarEventImp::ShowGridModes(int digitalZoom, int drag) {
    if (CKXRadioBox* r = Radio(kDigitalZoom)) r->SetCheck(digitalZoom, 0);
    if (CKXRadioBox* r = Radio(kDrag)) r->SetCheck(drag, 0);
}

void CToolBarEventImp::BTN_OnClicked(int id) {
    if (!m_owner) return;
    switch (id) {
        case kAddFiles: m_owner->AddFiles(); break;
        case kFullScreen: m_owner->EnterFullScreen(); break;
        case kConfig: m_owner->OpenConfig(); break;
        case kAbout: m_owner->ShowAbout(); break;
        case kClose: m_owner->CloseWindow(); break;
        case kMinimize: m_owner->MinimizeWindow(); break;
        case kMaximize: {
            const int maximized = m_owner->ToggleMaximized();
            CKXButton* b = m_buttons[kMaximize].get();
            const wchar_t* image = maximized ? L"btn_restore.png" : L"btn_maximize.png";
            b->SetImages(image, image, image);
            b->SetToolTip(Translate(maximized ? L"Restore" : L"Max"));
            break;
        }
    }
}

void CToolBarEventImp::RB_OnStateChanged(int id, int checked, int byClick) {
    if (!m_owner || (id != kDigitalZoom && id != kDrag)) return;
    // One mode at a time; a click that clears a radio turns its mode off.
    const int zoom = id == kDigitalZoom && checked ? 1 : 0;
    const int drag = id == kDrag && checked ? 1 : 0;
    (void)byClick;
    ShowGridModes(zoom, drag);
    m_owner->SetGridModes(zoom, drag);
}
