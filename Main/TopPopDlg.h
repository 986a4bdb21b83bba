#pragma once
// The bar at the top of the screen in full screen: digital zoom, drag and leaving full screen. It
// waits above the top edge with only its bottom 5 pixels showing, and slides down under the mouse.
#include <memory>

#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXDialog;
class CKXRadioBox;

class ITopPopOwner {
public:
    virtual ~ITopPopOwner() = default;
    virtual void SetGridModes(int digitalZoom, int drag) = 0;
    virtual void GetGridModes(int* digitalZoom, int* drag) = 0;
    virtual void LeaveFullScreen() = 0;
};

class CTopPopDlgEventImp : public IKXDialogEvent, public IKXRadioBoxEvent, public IKXButtonEvent {
public:
    static constexpr int kWidth = 179, kHeight = 64, kShowing = 5;
    enum { kDigitalZoom = 2134, kDrag = 2135, kFullScreen = 2136 };

    explicit CTopPopDlgEventImp(ITopPopOwner* owner);
    ~CTopPopDlgEventImp() override;
    // Shown with the grid's modes, tucked up above the top edge.
    void Show();
    void Hide();
    bool IsUp() const;  // tucked above the top edge
    CKXDialog* Window() const { return m_dialog.get(); }

    int OnDlgCreate(int argument) override;
    void OnDlgMouseEnter() override;
    void OnDlgMouseLeave() override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;
    void BTN_OnClicked(int id) override;

private:
    void PlaceAt(int top);

    ITopPopOwner* m_owner;
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXRadioBox> m_zoom, m_drag;
    std::unique_ptr<CKXButton> m_leave;
};
