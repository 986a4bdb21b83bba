#pragma once
// The program's main window: it builds the window and its panels, opens the command line's path
// or the folders of the last session, takes dropped paths and keys, goes full screen and back,
// offers a reload when files changed on disk, and closes in two steps (every play window closed
// and the settings written first). It presents the logic's messages through its dialogs.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <map>
#include <memory>
#include <string>

#include "App/FileTypes.h"
#include "Main/ConfigView.h"
#include "Main/FileList.h"
#include "Main/PanelFaces.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager.h"
#include "Main/TabBar.h"
#include "Main/ToolBar.h"
#include "Main/TopPopDlg.h"
#include "Main/UserMessages.h"
#include "Toolkit/EventSinks.h"

class CAboutDlgEventImp;
class CKXDialog;
class CMainFrameUILogic;
class CMainPageEventImp;
class CMsgDlgEventImp;
class CVideoInfoDlgEventImp;
class CStatsViewEventImp;

class CMainFrameEventImp : public IKXDialogEvent,
                           public IMainWindowFace,
                           public IFileListOwner,
                           public IPlayWindowsOwner,
                           public ITabBarOwner,
                           public IToolBarOwner,
                           public ITopPopOwner,
                           public IUserMessages,
                           public IConfigOwner,
                           public IPlayCommandHost,
                           public boost::enable_shared_from_this<CMainFrameEventImp> {
public:
    static constexpr int kReloadOffer = 2003;
    static constexpr int kWidth = 1000, kHeight = 730;

    // path: the command line's (empty: the folders of the last session); program: the executable,
    // which the file types are associated with.
    static boost::shared_ptr<CMainFrameEventImp> Create(const std::wstring& path, const std::wstring& program);
    ~CMainFrameEventImp() override;

    // Scripts drive the window through a socket at `path`: 0 with the reason when it cannot listen.
    int ListenRemote(const std::string& path, std::string* error);

    // The start-up check's question, put once the window is shown, in front of it; its OK
    // associates every format. Either answer is remembered in the settings, and from then on the
    // start-up question is not put again.
    void OfferFileTypes(const TarvexApp::FileTypeOffer& offer);
    CMsgDlgEventImp* QuestionDialog() const { return m_questionDlg.get(); }

    CKXDialog* Window() const { return m_window; }
    CMainPageEventImp* Page() const { return m_page.get(); }
    CTabBarEventImp* TabBarPanel() const { return m_tabBar.get(); }
    CToolBarEventImp* ToolBarPanel() const { return m_toolBar.get(); }
    CMsgDlgEventImp* MessageDialog() const { return m_msgDlg.get(); }
    CConfigViewEventImp* ConfigPage() const { return m_config.get(); }
    CVideoInfoDlgEventImp* VideoInfoDialog() const { return m_videoInfo.get(); }
    CStatsViewEventImp* StatsView() const { return m_statsView.get(); }
    CAboutDlgEventImp* AboutDialog() const { return m_about.get(); }
    CTopPopDlgEventImp* TopPopDialog() const { return m_topPop.get(); }
    int IsFullScreen() const override { return m_fullScreen; }
    void SetFullScreen(int on) override;
    CPlayCommands* Commands() override { return m_commands.get(); }
    int IsPlayPageShown() override;
    int IsClosingFlag() const { return m_closing; }
    void BeforeClose();

    // IKXDialogEvent
    int OnDlgCreate(int argument) override;
    void OnDlgSize(int type, int width, int height) override;
    int Dlg_Close() override;
    int OnDlgKeyDown(int key, int flags) override;
    void OnDlgFileDrop(const wchar_t* path) override;
    void OnDlgMessage(int code, std::intptr_t data) override;
    void OnMsgScreenLock(int locked) override;
    void OnDisplayChange(int bitsPerPixel, int width, int height) override;

    // IMainWindowFace
    int BuildAnswered() override {
        if (m_outstanding > 0) --m_outstanding;
        return m_outstanding;
    }
    int IsWindowVisible() const override;
    void ShowWindow() override;
    void PostReloadOffer() override;
    void DropPath(const std::wstring& path) override;
    IFileListFace* FileList() override;
    ITabBarFace* TabBar() override { return m_tabBar.get(); }
    IPlayWindowsFace* PlayWindows() override;
    boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() override;

    // IFileListOwner, ITabBarOwner
    boost::shared_ptr<CMainFrameUILogic> FrameLogic() override { return m_logic; }
    void KeyFromList(int key) override { OnDlgKeyDown(key, 0); }
    void SetFileListExpanded(int expanded) override;
    CFileListEventImp* FileListPanel() override;
    void ShowPage(int page) override;

    // IPlayWindowsOwner
    ITimeLineFace* TimeLine() override;
    boost::shared_ptr<CMainFrameHelpLogic> HelpLogic() override;
    int IsClosing() const override { return m_closing; }
    void NotifyCloseReady() override;
    int IsScreenLocked() const override { return m_screenLocked; }

    // IToolBarOwner, ITopPopOwner
    void AddFiles() override;
    void SetGridModes(int digitalZoom, int drag) override;
    void GetGridModes(int* digitalZoom, int* drag) override;
    void EnterFullScreen() override;
    void OpenConfig() override;
    void LeaveFullScreen() override { SetFullScreen(0); }
    void ShowAbout() override;
    void CloseWindow() override;
    void MinimizeWindow() override;
    int ToggleMaximized() override;

    // IConfigOwner
    CKXWindow* DialogOwner() override;
    void AskFileTypesAgain() override;

    // IUserMessages: the logic's messages, through the window's dialogs.
    void MessageBox(const std::wstring& text, const std::wstring& title) override;
    int Question(const std::wstring& text, const std::wstring& title) override;
    void Notification(const std::wstring& text) override;
    void FolderNotification(const std::wstring& text, const std::wstring& folder) override;
    void VideoInfo(const CVideoInfoTexts& texts) override;

private:
    CMainFrameEventImp(const std::wstring& path, const std::wstring& program);
    void Build();
    void CloseIfReady();
    // Puts the file-type question waiting in m_fileTypes, once the window is shown.
    void AskFileTypesWhenShown();
    // The playback keys, each the command its control gives. 1 when handled.
    int PlaybackKey(int key, int flags);

    std::wstring m_commandLine, m_program;
    CKXDialog* m_window = nullptr;
    std::unique_ptr<CToolBarEventImp> m_toolBar;
    std::unique_ptr<CTabBarEventImp> m_tabBar;
    std::unique_ptr<CAboutDlgEventImp> m_about;
    std::unique_ptr<CMsgDlgEventImp> m_msgDlg, m_questionDlg;
    std::unique_ptr<CVideoInfoDlgEventImp> m_videoInfo;
    std::unique_ptr<CStatsViewEventImp> m_statsView;
    std::unique_ptr<CTopPopDlgEventImp> m_topPop;
    boost::shared_ptr<CMainFrameUILogic> m_logic;
    std::unique_ptr<CMainPageEventImp> m_page;
    std::unique_ptr<CConfigViewEventImp> m_config;
    std::unique_ptr<CPlayCommands> m_commands;
    boost::shared_ptr<class CRemoteControl> m_remote;
    TarvexApp::FileTypeOffer m_fileTypes;
    int m_fullScreen = 0;
    int m_closing = 0;
    int m_screenLocked = 0;
    int m_outstanding = 0;
    std::map<int, int> m_closeReady;  // 0: the play windows, 1: the settings
    int m_width = kWidth, m_height = kHeight;
};
