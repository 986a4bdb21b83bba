#pragma once
// "Search motion...": where the user drew a rectangle on a window's picture, the window's channel
// is searched for change inside it - its recordings of every day the list shows for its device,
// the recordings open in that window (its day), or a stretch of them - with a progress bar and
// Cancel; the events come as a list with a thumbnail and the wall-clock time of each, and a click
// on one shows that time in the window (opening that day's channel first when it is another day's
// recording). The search itself is the play commands'.
#include <memory>
#include <string>
#include <vector>

#include "Main/DialogParts.h"
#include "Main/EvidenceRun.h"
#include "Toolkit/EventSinks.h"

class CKXComboBox;
class CKXDialog;
class CKXEditCtrl;
class CKXListCtrl;
class CKXStatic;
class CKXWindow;
class CPlayCommands;

class CMotionSearchDlgEventImp : public IKXDialogEvent,
                                 public IKXButtonEvent,
                                 public IKXEditCtrlEvent,
                                 public IKXComboBoxEvent,
                                 public IKXListCtrlEvent {
public:
    enum { kShowMessage = 2102, kSearch = 32821, kCancel = 32822, kScope = 32823, kFrom = 32824, kTo = 32825, kList = 32826 };
    // In the order the choice lists them.
    enum Scope { kListedDays, kOpenFiles, kStretch };
    // `closed` runs when the dialog is put away (the rectangle on the picture goes with it).
    CMotionSearchDlgEventImp(CKXWindow* parent, CPlayCommands* commands, std::function<void()> closed);
    ~CMotionSearchDlgEventImp() override;

    // For the window's rectangle (fractions of its picture); `now` (wall clock) centres the stretch.
    void Show(int window, const std::wstring& title, double x, double y, double w, double h, double now);
    // Starts the search as the Search button does.
    void Search();
    void SetScope(int scope, const std::wstring& from = std::wstring(), const std::wstring& to = std::wstring());
    CKXDialog* Window() const { return m_dialog.get(); }
    // The scope chosen, and the stretch's fields as they read.
    int ScopeChosen() const;
    std::wstring StretchField(bool end) const;
    CKXListCtrl* List() const { return m_list.get(); }
    const std::vector<CMotionEvent>& Events() const { return m_events; }
    std::wstring Status() const;
    bool IsSearching() const { return m_job.Running(); }
    CKXProgressCtrl* Bar() const { return m_job.Bar(); }
    int SearchWindow() const { return m_window; }

    int OnDlgCreate(int argument) override;
    void OnDlgMessage(int code, std::intptr_t data) override;
    int Dlg_Close() override;
    int Dlg_OnCancel() override;
    int Dlg_OnOK() override;
    void BTN_OnClicked(int id) override;
    void CB_OnSelChanged(int id, int index) override;
    void LC_OnItemClick(int row, int id) override;

private:
    void CancelOrClose();
    void ShowEvents();

    CPlayCommands* m_commands;
    std::function<void()> m_closed;
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXStatic> m_channel, m_region, m_scopeLabel, m_fromLabel, m_toLabel;
    std::unique_ptr<CKXComboBox> m_scope;
    std::unique_ptr<CKXEditCtrl> m_from, m_to;
    CDialogJob m_job;
    std::unique_ptr<CKXListCtrl> m_list;
    int m_window = -1;
    double m_x = 0, m_y = 0, m_w = 0, m_h = 0;
    std::vector<CMotionEvent> m_events;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
