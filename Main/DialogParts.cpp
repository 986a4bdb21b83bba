#include "Main/DialogParts.h"

#include <algorithm>
#include <cmath>

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Main/ClockText.h"
#include "Toolkit/Button.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/ProgressCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {
// The bar counts in thousandths: fine enough for a long job's smallest visible step.
constexpr int kBarRange = 1000;
}  // namespace

namespace DialogParts {

std::unique_ptr<CKXStatic> Label(CKXWindow* parent, const wchar_t* english, const CKXRect& at) {
    std::unique_ptr<CKXStatic> s(CKXUIFactory::CreateUIStatic(nullptr));
    s->Create(english, KX_WS_CHILD | KX_WS_VISIBLE, at, parent, 0);
    s->SetWindowText(english[0] ? Translate(english) : std::wstring());
    return s;
}

std::unique_ptr<CKXEditCtrl> Edit(CKXWindow* parent, IKXEditCtrlEvent* sink, const CKXRect& at, int id) {
    std::unique_ptr<CKXEditCtrl> edit(CKXUIFactory::CreateUIEditCtrl(sink));
    edit->SetBackground(L"bg_edit.png");
    edit->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, parent, id);
    edit->SetTextColor(L"1b1f26");  // dark on the light box
    return edit;
}

std::unique_ptr<CKXButton> Button(CKXWindow* parent, IKXButtonEvent* sink, const wchar_t* english, const CKXRect& at, int id) {
    std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(sink));
    b->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
    b->Create(english, KX_WS_CHILD | KX_WS_VISIBLE, at, parent, id);
    b->SetWindowText(Translate(english));
    return b;
}

std::wstring FieldTime(double seconds) { return KX_SOFT_BASE::Utf8ToWide(ClockText(seconds).substr(0, 19)); }

bool ReadStretch(const CKXEditCtrl& fromField, const CKXEditCtrl& toField, double* from, double* to, std::wstring* why) {
    if (!ParseClockText(KX_SOFT_BASE::WideToUtf8(fromField.GetWindowText()), from) ||
        !ParseClockText(KX_SOFT_BASE::WideToUtf8(toField.GetWindowText()), to)) {
        *why = Translate(L"Give the times as YYYY-MM-DD hh:mm:ss.");
        return false;
    }
    if (!(*to > *from)) {
        *why = Translate(L"The stretch ends before it begins.");
        return false;
    }
    return true;
}

}  // namespace DialogParts

CDialogJob::CDialogJob() = default;

CDialogJob::~CDialogJob() { Destroy(); }

void CDialogJob::Destroy() {
    m_start.reset();
    m_cancel.reset();
    m_bar.reset();
    m_status.reset();
}

void CDialogJob::Create(CKXWindow* parent, IKXButtonEvent* sink, const wchar_t* startText, int startId, const wchar_t* idleCancel,
                        int cancelId, const Places& at) {
    m_idleCancel = idleCancel;
    m_start = DialogParts::Button(parent, sink, startText, at.start, startId);
    m_cancel = DialogParts::Button(parent, sink, idleCancel, at.cancel, cancelId);
    m_bar.reset(CKXUIFactory::CreateUIProgressCtrl());
    m_bar->Create(L"", KX_WS_CHILD, at.bar, parent, 0);
    m_bar->SetRange(0, kBarRange);
    m_status = DialogParts::Label(parent, L"", at.status);
}

void CDialogJob::Begin(const std::wstring& status) {
    m_running = true;
    if (!m_start) return;
    m_start->EnableWindow(0);
    m_cancel->SetWindowText(Translate(L"Cancel"));
    m_bar->SetPos(0);
    m_bar->ShowWindow(KX_SW_SHOW);
    SetStatus(status);
}

void CDialogJob::Progress(double done, const std::wstring& status) {
    if (!m_running || !m_bar) return;
    m_bar->SetPos(static_cast<int>(std::floor(std::clamp(done, 0.0, 1.0) * kBarRange)));
    if (!status.empty()) SetStatus(status);
}

void CDialogJob::End(const std::wstring& status) {
    m_running = false;
    if (!m_start) return;
    m_start->EnableWindow(1);
    m_cancel->SetWindowText(Translate(m_idleCancel));
    m_bar->ShowWindow(KX_SW_HIDE);
    SetStatus(status);
}

void CDialogJob::SetStatus(const std::wstring& text) {
    if (m_status) m_status->SetWindowText(text);
}

std::wstring CDialogJob::Status() const { return m_status ? m_status->GetWindowText() : std::wstring(); }
