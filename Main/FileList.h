#pragma once
// The collapsible list at the left of the main page: the catalogue as a tree of devices, days and
// channels, then the ungrouped files. A double-click asks the helper loop for the files of a day,
// a channel or an ungrouped file, which the main frame then plays. It also finds the entry a
// window plays, marks entries that play, and opens the entry next to one.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Main/PanelFaces.h"
#include "Toolkit/EventSinks.h"

class CKXRadioBox;
class CKXTreeCtrl;
class CKXView;
class CKXWindow;

// What the list needs of the main window.
class IFileListOwner {
public:
    virtual ~IFileListOwner() = default;
    // Where the tree's requests go (the main frame's logic, and its helper loop's half).
    virtual boost::shared_ptr<class CMainFrameUILogic> FrameLogic() = 0;
    virtual IPlayWindowsFace* PlayWindows() = 0;
    // Space on the tree toggles playback as it does anywhere in the window.
    virtual void KeyFromList(int key) = 0;
    // The collapse button: the page lays itself out again.
    virtual void SetFileListExpanded(int expanded) = 0;
};

class CFileListEventImp : public IKXViewEvent, public IKXTreeCtrlEvent, public IKXRadioBoxEvent, public IFileListFace {
public:
    static constexpr int kWidth = 240;
    enum { kTree = 2143, kCollapse = 2144 };

    explicit CFileListEventImp(IFileListOwner* owner);
    ~CFileListEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CKXTreeCtrl* Tree() const { return m_tree.get(); }
    int IsExpanded() const;

    // IFileListFace
    void SetGroupList(const std::vector<_GROUP_FILE_INFO>& groups) override;
    void SetSingleList(const std::vector<_SINGLE_FILE_INFO>& singles) override;
    void MarkPlaying(const std::vector<_QUERY_FILE_INFO>& records, int on) override;
    HKXTREEITEM FindEntry(const _QUERY_FILE_INFO& record) override;
    int OpenAdjacentEntry(HKXTREEITEM entry, int forward, int groupMode, int window,
                          std::wstring* opened = nullptr) override;
    int OpenListed(const std::wstring& device, std::int32_t day, std::int32_t channelCode) override;
    void LastBuildAnswered() override;
    void CheckAll() override;

    // Every item's check box (the tab bar's select-all).
    void SetAllChecks(int checked);
    // The checked entries as the catalogue's delete request reads them: a record per day with
    // checked channels (code -> item), and one per checked ungrouped file (its index as the day).
    std::vector<_GROUP_FILE_INFO> CheckedEntries() const;
    // Whether an entry of the request plays now.
    bool IsPlaying(const _GROUP_FILE_INFO& entry) const;
    // Takes the entries of the request out of the tree.
    void RemoveEntries(const std::vector<_GROUP_FILE_INFO>& entries);

    // A day key's date as the tree shows it; the channel code an item was made for (-1 when it is
    // no channel).
    static std::wstring DayText(std::int32_t dayKey);
    std::int32_t ChannelCodeOf(HKXTREEITEM item) const;

    void OnCreate() override;
    void OnSize(int type, int width, int height) override;
    void OnItemDbClick(HKXTREEITEM item, int context, int id) override;
    int OnItemKeyDown(HKXTREEITEM item, int key, int id) override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;

private:
    // Opens the entry as a double-click does, into `context` (-1: the grid's selected window).
    void Open(HKXTREEITEM item, int context);
    HKXTREEITEM DeviceItem(const std::wstring& name) const;
    HKXTREEITEM ChannelItem(const _QUERY_FILE_INFO& record) const;
    HKXTREEITEM UngroupedItem(std::int32_t index) const;
    // How the user tells the entry apart: a channel as the play windows' titles name it.
    std::wstring EntryTitle(HKXTREEITEM item) const;
    void UpdateDayMark(HKXTREEITEM day);
    HKXTREEITEM Adjacent(HKXTREEITEM item, bool forward, bool groupMode) const;

    IFileListOwner* m_owner;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CKXTreeCtrl> m_tree;
    std::unique_ptr<CKXRadioBox> m_collapse;
    std::map<HKXTREEITEM, std::int32_t> m_channelCodes;  // each channel item's code
};
