#include "Main/LayoutBar.h"

#include <string>

#include "App/Language.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"

namespace {

struct LayoutButton {
    int id, windows, type;
};
// Top to bottom, as the bar shows them.
const LayoutButton kButtons[] = {{2146, 1, 0},  {2147, 4, 1},  {2150, 9, 4},  {2152, 16, 6}, {2153, 25, 7},
                                 {2154, 36, 8}, {2148, 6, 2},  {2149, 8, 3},  {2151, 13, 5}};

const LayoutButton* ButtonFor(int id) {
    for (const LayoutButton& b : kButtons)
        if (b.id == id) return &b;
    return nullptr;
}

}  // namespace

CLayoutBarEventImp::CLayoutBarEventImp(IPlayWindowsFace* windows) : m_windows(windows) {}

CLayoutBarEventImp::~CLayoutBarEventImp() {
    m_customDialog.reset();
    m_asOwner.reset();
    m_custom.reset();
    m_buttons.clear();
    m_view.reset();
}

void CLayoutBarEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_monitor.png");
    m_view->Create(L"LayoutBar", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, kWidth, 500), parent, 0);
}

void CLayoutBarEventImp::OnCreate() {
    int y = 20;
    for (const LayoutButton& b : kButtons) {
        const std::wstring count = std::to_wstring(b.windows);
        const std::wstring checked = L"btn_win" + count + L"check.png", unchecked = L"btn_win" + count + L"uncheck.png";
        std::unique_ptr<CKXRadioBox> box(CKXUIFactory::CreateUIRadioBox(this));
        box->SetImages({checked, checked, checked, unchecked, unchecked, unchecked, checked, unchecked});
        box->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(8, y, 53, 42), m_view.get(), b.id);
        box->SetToolTip(count + L" " + TarvexApp::Translate(L"Video"));
        box->SetCheck(b.windows == 4 ? 1 : 0);
        m_buttons[b.id] = std::move(box);
        y += 43;
    }
    m_custom.reset(CKXUIFactory::CreateUIButton(this));
    m_custom->SetImages(L"btn_layoutuncheck.png", L"btn_layoutcheck.png", L"btn_layoutcheck.png");
    m_custom->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(8, y, 53, 42), m_view.get(), kCustomButton);
    m_custom->SetToolTip(TarvexApp::Translate(L"Custom Layout"));

    // The dialog stays above the main window the bar is in.
    CKXWindow* top = m_view.get();
    while (top->GetParent()) top = top->GetParent();
    m_asOwner = std::shared_ptr<ICustomLayoutOwner>(this, [](ICustomLayoutOwner*) {});
    m_customDialog = std::make_unique<CCustomLayoutDlgEventImp>(top, m_asOwner);
}

void CLayoutBarEventImp::BTN_OnClicked(int id) {
    if (id != kCustomButton || !m_customDialog) return;
    const CKXRect button = m_custom->GetClientRect();
    const CKXPoint corner = m_custom->ClientToScreen(CKXPoint{button.right, button.bottom});
    m_customDialog->ShowBeside(corner.x, corner.y);
}

void CLayoutBarEventImp::ApplyCustomLayout(const std::wstring& description) {
    CKXVideoWindow* grid = m_windows ? m_windows->VideoWindow() : nullptr;
    if (!grid || !grid->SetLayout(CKXVideoWindow::kCustomLayout, description)) return;
    for (auto& [id, box] : m_buttons) box->SetCheck(0, 0);
    TellLayout();
}

int CLayoutBarEventImp::LayoutCountFor(int windows) {
    if (windows < 1) return 0;
    if (windows > 36) return 4;
    for (int count : {1, 4, 6, 8, 9, 13, 16, 25, 36})
        if (count >= windows) return count;
    return 4;
}

void CLayoutBarEventImp::Choose(int id) {
    const LayoutButton* chosen = ButtonFor(id);
    if (!chosen) return;
    for (auto& [other, box] : m_buttons) box->SetCheck(other == id ? 1 : 0, 0);
    if (CKXVideoWindow* grid = m_windows ? m_windows->VideoWindow() : nullptr) grid->SetLayout(chosen->type, L"");
    TellLayout();
}

void CLayoutBarEventImp::TellLayout() {
    CKXVideoWindow* grid = m_windows ? m_windows->VideoWindow() : nullptr;
    auto ui = m_windows ? m_windows->PlayUILogic() : nullptr;
    if (!grid || !ui) return;
    ui->SetLayoutWindows(grid->GetWindowCount());
    // A layout with fewer windows than the selected one's number selects its first window.
    if (grid->GetFocusWindow() != ui->FocusedWindow()) ui->SetFocusWindow(grid->GetFocusWindow());
}

void CLayoutBarEventImp::SelectLayoutFor(int windows) {
    const int count = LayoutCountFor(windows);
    for (const LayoutButton& b : kButtons)
        if (b.windows == count) Choose(b.id);
}

int CLayoutBarEventImp::CheckedButton() const {
    for (const auto& [id, box] : m_buttons)
        if (box->GetCheck()) return id;
    return 0;
}

void CLayoutBarEventImp::RB_OnStateChanged(int id, int, int byClick) {
    if (byClick) Choose(id);  // a click on the chosen one keeps it chosen
}
