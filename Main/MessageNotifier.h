#pragma once
// The notification window: one per program, a list of time-stamped messages, newest first, that
// operations use to report a refusal without stopping the user with a box. It shows itself when a
// message comes while it is hidden. "Clear" empties it; "Auto hide" (the window goes a few seconds
// after the last message) and "Top" (it stays, above the other windows) take turns. A message about
// a file written (a snapshot, a clip) carries its folder: "Open folder", or a double-click on its
// line, opens that folder in the desktop's file manager.
#include <deque>
#include <memory>
#include <string>

#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXDialog;
class CKXListCtrl;

class CMessageNotifier : public IKXDialogEvent, public IKXButtonEvent, public IKXListCtrlEvent {
public:
    enum { kClear = 341, kAutoHide = 342, kTop = 343, kOpenFolder = 344, kList = 703 };

    // Made on first use, on the UI thread; lives to the program's end (ReleaseInstance ends it
    // earlier, before the toolkit goes).
    static CMessageNotifier& Instance();
    static void ReleaseInstance();
    ~CMessageNotifier() override;

    // The text is shown as given (translated by the caller), after the local time.
    // `folder`: where the file the message names was written; empty for none.
    void ShowNotification(const std::wstring& text, const std::wstring& folder = std::wstring());

    int Count() const { return m_count; }
    std::wstring Line(int row) const;
    bool IsAutoHide() const { return m_autoHide; }
    // The folder "Open folder" opens now: the clicked line's, else the newest line's that has one.
    std::wstring FolderToOpen() const;
    CKXButton* OpenFolderButton() const { return m_openFolder.get(); }
    CKXDialog* Window() const { return m_dialog.get(); }

    int OnDlgCreate(int argument) override;
    void OnDlgSize(int type, int width, int height) override;
    void OnDlgTimer(int timerId) override;
    void BTN_OnClicked(int id) override;
    void LC_OnItemClick(int row, int id) override;
    void LC_OnItemDbClick(int row, int id) override;

private:
    CMessageNotifier();

    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXListCtrl> m_list;
    void ShowOpenFolder();

    std::unique_ptr<CKXButton> m_clear, m_autoHideButton, m_topButton, m_openFolder;
    std::deque<std::wstring> m_folders;  // each line's folder, newest first, as the list's rows
    int m_clickedRow = -1;
    int m_count = 0;
    bool m_autoHide = false;
};

// The one entry the rest of the program uses.
void ShowNotificationLine(const std::wstring& text);
