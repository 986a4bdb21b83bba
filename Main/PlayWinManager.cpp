#include "Main/PlayWinManager.h"

#include <boost/make_shared.hpp>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/FolderPath.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Files/NamingRules.h"
#include "Main/EvidenceDlg.h"
#include "Main/LayoutBar.h"
#include "Main/DialogParts.h"
#include "Main/MotionSearchDlg.h"
#include "Main/PlayBar.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/UserMessages.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"

using TarvexApp::Settings;
using TarvexApp::Translate;

namespace {

CPlayWinManagerEventImp::FreeSpaceQuery g_freeSpace = &KX_SOFT_BASE::GetFreeDiskSpace;

KXVideoWindowSkin GridSkin() {
    KXVideoWindowSkin s;
    s.noVideoImage = L"NoVideo.png";
    s.borderWidth = L"2";
    s.focusBorderWidth = L"2";
    const wchar_t* colors[6] = {L"5c6576", L"353b48", L"fa0000", L"586f1b", L"00fa00", L"38b6ff"};
    for (int i = 0; i < 6; ++i) s.colors[i] = colors[i];
    s.closeImages[0] = s.closeImages[1] = L"btn_videoclose.png";
    s.closeImages[2] = L"btn_videoclosedown.png";
    s.snapImages[0] = s.snapImages[1] = L"btn_videosnap.png";
    s.snapImages[2] = L"btn_videosnapdown.png";
    s.propertyImages[0] = s.propertyImages[1] = L"btn_propertynor.png";
    s.propertyImages[2] = L"btn_propertydown.png";
    s.recordImages[0] = L"btn_videorecordcheck.png";
    s.recordImages[1] = L"btn_videorecord.png";
    s.buttonSize = L"20,20";
    s.loadingText = Translate(L"Loading...");
    s.replayText = Translate(L"Replay");
    s.emptyGridText = Translate(L"Drop a recorder's folder or recording here, or press Ctrl+O to add one.");
    return s;
}

}  // namespace

CPlayWinManagerEventImp::CPlayWinManagerEventImp(IPlayWindowsOwner* owner) : m_owner(owner) {}

CPlayWinManagerEventImp::~CPlayWinManagerEventImp() {
    m_searchDlg.reset();
    m_evidenceDlg.reset();
    m_ui.reset();  // hands the open files to the play loop, which closes them there
    m_playBar.reset();
    m_layoutBar.reset();
    m_grid.reset();
    m_view.reset();
}

void CPlayWinManagerEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_monitor.png");
    m_view->Create(L"PlayWinManager", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 900, 500), parent, 119);
}

void CPlayWinManagerEventImp::OnCreate() {
    m_grid.reset(CKXUIFactory::CreateUIVideoWindow(0, this, 8, 8));
    m_grid->SetSkin(GridSkin());
    m_grid->Create(L"VideoWindow", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, 400, 400), m_view.get(), kGrid);
    m_grid->SetProportion(Settings().Proportion == 1 ? 16 : Settings().Proportion == 0 ? 4 : 0,
                          Settings().Proportion == 1 ? 9 : Settings().Proportion == 0 ? 3 : 0);
    m_grid->SetVerticalSync(Settings().VerticalSyn ? 1 : 0);
    m_layoutBar = std::make_unique<CLayoutBarEventImp>(this);
    m_layoutBar->Create(m_view.get());
    m_playBar = std::make_unique<CPlayBarEventImp>(this);
    m_playBar->Create(m_view.get());
    m_ui = boost::make_shared<CPlayManagerUILogic>(boost::weak_ptr<IPlayWindowsFace>(shared_from_this()));
    m_ui->Init();
    m_ui->SetLayoutWindows(m_grid->GetWindowCount());
}

IPlayBarFace* CPlayWinManagerEventImp::PlayBar() { return m_playBar.get(); }
ILayoutBarFace* CPlayWinManagerEventImp::LayoutBar() { return m_layoutBar.get(); }

void CPlayWinManagerEventImp::SetFullScreen(int on) {
    m_fullScreen = on ? 1 : 0;
    OnSize(0, m_width, m_height);
}

void CPlayWinManagerEventImp::OnSize(int, int width, int height) {
    m_width = width;
    m_height = height;
    if (!m_grid) return;
    const bool full = m_fullScreen != 0;
    m_layoutBar->View()->ShowWindow(full ? KX_SW_HIDE : KX_SW_SHOW);
    m_playBar->View()->ShowWindow(full ? KX_SW_HIDE : KX_SW_SHOW);
    if (full) {
        m_grid->MoveWindow(CKXRect(0, 0, width, height));
        return;
    }
    m_layoutBar->View()->MoveWindow(CKXRect(0, 0, CLayoutBarEventImp::kWidth, height));
    const CKXRect grid(CLayoutBarEventImp::kWidth, 2, std::max(CLayoutBarEventImp::kWidth, width - 4),
                       std::max(2, height - CPlayBarEventImp::kHeight));
    m_grid->MoveWindow(grid);
    // The play bar centred under the grid.
    const int left = grid.left + (grid.Width() - CPlayBarEventImp::kWidth) / 2;
    m_playBar->View()->MoveWindow(CKXRect::FromSize(left, grid.bottom, CPlayBarEventImp::kWidth, CPlayBarEventImp::kHeight));
}

void CPlayWinManagerEventImp::OnBnClickedVideoClose(int window, int) {
    if (CPlayCommands* commands = Commands()) commands->CloseWindow(window);
}

std::wstring CPlayWinManagerEventImp::FolderWithSeparator(const std::wstring& folder) {
    // A folder typed with the other separator is ours too.
    std::wstring f = folder;
    for (wchar_t& c : f)
        if (c == L'\\') c = L'/';
    if (f.empty() || f.back() != L'/') f += L'/';
    return f;
}

void CPlayWinManagerEventImp::SetFreeSpaceQuery(FreeSpaceQuery query) {
    g_freeSpace = query ? query : &KX_SOFT_BASE::GetFreeDiskSpace;
}

bool CPlayWinManagerEventImp::IsLowOnSpace(const std::wstring& folder) {
    std::uint64_t free = 0;
    if (!g_freeSpace(KX_SOFT_BASE::WideToNative(folder).c_str(), &free)) return false;
    return free < kLowDiskBytes;
}

void CPlayWinManagerEventImp::OnBnClickedVideoSnap(int window, int) {
    if (CPlayCommands* commands = Commands(); commands && window >= 0) commands->Snapshot(window);
}

void CPlayWinManagerEventImp::OnBnClickedVideoRecord(int window, int checked, int) {
    if (CPlayCommands* commands = Commands(); commands && window >= 0) commands->Record(window, checked != 0);
}

void CPlayWinManagerEventImp::OnBnClickedVideoProperty(int window, int) {
    if (m_ui) m_ui->PopVideoInfoDlg(window);
}

void CPlayWinManagerEventImp::OnFocusWndChanged(int newWindow, int, int) {
    if (m_ui) m_ui->SetFocusWindow(newWindow);
}

void CPlayWinManagerEventImp::OnPaintFailed(int window, int) {
    if (m_ui && !IsScreenLocked()) m_ui->ReRenderLastFrame(window);
}

void CPlayWinManagerEventImp::OnBnClickedVideoReplay(int window, int) {
    // A file at its end plays again from its start.
    if (!m_ui) return;
    if (PlayRecord* record = m_ui->Tables().CurrentRecord(window)) record->atEnd = 0;
    m_ui->SeekRelativePos(nullptr, 0.0f, window);
    m_grid->ShowReplay(window, 0);
}

void CPlayWinManagerEventImp::OnVideoContextMenu(int window, int x, int y, int) {
    if (!m_ui || !m_grid || !m_ui->Tables().CurrentRecord(window)) return;  // an empty window offers nothing
    const int chosen = CKXUIFactory::TrackPopupMenu(m_grid.get(), {Translate(L"Search motion..."), Translate(L"Export evidence...")}, x, y);
    if (chosen == 0) BeginMotionSearch(window);
    if (chosen == 1) {
        // The minute around what the window shows.
        const double now = m_ui->TimeShown(window);
        OfferEvidenceExport(now - 30, now + 30);
    }
}

void CPlayWinManagerEventImp::BeginMotionSearch(int window) {
    if (!m_grid || !m_ui || !m_ui->Tables().CurrentRecord(window)) return;
    if (m_searchDlg) m_searchDlg->Dlg_Close();
    m_grid->BeginRegion(window, Translate(L"Drag a rectangle over the picture to search in it (Esc: cancel)"));
}

int CPlayWinManagerEventImp::CancelRegion() {
    if (!m_grid || m_grid->GetRegionWindow() < 0) return 0;
    if (m_searchDlg && m_searchDlg->Window()->IsWindowVisible()) m_searchDlg->Dlg_Close();
    m_grid->EndRegion();
    return 1;
}

void CPlayWinManagerEventImp::OnRegionChosen(int window, double x, double y, double w, double h, int) {
    if (w <= 0 || h <= 0 || !m_ui) return;
    if (!m_searchDlg) {
        const boost::weak_ptr<CPlayWinManagerEventImp> self = shared_from_this();
        m_searchDlg = std::make_unique<CMotionSearchDlgEventImp>(m_view.get(), Commands(), [self] {
            if (auto panel = self.lock(); panel && panel->m_grid) panel->m_grid->EndRegion();
        });
    }
    m_searchDlg->Show(window, m_grid->GetWindowTitle(window), x, y, w, h, m_ui->TimeShown(window));
    // A stretch selected on the timeline is what the user means to search.
    long long from = 0, to = 0;
    if (ITimeLineFace* timeline = TimeLine(); timeline && timeline->GetSelection(&from, &to) && to > from)
        m_searchDlg->SetScope(CMotionSearchDlgEventImp::kStretch, DialogParts::FieldTime(static_cast<double>(from)),
                              DialogParts::FieldTime(static_cast<double>(to)));
}

void CPlayWinManagerEventImp::OfferEvidenceExport(double from, double to) {
    if (!m_evidenceDlg) m_evidenceDlg = std::make_unique<CEvidenceDlgEventImp>(m_view.get(), Commands());
    m_evidenceDlg->Show(from, to);
}
