#include "Main/CustomLayoutDlg.h"

#include <algorithm>
#include <cwchar>

#include "App/Language.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/NumSpiner.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"

using TarvexApp::Translate;

namespace {

constexpr int kMaxCells = 8;  // rows and columns of the preview, each 1..8
constexpr int kSlotLeft = 30, kSlotTop = 48, kSlotWidth = 160, kSlotHeight = 32;
const CKXRect kPreviewRect = CKXRect::FromSize(210, 48, 410, 320);

KXSpinerSkin SpinnerSkin() {
    return KXSpinerSkin{L"spiner_time.png",
                        {L"0,0,60,24", L"0,24,60,24", L"0,48,60,24", L"0,72,60,24"},
                        L"40,0,20,12",
                        L"40,12,20,12",
                        L"000000",
                        L"tile"};
}

KXVideoWindowSkin PreviewSkin() {
    KXVideoWindowSkin s;
    s.noVideoImage = L"NoVideo.png";
    s.borderWidth = L"2";
    s.focusBorderWidth = L"2";
    const wchar_t* const colors[6] = {L"41444c", L"a4c746", L"fa0000", L"586f1b", L"00fa00", L"38b6ff"};
    std::copy(colors, colors + 6, s.colors);
    return s;
}

}  // namespace

CCustomLayoutDlgEventImp::CCustomLayoutDlgEventImp(CKXWindow* parent, std::weak_ptr<ICustomLayoutOwner> owner)
    : m_owner(std::move(owner)), m_dialog(CKXUIFactory::CreateUIDialog(this)) {
    ResetSlots();
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"CustomLayoutDlg", 0, CKXRect(0, 0, kWidth, kHeight), parent, 0);
    m_dialog->SetTitle(Translate(L"Custom Layout"));
    m_dialog->SetSize(kWidth, kHeight);
}

CCustomLayoutDlgEventImp::~CCustomLayoutDlgEventImp() {
    m_default.reset();
    m_confirm.reset();
    m_cancel.reset();
    m_preview.reset();
    m_rows.reset();
    m_columns.reset();
    m_title.reset();
    m_rowLabel.reset();
    m_columnLabel.reset();
    for (auto& box : m_slotBoxes) box.reset();
    m_dialog.reset();
}

int CCustomLayoutDlgEventImp::OnDlgCreate(int) {
    if (m_preview) return 1;
    CKXDialog* dialog = m_dialog.get();
    auto label = [dialog](const wchar_t* text, const CKXRect& rect) {
        std::unique_ptr<CKXStatic> s(CKXUIFactory::CreateUIStatic(nullptr));
        s->Create(text, KX_WS_CHILD | KX_WS_VISIBLE, rect, dialog, 0);
        s->SetWindowText(Translate(text));
        return s;
    };
    m_title = label(L"Custom Layout", CKXRect::FromSize(kSlotLeft, 12, 300, 24));
    m_title->SetFont(L"", 0, 1);

    for (int slot = 0; slot < kSlots; ++slot) {
        std::unique_ptr<CKXRadioBox> box(CKXUIFactory::CreateUIRadioBox(this));
        box->SetImages({L"radio_check_normal.png", L"radio_check_normal.png", L"radio_check_normal.png",
                        L"radio_uncheck_normal.png", L"radio_uncheck_normal.png", L"radio_uncheck_normal.png"});
        box->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE,
                    CKXRect::FromSize(kSlotLeft, kSlotTop + kSlotHeight * slot, kSlotWidth, kSlotHeight), dialog,
                    kFirstSlot + slot);
        box->SetWindowText(LabelFor(m_slots[slot]));
        m_slotBoxes[slot] = std::move(box);
    }

    m_preview.reset(CKXUIFactory::CreateUIVideoWindow(1, this, kMaxCells, kMaxCells));
    m_preview->SetSkin(PreviewSkin());
    m_preview->Create(L"VideoWindowLayout", KX_WS_CHILD | KX_WS_VISIBLE, kPreviewRect, dialog, kPreview);

    const int controlsTop = kPreviewRect.bottom + 16;
    auto spinner = [&](int id, int x) {
        std::unique_ptr<CKXNumSpiner> s(CKXUIFactory::CreateUINumSpiner(this));
        s->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(x, controlsTop, 60, 24), dialog, id);
        s->SetSkin(SpinnerSkin());
        s->SetRange(1, kMaxCells);
        s->SetStep(1);
        return s;
    };
    m_rowLabel = label(L"-Row", CKXRect::FromSize(kPreviewRect.left, controlsTop, 60, 24));
    m_rows = spinner(kRowSpinner, kPreviewRect.left + 62);
    m_columnLabel = label(L"-Column", CKXRect::FromSize(kPreviewRect.left + 140, controlsTop, 70, 24));
    m_columns = spinner(kColumnSpinner, kPreviewRect.left + 212);

    constexpr int kButtonWidth = 80;  // "Abbrechen" with its margins
    auto button = [&](int id, const wchar_t* text, int x) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
        b->Create(text, KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(x, kHeight - 44, kButtonWidth, 28), dialog, id);
        b->SetWindowText(Translate(text));
        return b;
    };
    m_default = button(kDefault, L"Default", kSlotLeft);
    // Confirmation by Enter alone would leave most users no way to apply an arrangement.
    m_confirm = button(kConfirm, L"OK", kWidth - 30 - kButtonWidth - 10 - kButtonWidth);
    m_cancel = button(kCancel, L"Cancel", kWidth - 30 - kButtonWidth);
    m_confirm->SetToolTip(Translate(L"OK") + L" (Enter)");
    m_cancel->SetToolTip(Translate(L"Cancel") + L" (Esc)");

    ShowSlot();
    return 1;
}

void CCustomLayoutDlgEventImp::ResetSlots() {
    for (int slot = 0; slot < kSlots; ++slot) m_slots[slot] = CKXVideoWindow::GetDefaultLayout(slot);
}

void CCustomLayoutDlgEventImp::ReadRowsAndColumns(const std::wstring& description, int& rows, int& columns) {
    rows = columns = 2;
    int r = 0, c = 0;
    if (std::swscanf(description.c_str(), L"%d/%d/", &r, &c) == 2 && r >= 1 && r <= kMaxCells && c >= 1 &&
        c <= kMaxCells) {
        rows = r;
        columns = c;
    }
}

int CCustomLayoutDlgEventImp::ReadWindowCount(const std::wstring& description) {
    int count = 0;
    if (std::swscanf(description.c_str(), L"%*d/%*d/%d", &count) != 1 || count < 0) return 0;
    return count;
}

std::wstring CCustomLayoutDlgEventImp::LabelFor(const std::wstring& description) const {
    return std::to_wstring(ReadWindowCount(description)) + L" " + Translate(L"Video");
}

std::wstring CCustomLayoutDlgEventImp::SlotLabel(int slot) const {
    return slot >= 0 && slot < kSlots && m_slotBoxes[slot] ? m_slotBoxes[slot]->GetWindowText() : std::wstring();
}

int CCustomLayoutDlgEventImp::SpinnerValue(int id) const {
    const CKXNumSpiner* s = id == kRowSpinner ? m_rows.get() : id == kColumnSpinner ? m_columns.get() : nullptr;
    return s ? s->GetValue() : 0;
}

void CCustomLayoutDlgEventImp::ShowSlot() {
    if (!m_preview) return;
    for (int slot = 0; slot < kSlots; ++slot) {
        m_slotBoxes[slot]->SetCheck(slot == m_selected ? 1 : 0);
        m_slotBoxes[slot]->SetHighlight(slot == m_selected ? 1 : 0);
    }
    int rows = 2, columns = 2;
    ReadRowsAndColumns(m_slots[m_selected], rows, columns);
    // A slot the preview cannot take (it was never edited into one) shows its plain grid.
    if (!m_preview->SetLayout(CKXVideoWindow::kCustomLayout, m_slots[m_selected])) {
        m_preview->SetRows(rows);
        m_preview->SetColumns(columns);
    }
    m_rows->SetValue(rows);
    m_columns->SetValue(columns);
}

void CCustomLayoutDlgEventImp::SelectSlot(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    m_selected = slot;
    ShowSlot();
}

void CCustomLayoutDlgEventImp::RB_OnStateChanged(int id, int, int byClick) {
    // A click on the chosen slot would uncheck it: it stays chosen.
    if (byClick && id >= kFirstSlot && id < kFirstSlot + kSlots) SelectSlot(id - kFirstSlot);
}

void CCustomLayoutDlgEventImp::SPIN_OnValueChanged(int id, int value) {
    if (!m_preview) return;
    if (id == kRowSpinner) m_preview->SetRows(value);
    if (id == kColumnSpinner) m_preview->SetColumns(value);
}

void CCustomLayoutDlgEventImp::OnLayoutChanged(int id) {
    if (id != kPreview || !m_preview) return;
    m_slots[m_selected] = m_preview->GetLayoutDescription();
    m_slotBoxes[m_selected]->SetWindowText(LabelFor(m_slots[m_selected]));
    int rows = 2, columns = 2;
    ReadRowsAndColumns(m_slots[m_selected], rows, columns);
    m_rows->SetValue(rows);
    m_columns->SetValue(columns);
}

void CCustomLayoutDlgEventImp::BTN_OnClicked(int id) {
    if (id != kDefault) return;
    ResetSlots();
    for (int slot = 0; slot < kSlots; ++slot) m_slotBoxes[slot]->SetWindowText(LabelFor(m_slots[slot]));
    ShowSlot();
}

int CCustomLayoutDlgEventImp::Dlg_OnOK() {
    // A number still being typed counts: the user pressed OK on what the box shows.
    if (m_rows) m_rows->TakeTypedValue();
    if (m_columns) m_columns->TakeTypedValue();
    const std::shared_ptr<ICustomLayoutOwner> owner = m_owner.lock();
    if (owner && !m_slots[m_selected].empty()) owner->ApplyCustomLayout(m_slots[m_selected]);
    return 1;
}

void CCustomLayoutDlgEventImp::ShowBeside(int x, int bottom) {
    CKXRect frame = m_dialog->GetWindowRect();
    const int width = frame.Width(), height = frame.Height();
    CKXRect desktop;
    CKXUIFactory::GetDesktopRect(desktop);
    int left = x, top = bottom - kHeight;
    if (desktop.Width() > 0 && desktop.Height() > 0) {
        left = std::max(desktop.left, std::min(left, desktop.right - width));
        top = std::max(desktop.top, std::min(top, desktop.bottom - height));
    }
    m_dialog->MoveWindow(CKXRect::FromSize(left, top, width, height));
    m_dialog->ShowWindow(KX_SW_SHOW);
    m_dialog->BringWindowToTop();
}
