#pragma once
// The pieces the look-through dialogs (evidence, motion search) are built of, made the same way:
// labels in the panels' text, edits on the light box, buttons on the common button face, the
// stretch typed as two times, and the running job with its progress bar and Cancel.
#include <memory>
#include <string>

#include "Toolkit/UITypes.h"

class CKXButton;
class CKXEditCtrl;
class CKXProgressCtrl;
class CKXStatic;
class CKXWindow;
class IKXButtonEvent;
class IKXEditCtrlEvent;

namespace DialogParts {

// The texts are English and translated here.
std::unique_ptr<CKXStatic> Label(CKXWindow* parent, const wchar_t* english, const CKXRect& at);
std::unique_ptr<CKXEditCtrl> Edit(CKXWindow* parent, IKXEditCtrlEvent* sink, const CKXRect& at, int id);
std::unique_ptr<CKXButton> Button(CKXWindow* parent, IKXButtonEvent* sink, const wchar_t* english, const CKXRect& at, int id);
// "YYYY-MM-DD hh:mm:ss": whole seconds, as people type them.
std::wstring FieldTime(double seconds);
// The stretch the two fields give; false with the text to show when they give none.
bool ReadStretch(const CKXEditCtrl& fromField, const CKXEditCtrl& toField, double* from, double* to, std::wstring* why);

}  // namespace DialogParts

// A job a dialog starts and watches: the button that starts it, the one beside it that cancels it
// (and otherwise closes or cancels the dialog), a progress bar shown while it runs, and a status
// line. UI thread only.
class CDialogJob {
public:
    struct Places {
        CKXRect start, cancel, bar, status;
    };
    CDialogJob();
    ~CDialogJob();
    // Drops the controls; the dialog calls it before it goes itself.
    void Destroy();
    // `idleCancel`: what the second button says while nothing runs.
    void Create(CKXWindow* parent, IKXButtonEvent* sink, const wchar_t* startText, int startId, const wchar_t* idleCancel,
                int cancelId, const Places& at);

    // The job runs from now: its start is disabled, the second button cancels, the bar shows 0.
    void Begin(const std::wstring& status);
    // The share done (0..1) on the bar, and the status line when a text is given.
    void Progress(double done, const std::wstring& status = std::wstring());
    // It ended (or never began): the bar goes, the buttons are as before, the status says why.
    void End(const std::wstring& status);
    bool Running() const { return m_running; }

    void SetStatus(const std::wstring& text);
    std::wstring Status() const;
    CKXProgressCtrl* Bar() const { return m_bar.get(); }

private:
    std::unique_ptr<CKXButton> m_start, m_cancel;
    std::unique_ptr<CKXProgressCtrl> m_bar;
    std::unique_ptr<CKXStatic> m_status;
    std::wstring m_idleCancel;
    bool m_running = false;
};
