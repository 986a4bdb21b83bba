#include "Main/TopPopDlg.h"

#include "App/Language.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

CTopPopDlgEventImp::CTopPopDlgEventImp(ITopPopOwner* owner) : m_owner(owner), m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->Create(L"TopPopDlg", 0, CKXRect(0, 0, kWidth, kHeight), nullptr, 0);
    m_dialog->SetSize(kWidth, kHeight);
    m_dialog->SetTopMost(1);
}

CTopPopDlgEventImp::~CTopPopDlgEventImp() {
    m_zoom.reset();
    m_drag.reset();
    m_leave.reset();
    m_dialog.reset();
}

int CTopPopDlgEventImp::OnDlgCreate(int) {
    if (m_zoom) return 1;
    auto radio = [&](int id, const std::wstring& base, const wchar_t* text, int x) {
        std::unique_ptr<CKXRadioBox> r(CKXUIFactory::CreateUIRadioBox(this));
        r->SetImages({base + L"down.png", base + L"over.png", base + L"down.png", base + L"nor.png", base + L"over.png",
                      base + L"down.png", base + L"dis.png", base + L"dis.png"});
        r->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(x, 6, 49, 52), m_dialog.get(), id);
        r->SetToolTip(Translate(text));
        return r;
    };
    m_zoom = radio(kDigitalZoom, L"btn_frameselect", L"Digital Zoom", 8);
    m_drag = radio(kDrag, L"btn_drag", L"Drag", 65);
    m_leave.reset(CKXUIFactory::CreateUIButton(this));
    m_leave->SetImages(L"btn_fullscreennor.png", L"btn_fullscreenover.png", L"btn_fullscreendown.png");
    m_leave->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(122, 6, 49, 52), m_dialog.get(), kFullScreen);
    m_leave->SetToolTip(Translate(L"Full Screen"));
    return 1;
}

void CTopPopDlgEventImp::PlaceAt(int top) {
    CKXRect desktop;
    CKXUIFactory::GetDesktopRect(desktop);
    const int left = desktop.left + (desktop.Width() - kWidth) / 2;
    m_dialog->MoveWindow(CKXRect::FromSize(left, desktop.top + top, kWidth, kHeight));
}

void CTopPopDlgEventImp::Show() {
    OnDlgCreate(1);
    int zoom = 0, drag = 0;
    if (m_owner) m_owner->GetGridModes(&zoom, &drag);
    m_zoom->SetCheck(zoom, 0);
    m_drag->SetCheck(drag, 0);
    m_drag->SetToolTip(Translate(drag ? L"Child-window Switch" : L"Drag"));
    PlaceAt(kShowing - kHeight);
    m_dialog->ShowWindow(KX_SW_SHOW);
}

void CTopPopDlgEventImp::Hide() { m_dialog->ShowWindow(KX_SW_HIDE); }

bool CTopPopDlgEventImp::IsUp() const {
    CKXRect desktop;
    CKXUIFactory::GetDesktopRect(desktop);
    return m_dialog->GetWindowRect().top < desktop.top;
}

void CTopPopDlgEventImp::OnDlgMouseEnter() {
    if (IsUp()) PlaceAt(0);
}

void CTopPopDlgEventImp::OnDlgMouseLeave() { PlaceAt(kShowing - kHeight); }

void CTopPopDlgEventImp::RB_OnStateChanged(int id, int checked, int byClick) {
    if (!byClick) return;
    int zoom = m_zoom->GetCheck(), drag = m_drag->GetCheck();
    if (id == kDigitalZoom && checked) drag = 0;
    if (id == kDrag && checked) zoom = 0;
    m_zoom->SetCheck(zoom, 0);
    m_drag->SetCheck(drag, 0);
    m_drag->SetToolTip(Translate(drag ? L"Child-window Switch" : L"Drag"));
    if (m_owner) m_owner->SetGridModes(zoom, drag);
}

void CTopPopDlgEventImp::BTN_OnClicked(int id) {
    if (id == kFullScreen && m_owner) m_owner->LeaveFullScreen();
}
