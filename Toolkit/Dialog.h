#pragma once
// A dialog: a top-level window with its own frame (drawn from a skin record when it has one, the
// desktop's otherwise). It raises its sink's creation event once it exists, asks the sink before
// it closes, takes files dropped from the desktop's file manager, keys no control took, timers
// and posted messages. The main window is a dialog whose close ends the main loop.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Toolkit/SkinRecords.h"
#include "Toolkit/Window.h"

class IKXDialogEvent;

class CKXDialog : public CKXWindow {
public:
    // Through `CKXUIFactory::CreateUIDialog` or `CreateUIMainWindow`.
    CKXDialog(IKXDialogEvent* sink, bool mainWindow);
    ~CKXDialog() override;

    void SetSkin(const KXDialogSkin& skin);
    // Only the frame image, with the toolkit's caption: for the small dialogs.
    void SetFrameImage(const std::wstring& image);
    void SetTitle(const std::wstring& title);
    std::wstring GetTitle() const;
    void SetIcon(const std::wstring& image);
    void SetSize(int width, int height);  // the client area
    void CenterWindow();

    // Shows the dialog and returns once it has ended, with its end code (KX_IDOK, KX_IDCANCEL or
    // what `EndDialog` gave). Events go on meanwhile.
    int DoModal();
    void EndDialog(int code);
    int IsModal() const;

    // As if the user closed it: the sink decides.
    void Close();
    // Asks the window to close later, from the event loop (the close message).
    void PostClose();
    void Minimize();
    void Maximize();
    void Restore();
    int IsMaximized() const;
    int IsMinimized() const;
    void SetFullScreen(int on);
    int IsFullScreen() const;
    // Keeps the dialog above its owner (tool windows such as the full-screen bar).
    void SetTopMost(int on);

    // Keys that act wherever the focus is in the program's windows (a text field keeps what it
    // types, and a modal dialog keeps them all): each raises the sink's key event. Pairs of a
    // virtual key and its KX_KEY_ modifier flags; called again, it replaces them.
    void SetShortcutKeys(const std::vector<std::pair<int, int>>& keys);

    void SetTimer(int timerId, unsigned int periodMs);
    void KillTimer(int timerId);

    IKXDialogEvent* GetSink() const { return m_sink; }
    bool IsMainWindow() const { return m_mainWindow; }

    struct State;

protected:
    void OnCreated() override;

private:
    IKXDialogEvent* m_sink;
    bool m_mainWindow;
    std::unique_ptr<State> m_state;
};
