#pragma once
// A tree of items with text, a number of the caller's (item data), a check box and a "playing"
// mark. Items are named by handles (HKXTREEITEM, 0 for none) that stay valid until the item is
// deleted and are never given to another item while the program runs; a stale or forged handle
// is ignored. The sink hears clicks, double-clicks, keys and the
// user's check changes, never changes the program makes.
#include <cstdint>
#include <string>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Window.h"

struct KXTreeSkin {
    int itemHeight = 24;
    int markSize = 14;  // check box and expand mark
    // Text, selection background, selected text, playing text: "RRGGBB".
    std::wstring colors[4] = {L"FFFFFF", L"5c6576", L"FFFFFF", L"00FF00"};
    std::wstring scrollbarImage;  // track and thumb side by side, each half the width
    std::wstring stateImage;      // collapsed and expanded marks side by side
    std::wstring checkboxImage;   // unchecked and checked side by side
};

class CKXTreeCtrl : public CKXWindow {
public:
    explicit CKXTreeCtrl(IKXTreeCtrlEvent* sink);
    ~CKXTreeCtrl() override;

    void SetSkin(const KXTreeSkin& skin);

    // At the end of the parent's children (0: a root item), or right after `after`, or right
    // before `before` (which must be a child of the parent). 0 when the parent or the place is not
    // an item of this tree.
    HKXTREEITEM InsertItem(const std::wstring& text, HKXTREEITEM parent = 0, HKXTREEITEM after = 0);
    HKXTREEITEM InsertItemBefore(const std::wstring& text, HKXTREEITEM parent, HKXTREEITEM before);
    // With its children.
    int DeleteItem(HKXTREEITEM item);
    void DeleteAllItems();
    int IsItem(HKXTREEITEM item) const;
    int GetCount() const;  // every item, children included

    std::wstring GetItemText(HKXTREEITEM item) const;
    int SetItemText(HKXTREEITEM item, const std::wstring& text);
    std::intptr_t GetItemData(HKXTREEITEM item) const;
    int SetItemData(HKXTREEITEM item, std::intptr_t data);
    int GetCheck(HKXTREEITEM item) const;
    int SetCheck(HKXTREEITEM item, int checked);
    int GetPlaying(HKXTREEITEM item) const;
    int SetPlaying(HKXTREEITEM item, int on);

    // Navigation: 0 when there is none. GetChildItem(0) is the first root item.
    HKXTREEITEM GetRootItem() const;
    HKXTREEITEM GetParentItem(HKXTREEITEM item) const;
    HKXTREEITEM GetChildItem(HKXTREEITEM item) const;
    HKXTREEITEM GetNextSiblingItem(HKXTREEITEM item) const;
    HKXTREEITEM GetPrevSiblingItem(HKXTREEITEM item) const;
    int ItemHasChildren(HKXTREEITEM item) const;
    // The first child of `parent` (0: among the roots) with exactly this text.
    HKXTREEITEM FindChild(HKXTREEITEM parent, const std::wstring& text) const;

    int Expand(HKXTREEITEM item, int expand);
    int IsExpanded(HKXTREEITEM item) const;
    HKXTREEITEM GetSelectedItem() const;
    int SelectItem(HKXTREEITEM item);

    IKXTreeCtrlEvent* GetSink() const { return m_sink; }

private:
    IKXTreeCtrlEvent* m_sink;
};
