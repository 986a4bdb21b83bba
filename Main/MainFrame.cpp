#include "Main/MainFrame.h"

#include <boost/make_shared.hpp>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Base/UserFolders.h"
#include "Main/AboutDlg.h"
#include "Main/MainFrame_UILogic.h"
#include "Main/MainPage.h"
#include "Main/MessageNotifier.h"
#include "Main/MsgDlg.h"
#include "Main/OpenDialog.h"
#include "Main/PlayWinManager.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/RemoteControl.h"
#include "Main/TimeLine.h"
#include "Main/StatsView.h"
#include "Main/VideoInfoDlg.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"

using TarvexApp::Settings;
using TarvexApp::Translate;

namespace {

enum { kPlayWindowsReady = 0, kSettingsReady = 1 };

KXDialogSkin MainWindowSkin() {
    KXDialogSkin s;
    s.frameImage = L"FrameMain.png";
    s.backgroundImage = L"bg_monitor.png";
    s.backgroundMode = L"tile";
    s.backgroundColor = L"000000";
    s.top = {L"0,0,60,1", L"tile", L"60,0,1,1", L"stretch", L"138,0,10,1", L""};
    s.left = {L"0,37,1,30", L"", L"0,37,1,30", L"", L"0,37,1,30", L""};
    s.bottom = {L"0,132,10,1", L"", L"10,132,30,1", L"", L"138,132,10,1", L""};
    s.right = {L"147,37,1,30", L"", L"147,37,1,30", L"", L"147,37,1,30", L""};
    s.fontFace = L"Tahoma";
    s.fontSize = L"11";
    s.captionColor = L"333333";
    s.captionInactiveColor = L"999999";
    s.captionAlign = L"left";
    s.captionArea = L"0,0,1000,62";
    s.resizeArea = L"0,0,-1,-1";
    s.minimumSize = L"0,0";
    return s;
}

}  // namespace

boost::shared_ptr<CMainFrameEventImp> CMainFrameEventImp::Create(const std::wstring& path, const std::wstring& program) {
    boost::shared_ptr<CMainFrameEventImp> frame(new CMainFrameEventImp(path, program));
    frame->Build();
    return frame;
}

CMainFrameEventImp::CMainFrameEventImp(const std::wstring& path, const std::wstring& program)
    : m_commandLine(path), m_program(program) {}

void CMainFrameEventImp::Build() {
    m_window = CKXUIFactory::CreateUIMainWindow(this, nullptr);
    m_window->SetSkin(MainWindowSkin());
    m_window->SetTitle(Translate(L"ProductName"));
    m_window->SetIcon(L"Tarvex.png");
    m_window->SetSize(kWidth, kHeight);
    m_window->CenterWindow();
    SetUserMessages(this);
}

CMainFrameEventImp::~CMainFrameEventImp() {
    m_remote.reset();
    SetUserMessages(nullptr);
    m_config.reset();
    m_page.reset();  // the play windows hand what is still open to the play loop
    m_logic.reset();
    m_topPop.reset();
    m_statsView.reset();
    m_videoInfo.reset();
    m_questionDlg.reset();
    m_msgDlg.reset();
    m_about.reset();
    m_tabBar.reset();
    m_toolBar.reset();
    CMessageNotifier::ReleaseInstance();
    CKXUIFactory::DestroyUIMainWindow(m_window);
}

int CMainFrameEventImp::OnDlgCreate(int argument) {
    if (argument != 1 || m_toolBar) return 1;
    // The children in their order; the page last but for the configuration.
    m_toolBar = std::make_unique<CToolBarEventImp>(this);
    m_toolBar->Create(m_window);
    m_tabBar = std::make_unique<CTabBarEventImp>(this);
    m_tabBar->Create(m_window);
    m_about = std::make_unique<CAboutDlgEventImp>(m_window);
    m_msgDlg = std::make_unique<CMsgDlgEventImp>(m_window);
    m_questionDlg = std::make_unique<CMsgDlgEventImp>(m_window);
    m_videoInfo = std::make_unique<CVideoInfoDlgEventImp>(m_window, [this] {
        if (m_statsView && !m_statsView->IsShown()) m_statsView->Toggle();
    });
    m_statsView = std::make_unique<CStatsViewEventImp>(m_window, [this] {
        auto ui = PlayUILogic();
        return ui ? ui->Stats() : std::vector<CWindowStats>();
    });
    m_topPop = std::make_unique<CTopPopDlgEventImp>(this);
    m_logic = boost::make_shared<CMainFrameUILogic>(boost::weak_ptr<IMainWindowFace>(shared_from_this()));
    m_logic->Init();
    m_commands = std::make_unique<CPlayCommands>(this);
    m_page = std::make_unique<CMainPageEventImp>(this, this);
    m_page->Create(m_window);
    m_config = std::make_unique<CConfigViewEventImp>(this);
    m_config->Create(m_window);
    // Window-wide: a click in the list or on a slider does not take them away.
    m_window->SetShortcutKeys({{KX_VK_SPACE, 0}, {KX_VK_LEFT, 0}, {KX_VK_RIGHT, 0}, {KX_VK_LEFT, KX_KEY_SHIFT},
                               {KX_VK_RIGHT, KX_KEY_SHIFT}, {KX_VK_UP, 0}, {KX_VK_DOWN, 0}, {'R', 0}, {'M', 0}, {'I', 0}, {'N', 0}, {'N', KX_KEY_SHIFT},
                               {'S', 0}, {'O', KX_KEY_CONTROL}, {'Q', KX_KEY_CONTROL}, {KX_VK_ESCAPE, 0},
                               {KX_VK_F1, 0}, {KX_VK_F1 + 10, 0}});
    OnDlgSize(0, m_width, m_height);

    if (!m_commandLine.empty()) {
        OnDlgFileDrop(m_commandLine.c_str());
    } else {
        const std::vector<std::wstring> recent = Settings().recentPaths;
        m_outstanding = static_cast<int>(recent.size());
        for (const std::wstring& folder : recent) OnDlgFileDrop(folder.c_str());
    }
    if (m_outstanding == 0) ShowWindow();
    return 1;
}

void CMainFrameEventImp::OfferFileTypes(const TarvexApp::FileTypeOffer& offer) {
    if (Settings().FileTypesAsked) return;  // answered at an earlier start
    m_fileTypes = offer;
    AskFileTypesWhenShown();
}

void CMainFrameEventImp::AskFileTypesAgain() {
    const TarvexApp::FileTypeOffer offer =
        TarvexApp::CheckFileTypes(Settings().recordFormats, &CKXUIFactory::IsFileAssociatetoApp);
    if (offer.question.empty()) {
        MessageBox(Translate(L"Every record format opens with this program already."), L"");
        return;
    }
    m_fileTypes = offer;
    AskFileTypesWhenShown();
}

void CMainFrameEventImp::AskFileTypesWhenShown() {
    // A question put before the window shows would stand behind it once it does.
    if (m_fileTypes.question.empty() || !m_questionDlg || !IsWindowVisible()) return;
    const TarvexApp::FileTypeOffer offer = m_fileTypes;
    m_fileTypes = TarvexApp::FileTypeOffer();  // asked once
    const std::vector<std::wstring> extensions = offer.extensions;
    const std::wstring program = m_program;
    m_questionDlg->ShowQuestion(
        Translate(L"Prompt"), offer.question,
        [extensions, program] {
            Settings().FileTypesAsked = true;
            TarvexApp::AssociateFileTypes(extensions, program, &CKXUIFactory::AssociateFiletoApp);
        },
        [] { Settings().FileTypesAsked = true; });
}

void CMainFrameEventImp::OnDlgSize(int, int width, int height) {
    m_width = width;
    m_height = height;
    if (!m_toolBar || !m_page) return;
    if (m_fullScreen) {
        m_page->View()->MoveWindow(CKXRect(0, 0, width, height));
        return;
    }
    m_toolBar->View()->MoveWindow(CKXRect(0, 0, width, CToolBarEventImp::kHeight));
    m_tabBar->View()->MoveWindow(CKXRect(0, CToolBarEventImp::kHeight, width, CToolBarEventImp::kHeight + CTabBarEventImp::kHeight));
    const CKXRect pages(0, CToolBarEventImp::kHeight + CTabBarEventImp::kHeight, width, height);
    m_page->View()->MoveWindow(pages);
    if (m_config) m_config->View()->MoveWindow(pages);
}

void CMainFrameEventImp::SetFullScreen(int on) {
    on = on ? 1 : 0;
    if (on == m_fullScreen || !m_page) return;
    m_fullScreen = on;
    m_toolBar->View()->ShowWindow(on ? KX_SW_HIDE : KX_SW_SHOW);
    m_tabBar->View()->ShowWindow(on ? KX_SW_HIDE : KX_SW_SHOW);
    m_window->SetFullScreen(on);
    m_page->SetFullScreen(on);
    on ? m_topPop->Show() : m_topPop->Hide();
    const CKXRect client = m_window->GetClientRect();
    OnDlgSize(0, client.Width(), client.Height());
}

void CMainFrameEventImp::EnterFullScreen() {
    // Only from the play page.
    if (m_tabBar && m_tabBar->IsTabSelected(0) && !m_fullScreen) SetFullScreen(1);
}

int CMainFrameEventImp::ListenRemote(const std::string& path, std::string* error) {
    auto remote = boost::make_shared<CRemoteControl>(this);
    if (!remote->Listen(path, error)) return 0;
    m_remote = remote;
    return 1;
}

int CMainFrameEventImp::IsPlayPageShown() { return m_tabBar && m_tabBar->IsTabSelected(0) ? 1 : 0; }

int CMainFrameEventImp::OnDlgKeyDown(int key, int flags) {
    if (PlaybackKey(key, flags)) return 1;
    switch (key) {
        case KX_VK_ESCAPE:
            // The keys are the window's wherever the focus is: Escape answers the question that
            // stands in front of it first.
            if (m_questionDlg && m_questionDlg->IsShown() && !m_questionDlg->IsModal()) return m_questionDlg->Dlg_OnCancel(), 1;
            // Then the rectangle being drawn for a search.
            if (m_page && m_page->PlayWindows() && m_page->PlayWindows()->CancelRegion()) return 1;
            // Then a stretch selected on the timeline.
            if (ITimeLineFace* timeline = PlayWindows() ? PlayWindows()->TimeLine() : nullptr)
                if (timeline->GetSelection(nullptr, nullptr)) return timeline->ClearSelection(), 1;
            if (!m_fullScreen) return 0;
            SetFullScreen(0);
            return 1;
        case KX_VK_F1: {
            const std::wstring guide = KX_SOFT_BASE::GetDataDirectory() + Translate(L"Player User's Guide.pdf");
            KX_SOFT_BASE::OpenWithShell(KX_SOFT_BASE::WideToNative(guide).c_str());
            return 1;
        }
        case KX_VK_F1 + 10:  // F11
            m_fullScreen ? SetFullScreen(0) : EnterFullScreen();
            return 1;
    }
    return 0;
}

int CMainFrameEventImp::PlaybackKey(int key, int flags) {
    const bool control = flags & KX_KEY_CONTROL, shift = flags & KX_KEY_SHIFT;
    if (control) {
        if (key == 'O') AddFiles();
        if (key == 'Q') m_commands->Quit();
        return key == 'O' || key == 'Q';
    }
    auto ui = PlayUILogic();
    if (!ui || !m_commands || !IsPlayPageShown()) return 0;
    const CPlayState& state = ui->State();
    switch (key) {
        case KX_VK_SPACE: m_commands->TogglePlay(); return 1;
        case KX_VK_LEFT:
        case KX_VK_RIGHT:
            if (shift)
                m_commands->SeekBy(key == KX_VK_RIGHT ? 10 : -10);
            else
                m_commands->Step(key == KX_VK_RIGHT);
            return 1;
        case KX_VK_UP:
        case KX_VK_DOWN: m_commands->ChangeSpeed(key == KX_VK_UP ? 1 : -1); return 1;
        case 'R': m_commands->SetReverse(state.forward); return 1;
        case 'M': m_commands->SetMute(!state.muted); return 1;
        case 'S': m_commands->Snapshot(-1); return 1;
        case 'N': m_commands->JumpToActivity(!shift); return 1;
        case 'I': m_statsView->Toggle(); return 1;
    }
    return 0;
}

void CMainFrameEventImp::OnDlgFileDrop(const wchar_t* path) {
    if (!path || !m_logic) return;
    auto shared = boost::make_shared<const std::wstring>(path);
    m_logic->SetDropPath(shared);
    m_logic->GenerateFileList(shared);
}

void CMainFrameEventImp::DropPath(const std::wstring& path) { OnDlgFileDrop(path.c_str()); }

void CMainFrameEventImp::OnDlgMessage(int code, std::intptr_t) {
    if (code != kReloadOffer || !m_msgDlg) return;
    if (m_msgDlg->ShowModal(Translate(L"Prompt"), Translate(L"The files or directory have changed, should you reload them?"),
                            CMsgDlgEventImp::kOkCancel) == KX_IDOK && m_logic)
        m_logic->Reload();
}

void CMainFrameEventImp::PostReloadOffer() { CKXUIFactory::UIPostMessage(m_window, kReloadOffer, 0); }

void CMainFrameEventImp::OnMsgScreenLock(int locked) {
    m_screenLocked = locked ? 1 : 0;
    if (!locked)
        if (auto ui = PlayUILogic()) ui->SrceenUnlockRender();
}

void CMainFrameEventImp::OnDisplayChange(int, int, int) {
    if (CKXVideoWindow* grid = PlayWindows() ? PlayWindows()->VideoWindow() : nullptr) grid->RefreshAll();
    if (auto ui = PlayUILogic()) ui->SrceenUnlockRender();
}

int CMainFrameEventImp::Dlg_Close() {
    if (m_closing) return 1;
    KX_POST_TASK(TarvexBase::ML_MAIN, this, &CMainFrameEventImp::BeforeClose);
    return 0;
}

void CMainFrameEventImp::BeforeClose() {
    auto ui = PlayUILogic();
    if (ui && ui->IsBusy(true)) {
        ShowNotification(CPlayCommands::kBusy);
        return;
    }
    m_closing = 1;
    m_closeReady[kPlayWindowsReady] = 0;
    m_closeReady[kSettingsReady] = 0;
    // The settings are written (with the folders the catalogue holds) before the window goes.
    boost::weak_ptr<CMainFrameEventImp> self = shared_from_this();
    TarvexApp::RequestSettingsSave(CKXUIFactory::GetCurrentPath(), m_logic ? m_logic->HelpLogic()->Catalogue() : nullptr,
                                   [self](bool) {
                                       if (auto frame = self.lock()) {
                                           frame->m_closeReady[kSettingsReady] = 1;
                                           frame->CloseIfReady();
                                       }
                                   });
    m_window->ShowWindow(KX_SW_HIDE);
    if (ui && !ui->Tables().Empty())
        ui->CloseFiles(-1);  // the last answer calls NotifyCloseReady
    else
        NotifyCloseReady();
}

void CMainFrameEventImp::NotifyCloseReady() {
    m_closeReady[kPlayWindowsReady] = 1;
    CloseIfReady();
}

void CMainFrameEventImp::CloseIfReady() {
    if (!m_closing) return;
    for (const auto& ready : m_closeReady)
        if (!ready.second) return;
    if (CMessageNotifier* notifier = &CMessageNotifier::Instance()) notifier->Window()->ShowWindow(KX_SW_HIDE);
    m_window->PostClose();  // its Dlg_Close finds the closing flag and lets it go
}

int CMainFrameEventImp::IsWindowVisible() const { return m_window && m_window->IsWindowVisible() ? 1 : 0; }

void CMainFrameEventImp::ShowWindow() {
    if (!m_window) return;
    m_window->ShowWindow(KX_SW_SHOW);
    AskFileTypesWhenShown();
}

IFileListFace* CMainFrameEventImp::FileList() { return FileListPanel(); }
CFileListEventImp* CMainFrameEventImp::FileListPanel() { return m_page ? m_page->FileList() : nullptr; }
IPlayWindowsFace* CMainFrameEventImp::PlayWindows() { return m_page ? m_page->PlayWindows() : nullptr; }
ITimeLineFace* CMainFrameEventImp::TimeLine() { return m_page ? m_page->TimeLine() : nullptr; }

boost::shared_ptr<CPlayManagerUILogic> CMainFrameEventImp::PlayUILogic() {
    return m_page && m_page->PlayWindows() ? m_page->PlayWindows()->PlayUILogic() : nullptr;
}

boost::shared_ptr<CMainFrameHelpLogic> CMainFrameEventImp::HelpLogic() { return m_logic ? m_logic->HelpLogic() : nullptr; }

void CMainFrameEventImp::SetFileListExpanded(int expanded) {
    if (m_page) m_page->SetFileListExpanded(expanded);
}

void CMainFrameEventImp::ShowPage(int page) {
    // The tabs without a page of their own show neither.
    if (m_page) m_page->View()->ShowWindow(page == 0 ? KX_SW_SHOW : KX_SW_HIDE);
    if (m_config) m_config->View()->ShowWindow(page == 1 ? KX_SW_SHOW : KX_SW_HIDE);
}

void CMainFrameEventImp::OpenConfig() {
    // Opened once; pressed again while the tab is shown, nothing happens.
    if (m_tabBar && !m_tabBar->IsTabShown(5)) m_tabBar->OpenTab(5);
}

CKXWindow* CMainFrameEventImp::DialogOwner() { return m_window; }

void CMainFrameEventImp::AddFiles() {
    const std::wstring path = AskForRecording(m_window);
    if (!path.empty()) DropPath(path);
}

void CMainFrameEventImp::SetGridModes(int digitalZoom, int drag) {
    if (CKXVideoWindow* grid = PlayWindows() ? PlayWindows()->VideoWindow() : nullptr) {
        grid->SetDigitalZoom(digitalZoom);
        grid->SetDragMode(drag);
    }
    if (m_toolBar) m_toolBar->ShowGridModes(digitalZoom, drag);
}

void CMainFrameEventImp::GetGridModes(int* digitalZoom, int* drag) {
    CKXVideoWindow* grid = PlayWindows() ? PlayWindows()->VideoWindow() : nullptr;
    if (digitalZoom) *digitalZoom = grid ? grid->GetDigitalZoom() : 0;
    if (drag) *drag = grid ? grid->GetDragMode() : 0;
}

void CMainFrameEventImp::ShowAbout() {
    if (m_about) m_about->Show();
}

void CMainFrameEventImp::CloseWindow() { m_window->PostClose(); }
void CMainFrameEventImp::MinimizeWindow() { m_window->Minimize(); }

int CMainFrameEventImp::ToggleMaximized() {
    if (m_window->IsMaximized()) {
        m_window->Restore();
        return 0;
    }
    m_window->Maximize();
    return 1;
}

void CMainFrameEventImp::MessageBox(const std::wstring& text, const std::wstring& title) {
    if (m_msgDlg) m_msgDlg->ShowModal(title, text, 0);
}

int CMainFrameEventImp::Question(const std::wstring& text, const std::wstring& title) {
    return m_msgDlg ? m_msgDlg->ShowModal(title, text, CMsgDlgEventImp::kOkCancel) : KX_IDCANCEL;
}

void CMainFrameEventImp::Notification(const std::wstring& text) { ShowNotificationLine(text); }

void CMainFrameEventImp::FolderNotification(const std::wstring& text, const std::wstring& folder) {
    CMessageNotifier::Instance().ShowNotification(text, folder);
}

void CMainFrameEventImp::VideoInfo(const CVideoInfoTexts& texts) {
    if (m_videoInfo) m_videoInfo->ShowVideoInfo(texts);
}
