#pragma once
// The custom-layout dialog: ten slots of arrangements, each edited in a preview grid by its rows
// and columns and by merging cells (drag from one cell to another; a right-click splits them
// again). Confirming it gives the main grid the selected slot's arrangement. The slots live while
// the program runs and start from the grid's built-in layouts; they are not saved.
#include <memory>
#include <string>

#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXDialog;
class CKXNumSpiner;
class CKXRadioBox;
class CKXStatic;
class CKXVideoWindow;
class CKXWindow;

// What the dialog's confirmation changes. The dialog holds it weakly: once the owner is gone a
// confirmation changes nothing.
class ICustomLayoutOwner {
public:
    virtual ~ICustomLayoutOwner() = default;
    virtual void ApplyCustomLayout(const std::wstring& description) = 0;
};

class CCustomLayoutDlgEventImp : public IKXDialogEvent,
                                 public IKXRadioBoxEvent,
                                 public IKXNumSpinerEvent,
                                 public IKXVideoWindowEvent,
                                 public IKXButtonEvent {
public:
    enum {
        kFirstSlot = 2175,
        kSlots = 10,
        kRowSpinner = 2185,
        kColumnSpinner = 2186,
        kPreview = 2187,
        kDefault = 2188,
        kConfirm = 1,  // the toolkit confirms a dialog through its button 1 and cancels through 2
        kCancel = 2,
    };
    static constexpr int kWidth = 650, kHeight = 450;

    // parent: the main window the dialog stays above.
    CCustomLayoutDlgEventImp(CKXWindow* parent, std::weak_ptr<ICustomLayoutOwner> owner);
    ~CCustomLayoutDlgEventImp() override;

    // Shown with its left edge at x and its bottom at bottom (desktop coordinates), kept on the
    // desktop.
    void ShowBeside(int x, int bottom);
    CKXDialog* Window() const { return m_dialog.get(); }
    CKXVideoWindow* Preview() const { return m_preview.get(); }

    // A slot (0..9) chosen as the user's click would.
    void SelectSlot(int slot);
    int SelectedSlot() const { return m_selected; }
    const std::wstring& SlotDescription(int slot) const { return m_slots[slot]; }
    std::wstring SlotLabel(int slot) const;
    int SpinnerValue(int id) const;

    // Rows and columns of a description ("rows/columns/count/..."); 2 each when unreadable.
    static void ReadRowsAndColumns(const std::wstring& description, int& rows, int& columns);
    // Its window count, 0 when unreadable.
    static int ReadWindowCount(const std::wstring& description);

    int OnDlgCreate(int argument) override;
    int Dlg_OnOK() override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;
    void SPIN_OnValueChanged(int id, int value) override;
    void OnLayoutChanged(int id) override;
    void BTN_OnClicked(int id) override;

private:
    void ShowSlot();
    void ResetSlots();
    std::wstring LabelFor(const std::wstring& description) const;

    std::weak_ptr<ICustomLayoutOwner> m_owner;
    std::unique_ptr<CKXDialog> m_dialog;
    std::wstring m_slots[kSlots];
    int m_selected = 0;
    std::unique_ptr<CKXRadioBox> m_slotBoxes[kSlots];
    std::unique_ptr<CKXStatic> m_title, m_rowLabel, m_columnLabel;
    std::unique_ptr<CKXNumSpiner> m_rows, m_columns;
    std::unique_ptr<CKXVideoWindow> m_preview;
    std::unique_ptr<CKXButton> m_default, m_confirm, m_cancel;
};
