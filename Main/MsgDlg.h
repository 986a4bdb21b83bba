#pragma once
// The message dialog of every prompt and error box: a text, "OK" and, for a question, "Cancel".
// Shown modally (the pressed button's id comes back), or non-modally as a question whose "OK" runs
// an action. The dialog sizes itself to its text each time it is shown.
#include <functional>
#include <memory>
#include <string>

#include "Toolkit/EventSinks.h"
#include "Toolkit/UITypes.h"

class CKXButton;
class CKXDialog;
class CKXStatic;
class CKXWindow;

class CMsgDlgEventImp : public IKXDialogEvent, public IKXButtonEvent {
public:
    static constexpr int kOkCancel = 1;  // any other kind: OK alone

    explicit CMsgDlgEventImp(CKXWindow* parent);
    ~CMsgDlgEventImp() override;

    // 1 for OK, 2 for Cancel (or a close of the dialog).
    int ShowModal(const std::wstring& title, const std::wstring& text, int kind);
    // Both buttons; OK calls the action, Cancel or a close of the dialog calls `declined`. Returns
    // at once. The question stands in front of the window it belongs to.
    void ShowQuestion(const std::wstring& title, const std::wstring& text, std::function<void()> action,
                      std::function<void()> declined = nullptr);

    // Where the text and buttons go for a text measured W x H.
    struct Layout {
        CKXRect text;
        int width = 0, height = 0;  // the client area
        CKXRect ok, cancel;
        bool cancelShown = false;
    };
    static Layout LayoutFor(int textWidth, int textHeight, int kind);

    CKXDialog* Window() const { return m_dialog.get(); }
    std::wstring Text() const { return m_text; }
    bool IsShown() const;
    bool IsModal() const { return m_modal; }

    int OnDlgCreate(int argument) override;
    int Dlg_OnOK() override;
    int Dlg_OnCancel() override;
    int Dlg_Close() override;

private:
    // Runs what the answer calls for, once; the other is dropped.
    void Answer(bool yes);
    void HideQuestion();
    void Prepare(const std::wstring& title, const std::wstring& text, int kind);

    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXStatic> m_static;
    std::unique_ptr<CKXButton> m_ok, m_cancel;
    std::wstring m_text;
    int m_kind = 0;
    bool m_modal = false;
    std::function<void()> m_action, m_declined;
};
