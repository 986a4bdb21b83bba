#include "Main/TabBar.h"

#include <boost/make_shared.hpp>

#include <set>

#include "App/Language.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Main/FileList.h"
#include "Main/MainFrame_UILogic.h"
#include "Main/PlayCommands.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/UserMessages.h"
#include "Toolkit/Button.h"
#include "Toolkit/PictureCtrl.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/TreeCtrl.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/View.h"

using TarvexApp::Translate;

namespace {
const wchar_t* const kTabTexts[CTabBarEventImp::kTabCount] = {L"Play Window", L"Search", L"Preview",
                                                              L"Export File", L"Watermark", L"Config"};
constexpr int kTabWidth = 101;
}  // namespace

CTabBarEventImp::CTabBarEventImp(ITabBarOwner* owner) : m_owner(owner) {}

CTabBarEventImp::~CTabBarEventImp() {
    for (auto& t : m_tabs) t.reset();
    m_delete.reset();
    m_selectAll.reset();
    m_title.reset();
    m_view.reset();
}

void CTabBarEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_tabbar.png");
    m_view->Create(L"TabBar", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 62, 1000, 62 + kHeight), parent, 0);
}

void CTabBarEventImp::OnCreate() {
    m_title.reset(CKXUIFactory::CreateUIPictureCtrl(nullptr));
    m_title->SetImage(L"bg_filelisttitle.png");
    m_title->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 7, 226, 32), m_view.get(), 0);
    m_title->SetWindowText(Translate(L"Group File List"));
    m_selectAll.reset(CKXUIFactory::CreateUIRadioBox(this));
    m_selectAll->SetImages({L"btn_selAllchecknor.png", L"btn_selAllchecknor.png", L"btn_selAllcheckdown.png",
                            L"btn_selAllunchecknor.png", L"btn_selAllunchecknor.png", L"btn_selAlluncheckdown.png",
                            L"btn_selAllchecknor.png", L"btn_selAllunchecknor.png"});
    m_selectAll->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(5, 10, 25, 30), m_view.get(), kSelectAll);
    m_selectAll->SetToolTip(Translate(L"Select All"));
    m_delete.reset(CKXUIFactory::CreateUIButton(this));
    m_delete->SetImages(L"btn_delnor.png", L"btn_deldown.png", L"btn_deldown.png");
    m_delete->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(201, 10, 221, 30), m_view.get(), kDelete);
    m_delete->SetToolTip(Translate(L"Delete"));
    for (int i = 0; i < kTabCount; ++i) {
        m_tabs[i].reset(CKXUIFactory::CreateUIRadioBox(this));
        if (i == 0)
            m_tabs[i]->SetImages({L"btn_tabSelect.png", L"btn_tabSelect.png", L"btn_tabSelect.png", L"btn_tabSelectUncheck.png",
                                  L"btn_tabSelectUncheck.png", L"btn_tabSelectUncheck.png", L"btn_tabSelect.png",
                                  L"btn_tabSelectUncheck.png"});
        else
            m_tabs[i]->SetImages({L"btn_tabUnselectcheck.png", L"btn_tabUnselectcheck.png", L"btn_tabUnselectcheck.png",
                                  L"btn_tabUnselect.png", L"btn_tabUnselect.png", L"btn_tabUnselect.png",
                                  L"btn_tabUnselectcheck.png", L"btn_tabUnselect.png"});
        const int left = 240 + kTabWidth * i;
        m_tabs[i]->Create(kTabTexts[i], KX_WS_CHILD | (i == 0 ? KX_WS_VISIBLE : 0), CKXRect(left, 8, left + kTabWidth, 33),
                          m_view.get(), kFirstTab + i);
        m_tabs[i]->SetWindowText(Translate(kTabTexts[i]));
        if (i > 0) m_tabs[i]->SetTextMargins(4, kTabWidth - 84);  // the title keeps clear of the close box
        if (!m_shown[i]) m_tabs[i]->ShowWindow(KX_SW_HIDE);
    }
    m_tabs[0]->SetCheck(1);
}

CKXRadioBox* CTabBarEventImp::Tab(int position) const {
    return position >= 0 && position < kTabCount ? m_tabs[position].get() : nullptr;
}

int CTabBarEventImp::IsTabShown(int position) const { return position >= 0 && position < kTabCount ? m_shown[position] : 0; }

int CTabBarEventImp::IsTabSelected(int tab) const {
    CKXRadioBox* box = Tab(tab);
    return box && box->GetCheck() ? 1 : 0;
}

void CTabBarEventImp::SetSelectAll(int checked) {
    if (m_selectAll) m_selectAll->SetCheck(checked, 0);
}

void CTabBarEventImp::Select(int position) {
    for (int i = 0; i < kTabCount; ++i) m_tabs[i]->SetCheck(i == position ? 1 : 0, 0);
    if (!m_owner) return;
    m_owner->ShowPage(position == 0 ? 0 : kFirstTab + position == kConfigTab ? 1 : -1);
}

void CTabBarEventImp::OpenTab(int position) {
    if (position <= 0 || position >= kTabCount || m_shown[position]) return;
    m_shown[position] = 1;
    m_tabs[position]->ShowWindow(KX_SW_SHOW);
    Select(position);
}

void CTabBarEventImp::RB_OnClicked(int id, int, int x, int y) {
    // Where the click fell decides: on a tab's close box it closes the tab.
    m_closeBoxClick = id > kFirstTab && id < kFirstTab + kTabCount && x >= 85 && x <= 97 && y >= 3 && y <= 15;
}

void CTabBarEventImp::RB_OnStateChanged(int id, int checked, int byClick) {
    if (!byClick) return;
    if (id == kSelectAll) {
        if (m_owner && m_owner->FileListPanel()) m_owner->FileListPanel()->SetAllChecks(checked);
        return;
    }
    const int position = id - kFirstTab;
    if (position < 0 || position >= kTabCount) return;
    if (m_closeBoxClick) {
        m_closeBoxClick = false;
        m_shown[position] = 0;
        m_tabs[position]->ShowWindow(KX_SW_HIDE);
        Select(0);
        return;
    }
    Select(position);  // a click on the selected tab keeps it selected
}

void CTabBarEventImp::BTN_OnClicked(int id) {
    if (id == kDelete) DeleteChecked();
}

void CTabBarEventImp::DeleteChecked() {
    CFileListEventImp* list = m_owner ? m_owner->FileListPanel() : nullptr;
    if (!list) return;
    Delete(list->CheckedEntries());
}

void CTabBarEventImp::Delete(const std::vector<_GROUP_FILE_INFO>& entries) {
    CFileListEventImp* list = m_owner->FileListPanel();
    auto frame = m_owner->FrameLogic();
    auto ui = m_owner->PlayUILogic();
    if (!frame || entries.empty()) return;
    // A day's channels are judged one by one: the ones that play are spared, not the whole day.
    std::vector<_GROUP_FILE_INFO> spare, open;
    for (const _GROUP_FILE_INFO& e : entries) {
        if (e.channels.empty()) {
            (list->IsPlaying(e) ? open : spare).push_back(e);
            continue;
        }
        _GROUP_FILE_INFO playing = e, idle = e;
        playing.channels.clear();
        idle.channels.clear();
        for (const auto& channel : e.channels) {
            _GROUP_FILE_INFO one = e;
            one.channels = {channel};
            (list->IsPlaying(one) ? playing : idle).channels.insert(channel);
        }
        if (!playing.channels.empty()) open.push_back(playing);
        if (!idle.channels.empty()) spare.push_back(idle);
    }
    std::vector<_GROUP_FILE_INFO> doomed = spare;
    if (!open.empty()) {
        if (ui && ui->IsBusy(false)) {
            ShowNotification(CPlayCommands::kOpening);
            return;
        }
        const int answer = AskQuestion(L"The item you want to delete is in the operating now. Please stop current operation and then delete.");
        if (answer == KX_IDOK) {
            if (ui) {
                ui->LeaveGroupMode();
                // The windows that play the entries close.
                std::set<int> windows;
                for (const _GROUP_FILE_INFO& e : open)
                    for (PlayRecord* r : ui->Tables().AllRecords()) {
                        const bool same = e.channels.empty() ? r->channelCode == -1 && r->key == e.day
                                                             : r->key == e.day && e.channels.count(r->channelCode);
                        if (same) windows.insert(r->context);
                    }
                for (int w : windows) ui->CloseFiles(w);
            }
            doomed = entries;
        }
    }
    if (doomed.empty()) return;
    list->RemoveEntries(doomed);
    KX_POST_TASK(TarvexBase::ML_HELPER, frame->HelpLogic().get(), &CMainFrameHelpLogic::Task_DelCertainFile,
                 boost::make_shared<std::vector<_GROUP_FILE_INFO>>(doomed));
}
