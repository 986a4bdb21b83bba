#pragma once
// The event sinks: what each kind of control tells the code that created it. A panel derives
// from the interfaces of the controls it owns and overrides what it handles; every notification
// has a default that does what a desktop toolkit does on its own. Notifications arrive on the UI
// thread, from inside the main loop, and name the control by its id.
//
// Notifications that return int say whether the toolkit's own handling follows: a dialog closes
// when `Dlg_Close` returns nonzero, confirms when `Dlg_OnOK` does, and so on.
#include <cstdint>

class CKXWindow;

// A tree item as its control hands it out; 0 is no item.
using HKXTREEITEM = std::uintptr_t;

class CKXEventBase {
public:
    virtual ~CKXEventBase() = default;
    // The window this sink is the sink of (its dialog or view); null before that is created.
    CKXWindow* GetUIWnd() const { return m_uiWnd; }
    // Set by the toolkit when the sink's dialog or view is made.
    void SetUIWnd(CKXWindow* window) { m_uiWnd = window; }

private:
    CKXWindow* m_uiWnd = nullptr;
};

class IKXDialogEvent : public virtual CKXEventBase {
public:
    // Once the dialog exists (argument 1): the sink creates its controls here.
    virtual int OnDlgCreate(int argument) { return 1; }
    virtual void OnDlgDestroy() {}
    // The user (or a close request) wants the dialog closed: nonzero lets it close.
    virtual int Dlg_Close() { return 1; }
    // The dialog's confirmation (Enter, or the button with id 1): nonzero ends the dialog with 1.
    virtual int Dlg_OnOK() { return 1; }
    // Its cancel (Esc, or the button with id 2): nonzero ends the dialog with 2.
    virtual int Dlg_OnCancel() { return 1; }
    // type: restored, minimised or maximised (KX_SIZE_...); the client area's size.
    virtual void OnDlgSize(int type, int width, int height) {}
    // A key that no control took (KX_VK_... and KX_KEY_... flags). Nonzero: handled; 0 lets
    // Esc cancel and Enter confirm.
    virtual int OnDlgKeyDown(int key, int flags) { return 0; }
    virtual void OnDlgTimer(int timerId) {}
    // One notification per file or folder dropped from the desktop, in the order dropped.
    virtual void OnDlgFileDrop(const wchar_t* path) {}
    // A message posted with `CKXUIFactory::UIPostMessage`.
    virtual void OnDlgMessage(int code, std::intptr_t data) {}
    // The session's screen was locked (1) or unlocked (0), where the desktop reports it.
    virtual void OnMsgScreenLock(int locked) {}
    // The primary screen changed: its colour depth and size.
    virtual void OnDisplayChange(int bitsPerPixel, int width, int height) {}
    virtual void OnDlgShow(int shown) {}
    virtual void OnDlgMouseEnter() {}
    virtual void OnDlgMouseLeave() {}
};

class IKXViewEvent : public virtual CKXEventBase {
public:
    // Once the view exists: the sink creates its controls here.
    virtual void OnCreate() {}
    virtual void OnDestroy() {}
    virtual void OnSize(int type, int width, int height) {}
};

class IKXButtonEvent : public virtual CKXEventBase {
public:
    virtual void BTN_OnClicked(int id) {}
};

class IKXRadioBoxEvent : public virtual CKXEventBase {
public:
    // A click toggled the box; (x, y) is where, in the box's own coordinates. Comes first.
    virtual void RB_OnClicked(int id, int checked, int x, int y) {}
    // The box's state changed, by a click (byClick 1) or by `SetCheck` with notification.
    virtual void RB_OnStateChanged(int id, int checked, int byClick) {}
};

class IKXStaticEvent : public virtual CKXEventBase {
public:
    virtual void STC_OnClicked(int id) {}
};

class IKXComboBoxEvent : public virtual CKXEventBase {
public:
    // The user chose another item.
    virtual void CB_OnSelChanged(int id, int index) {}
};

class IKXEditCtrlEvent : public virtual CKXEventBase {
public:
    // The user changed the text and confirmed it (Enter, or the focus left the edit).
    virtual void EDIT_OnCommit(int id, const wchar_t* text) {}
    // Every change the user types.
    virtual void EDIT_OnChanged(int id) {}
};

class IKXSliderCtrlEvent : public virtual CKXEventBase {
public:
    // The user moved the slider.
    virtual void SLD_OnPosChanged(int id, int position) {}
};

class IKXNumSpinerEvent : public virtual CKXEventBase {
public:
    // The user changed the number.
    virtual void SPIN_OnValueChanged(int id, int value) {}
};

class IKXPictureCtrlEvent : public virtual CKXEventBase {
public:
    virtual void PIC_OnClicked(int id) {}
};

class IKXListCtrlEvent : public virtual CKXEventBase {
public:
    virtual void LC_OnItemClick(int row, int id) {}
    virtual void LC_OnItemDbClick(int row, int id) {}
};

class IKXTreeCtrlEvent : public virtual CKXEventBase {
public:
    // context: the video window the item was dropped or double-clicked towards, -1 for none.
    virtual void OnItemDbClick(HKXTREEITEM item, int context, int id) {}
    virtual void OnItemClick(HKXTREEITEM item, int id) {}
    // Nonzero: handled; 0 leaves the key to the tree.
    virtual int OnItemKeyDown(HKXTREEITEM item, int key, int id) { return 0; }
    virtual void OnItemCheckChanged(HKXTREEITEM item, int checked, int id) {}
};

class IKXVideoWindowEvent : public virtual CKXEventBase {
public:
    virtual void OnFocusWndChanged(int newWindow, int oldWindow, int id) {}
    virtual void OnBnClickedVideoClose(int window, int id) {}
    virtual void OnBnClickedVideoSnap(int window, int id) {}
    virtual void OnBnClickedVideoProperty(int window, int id) {}
    virtual void OnBnClickedVideoRecord(int window, int checked, int id) {}
    // A sub-window must repaint and holds no frame.
    virtual void OnPaintFailed(int window, int id) {}
    // A sub-window filled the grid (zoomed 1) or went back (0).
    virtual void OnSubWinZoom(int window, int zoomed, int id) {}
    // Drag mode: two sub-windows exchanged places.
    virtual void OnSubWndExchanged(int from, int to, int id) {}
    virtual void VideoWidow_OnLButtonDown(int window, int x, int y, int id) {}
    virtual void VideoWidow_OnLButtonUp(int window, int x, int y, int id) {}
    // The arrangement changed (the preview grid after a row or column change).
    virtual void OnLayoutChanged(int id) {}
    // The "Replay" button over a sub-window whose file has ended.
    virtual void OnBnClickedVideoReplay(int window, int id) {}
    // A right-click on a sub-window of the main grid; (x, y) in the grid.
    virtual void OnVideoContextMenu(int window, int x, int y, int id) {}
    // The rectangle drawn after BeginRegion, in fractions of the whole frame; w and h 0 when the
    // user ended without one (Escape, a right-click).
    virtual void OnRegionChosen(int window, double x, double y, double w, double h, int id) {}
};

class IPlayProgressEvent : public virtual CKXEventBase {
public:
    // A click on a row's time scale: the row's key, a marker (-1: no seek meant) and the value
    // (a wall-clock time in seconds).
    virtual void OnPlayProgressSeek(int rowKey, int marker, int value, int id) {}
    // The panel's other request, one int, for the owner to pass on.
    virtual void OnPlayProgressCommand(int value, int id) {}
    // The stretch selected on the scale changed (from == to: cleared); wall-clock seconds.
    virtual void OnPlayProgressSelection(long long from, long long to, int id) {}
    // A right click on the selected stretch, at a point of the panel: the owner offers what can
    // be done with it.
    virtual void OnPlayProgressSelectionMenu(int x, int y, int id) {}
};
