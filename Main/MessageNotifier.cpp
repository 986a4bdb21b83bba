#include "Main/MessageNotifier.h"

#include <cstdio>
#include <ctime>

#include "App/Language.h"
#include "Base/DateTime.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/ListCtrl.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {
std::unique_ptr<CMessageNotifier>& Holder() {
    static auto* holder = new std::unique_ptr<CMessageNotifier>();  // UI thread only
    return *holder;
}
constexpr int kWidth = 520, kHeight = 260;  // wide enough for a file's name after the time
constexpr int kHideTimer = 1;
constexpr unsigned int kHideAfterMs = 5000;  // with "Auto hide": the window goes once the messages stop

// In the desktop's file manager; nothing for a line that names no folder.
void OpenFolder(const std::wstring& folder) {
    if (!folder.empty()) KX_SOFT_BASE::OpenWithShell(KX_SOFT_BASE::WideToNative(folder).c_str());
}
}  // namespace

CMessageNotifier& CMessageNotifier::Instance() {
    if (!Holder()) Holder().reset(new CMessageNotifier);
    return *Holder();
}

void CMessageNotifier::ReleaseInstance() { Holder().reset(); }

CMessageNotifier::CMessageNotifier() : m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"Notification", 0, CKXRect(0, 0, kWidth, kHeight), nullptr, 0);
    m_dialog->SetTitle(Translate(L"Notification"));
    m_dialog->SetSize(kWidth, kHeight);
}

CMessageNotifier::~CMessageNotifier() {
    m_clear.reset();
    m_autoHideButton.reset();
    m_topButton.reset();
    m_openFolder.reset();
    m_list.reset();
    m_dialog.reset();
}

int CMessageNotifier::OnDlgCreate(int) {
    if (m_list) return 1;
    m_list.reset(CKXUIFactory::CreateUIListCtrl(this));
    m_list->SetHeaderImage(L"ListCtrlnew.png");
    m_list->Create(L"List", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(8, 8, kWidth - 8, kHeight - 44), m_dialog.get(), kList);
    m_list->InsertColumn(0, Translate(L"Notification"), kWidth - 16);
    auto button = [&](int id, const wchar_t* text, const wchar_t* normal, const wchar_t* over, int x, int width = 90) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(normal, over, over);
        b->Create(text, KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(x, kHeight - 36, width, 28), m_dialog.get(), id);
        b->SetWindowText(Translate(text));
        return b;
    };
    m_clear = button(kClear, L"Clear", L"btn_clear_normal.png", L"btn_clear_over.png", 8);
    m_autoHideButton = button(kAutoHide, L"Auto hide", L"btn_setHide_normal.png", L"btn_setHide_down.png", 106, 170);
    m_topButton = button(kTop, L"Top", L"btn_settop_normal.png", L"btn_settop_over.png", 106, 170);
    m_topButton->ShowWindow(KX_SW_HIDE);
    m_openFolder = button(kOpenFolder, L"Open folder", L"btn_clear_normal.png", L"btn_clear_over.png", 284, 130);
    ShowOpenFolder();
    return 1;
}

void CMessageNotifier::OnDlgSize(int, int width, int height) {
    if (!m_list) return;
    m_list->MoveWindow(CKXRect(8, 8, width - 8, height - 44));
    for (CKXButton* b : {m_clear.get(), m_autoHideButton.get(), m_topButton.get(), m_openFolder.get()}) {
        const CKXRect r = b->GetWindowRect();
        b->MoveWindow(CKXRect::FromSize(r.left, height - 36, r.Width(), r.Height()));
    }
}

void CMessageNotifier::ShowNotification(const std::wstring& text, const std::wstring& folder) {
    OnDlgCreate(1);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    m_list->InsertItem(0, std::wstring(stamp, stamp + std::char_traits<char>::length(stamp)) + L"  " + text);
    ++m_count;
    m_folders.push_front(folder);
    if (m_clickedRow >= 0) ++m_clickedRow;  // the rows moved down by one
    ShowOpenFolder();
    if (!m_dialog->IsWindowVisible()) m_dialog->ShowWindow(KX_SW_SHOW);
    if (m_autoHide) m_dialog->SetTimer(kHideTimer, kHideAfterMs);
}

void CMessageNotifier::OnDlgTimer(int timerId) {
    if (timerId != kHideTimer) return;
    m_dialog->KillTimer(kHideTimer);
    m_dialog->ShowWindow(KX_SW_HIDE);
}

std::wstring CMessageNotifier::Line(int row) const { return m_list ? m_list->GetItemText(row, 0) : std::wstring(); }

void CMessageNotifier::BTN_OnClicked(int id) {
    switch (id) {
        case kClear:
            m_list->DeleteAllItems();
            m_count = 0;
            m_folders.clear();
            m_clickedRow = -1;
            ShowOpenFolder();
            break;
        case kOpenFolder:
            OpenFolder(FolderToOpen());
            break;
        case kAutoHide:
            m_autoHide = true;
            m_autoHideButton->ShowWindow(KX_SW_HIDE);
            m_topButton->ShowWindow(KX_SW_SHOW);
            m_dialog->SetTopMost(0);
            m_dialog->SetTimer(kHideTimer, kHideAfterMs);
            break;
        case kTop:
            m_autoHide = false;
            m_topButton->ShowWindow(KX_SW_HIDE);
            m_autoHideButton->ShowWindow(KX_SW_SHOW);
            m_dialog->SetTopMost(1);
            m_dialog->KillTimer(kHideTimer);
            break;
    }
}

std::wstring CMessageNotifier::FolderToOpen() const {
    if (m_clickedRow >= 0 && m_clickedRow < static_cast<int>(m_folders.size()) && !m_folders[m_clickedRow].empty())
        return m_folders[m_clickedRow];
    for (const std::wstring& folder : m_folders)
        if (!folder.empty()) return folder;
    return std::wstring();
}

void CMessageNotifier::ShowOpenFolder() {
    if (m_openFolder) m_openFolder->ShowWindow(FolderToOpen().empty() ? KX_SW_HIDE : KX_SW_SHOW);
}

void CMessageNotifier::LC_OnItemClick(int row, int) { m_clickedRow = row; }

void CMessageNotifier::LC_OnItemDbClick(int row, int) {
    if (row >= 0 && row < static_cast<int>(m_folders.size())) OpenFolder(m_folders[row]);
}

void ShowNotificationLine(const std::wstring& text) { CMessageNotifier::Instance().ShowNotification(text); }
