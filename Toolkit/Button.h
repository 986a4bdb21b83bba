#pragma once
// A push button drawn with its images for the normal, hover, pressed and disabled looks, with an
// optional text over them. A click raises `BTN_OnClicked`; inside a dialog the button with id 1
// then confirms the dialog and the one with id 2 cancels it.
#include <string>

#include "Toolkit/Window.h"

class IKXButtonEvent;

class CKXButton : public CKXWindow {
public:
    explicit CKXButton(IKXButtonEvent* sink);
    ~CKXButton() override;

    // An empty name falls back: hover to normal, pressed to hover, disabled to normal.
    void SetImages(const std::wstring& normal, const std::wstring& hover, const std::wstring& pressed,
                   const std::wstring& disabled = std::wstring());
    // Draws the text underlined in the text colour, with a hand cursor: a link.
    void SetLinkStyle(int on);

    IKXButtonEvent* GetSink() const { return m_sink; }

private:
    IKXButtonEvent* m_sink;
};
