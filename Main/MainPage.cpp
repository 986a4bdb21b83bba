#include "Main/MainPage.h"

#include <boost/make_shared.hpp>

#include "Main/FileList.h"
#include "Main/PlayWinManager.h"
#include "Main/TimeLine.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/View.h"

CMainPageEventImp::CMainPageEventImp(IFileListOwner* listOwner, IPlayWindowsOwner* windowsOwner)
    : m_listOwner(listOwner), m_windowsOwner(windowsOwner) {}

CMainPageEventImp::~CMainPageEventImp() {
    m_playWindows.reset();
    m_timeLine.reset();
    m_fileList.reset();
    m_view.reset();
}

void CMainPageEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_monitor.png");
    m_view->Create(L"MainPage", 0x50000000u, CKXRect(0, 0, 400, 300), parent, 103);
    m_view->ShowWindow(KX_SW_SHOW);
}

void CMainPageEventImp::OnCreate() {
    m_playWindows = boost::make_shared<CPlayWinManagerEventImp>(m_windowsOwner);
    m_fileList = std::make_unique<CFileListEventImp>(m_listOwner);
    m_fileList->Create(m_view.get());
    m_timeLine = std::make_unique<CMainTimeLineEventImp>(m_playWindows.get());
    m_timeLine->Create(m_view.get());
    m_playWindows->Create(m_view.get());
}

void CMainPageEventImp::SetFullScreen(int on) {
    m_fullScreen = on ? 1 : 0;
    if (m_playWindows) m_playWindows->SetFullScreen(m_fullScreen);
    Layout();
}

void CMainPageEventImp::SetFileListExpanded(int expanded) {
    m_expanded = expanded ? 1 : 0;
    Layout();
}

void CMainPageEventImp::OnSize(int, int width, int height) {
    m_width = width;
    m_height = height;
    Layout();
}

void CMainPageEventImp::Layout() {
    if (!m_playWindows || !m_playWindows->View()) return;
    CKXView* list = m_fileList->View();
    CKXView* timeline = m_timeLine->View();
    CKXView* grid = m_playWindows->View();
    if (m_fullScreen) {
        list->ShowWindow(KX_SW_HIDE);
        timeline->ShowWindow(KX_SW_HIDE);
        grid->MoveWindow(CKXRect(0, 0, m_width, m_height));
        return;
    }
    list->ShowWindow(KX_SW_SHOW);
    timeline->ShowWindow(KX_SW_SHOW);
    const int bottom = std::max(0, m_height - CMainTimeLineEventImp::kHeight);
    const int listRight = m_expanded ? CFileListEventImp::kWidth : kCollapsedStrip;
    list->MoveWindow(CKXRect(listRight - CFileListEventImp::kWidth, 0, listRight, bottom));
    grid->MoveWindow(CKXRect(listRight, 0, std::max(listRight, m_width), bottom));
    timeline->MoveWindow(CKXRect(0, bottom, m_width, m_height));
}
