#include "Main/FileList.h"

#include <set>

#include <boost/make_shared.hpp>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <map>

#include "App/Language.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Files/NamingRules.h"
#include "Main/MainFrame_UILogic.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/RecordNames.h"
#include "Main/UserMessages.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/TreeCtrl.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/View.h"

using TarvexApp::Translate;
using TarvexBase::ML_HELPER;

namespace {
constexpr int kCollapseWidth = 15, kCollapseHeight = 99;
}  // namespace

CFileListEventImp::CFileListEventImp(IFileListOwner* owner) : m_owner(owner) {}

CFileListEventImp::~CFileListEventImp() {
    m_collapse.reset();
    m_tree.reset();
    m_view.reset();
}

void CFileListEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_tabbar.png");
    m_view->Create(L"FileList", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 100, 500), parent, 106);
}

void CFileListEventImp::OnCreate() {
    m_tree.reset(CKXUIFactory::CreateUITreeCtrl(this));
    KXTreeSkin skin;
    skin.itemHeight = 24;
    skin.markSize = 14;
    skin.scrollbarImage = L"scrollbar.png";
    skin.stateImage = L"treeState.png";
    skin.checkboxImage = L"treeCheckbox.png";
    m_tree->SetSkin(skin);
    m_tree->Create(L"Tree", KX_WS_VISIBLE, CKXRect(0, 0, 100, 100), m_view.get(), kTree);
    m_collapse.reset(CKXUIFactory::CreateUIRadioBox(this));
    m_collapse->SetImages({L"btn_listContract.png", L"btn_listContract.png", L"btn_listContract.png", L"btn_listExpend.png",
                           L"btn_listExpend.png", L"btn_listExpend.png", L"btn_listContract.png", L"btn_listExpend.png"});
    m_collapse->Create(L"", KX_WS_VISIBLE, CKXRect(0, 0, kCollapseWidth, kCollapseHeight), m_view.get(), kCollapse);
    m_collapse->SetCheck(1);
}

void CFileListEventImp::OnSize(int, int width, int height) {
    if (!m_tree) return;
    m_tree->MoveWindow(CKXRect(0, 0, std::max(0, width - kCollapseWidth), height));
    m_collapse->MoveWindow(CKXRect::FromSize(width - kCollapseWidth, std::max(0, (height - kCollapseHeight) / 2),
                                             kCollapseWidth, kCollapseHeight));
}

int CFileListEventImp::IsExpanded() const { return m_collapse && m_collapse->GetCheck() ? 1 : 0; }

std::wstring CFileListEventImp::DayText(std::int32_t dayKey) {
    const std::time_t t = dayKey;
    std::tm local{};
    localtime_r(&t, &local);
    wchar_t text[32];
    std::swprintf(text, 32, L"%4d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

std::int32_t CFileListEventImp::ChannelCodeOf(HKXTREEITEM item) const {
    const auto at = m_channelCodes.find(item);
    return at == m_channelCodes.end() ? -1 : at->second;
}

HKXTREEITEM CFileListEventImp::DeviceItem(const std::wstring& name) const {
    for (HKXTREEITEM i = m_tree->GetRootItem(); i; i = m_tree->GetNextSiblingItem(i))
        if (m_tree->ItemHasChildren(i) && m_tree->GetItemText(i) == name) return i;
    return 0;
}

HKXTREEITEM CFileListEventImp::UngroupedItem(std::int32_t index) const {
    for (HKXTREEITEM i = m_tree->GetRootItem(); i; i = m_tree->GetNextSiblingItem(i))
        if (!m_tree->ItemHasChildren(i) && m_tree->GetItemData(i) == index) return i;
    return 0;
}

void CFileListEventImp::SetGroupList(const std::vector<_GROUP_FILE_INFO>& groups) {
    if (!m_tree) return;
    for (const _GROUP_FILE_INFO& group : groups) {
        HKXTREEITEM device = DeviceItem(group.deviceName);
        if (!device) {
            // Devices stay ahead of the ungrouped files.
            HKXTREEITEM lastDevice = 0;
            for (HKXTREEITEM i = m_tree->GetRootItem(); i && m_tree->ItemHasChildren(i); i = m_tree->GetNextSiblingItem(i))
                lastDevice = i;
            const HKXTREEITEM first = m_tree->GetRootItem();
            device = lastDevice ? m_tree->InsertItem(group.deviceName, 0, lastDevice)
                     : first    ? m_tree->InsertItemBefore(group.deviceName, 0, first)
                                : m_tree->InsertItem(group.deviceName);
            m_tree->SetItemData(device, 0);
            m_tree->SetCheck(device, 1);
        }
        const std::wstring date = DayText(group.day);
        HKXTREEITEM day = m_tree->FindChild(device, date);
        if (!day) {
            // Days in ascending order of their date texts.
            HKXTREEITEM later = 0;
            for (HKXTREEITEM i = m_tree->GetChildItem(device); i; i = m_tree->GetNextSiblingItem(i))
                if (m_tree->GetItemText(i) > date) {
                    later = i;
                    break;
                }
            day = later ? m_tree->InsertItemBefore(date, device, later) : m_tree->InsertItem(date, device);
            m_tree->SetItemData(day, group.day);
            m_tree->SetCheck(day, 1);
        }
        for (const auto& channel : group.channels) {
            const std::wstring text = ChannelText(channel.first);
            if (m_tree->FindChild(day, text)) continue;
            const HKXTREEITEM item = m_tree->InsertItem(text, day);
            m_tree->SetItemData(item, 0);
            m_channelCodes[item] = channel.first;  // kept, never read back from the text
            m_tree->SetCheck(item, 1);
        }
        m_tree->Expand(device, 1);
        m_tree->Expand(day, 1);
    }
}

void CFileListEventImp::SetSingleList(const std::vector<_SINGLE_FILE_INFO>& singles) {
    if (!m_tree) return;
    for (const _SINGLE_FILE_INFO& single : singles) {
        if (UngroupedItem(single.index)) continue;
        const HKXTREEITEM item = m_tree->InsertItem(FileTitleOf(single.path));
        m_tree->SetItemData(item, single.index);
        m_tree->SetCheck(item, 0);
    }
}

HKXTREEITEM CFileListEventImp::ChannelItem(const _QUERY_FILE_INFO& record) const {
    CNamingRuleParser name;
    if (!ParseFileName(FileNameOf(record.path), name)) return 0;
    const HKXTREEITEM device = DeviceItem(name.deviceName);
    const HKXTREEITEM day = device ? m_tree->FindChild(device, DayText(record.key)) : 0;
    return day ? m_tree->FindChild(day, ChannelText(record.channelCode)) : 0;
}

HKXTREEITEM CFileListEventImp::FindEntry(const _QUERY_FILE_INFO& record) {
    if (!m_tree) return 0;
    if (record.queryType == QUERY_SINGLE_FILE || record.channelCode == -1) return UngroupedItem(record.key);
    const HKXTREEITEM channel = ChannelItem(record);
    if (record.queryType == QUERY_WHOLE_DAY) return channel ? m_tree->GetParentItem(channel) : 0;
    return channel;
}

void CFileListEventImp::UpdateDayMark(HKXTREEITEM day) {
    if (!day) return;
    bool all = m_tree->GetChildItem(day) != 0;
    for (HKXTREEITEM c = m_tree->GetChildItem(day); c; c = m_tree->GetNextSiblingItem(c)) all = all && m_tree->GetPlaying(c);
    m_tree->SetPlaying(day, all ? 1 : 0);
}

void CFileListEventImp::MarkPlaying(const std::vector<_QUERY_FILE_INFO>& records, int on) {
    if (!m_tree) return;
    // A channel's entry once, however many of its files there are (a day may hold thousands).
    std::set<std::pair<std::int32_t, std::int32_t>> channelsDone;
    for (const _QUERY_FILE_INFO& record : records) {
        const bool grouped = record.queryType != QUERY_SINGLE_FILE && record.channelCode != -1;
        if (grouped && !channelsDone.insert({record.key, record.channelCode}).second) continue;
        if (record.queryType == QUERY_SINGLE_FILE || record.channelCode == -1) {
            m_tree->SetPlaying(UngroupedItem(record.key), on);
            continue;
        }
        const HKXTREEITEM channel = ChannelItem(record);
        if (!channel) continue;
        m_tree->SetPlaying(channel, on);
        UpdateDayMark(m_tree->GetParentItem(channel));
    }
}

void CFileListEventImp::Open(HKXTREEITEM item, int context) {
    auto frame = m_owner ? m_owner->FrameLogic() : nullptr;
    if (!frame || !m_tree->IsItem(item)) return;
    const std::intptr_t data = m_tree->GetItemData(item);
    const HKXTREEITEM parent = m_tree->GetParentItem(item);
    auto channels = boost::make_shared<std::map<std::int32_t, void*>>();
    auto post = [&](int type, std::int32_t key, const std::wstring& name) {
        KX_POST_TASK(ML_HELPER, frame->HelpLogic().get(), &CMainFrameHelpLogic::Task_GetFilePath, type, key, name,
                     channels, boost::static_pointer_cast<IFileManagerQuery>(frame), context);
    };
    if (data != 0 && parent) {
        // A day: the checked channels (all of them when none is).
        for (HKXTREEITEM c = m_tree->GetChildItem(item); c; c = m_tree->GetNextSiblingItem(c)) {
            const std::int32_t code = ChannelCodeOf(c);
            if (m_tree->GetCheck(c) && code != -1) (*channels)[code] = reinterpret_cast<void*>(c);
        }
        post(QUERY_WHOLE_DAY, static_cast<std::int32_t>(data), m_tree->GetItemText(parent));
    } else if (data != 0) {
        if (m_tree->GetPlaying(item)) return ShowNotification(L"Already Playing!");
        (*channels)[static_cast<std::int32_t>(data)] = reinterpret_cast<void*>(item);
        post(QUERY_SINGLE_FILE, static_cast<std::int32_t>(data), L"");
    } else if (!m_tree->ItemHasChildren(item) && parent) {
        if (m_tree->GetPlaying(item)) return ShowNotification(L"Already Playing!");
        const std::int32_t code = ChannelCodeOf(item);
        (*channels)[code] = reinterpret_cast<void*>(item);
        const HKXTREEITEM device = m_tree->GetParentItem(parent);
        post(QUERY_CHANNEL_OF_DAY, static_cast<std::int32_t>(m_tree->GetItemData(parent)), m_tree->GetItemText(device));
    }
}

int CFileListEventImp::OpenListed(const std::wstring& device, std::int32_t day, std::int32_t channelCode) {
    const HKXTREEITEM deviceItem = m_tree ? DeviceItem(device) : 0;
    const HKXTREEITEM dayItem = deviceItem ? m_tree->FindChild(deviceItem, DayText(day)) : 0;
    const HKXTREEITEM item = channelCode < 0 || !dayItem ? dayItem : m_tree->FindChild(dayItem, ChannelText(channelCode));
    if (!item) return 0;
    Open(item, -1);
    return 1;
}

void CFileListEventImp::OnItemDbClick(HKXTREEITEM item, int context, int) { Open(item, context); }

int CFileListEventImp::OnItemKeyDown(HKXTREEITEM, int key, int) {
    // The tree keeps the keys that move through it; the player's own (Space, S, R, M, I, F11) act
    // as they do anywhere else in the window, right after a double-click in the list.
    const bool player = key == KX_VK_SPACE || key == 'S' || key == 'R' || key == 'M' || key == 'I' || key == KX_VK_F1 + 10;
    if (!player || !m_owner) return 0;
    m_owner->KeyFromList(key);
    return 1;
}

HKXTREEITEM CFileListEventImp::Adjacent(HKXTREEITEM item, bool forward, bool groupMode) const {
    auto step = [&](HKXTREEITEM i) { return forward ? m_tree->GetNextSiblingItem(i) : m_tree->GetPrevSiblingItem(i); };
    if (groupMode) {
        // The day before or after; past a device's first or last day, the next device's first day
        // or the previous device's last one. Ungrouped files are no days.
        if (HKXTREEITEM day = step(item)) return day;
        for (HKXTREEITEM device = step(m_tree->GetParentItem(item)); device; device = step(device)) {
            if (!m_tree->ItemHasChildren(device)) return 0;
            HKXTREEITEM day = m_tree->GetChildItem(device);
            if (!forward)
                while (HKXTREEITEM next = m_tree->GetNextSiblingItem(day)) day = next;
            if (day) return day;
        }
        return 0;
    }
    // The channel or ungrouped file before or after, among its siblings; onto an item with
    // children, into its first (forward) or last (backward) entry.
    HKXTREEITEM next = step(item);
    while (next && m_tree->ItemHasChildren(next)) {
        HKXTREEITEM child = m_tree->GetChildItem(next);
        if (!forward)
            while (HKXTREEITEM after = m_tree->GetNextSiblingItem(child)) child = after;
        next = child;
    }
    return next;
}

int CFileListEventImp::OpenAdjacentEntry(HKXTREEITEM entry, int forward, int groupMode, int window, std::wstring* opened) {
    if (!m_tree || !m_tree->IsItem(entry)) return 0;
    if (groupMode && m_owner && m_owner->PlayWindows())
        if (auto ui = m_owner->PlayWindows()->PlayUILogic()) ui->CloseFiles(-1);
    HKXTREEITEM target = Adjacent(entry, forward != 0, groupMode != 0);
    while (target && m_tree->GetPlaying(target)) target = Adjacent(target, forward != 0, groupMode != 0);
    if (!target) return 0;
    Open(target, groupMode ? -1 : window);
    if (opened) *opened = EntryTitle(target);
    return 1;
}

std::wstring CFileListEventImp::EntryTitle(HKXTREEITEM item) const {
    const HKXTREEITEM parent = m_tree->GetParentItem(item);
    const HKXTREEITEM grandParent = parent ? m_tree->GetParentItem(parent) : 0;
    if (grandParent) return CameraTitle(m_tree->GetItemText(grandParent), ChannelCodeOf(item));
    if (parent) return m_tree->GetItemText(parent) + L" \u00B7 " + m_tree->GetItemText(item);  // a day
    return m_tree->GetItemText(item);  // an ungrouped file
}

void CFileListEventImp::LastBuildAnswered() {
    // Nothing was played: the first entry is selected, so that the keys work on the list at once.
    if (m_tree) m_tree->SelectItem(m_tree->GetRootItem());
}

void CFileListEventImp::CheckAll() { SetAllChecks(1); }

void CFileListEventImp::SetAllChecks(int checked) {
    if (!m_tree) return;
    std::vector<HKXTREEITEM> stack;
    for (HKXTREEITEM i = m_tree->GetRootItem(); i; i = m_tree->GetNextSiblingItem(i)) stack.push_back(i);
    while (!stack.empty()) {
        const HKXTREEITEM i = stack.back();
        stack.pop_back();
        m_tree->SetCheck(i, checked);
        for (HKXTREEITEM c = m_tree->GetChildItem(i); c; c = m_tree->GetNextSiblingItem(c)) stack.push_back(c);
    }
}

std::vector<_GROUP_FILE_INFO> CFileListEventImp::CheckedEntries() const {
    std::vector<_GROUP_FILE_INFO> entries;
    if (!m_tree) return entries;
    for (HKXTREEITEM root = m_tree->GetRootItem(); root; root = m_tree->GetNextSiblingItem(root)) {
        if (!m_tree->ItemHasChildren(root)) {
            if (!m_tree->GetCheck(root)) continue;
            _GROUP_FILE_INFO single;
            single.deviceName = m_tree->GetItemText(root);
            single.day = static_cast<std::int32_t>(m_tree->GetItemData(root));
            entries.push_back(single);
            continue;
        }
        for (HKXTREEITEM day = m_tree->GetChildItem(root); day; day = m_tree->GetNextSiblingItem(day)) {
            _GROUP_FILE_INFO group;
            group.deviceName = m_tree->GetItemText(root);
            group.day = static_cast<std::int32_t>(m_tree->GetItemData(day));
            for (HKXTREEITEM c = m_tree->GetChildItem(day); c; c = m_tree->GetNextSiblingItem(c)) {
                const std::int32_t code = ChannelCodeOf(c);
                if (m_tree->GetCheck(c) && code != -1) group.channels[code] = reinterpret_cast<void*>(c);
            }
            if (!group.channels.empty()) entries.push_back(group);
        }
    }
    return entries;
}

bool CFileListEventImp::IsPlaying(const _GROUP_FILE_INFO& entry) const {
    if (entry.channels.empty()) return m_tree->GetPlaying(UngroupedItem(entry.day)) != 0;
    for (const auto& channel : entry.channels)
        if (m_tree->GetPlaying(reinterpret_cast<HKXTREEITEM>(channel.second))) return true;
    return false;
}

void CFileListEventImp::RemoveEntries(const std::vector<_GROUP_FILE_INFO>& entries) {
    for (const _GROUP_FILE_INFO& entry : entries) {
        if (entry.channels.empty()) {
            m_tree->DeleteItem(UngroupedItem(entry.day));
            continue;
        }
        HKXTREEITEM day = 0;
        for (const auto& channel : entry.channels) {
            const auto item = reinterpret_cast<HKXTREEITEM>(channel.second);
            if (!m_tree->IsItem(item)) continue;
            day = m_tree->GetParentItem(item);
            m_tree->DeleteItem(item);
            m_channelCodes.erase(item);
        }
        if (!day || m_tree->ItemHasChildren(day)) continue;
        const HKXTREEITEM device = m_tree->GetParentItem(day);
        m_tree->DeleteItem(day);
        if (device && !m_tree->ItemHasChildren(device)) m_tree->DeleteItem(device);
    }
}

void CFileListEventImp::RB_OnStateChanged(int id, int checked, int byClick) {
    if (id != kCollapse || !byClick) return;
    m_view->SetBackground(checked ? L"bg_tabbar.png" : L"bg_monitor.png");
    if (m_owner) m_owner->SetFileListExpanded(checked);
}
