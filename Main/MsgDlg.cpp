#include "Main/MsgDlg.h"

#include <algorithm>

#include "App/Language.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

namespace {
constexpr int kButtonWidth = 80, kButtonHeight = 28;  // "Abbrechen" with its margins
constexpr int kWrapWidth = 460;  // a long text wraps rather than making the box wider than this
}  // namespace

CMsgDlgEventImp::CMsgDlgEventImp(CKXWindow* parent) : m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"MsgDlg", 0, CKXRect(0, 0, 300, 120), parent, 0);
    m_dialog->SetTitle(TarvexApp::Translate(L"Msg"));
}

CMsgDlgEventImp::~CMsgDlgEventImp() {
    m_ok.reset();
    m_cancel.reset();
    m_static.reset();
    m_dialog.reset();
}

int CMsgDlgEventImp::OnDlgCreate(int) {
    if (m_static) return 1;
    m_static.reset(CKXUIFactory::CreateUIStatic(nullptr));
    m_static->SetWordWrap(1);
    m_static->Create(L"Text", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(20, 10, 280, 35), m_dialog.get(), 0);
    auto button = [&](int id, const wchar_t* text) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
        b->Create(text, KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(0, 45, kButtonWidth, kButtonHeight), m_dialog.get(), id);
        b->SetWindowText(TarvexApp::Translate(text));
        return b;
    };
    m_ok = button(KX_IDOK, L"OK");
    m_cancel = button(KX_IDCANCEL, L"Cancel");
    return 1;
}

CMsgDlgEventImp::Layout CMsgDlgEventImp::LayoutFor(int textWidth, int textHeight, int kind) {
    Layout l;
    l.text = CKXRect(20, 10, textWidth + 20, textHeight < 25 ? 35 : textHeight + 10);
    l.width = textWidth + 40;
    l.height = 120;
    const int y = l.text.bottom + 10;
    if (kind == kOkCancel) {
        const int x = (l.width - 2 * kButtonWidth - 20) / 2;
        l.ok = CKXRect::FromSize(x, y, kButtonWidth, kButtonHeight);
        l.cancel = CKXRect::FromSize(x + kButtonWidth + 20, y, kButtonWidth, kButtonHeight);
        l.cancelShown = true;
    } else {
        l.ok = CKXRect::FromSize((l.width - kButtonWidth) / 2, y, kButtonWidth, kButtonHeight);
    }
    // A text of several lines needs more room than the usual 120 pixels.
    l.height = std::max(l.height, l.ok.bottom + 12);
    return l;
}

void CMsgDlgEventImp::Prepare(const std::wstring& title, const std::wstring& text, int kind) {
    OnDlgCreate(1);
    m_text = text;
    m_kind = kind;
    const CKXPoint size = m_static->MeasureText(text, kWrapWidth);
    const Layout l = LayoutFor(std::max(size.x, 160), size.y, kind);
    m_dialog->SetSize(l.width, l.height);
    m_static->MoveWindow(l.text);
    m_static->SetWindowText(text);
    m_ok->MoveWindow(l.ok);
    m_cancel->MoveWindow(l.cancel);
    m_cancel->ShowWindow(l.cancelShown ? KX_SW_SHOW : KX_SW_HIDE);
    m_dialog->SetTitle(title.empty() ? TarvexApp::Translate(L"Prompt") : title);
    m_dialog->CenterWindow();
}

int CMsgDlgEventImp::ShowModal(const std::wstring& title, const std::wstring& text, int kind) {
    Prepare(title, text, kind);
    m_modal = true;
    m_action = nullptr;
    m_declined = nullptr;
    const int result = m_dialog->DoModal();
    m_modal = false;
    return result == KX_IDOK ? KX_IDOK : KX_IDCANCEL;
}

void CMsgDlgEventImp::ShowQuestion(const std::wstring& title, const std::wstring& text, std::function<void()> action,
                                   std::function<void()> declined) {
    Prepare(title, text, kOkCancel);
    m_modal = false;
    m_action = std::move(action);
    m_declined = std::move(declined);
    m_dialog->ShowWindow(KX_SW_SHOW);
    m_dialog->BringWindowToTop();
}

void CMsgDlgEventImp::HideQuestion() {
    m_dialog->ShowWindow(KX_SW_HIDE);
    // The keys go back to the window the question stood in front of (a desktop without a window
    // manager would leave them with no window at all).
    if (CKXWindow* owner = m_dialog->GetParent()) owner->BringWindowToTop();
}

void CMsgDlgEventImp::Answer(bool yes) {
    auto action = std::move(yes ? m_action : m_declined);
    m_action = nullptr;
    m_declined = nullptr;
    if (action) action();
}

bool CMsgDlgEventImp::IsShown() const { return m_dialog && m_dialog->IsWindowVisible(); }

int CMsgDlgEventImp::Dlg_OnOK() {
    if (m_modal) return 1;  // the toolkit ends the modal run with OK
    HideQuestion();
    Answer(true);
    return 0;
}

int CMsgDlgEventImp::Dlg_OnCancel() {
    if (m_modal) return 1;
    HideQuestion();
    Answer(false);
    return 0;
}

int CMsgDlgEventImp::Dlg_Close() {
    Answer(false);  // closing a question answers no
    return 1;
}
