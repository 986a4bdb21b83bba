#pragma once
// Every panel the main frame's and the play windows' logic talks to, as one double of their faces,
// for the logic's tests and benchmark. The grid is the toolkit's real video window.
#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Base/SystemFunctions.h"
#include "Main/MainFrame_UILogic.h"
#include "Main/PanelFaces.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/UserMessages.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"

namespace TarvexTest {

// Every panel the logic talks to, as one double: what it was asked is written down, what it
// answers can be set. The grid is the toolkit's real video window in a shown host window.
class CPanels : public IMainWindowFace,
                public IPlayWindowsFace,
                public IFileListFace,
                public IPlayBarFace,
                public ITimeLineFace,
                public ITabBarFace,
                public ILayoutBarFace,
                public IUserMessages,
                public IKXVideoWindowEvent,
                public IKXDialogEvent,
                public IPlayCommandHost,
                public boost::enable_shared_from_this<CPanels> {
public:
    void Create() {
        m_host.reset(CKXUIFactory::CreateUIDialog(this));
        m_host->Create(L"Host", KX_WS_VISIBLE, CKXRect(0, 0, 800, 600), nullptr, 0);
        m_grid.reset(CKXUIFactory::CreateUIVideoWindow(0, this, 8, 8));
        m_grid->Create(L"VideoWindow", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 800, 600), m_host.get(), 2145);
        SetUserMessages(this);
        frame = boost::make_shared<CMainFrameUILogic>(boost::weak_ptr<IMainWindowFace>(shared_from_this()));
        frame->Init();
        play = boost::make_shared<CPlayManagerUILogic>(boost::weak_ptr<IPlayWindowsFace>(shared_from_this()));
        play->Init();
    }
    // The logic first; the windows once the loops are quiet (see DestroyWindows).
    void Destroy() {
        SetUserMessages(nullptr);
        play.reset();
        frame.reset();
    }
    // Deleting a window makes the toolkit look through its queued events, which workers post to
    // under a lock the thread sanitizer cannot see: windows go when no worker posts any more.
    void DestroyWindows() {
        m_grid.reset();
        m_host.reset();
    }

    // --- What was asked ---
    std::vector<std::wstring> messages, notifications;
    std::map<std::wstring, std::wstring> folders;  // a notification's text -> the folder it offers
    CVideoInfoTexts videoInfo;
    bool videoInfoShown = false;
    std::vector<_GROUP_FILE_INFO> groups;
    std::vector<_SINGLE_FILE_INFO> singles;
    std::map<std::wstring, int> playingMarks;  // path -> on
    std::vector<std::string> calls;  // "OpenAdjacentEntry 1 0 2", "SelectLayoutFor 3", ...
    int reloadOffers = 0, lastBuilds = 0, closeReady = 0;
    CPlayState shown;  // what the play bar was last told to show
    struct Row {
        std::wstring label;
        std::map<int, std::pair<unsigned int, unsigned int>> segments;
        unsigned int cursor = 0;
    };
    std::map<int, Row> rows;
    int selectedRow = -1;
    int fits = 0;  // openings that asked the timeline to fit
    std::map<int, std::map<int, CActivityStrip>> strips;  // window -> segment -> heat strip
    std::set<KX_SOFT_BASE::KXThreadId> stripThreads;  // where the strips were given
    std::vector<std::wstring> dropped;

    // --- What it answers ---
    int outstanding = 0;
    bool visible = false;
    bool closing = false;
    int fullScreen = 0;
    HKXTREEITEM entryFound = 7;
    int adjacentOpens = 0;

    boost::shared_ptr<CMainFrameUILogic> frame;
    boost::shared_ptr<CPlayManagerUILogic> play;

    CKXVideoWindow* Grid() const { return m_grid.get(); }

    // IMainWindowFace
    int BuildAnswered() override {
        if (outstanding > 0) --outstanding;
        return outstanding;
    }
    int IsWindowVisible() const override { return visible; }
    void ShowWindow() override { visible = true; }
    void PostReloadOffer() override { ++reloadOffers; }
    void DropPath(const std::wstring& path) override {
        dropped.push_back(path);
        auto shared = boost::make_shared<const std::wstring>(path);
        frame->SetDropPath(shared);
        frame->GenerateFileList(shared);
    }
    IFileListFace* FileList() override { return this; }
    ITabBarFace* TabBar() override { return this; }
    IPlayWindowsFace* PlayWindows() override { return this; }
    boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() override { return play; }

    // IPlayWindowsFace
    CKXVideoWindow* VideoWindow() override { return m_grid.get(); }
    IPlayBarFace* PlayBar() override { return this; }
    CPlayCommands* Commands() override { return &commands; }
    ITimeLineFace* TimeLine() override { return this; }
    ILayoutBarFace* LayoutBar() override { return this; }
    boost::shared_ptr<CMainFrameHelpLogic> HelpLogic() override { return frame ? frame->HelpLogic() : nullptr; }
    int IsClosing() const override { return closing; }
    void NotifyCloseReady() override { ++closeReady; }
    int IsScreenLocked() const override { return 0; }

    // IFileListFace
    void SetGroupList(const std::vector<_GROUP_FILE_INFO>& g) override { groups = g; }
    void SetSingleList(const std::vector<_SINGLE_FILE_INFO>& s) override { singles = s; }
    void MarkPlaying(const std::vector<_QUERY_FILE_INFO>& records, int on) override {
        for (const auto& r : records) playingMarks[r.path] = on;
    }
    HKXTREEITEM FindEntry(const _QUERY_FILE_INFO&) override { return entryFound; }
    int OpenAdjacentEntry(HKXTREEITEM, int forward, int groupMode, int window, std::wstring* opened) override {
        calls.push_back("OpenAdjacentEntry " + std::to_string(forward) + " " + std::to_string(groupMode) + " " +
                        std::to_string(window));
        if (adjacentOpens && opened) *opened = L"the next entry";
        return adjacentOpens;
    }
    int OpenListed(const std::wstring&, std::int32_t, std::int32_t channel) override {
        calls.push_back("OpenListed " + std::to_string(channel));
        return 1;
    }
    void LastBuildAnswered() override { ++lastBuilds; }
    void CheckAll() override { calls.push_back("CheckAll"); }

    // IPlayBarFace
    void ShowPlayState(const CPlayState& state) override { shown = state; }

    // IPlayCommandHost
    int IsPlayPageShown() override { return 1; }
    int IsFullScreen() const override { return fullScreen; }
    void SetFullScreen(int on) override { fullScreen = on; }
    void CloseWindow() override { calls.push_back("CloseWindow"); }

    // ITimeLineFace
    void UpdateRowSpans(int window, const std::wstring& label, const std::vector<CSpan>& spans) override {
        for (const CSpan& s : spans) UpdateRow(window, label, s.segmentId, s.start, s.end);
    }
    void UpdateRow(int window, const std::wstring& label, int segmentId, unsigned int start, unsigned int end) override {
        Row& row = rows[window];
        if (!label.empty()) row.label = label;
        row.segments[segmentId] = {start, end};
    }
    void MoveCursor(int window, unsigned int seconds) override {
        if (window < 0)
            for (auto& r : rows) r.second.cursor = seconds;
        else
            rows[window].cursor = seconds;
    }
    void SelectRow(int window) override { selectedRow = window; }
    void RemoveRow(int window) override {
        if (window < 0) rows.clear();
        else rows.erase(window);
    }
    void FitToOpening() override { ++fits; }
    void ShowActivity(int window, int segmentId, const CActivityStrip& strip) override {
        strips[window][segmentId] = strip;
        stripThreads.insert(KX_SOFT_BASE::CurrentThreadId());
    }

    // ITabBarFace
    void SetSelectAll(int checked) override { calls.push_back("SetSelectAll " + std::to_string(checked)); }
    int IsTabSelected(int tab) const override { return tab == 0; }
    void DeleteChecked() override { calls.push_back("DeleteChecked"); }

    // ILayoutBarFace: the first built-in layout with enough windows.
    void SelectLayoutFor(int windows) override {
        calls.push_back("SelectLayoutFor " + std::to_string(windows));
        static const int kTypes[] = {0, 1, 2, 3, 4, 9, 5, 6, 7, 8};  // 1, 4, 6, 8, 9, 12, 13, 16, 25, 36 windows
        for (int type : kTypes) {
            m_grid->SetLayout(type);
            if (m_grid->GetWindowCount() >= windows) return;
        }
    }

    // IUserMessages
    void MessageBox(const std::wstring& text, const std::wstring&) override { messages.push_back(text); }
    int answer = 2;  // what a question gets
    int Question(const std::wstring& text, const std::wstring&) override {
        messages.push_back(text);
        return answer;
    }
    void Notification(const std::wstring& text) override { notifications.push_back(text); }
    void FolderNotification(const std::wstring& text, const std::wstring& folder) override {
        notifications.push_back(text);
        folders[text] = folder;
    }
    void VideoInfo(const CVideoInfoTexts& texts) override {
        videoInfo = texts;
        videoInfoShown = true;
    }

    bool Told(const std::wstring& text) const {
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }

    CPlayCommands commands{this};

private:
    std::unique_ptr<CKXDialog> m_host;
    std::unique_ptr<CKXVideoWindow> m_grid;
};

}  // namespace TarvexTest
