#include "Main/EvidenceDlg.h"

#include <ctime>

#include "App/Language.h"
#include "Base/StreamConvert.h"
#include "Main/DialogParts.h"
#include "Main/PlayCommands.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/EditCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {
const wchar_t* const kLabels[CEvidenceDlgEventImp::kFields] = {L"From:", L"To:", L"Folder:", L"Note:"};
// Labels wide enough for the German ones; the folder's path takes the rest.
constexpr int kPitch = 34, kLabelWidth = 90, kFieldWidth = 420, kWidth = 10 + kLabelWidth + kFieldWidth + 16;
constexpr int kTop = 16, kHeight = kTop + kPitch * CEvidenceDlgEventImp::kFields + 30 + 28 + 50;
constexpr int kButtonWidth = 90;

}  // namespace

CEvidenceDlgEventImp::CEvidenceDlgEventImp(CKXWindow* parent, CPlayCommands* commands)
    : m_commands(commands), m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"EvidenceDlg", 0, CKXRect(0, 0, kWidth, kHeight), parent, 0);
    m_dialog->SetTitle(Translate(L"Export evidence"));
    m_dialog->SetSize(kWidth, kHeight);
}

CEvidenceDlgEventImp::~CEvidenceDlgEventImp() {
    if (m_job.Running() && m_commands) m_commands->CancelEvidence();
    m_job.Destroy();
    for (auto& f : m_fields) f.reset();
    for (auto& l : m_labels) l.reset();
    m_dialog.reset();
}

int CEvidenceDlgEventImp::OnDlgCreate(int) {
    if (m_fields[0]) return 1;
    CKXDialog* dialog = m_dialog.get();
    for (int f = 0; f < kFields; ++f) {
        const int y = kTop + kPitch * f;
        m_labels[f] = DialogParts::Label(dialog, kLabels[f], CKXRect::FromSize(10, y + 2, kLabelWidth, 22));
        const int width = f == kFromField || f == kToField ? 170 : kFieldWidth;
        m_fields[f] = DialogParts::Edit(dialog, this, CKXRect::FromSize(10 + kLabelWidth, y, width, 26), kFrom + f);
    }
    const int below = kTop + kPitch * kFields;
    CDialogJob::Places at;
    at.bar = CKXRect::FromSize(10, below + 4, kWidth - 20, 20);
    at.status = CKXRect::FromSize(10, below + 32, kWidth - 20, 22);
    at.start = CKXRect::FromSize(kWidth - 30 - 2 * kButtonWidth, kHeight - 44, kButtonWidth, 28);
    at.cancel = CKXRect::FromSize(kWidth - 20 - kButtonWidth, kHeight - 44, kButtonWidth, 28);
    m_job.Create(dialog, this, L"Export", kExport, L"Cancel", kCancel, at);
    return 1;
}

void CEvidenceDlgEventImp::Show(double from, double to) {
    OnDlgCreate(1);
    if (!m_job.Running()) {
        m_fields[kFromField]->SetWindowText(DialogParts::FieldTime(from));
        m_fields[kToField]->SetWindowText(DialogParts::FieldTime(to));
        m_fields[kFolderField]->SetWindowText(CPlayCommands::DefaultEvidenceFolder(static_cast<std::int64_t>(std::time(nullptr))));
        m_fields[kNoteField]->SetWindowText(std::wstring());
        m_job.SetStatus(std::wstring());
    }
    CKXUIFactory::UIPostMessage(m_dialog.get(), kShowMessage, 0);
}

void CEvidenceDlgEventImp::OnDlgMessage(int code, std::intptr_t) {
    if (code != kShowMessage) return;
    m_dialog->CenterWindow();
    m_dialog->ShowWindow(KX_SW_SHOW);
}

std::wstring CEvidenceDlgEventImp::Status() const { return m_job.Status(); }

std::wstring CEvidenceDlgEventImp::FieldText(int field) const {
    return field >= 0 && field < kFields && m_fields[field] ? m_fields[field]->GetWindowText() : std::wstring();
}

void CEvidenceDlgEventImp::SetFieldText(int field, const std::wstring& text) {
    if (field >= 0 && field < kFields && m_fields[field]) m_fields[field]->SetWindowText(text);
}

void CEvidenceDlgEventImp::Export() {
    if (m_job.Running() || !m_commands || !m_fields[kFromField]) return;
    double from = 0, to = 0;
    std::wstring why;
    if (!DialogParts::ReadStretch(*m_fields[kFromField], *m_fields[kToField], &from, &to, &why)) return m_job.SetStatus(why);
    const std::weak_ptr<int> alive = m_alive;
    m_job.Begin(Translate(L"Exporting..."));  // before the call: a refusal's box may run the loop
    const CCommandResult r = m_commands->ExportEvidence(
        from, to, FieldText(kFolderField), FieldText(kNoteField),
        [this, alive](const CCommandResult& done) {
            if (alive.expired()) return;
            m_job.End(done.ok ? std::wstring() : done.error);
            if (done.ok) m_dialog->ShowWindow(KX_SW_HIDE);
        },
        [this, alive](double done) {
            if (!alive.expired()) m_job.Progress(done);
        });
    if (!r.ok) m_job.End(r.error);
}

void CEvidenceDlgEventImp::CancelOrClose() {
    if (m_job.Running()) {
        m_job.SetStatus(Translate(L"Cancelling..."));
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
