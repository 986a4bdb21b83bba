#include "Main/MotionSearchDlg.h"

#include <cmath>
#include <cstdio>

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Main/ClockText.h"
#include "Main/DialogParts.h"
#include "Main/PlayCommands.h"
#include "Toolkit/ComboBox.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/ListCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {
constexpr int kWidth = 600, kHeight = 550, kButtonWidth = 90;
constexpr int kThumbWidth = 96, kThumbHeight = 54;
// A stretch offered around the time on screen.
constexpr double kStretchAround = 3600;

std::wstring Wide(const std::string& text) { return KX_SOFT_BASE::Utf8ToWide(text); }
using DialogParts::FieldTime;
// "hh:mm:ss" of an event's end: its day is the start's.
std::wstring TimeOfDay(double seconds) { return Wide(ClockText(seconds).substr(11, 8)); }
}  // namespace

CMotionSearchDlgEventImp::CMotionSearchDlgEventImp(CKXWindow* parent, CPlayCommands* commands, std::function<void()> closed)
    : m_commands(commands), m_closed(std::move(closed)), m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"MotionSearchDlg", 0, CKXRect(0, 0, kWidth, kHeight), parent, 0);
    m_dialog->SetTitle(Translate(L"Search motion"));
    m_dialog->SetSize(kWidth, kHeight);
}

CMotionSearchDlgEventImp::~CMotionSearchDlgEventImp() {
    if (m_job.Running() && m_commands) m_commands->CancelSearch();
    m_list.reset();
    m_job.Destroy();
    m_from.reset();
    m_to.reset();
    m_scope.reset();
    m_channel.reset();
    m_region.reset();
    m_scopeLabel.reset();
    m_fromLabel.reset();
    m_toLabel.reset();
    m_dialog.reset();
}

int CMotionSearchDlgEventImp::OnDlgCreate(int) {
    if (m_list) return 1;
    CKXDialog* dialog = m_dialog.get();
    m_channel = DialogParts::Label(dialog, L"", CKXRect::FromSize(10, 12, kWidth - 20, 22));
    m_region = DialogParts::Label(dialog, L"", CKXRect::FromSize(10, 36, kWidth - 20, 22));
    m_scopeLabel = DialogParts::Label(dialog, L"Search in:", CKXRect::FromSize(10, 68, 100, 22));
    m_scope.reset(CKXUIFactory::CreateUIComboBox(this));
    m_scope->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(112, 66, 420, 26), dialog, kScope);
    m_scope->AddString(Translate(L"The channel's recordings of the listed days"));
    m_scope->AddString(Translate(L"The recordings open in this window"));
    m_scope->AddString(Translate(L"A stretch of them"));
    m_scope->SetCurSel(kOpenFiles);
    m_fromLabel = DialogParts::Label(dialog, L"From:", CKXRect::FromSize(10, 104, 100, 22));
    m_from = DialogParts::Edit(dialog, this, CKXRect::FromSize(112, 102, 170, 26), kFrom);
    m_toLabel = DialogParts::Label(dialog, L"To:", CKXRect::FromSize(300, 104, 60, 22));
    m_to = DialogParts::Edit(dialog, this, CKXRect::FromSize(362, 102, 170, 26), kTo);
    CDialogJob::Places at;
    at.start = CKXRect::FromSize(10, 140, kButtonWidth, 28);
    at.cancel = CKXRect::FromSize(20 + kButtonWidth, 140, kButtonWidth, 28);
    at.status = CKXRect::FromSize(30 + 2 * kButtonWidth, 143, kWidth - 40 - 2 * kButtonWidth, 22);
    at.bar = CKXRect::FromSize(10, 178, kWidth - 20, 20);
    m_job.Create(dialog, this, L"Search", kSearch, L"Close", kCancel, at);
    m_list.reset(CKXUIFactory::CreateUIListCtrl(this));
    m_list->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(10, 208, kWidth - 20, kHeight - 218), dialog, kList);
    m_list->SetHeaderImage(L"ListCtrlnew.png");
    m_list->SetPictureSize(kThumbWidth, kThumbHeight);
    m_list->InsertColumn(0, Translate(L"Time"), 330);
    m_list->InsertColumn(1, Translate(L"Score"), 0);
    SetScope(kOpenFiles);
    return 1;
}

void CMotionSearchDlgEventImp::Show(int window, const std::wstring& title, double x, double y, double w, double h, double now) {
    OnDlgCreate(1);
    if (m_job.Running() && m_commands) m_commands->CancelSearch();
    m_job.End(std::wstring());
    m_alive = std::make_shared<int>(0);  // the answers of a search cancelled here are not this one's
    m_window = window;
    m_x = x, m_y = y, m_w = w, m_h = h;
    m_channel->SetWindowText(Translate(L"Channel:") + L" " + title);
    wchar_t region[120];
    std::swprintf(region, sizeof region / sizeof region[0], L" %.3f, %.3f, %.3f x %.3f", x, y, w, h);
    m_region->SetWindowText(Translate(L"Rectangle (share of the picture):") + region);
    if (now > 0) {
        m_from->SetWindowText(FieldTime(now - kStretchAround));
        m_to->SetWindowText(FieldTime(now + kStretchAround));
    }
    m_events.clear();
    m_list->DeleteAllItems();
    CKXUIFactory::UIPostMessage(m_dialog.get(), kShowMessage, 0);
}

void CMotionSearchDlgEventImp::OnDlgMessage(int code, std::intptr_t) {
    if (code != kShowMessage) return;
    m_dialog->CenterWindow();
    m_dialog->ShowWindow(KX_SW_SHOW);
}

void CMotionSearchDlgEventImp::SetScope(int scope, const std::wstring& from, const std::wstring& to) {
    m_scope->SetCurSel(scope);
    if (!from.empty()) m_from->SetWindowText(from);
    if (!to.empty()) m_to->SetWindowText(to);
    m_from->EnableWindow(scope == kStretch ? 1 : 0);
    m_to->EnableWindow(scope == kStretch ? 1 : 0);
}

void CMotionSearchDlgEventImp::CB_OnSelChanged(int id, int index) {
    if (id == kScope) SetScope(index);
}

std::wstring CMotionSearchDlgEventImp::Status() const { return m_job.Status(); }

int CMotionSearchDlgEventImp::ScopeChosen() const { return m_scope ? m_scope->GetCurSel() : -1; }

std::wstring CMotionSearchDlgEventImp::StretchField(bool end) const {
    const CKXEditCtrl* field = end ? m_to.get() : m_from.get();
    return field ? field->GetWindowText() : std::wstring();
}

void CMotionSearchDlgEventImp::Search() {
    if (m_job.Running() || !m_commands || m_window < 0) return;
    double from = 0, to = 0;
    const int scope = m_scope->GetCurSel();
    std::wstring why;
    if (scope == kStretch && !DialogParts::ReadStretch(*m_from, *m_to, &from, &to, &why)) return m_job.SetStatus(why);
    m_events.clear();
    m_list->DeleteAllItems();
    const std::weak_ptr<int> alive = m_alive;
    m_job.Begin(Translate(L"Searching..."));
    const CCommandResult r = m_commands->SearchMotion(
        m_window, m_x, m_y, m_w, m_h, from, to,
        [this, alive](bool cancelled, const std::vector<CMotionEvent>& events) {
            if (alive.expired()) return;
            m_events = events;
            ShowEvents();
            m_job.End(cancelled ? Translate(L"Search cancelled.")
                                : events.empty() ? Translate(L"Nothing changed inside the rectangle.")
                                                 : Translate(L"Events found:") + L" " + std::to_wstring(events.size()));
        },
        [this, alive](double done) {
            if (!alive.expired()) m_job.Progress(done);
        },
        scope == kListedDays ? CPlayCommands::SearchScope::kListedDays : CPlayCommands::SearchScope::kWindow);
    if (!r.ok) m_job.End(r.error);
}

void CMotionSearchDlgEventImp::ShowEvents() {
    m_list->DeleteAllItems();
    for (std::size_t i = 0; i < m_events.size(); ++i) {
        const CMotionEvent& e = m_events[i];
        const int row = m_list->InsertItem(static_cast<int>(i), FieldTime(e.start) + L" \u2013 " + TimeOfDay(e.end));
        wchar_t score[32];
        std::swprintf(score, sizeof score / sizeof score[0], L"%.1f%%", e.score * 100);
        m_list->SetItemText(row, 1, score);
        m_list->SetItemPicture(row, Wide(e.thumbnail));
    }
}

void CMotionSearchDlgEventImp::LC_OnItemClick(int row, int) {
    if (row < 0 || row >= static_cast<int>(m_events.size()) || !m_commands) return;
    // The second the event begins in: in sync every window goes there.
    const CCommandResult r = m_commands->ShowRecordingAt(m_window, m_events[row].file, std::floor(m_events[row].start));
    if (!r.ok) m_job.SetStatus(r.error);
}

void CMotionSearchDlgEventImp::CancelOrClose() {
    if (m_job.Running()) {
        if (m_commands) m_commands->CancelSearch();
        return;
    }
    m_dialog->ShowWindow(KX_SW_HIDE);
    if (m_closed) m_closed();
}

int CMotionSearchDlgEventImp::Dlg_Close() {
    if (m_job.Running() && m_commands) m_commands->CancelSearch();
    m_dialog->ShowWindow(KX_SW_HIDE);
    if (m_closed) m_closed();
    return 0;
}

int CMotionSearchDlgEventImp::Dlg_OnCancel() {
    CancelOrClose();
    return 0;
}

int CMotionSearchDlgEventImp::Dlg_OnOK() {
    Search();
    return 0;
}

void CMotionSearchDlgEventImp::BTN_OnClicked(int id) {
    if (id == kSearch) Search();
    if (id == kCancel) CancelOrClose();
}
