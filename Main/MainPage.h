#pragma once
// The play page of the main window: the file list at its left (collapsible to a strip), the grid
// panel beside it, the timeline along the bottom; in full screen the grid alone.
#include <boost/shared_ptr.hpp>

#include <memory>

#include "Toolkit/EventSinks.h"

class CFileListEventImp;
class CKXView;
class CKXWindow;
class CMainTimeLineEventImp;
class CPlayWinManagerEventImp;
class IFileListOwner;
class IPlayWindowsOwner;

class CMainPageEventImp : public IKXViewEvent {
public:
    static constexpr int kCollapsedStrip = 14;

    CMainPageEventImp(IFileListOwner* listOwner, IPlayWindowsOwner* windowsOwner);
    ~CMainPageEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }
    CFileListEventImp* FileList() const { return m_fileList.get(); }
    CMainTimeLineEventImp* TimeLine() const { return m_timeLine.get(); }
    CPlayWinManagerEventImp* PlayWindows() const { return m_playWindows.get(); }

    void SetFullScreen(int on);
    int IsFullScreen() const { return m_fullScreen; }
    void SetFileListExpanded(int expanded);

    void OnCreate() override;
    void OnSize(int type, int width, int height) override;

private:
    void Layout();

    IFileListOwner* m_listOwner;
    IPlayWindowsOwner* m_windowsOwner;
    std::unique_ptr<CKXView> m_view;
    std::unique_ptr<CFileListEventImp> m_fileList;
    std::unique_ptr<CMainTimeLineEventImp> m_timeLine;
    boost::shared_ptr<CPlayWinManagerEventImp> m_playWindows;
    int m_fullScreen = 0;
    int m_expanded = 1;
    int m_width = 400, m_height = 300;
};
