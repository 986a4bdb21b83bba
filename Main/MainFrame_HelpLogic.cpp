#include "Main/MainFrame_HelpLogic.h"

#include <sys/stat.h>

#include <boost/make_shared.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "Base/LoopIds.h"
#include "Base/StreamConvert.h"
#include "Files/CatalogueScan.h"
#include "Files/FileManager.h"
#include "Files/NamingRules.h"
#include "Main/MainFrame_UILogic.h"
#include "Main/WeakPost.h"
#include "Toolkit/VideoWindow.h"

using TarvexBase::ML_MAIN;

CMainFrameHelpLogic::CMainFrameHelpLogic(const boost::weak_ptr<CMainFrameUILogic>& ui)
    : m_ui(ui), m_catalogue(boost::make_shared<CFileManager>(this)) {}

CMainFrameHelpLogic::~CMainFrameHelpLogic() = default;

boost::shared_ptr<const CFileManager> CMainFrameHelpLogic::Catalogue() const { return m_catalogue; }

void CMainFrameHelpLogic::Task_BuildFileList(boost::shared_ptr<const std::wstring> path) {
    if (!path) return;
    int noRecording = 1;
    m_catalogue->AddFolder(ScanPatternForPath(*path), &noRecording);
    // A file named by itself that the scan passed over (another container than the recorder's,
    // say an export the user was given) is listed on its own, so that it can be played.
    struct stat st;
    const std::size_t dot = path->rfind(L'.');
    const bool recording = dot != std::wstring::npos && IsRecordingExtension(path->substr(dot));
    if (!recording && ::stat(KX_SOFT_BASE::WideToNative(*path).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        m_catalogue->AddFile(*path))
        noRecording = 0;
    if (m_ui.expired()) return;
    // The lists always describe the whole catalogue, not only what this call added.
    auto groups = boost::make_shared<std::vector<_GROUP_FILE_INFO>>();
    auto paths = boost::make_shared<std::vector<std::wstring>>();
    auto singles = boost::make_shared<std::vector<_SINGLE_FILE_INFO>>();
    m_catalogue->FillGroupList(*groups, *paths);
    m_catalogue->FillSingleList(*singles);
    KX_POST_WEAK(ML_MAIN, m_ui, &CMainFrameUILogic::Task_GenerateFileList_Ret, groups, singles, paths, noRecording,
                 path);
}

void CMainFrameHelpLogic::Task_GetFilePath(int type, std::int32_t key, std::wstring name, ChannelMap channels,
                                           boost::shared_ptr<IFileManagerQuery> asker, int context) {
    auto files = boost::make_shared<std::vector<_QUERY_FILE_INFO>>();
    auto entry = [&](const CFileInfo& info, std::int32_t channelCode, std::int32_t startKey) {
        _QUERY_FILE_INFO file;
        file.path = info.path;
        file.queryType = type;
        file.key = key;
        file.channelCode = channelCode;
        file.context = context;
        file.startKey = startKey;
        // A recording's span as its name tells it, until the engine has read the file: a day's
        // files are opened only when their window is about to show them.
        if (channelCode != -1) {
            const KX_SOFT_BASE::DateTime& s = info.startTime;
            const KX_SOFT_BASE::DateTime& e = info.endTime;
            const std::int64_t from = KX_SOFT_BASE::DateTime::MakeTimeT(s.year, s.month, s.day, s.hour, s.minute, s.second);
            const std::int64_t to = KX_SOFT_BASE::DateTime::MakeTimeT(e.year, e.month, e.day, e.hour, e.minute, e.second);
            // The engine and the timeline count unsigned 32-bit seconds (to 2106).
            if (from > 0 && to > from && to <= static_cast<std::int64_t>(UINT32_MAX)) {
                file.fileStartTime = from;
                file.fileEndTime = to;
            }
        }
        files->push_back(file);
    };
    if (type == QUERY_SINGLE_FILE) {
        if (const CFileInfo* file = m_catalogue->FindUngroupedFile(key)) entry(*file, -1, key);
    } else if (const CFileManager::CDayEntry* day = m_catalogue->FindDay(name, key)) {
        for (const auto& [code, channel] : day->channels) {
            if (channels && !channels->empty() && !channels->count(code)) continue;
            for (const auto& [start, file] : channel.files) entry(*file, code, start);
        }
    }
    // Only what can be read is played; looked at here, never opened: a named pipe would wait for
    // a writer, and the UI thread never looks at the disk.
    auto unreadable = boost::make_shared<std::vector<std::wstring>>();
    files->erase(std::remove_if(files->begin(), files->end(),
                                [&](const _QUERY_FILE_INFO& file) {
                                    const std::string native = KX_SOFT_BASE::WideToNative(file.path);
                                    struct stat st;
                                    const bool readable = ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                                                          ::access(native.c_str(), R_OK) == 0;
                                    if (!readable) unreadable->push_back(file.path);
                                    return !readable;
                                }),
                 files->end());
    if (asker && (!files->empty() || !unreadable->empty()))
        KX_POST_TASK(ML_MAIN, asker, &IFileManagerQuery::Task_GetFilePath_Ret, files, unreadable);
}

void CMainFrameHelpLogic::Task_GetFileManager() {
    KX_POST_WEAK(ML_MAIN, m_ui, &CMainFrameUILogic::Task_GetFileManager_Ret,
                 boost::shared_ptr<const CFileManager>(m_catalogue));
}

void CMainFrameHelpLogic::Task_DecodeYUV2RGB32(unsigned char* frame, int width, int height,
                                               std::shared_ptr<CKXVideoFrameTarget> window, int subWindow,
                                               TarvexPlay::RenderToken renderToken, TarvexPlay::CompletionToken done) {
    if (!window || !frame) return;  // the tokens go with this task, releasing the frame
    // The frame is the engine's own: the read is announced, so that a stop waits for it.
    if (TarvexPlay::BeginFrameRead(renderToken)) {
        window->ConvertFrame(subWindow, frame, width, height);
        TarvexPlay::EndFrameRead(renderToken);
    }
    KX_POST_WEAK(ML_MAIN, m_ui, &CMainFrameUILogic::Task_DecodeYUV2RGB32_Ret, subWindow, renderToken, done);
}

void CMainFrameHelpLogic::Task_DelCertainFile(GroupList groups) {
    for (const _GROUP_FILE_INFO& group : groups ? *groups : std::vector<_GROUP_FILE_INFO>()) {
        if (group.channels.empty()) {
            m_catalogue->DeleteFiles(L"", 0, -1, group.day);  // an ungrouped file: its index
            continue;
        }
        for (const auto& channel : group.channels) m_catalogue->DeleteFiles(group.deviceName, group.day, channel.first, 0);
    }
}
