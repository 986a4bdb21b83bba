#pragma once
// The column of layout buttons beside the grid: 1, 4, 9, 16, 25, 36, 6, 8 and 13 windows, and the
// custom button that opens the custom-layout dialog. A click switches the grid; opening a whole day
// picks the smallest layout with a window per channel.
#include <map>
#include <memory>
#include <string>

#include "Main/CustomLayoutDlg.h"
#include "Main/PanelFaces.h"
#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXRadioBox;
class CKXVideoWindow;
class CKXView;
class CKXWindow;

class CLayoutBarEventImp : public IKXViewEvent,
                           public IKXRadioBoxEvent,
                           public IKXButtonEvent,
                           public ILayoutBarFace,
                           public ICustomLayoutOwner {
public:
    static constexpr int kWidth = 70;
    enum { kCustomButton = 2155 };

    explicit CLayoutBarEventImp(IPlayWindowsFace* windows);
    ~CLayoutBarEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }

    // ILayoutBarFace
    void SelectLayoutFor(int windows) override;
    // The window count of the layout chosen for n windows (0 for none).
    static int LayoutCountFor(int windows);
    // Which button shows as chosen (0 when none of the standard ones).
    int CheckedButton() const;
    CCustomLayoutDlgEventImp* CustomLayoutDialog() const { return m_customDialog.get(); }

    // ICustomLayoutOwner: the grid takes the arrangement and no standard button shows as chosen.
    void ApplyCustomLayout(const std::wstring& description) override;

    void OnCreate() override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;
    void BTN_OnClicked(int id) override;

private:
    void Choose(int id);
    // The play state holds the grid's window count.
    void TellLayout();

    IPlayWindowsFace* m_windows;
    std::unique_ptr<CKXView> m_view;
    std::map<int, std::unique_ptr<CKXRadioBox>> m_buttons;
    std::unique_ptr<CKXButton> m_custom;
    // What the dialog holds weakly; it owns nothing and goes before the bar does.
    std::shared_ptr<ICustomLayoutOwner> m_asOwner;
    std::unique_ptr<CCustomLayoutDlgEventImp> m_customDialog;
};
