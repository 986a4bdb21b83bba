#pragma once
// "Export evidence...": the stretch (from, to), a new folder and a note, then the export with its
// progress bar and Cancel. The export itself is the play commands'; this dialog only asks and shows.
#include <memory>
#include <string>

#include "Main/DialogParts.h"
#include "Toolkit/EventSinks.h"

class CKXDialog;
class CKXEditCtrl;
class CKXStatic;
class CKXWindow;
class CPlayCommands;

class CEvidenceDlgEventImp : public IKXDialogEvent, public IKXButtonEvent, public IKXEditCtrlEvent {
public:
    enum { kShowMessage = 2101, kExport = 32811, kCancel = 32812, kFrom = 32813, kTo = 32814, kFolder = 32815, kNote = 32816 };
    CEvidenceDlgEventImp(CKXWindow* parent, CPlayCommands* commands);
    ~CEvidenceDlgEventImp() override;

    // Shows the dialog for the stretch (wall clock, local seconds) with a new folder's name.
    void Show(double from, double to);
    CKXDialog* Window() const { return m_dialog.get(); }
    std::wstring Status() const;
    bool IsExporting() const { return m_job.Running(); }
    CKXProgressCtrl* Bar() const { return m_job.Bar(); }
    // What the fields hold, as typed.
    enum Field { kFromField, kToField, kFolderField, kNoteField, kFields };
    std::wstring FieldText(int field) const;
    void SetFieldText(int field, const std::wstring& text);

    int OnDlgCreate(int argument) override;
    void OnDlgMessage(int code, std::intptr_t data) override;
    int Dlg_Close() override;
    int Dlg_OnCancel() override;
    int Dlg_OnOK() override;
    void BTN_OnClicked(int id) override;

private:
    void Export();
    void CancelOrClose();

    CPlayCommands* m_commands;
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXStatic> m_labels[kFields];
    std::unique_ptr<CKXEditCtrl> m_fields[kFields];
    CDialogJob m_job;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);  // the export's answers find the dialog gone
};
