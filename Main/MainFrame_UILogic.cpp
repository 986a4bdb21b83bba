#include "Main/MainFrame_UILogic.h"

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cstdio>
#include <set>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Files/FileManager.h"  // for the day key of a name; the catalogue itself stays on ML_HELPER
#include "Files/NamingRules.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/RecordNames.h"
#include "Main/UserMessages.h"
#include "Toolkit/VideoWindow.h"

using TarvexBase::ML_HELPER;
using TarvexBase::ML_MAIN;

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

CMainFrameUILogic::CMainFrameUILogic(const boost::weak_ptr<IMainWindowFace>& owner) : m_owner(owner) {}

CMainFrameUILogic::~CMainFrameUILogic() = default;

void CMainFrameUILogic::Init() {
    m_help = boost::make_shared<CMainFrameHelpLogic>(
        boost::weak_ptr<CMainFrameUILogic>(boost::static_pointer_cast<CMainFrameUILogic>(shared_from_this())));
}

void CMainFrameUILogic::GenerateFileList(boost::shared_ptr<const std::wstring> path) {
    KX_POST_TASK(ML_HELPER, m_help.get(), &CMainFrameHelpLogic::Task_BuildFileList, path);
}

void CMainFrameUILogic::Task_GenerateFileList_Ret(GroupList groups, SingleList singles, PathList paths, int noRecording,
                                                  boost::shared_ptr<const std::wstring> dropped) {
    auto owner = m_owner.lock();
    if (!owner || !groups || !singles) return;
    const int outstanding = owner->BuildAnswered();
    if (noRecording) {
        if (outstanding == 0 && !owner->IsWindowVisible()) owner->ShowWindow();
        // A drop that lists nothing would otherwise look as if it was never seen.
        ShowNotification(L"No recording was found in:", L" " + (dropped ? *dropped : std::wstring()));
        return;
    }
    // The folders of every listed recording, for a reload.
    m_listedPaths.clear();
    std::set<std::wstring> seen;
    auto addFolder = [&](const std::wstring& file) {
        const std::wstring folder = FolderOf(file);
        if (!folder.empty() && seen.insert(folder).second) m_listedPaths.push_back(folder);
    };
    for (const std::wstring& file : paths ? *paths : std::vector<std::wstring>()) addFolder(file);
    for (const _SINGLE_FILE_INFO& single : *singles) addFolder(single.path);

    if (IFileListFace* list = owner->FileList()) {
        list->SetGroupList(*groups);
        list->SetSingleList(*singles);
    }
    KX_POST_TASK(ML_HELPER, m_help.get(), &CMainFrameHelpLogic::Task_GetFileManager);
    const int played = PlayDropDownFile(*groups, *singles);
    // Grouped entries come checked, ungrouped ones unchecked.
    if (ITabBarFace* tabs = owner->TabBar()) tabs->SetSelectAll(singles->empty() ? 1 : 0);
    if (outstanding != 0) return;
    if (!played)
        if (IFileListFace* list = owner->FileList()) list->LastBuildAnswered();
    if (!owner->IsWindowVisible()) owner->ShowWindow();
}

void CMainFrameUILogic::Task_GetFileManager_Ret(boost::shared_ptr<const CFileManager> catalogue) {
    m_catalogue = std::move(catalogue);
}

int CMainFrameUILogic::PlayDropDownFile(const std::vector<_GROUP_FILE_INFO>& groups,
                                        const std::vector<_SINGLE_FILE_INFO>& singles) {
    if (!m_dropPath) return 0;
    const std::wstring& path = *m_dropPath;
    const std::size_t dot = path.rfind(L'.');
    CNamingRuleParser name;
    // The name with its extension: the grammar's tail takes it.
    const bool parsed = dot != std::wstring::npos && IsRecordingExtension(path.substr(dot)) &&
                        ParseFileName(FileNameOf(path), name);
    if (parsed) {
        const std::int32_t day = CFileManager::DayKeyOf(name.startTime);
        for (const _GROUP_FILE_INFO& group : groups) {
            if (group.deviceName != name.deviceName || group.day != day || !group.channels.count(name.channelCode))
                continue;
            auto channels = boost::make_shared<std::map<std::int32_t, void*>>();
            (*channels)[name.channelCode] = nullptr;
            KX_POST_TASK(ML_HELPER, m_help.get(), &CMainFrameHelpLogic::Task_GetFilePath, int(QUERY_CHANNEL_OF_DAY), day,
                         name.deviceName, channels, shared_from_this(), -1);
            return 1;
        }
    }
    for (const _SINGLE_FILE_INFO& single : singles) {
        if (single.path != path) continue;
        auto files = boost::make_shared<std::vector<_QUERY_FILE_INFO>>(1);
        _QUERY_FILE_INFO& file = files->front();
        file.path = single.path;
        file.queryType = QUERY_SINGLE_FILE;
        file.key = single.index;
        file.channelCode = -1;
        file.context = -1;
        file.startKey = single.index;
        file.fileStartTime = 0;
        file.fileEndTime = 1;
        Task_GetFilePath_Ret(files, nullptr);
        return 1;
    }
    return 0;
}

void CMainFrameUILogic::Task_GetFilePath_Ret(QueryFileList files, PathList unreadable) {
    auto owner = m_owner.lock();
    auto ui = owner ? owner->PlayUILogic() : nullptr;
    if (!ui || !files) return;
    if (files->empty()) {
        // Nothing of it can be read any more: the files changed since they were listed.
        if (unreadable && !unreadable->empty()) owner->PostReloadOffer();
        return;
    }
    if (ui->IsBusy(false) && files->front().context == -1) {
        ShowNotification(CPlayCommands::kOpening);
        return;
    }
    if (unreadable && !unreadable->empty()) {
        // The readable files play; the others are named once.
        std::wstring names;
        for (const std::wstring& path : *unreadable) names += (names.empty() ? L" " : L", ") + FileNameOf(path);
        ShowNotification(L"These recordings cannot be read and are left out:", names);
    }
    if (!ui->IsBusy(false)) {
        PlayFiles(*files);
        return;
    }
    // A request of the program's own waits until the opens under way are answered.
    m_waitingRequest = files;
    const boost::weak_ptr<CMainFrameUILogic> self = boost::static_pointer_cast<CMainFrameUILogic>(shared_from_this());
    ui->AfterOpens([self] {
        auto logic = self.lock();
        if (!logic || !logic->m_waitingRequest) return;
        const QueryFileList request = std::move(logic->m_waitingRequest);
        logic->Task_GetFilePath_Ret(request, nullptr);
    });
}

void CMainFrameUILogic::PlayFiles(const std::vector<_QUERY_FILE_INFO>& files) {
    auto owner = m_owner.lock();
    auto ui = owner ? owner->PlayUILogic() : nullptr;
    IPlayWindowsFace* windows = owner ? owner->PlayWindows() : nullptr;
    if (files.empty() || !ui || !windows) return;
    const int type = files.front().queryType;

    // The windows each file goes to: a day spreads one channel a window, in channel order.
    std::vector<int> windowOf(files.size(), -1);
    int channelsUsed = 0;
    if (type == QUERY_WHOLE_DAY) {
        std::int32_t previous = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (i == 0 || files[i].channelCode != previous) ++channelsUsed;
            previous = files[i].channelCode;
            if (channelsUsed <= kMaxWindows) windowOf[i] = channelsUsed - 1;
        }
        channelsUsed = std::min(channelsUsed, kMaxWindows);
    } else {
        for (std::size_t i = 0; i < files.size(); ++i)
            windowOf[i] = files[i].context != -1 ? files[i].context : ui->FocusedWindow();
    }
    // One file a window is opened at once.
    const int opening = static_cast<int>(std::set<int>(windowOf.begin(), windowOf.end()).size()) -
                        (std::count(windowOf.begin(), windowOf.end(), -1) ? 1 : 0);

    if (type == QUERY_WHOLE_DAY) {
        ui->CloseFiles(-1);
        // Sync play on: the new day plays in sync once its files have answered.
        ui->SetSyncCountdown(ui->State().sync ? opening : -1);
        // Enough windows before the opens begin, so that each shows its file loading.
        if (ILayoutBarFace* layouts = windows->LayoutBar()) layouts->SelectLayoutFor(channelsUsed);
    } else {
        ui->SetSyncCountdown(-1);
        ui->LeaveGroupMode();
    }

    // The timeline's scale fits what is open once this opening's spans come.
    if (ITimeLineFace* timeline = windows->TimeLine()) timeline->FitToOpening();
    // The profiles being worked out make room for this opening's files.
    ui->ReopenActivity();
    // A window opens its channel's first file now; the others wait as records until it is
    // about to show them.
    std::set<int> opened;
    std::vector<PlayRecord> waiting;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (windowOf[i] < 0) continue;
        PlayRecord record = files[i];
        record.context = windowOf[i];
        record.atEnd = 0;
        record.direction = 1;
        record.paused = 0;
        record.indexReady = 0;
        if (opened.insert(windowOf[i]).second)
            ui->StartPlayOneFile(record.path, record);
        else
            waiting.push_back(record);
    }
    ui->AddWaitingRecords(waiting);
}

void CMainFrameUILogic::Reload() {
    auto owner = m_owner.lock();
    if (!owner) return;
    if (auto ui = owner->PlayUILogic()) ui->CloseFiles(-1);
    const std::vector<std::wstring> folders = m_listedPaths;
    if (IFileListFace* list = owner->FileList()) list->CheckAll();
    if (ITabBarFace* tabs = owner->TabBar()) tabs->DeleteChecked();
    for (const std::wstring& folder : folders) owner->DropPath(folder);
}

void CMainFrameUILogic::Task_DecodeYUV2RGB32_Ret(int subWindow, TarvexPlay::RenderToken, TarvexPlay::CompletionToken) {
    auto owner = m_owner.lock();
    IPlayWindowsFace* windows = owner ? owner->PlayWindows() : nullptr;
    if (CKXVideoWindow* grid = windows ? windows->VideoWindow() : nullptr) grid->PresentFrame(subWindow);
    // The tokens go with this task, here on the UI thread: the decoding thread goes on.
}
