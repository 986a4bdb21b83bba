#pragma once
// A one-line text field. The sink hears each change and, when the user confirms (Enter, or the
// focus leaves after a change), the text.
#include <string>

#include "Toolkit/Window.h"

class IKXEditCtrlEvent;

class CKXEditCtrl : public CKXWindow {
public:
    explicit CKXEditCtrl(IKXEditCtrlEvent* sink);
    ~CKXEditCtrl() override;

    // Sets the text without raising events.
    void SetWindowText(const std::wstring& text) override;
    void SetLimitText(int maxChars);  // 0: no limit
    void SetReadOnly(int on);
    void SetBackground(const std::wstring& image);

    IKXEditCtrlEvent* GetSink() const { return m_sink; }

private:
    IKXEditCtrlEvent* m_sink;
};
