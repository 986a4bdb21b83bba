#pragma once
// The panel of the main page that holds the grid of video windows with the layout bar at its left
// and the play bar under it. It owns the play windows' UI logic, and turns the grid's buttons
// (close, snapshot, record, property), focus changes and repaint requests into its calls. Snapshot
// and clip names and folders, and the low-disk warning, are decided here.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "Main/PanelFaces.h"
#include "Toolkit/EventSinks.h"

class CKXVideoWindow;
class CKXView;
class CKXWindow;
class CEvidenceDlgEventImp;
class CLayoutBarEventImp;
class CMotionSearchDlgEventImp;
class CPlayBarEventImp;

// What the panel needs of the page and window around it.
class IPlayWindowsOwner {
public:
    virtual ~IPlayWindowsOwner() = default;
    virtual ITimeLineFace* TimeLine() = 0;
    virtual IFileListFace* FileList() = 0;
    virtual CPlayCommands* Commands() = 0;
    virtual boost::shared_ptr<CMainFrameHelpLogic> HelpLogic() = 0;
    virtual int IsClosing() const = 0;
    virtual void NotifyCloseReady() = 0;
    virtual int IsScreenLocked() const = 0;
};

class CPlayWinManagerEventImp : public IKXViewEvent,
                                public IKXVideoWindowEvent,
                                public IPlayWindowsFace,
                                public boost::enable_shared_from_this<CPlayWinManagerEventImp> {
public:
    static constexpr std::uint64_t kLowDiskBytes = 10485760;  // 10 MiB
    enum { kGrid = 2145 };

    explicit CPlayWinManagerEventImp(IPlayWindowsOwner* owner);
    ~CPlayWinManagerEventImp() override;
    // Once held by a shared pointer: the view, the grid and the play windows' logic.
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CPlayBarEventImp* PlayBarPanel() const { return m_playBar.get(); }
    CLayoutBarEventImp* LayoutBarPanel() const { return m_layoutBar.get(); }
    void SetFullScreen(int on);

    // Where a snapshot or clip goes: the folder with "/" at its end, and the folder's free space.
    static std::wstring FolderWithSeparator(const std::wstring& folder);
    using FreeSpaceQuery = int (*)(const char* folder, std::uint64_t* freeBytes);
    static void SetFreeSpaceQuery(FreeSpaceQuery query);  // null: the real one
    static bool IsLowOnSpace(const std::wstring& folder);

    // IPlayWindowsFace
    CKXVideoWindow* VideoWindow() override { return m_grid.get(); }
    boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() override { return m_ui; }
    CPlayCommands* Commands() override { return m_owner ? m_owner->Commands() : nullptr; }
    IPlayBarFace* PlayBar() override;
    ITimeLineFace* TimeLine() override { return m_owner ? m_owner->TimeLine() : nullptr; }
    IFileListFace* FileList() override { return m_owner ? m_owner->FileList() : nullptr; }
    ILayoutBarFace* LayoutBar() override;
    boost::shared_ptr<CMainFrameHelpLogic> HelpLogic() override { return m_owner ? m_owner->HelpLogic() : nullptr; }
    int IsClosing() const override { return m_owner ? m_owner->IsClosing() : 0; }
    void NotifyCloseReady() override {
        if (m_owner) m_owner->NotifyCloseReady();
    }
    int IsScreenLocked() const override { return m_owner ? m_owner->IsScreenLocked() : 0; }
    void OfferEvidenceExport(double from, double to) override;

    // "Search motion...": the user draws the rectangle on the window's picture, then the search
    // dialog opens for it. Ending it (Escape) puts the rectangle away; 1 when one was being drawn.
    void BeginMotionSearch(int window);
    int CancelRegion();
    CEvidenceDlgEventImp* EvidenceDialog() const { return m_evidenceDlg.get(); }
    CMotionSearchDlgEventImp* SearchDialog() const { return m_searchDlg.get(); }

    // The toolkit's events.
    void OnCreate() override;
    void OnSize(int type, int width, int height) override;
    void OnBnClickedVideoClose(int window, int id) override;
    void OnBnClickedVideoSnap(int window, int id) override;
    void OnBnClickedVideoProperty(int window, int id) override;
    void OnBnClickedVideoRecord(int window, int checked, int id) override;
    void OnFocusWndChanged(int newWindow, int oldWindow, int id) override;
    void OnPaintFailed(int window, int id) override;
    void OnBnClickedVideoReplay(int window, int id) override;
    void OnVideoContextMenu(int window, int x, int y, int id) override;
    void OnRegionChosen(int window, double x, double y, double w, double h, int id) override;

private:
    IPlayWindowsOwner* m_owner;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CKXVideoWindow> m_grid;
    std::unique_ptr<CPlayBarEventImp> m_playBar;
    std::unique_ptr<CLayoutBarEventImp> m_layoutBar;
    std::unique_ptr<CEvidenceDlgEventImp> m_evidenceDlg;
    std::unique_ptr<CMotionSearchDlgEventImp> m_searchDlg;
    boost::shared_ptr<CPlayManagerUILogic> m_ui;
    int m_fullScreen = 0;
    int m_width = 0, m_height = 0;
};
