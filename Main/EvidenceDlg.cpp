#include "Main/EvidenceDlg.h"

#include <ctime>

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Main/ClockText.h"
#include "Main/DialogParts.h"
#include "Main/PlayCommands.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {
const wchar_t* const kLabels[CEvidenceDlgEventImp::kFields] = {L"From:", L"To:", L"Folder:", L"Note:"};
// Labels wide enough for the German ones; the folder's path takes the rest.
constexpr int kPitch = 34, kLabelWidth = 90, kFieldWidth = 420, kWidth = 10 + kLabelWidth + kFieldWidth + 16;
constexpr int kTop = 16, kHeight = kTop + kPitch * CEvidenceDlgEventImp::kFields + 30 + 50;
constexpr int kButtonWidth = 90;

// Whole seconds: the fields are typed by people.
std::wstring FieldTime(double seconds) { return KX_SOFT_BASE::Utf8ToWide(ClockText(seconds).substr(0, 19)); }
}  // namespace

CEvidenceDlgEventImp::CEvidenceDlgEventImp(CKXWindow* parent, CPlayCommands* commands)
    : m_commands(commands), m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"EvidenceDlg", 0, CKXRect(0, 0, kWidth, kHeight), parent, 0);
    m_dialog->SetTitle(Translate(L"Export evidence"));
    m_dialog->SetSize(kWidth, kHeight);
}

CEvidenceDlgEventImp::~CEvidenceDlgEventImp() {
    if (m_exporting && m_commands) m_commands->CancelEvidence();
    m_export.reset();
    m_cancel.reset();
    m_status.reset();
    for (auto& f : m_fields) f.reset();
    for (auto& l : m_labels) l.reset();
    m_dialog.reset();
}

int CEvidenceDlgEventImp::OnDlgCreate(int) {
    if (m_export) return 1;
    CKXDialog* dialog = m_dialog.get();
    for (int f = 0; f < kFields; ++f) {
        const int y = kTop + kPitch * f;
        m_labels[f] = DialogParts::Label(dialog, kLabels[f], CKXRect::FromSize(10, y + 2, kLabelWidth, 22));
        const int width = f == kFromField || f == kToField ? 170 : kFieldWidth;
        m_fields[f] = DialogParts::Edit(dialog, this, CKXRect::FromSize(10 + kLabelWidth, y, width, 26), kFrom + f);
    }
    m_status = DialogParts::Label(dialog, L"", CKXRect::FromSize(10, kTop + kPitch * kFields + 4, kWidth - 20, 22));
    m_export = DialogParts::Button(dialog, this, L"Export", CKXRect::FromSize(kWidth - 30 - 2 * kButtonWidth, kHeight - 44, kButtonWidth, 28), kExport);
    m_cancel = DialogParts::Button(dialog, this, L"Cancel", CKXRect::FromSize(kWidth - 20 - kButtonWidth, kHeight - 44, kButtonWidth, 28), kCancel);
    return 1;
}

void CEvidenceDlgEventImp::Show(double from, double to) {
    OnDlgCreate(1);
    if (!m_exporting) {
        m_fields[kFromField]->SetWindowText(FieldTime(from));
        m_fields[kToField]->SetWindowText(FieldTime(to));
        m_fields[kFolderField]->SetWindowText(CPlayCommands::DefaultEvidenceFolder(static_cast<std::int64_t>(std::time(nullptr))));
        m_fields[kNoteField]->SetWindowText(std::wstring());
        SetStatus(std::wstring());
    }
    CKXUIFactory::UIPostMessage(m_dialog.get(), kShowMessage, 0);
}

void CEvidenceDlgEventImp::OnDlgMessage(int code, std::intptr_t) {
    if (code != kShowMessage) return;
    m_dialog->CenterWindow();
    m_dialog->ShowWindow(KX_SW_SHOW);
}

std::wstring CEvidenceDlgEventImp::Status() const { return m_status ? m_status->GetWindowText() : std::wstring(); }

std::wstring CEvidenceDlgEventImp::FieldText(int field) const {
    return field >= 0 && field < kFields && m_fields[field] ? m_fields[field]->GetWindowText() : std::wstring();
}

void CEvidenceDlgEventImp::SetFieldText(int field, const std::wstring& text) {
    if (field >= 0 && field < kFields && m_fields[field]) m_fields[field]->SetWindowText(text);
}

void CEvidenceDlgEventImp::SetStatus(const std::wstring& text) {
    if (m_status) m_status->SetWindowText(text);
}

void CEvidenceDlgEventImp::Export() {
    if (m_exporting || !m_commands) return;
    double from = 0, to = 0;
    if (!ParseClockText(KX_SOFT_BASE::WideToUtf8(FieldText(kFromField)), &from) ||
        !ParseClockText(KX_SOFT_BASE::WideToUtf8(FieldText(kToField)), &to))
        return SetStatus(Translate(L"Give the times as YYYY-MM-DD hh:mm:ss."));
    const std::weak_ptr<int> alive = m_alive;
    m_exporting = true;  // before the call: a refusal's box may run the loop
    m_export->EnableWindow(0);
    SetStatus(Translate(L"Exporting...") + L" 0%");
    const CCommandResult r = m_commands->ExportEvidence(
        from, to, FieldText(kFolderField), FieldText(kNoteField),
        [this, alive](const CCommandResult& done) {
            if (alive.expired()) return;
            m_exporting = false;
            m_export->EnableWindow(1);
            if (done.ok) {
                SetStatus(std::wstring());
                m_dialog->ShowWindow(KX_SW_HIDE);
            } else {
                SetStatus(done.error);
            }
        },
        [this, alive](double done) {
            if (!alive.expired()) SetStatus(Translate(L"Exporting...") + L" " + DialogParts::Percent(done));
        });
    if (!r.ok) {
        m_exporting = false;
        m_export->EnableWindow(1);
        SetStatus(r.error);
    }
}

void CEvidenceDlgEventImp::CancelOrClose() {
    if (m_exporting) {
        SetStatus(Translate(L"Cancelling..."));
        if (m_commands) m_commands->CancelEvidence();
        return;
    }
    m_dialog->ShowWindow(KX_SW_HIDE);
}

int CEvidenceDlgEventImp::Dlg_Close() {
    CancelOrClose();
    return 0;
}

int CEvidenceDlgEventImp::Dlg_OnCancel() {
    CancelOrClose();
    return 0;
}

int CEvidenceDlgEventImp::Dlg_OnOK() {
    Export();
    return 0;
}

void CEvidenceDlgEventImp::BTN_OnClicked(int id) {
    if (id == kExport) Export();
    if (id == kCancel) CancelOrClose();
}
