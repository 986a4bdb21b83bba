#pragma once
// The bar under the tool bar: at its left the file list's title, select-all box and delete button;
// at its right the page tabs ("Play Window" and, once opened, the others, each with a close box).
#include <boost/shared_ptr.hpp>

#include <memory>
#include <vector>

#include "Main/PanelFaces.h"
#include "Toolkit/EventSinks.h"

class CFileListEventImp;
class CKXButton;
class CKXPictureCtrl;
class CKXRadioBox;
class CKXView;
class CKXWindow;
class CMainFrameUILogic;

// What the tab bar needs of the main window.
class ITabBarOwner {
public:
    virtual ~ITabBarOwner() = default;
    virtual CFileListEventImp* FileListPanel() = 0;
    virtual boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() = 0;
    virtual boost::shared_ptr<CMainFrameUILogic> FrameLogic() = 0;
    // Which page shows: 0 the play page, 1 the configuration page, -1 none.
    virtual void ShowPage(int page) = 0;
};

class CTabBarEventImp : public IKXViewEvent, public IKXRadioBoxEvent, public IKXButtonEvent, public ITabBarFace {
public:
    static constexpr int kHeight = 32;
    enum { kSelectAll = 2167, kDelete = 2168, kFirstTab = 2169, kConfigTab = 2174, kTabCount = 6 };

    explicit CTabBarEventImp(ITabBarOwner* owner);
    ~CTabBarEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CKXRadioBox* Tab(int position) const;
    CKXRadioBox* SelectAllBox() const { return m_selectAll.get(); }
    // Shows a tab that is closed, and selects it.
    void OpenTab(int position);
    int IsTabShown(int position) const;

    // ITabBarFace
    void SetSelectAll(int checked) override;
    int IsTabSelected(int tab) const override;
    void DeleteChecked() override;

    void OnCreate() override;
    void RB_OnClicked(int id, int checked, int x, int y) override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;
    void BTN_OnClicked(int id) override;

private:
    void Select(int position);
    void Delete(const std::vector<_GROUP_FILE_INFO>& entries);

    ITabBarOwner* m_owner;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CKXPictureCtrl> m_title;
    std::unique_ptr<CKXRadioBox> m_selectAll;
    std::unique_ptr<CKXButton> m_delete;
    std::unique_ptr<CKXRadioBox> m_tabs[kTabCount];
    int m_shown[kTabCount] = {1, 0, 0, 0, 0, 0};
    bool m_closeBoxClick = false;
};
