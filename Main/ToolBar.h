#pragma once
// The strip along the top of the main window: the logo, adding files, the grid's digital-zoom and
// drag modes, full screen, and the window's own buttons (about, minimise, maximise, close).
#include <map>
#include <memory>

#include "Toolkit/EventSinks.h"
#include "Toolkit/UITypes.h"

class CKXButton;
class CKXPictureCtrl;
class CKXRadioBox;
class CKXStatic;
class CKXView;
class CKXWindow;

// What the tool bar asks of the main window.
class IToolBarOwner {
public:
    virtual ~IToolBarOwner() = default;
    virtual void AddFiles() = 0;
    virtual void SetGridModes(int digitalZoom, int drag) = 0;
    virtual void EnterFullScreen() = 0;
    virtual void OpenConfig() = 0;
    virtual void ShowAbout() = 0;
    virtual void CloseWindow() = 0;
    virtual void MinimizeWindow() = 0;
    // Maximised afterwards: 1.
    virtual int ToggleMaximized() = 0;
};

class CToolBarEventImp : public IKXViewEvent, public IKXButtonEvent, public IKXRadioBoxEvent {
public:
    static constexpr int kHeight = 62;
    enum { kAddFiles = 2130, kDigitalZoom = 2134, kDrag = 2135, kFullScreen = 2136, kConfig = 2138, kAbout = 2139, kClose = 2140,
           kMinimize = 2141, kMaximize = 2142 };

    explicit CToolBarEventImp(IToolBarOwner* owner);
    ~CToolBarEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CKXRadioBox* Radio(int id) const;
    CKXStatic* ProductWord() const { return m_productWord.get(); }
    // Both radios follow the grid's modes (when the full-screen bar changed them).
    void ShowGridModes(int digitalZoom, int drag);

    void OnCreate() override;
    void OnSize(int type, int width, int height) override;
    void BTN_OnClicked(int id) override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;

private:
    static constexpr int kProductWordWidth = 200;
    // Where the word under the right end goes in a bar of that size.
    static CKXRect ProductWordRect(int width, int height);

    IToolBarOwner* m_owner;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CKXPictureCtrl> m_logo, m_rightLogo, m_separator, m_secondSeparator;
    std::unique_ptr<CKXStatic> m_productWord;  // "Player" over the right logo
    std::map<int, std::unique_ptr<CKXButton>> m_buttons;
    std::map<int, std::unique_ptr<CKXRadioBox>> m_radios;
};
