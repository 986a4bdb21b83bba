#pragma once
// A box that a click checks or unchecks (a tab, a toggle, a check box with a text): what a group
// of them does together is the sink's to decide. Eight images: checked normal, hover, pressed;
// unchecked normal, hover, pressed; checked disabled, unchecked disabled. An image as wide as the
// box is its face, with the text over it; a smaller one is a mark with the text beside it.
#include <string>
#include <vector>

#include "Toolkit/Window.h"

class IKXRadioBoxEvent;

class CKXRadioBox : public CKXWindow {
public:
    explicit CKXRadioBox(IKXRadioBoxEvent* sink);
    ~CKXRadioBox() override;

    // Up to eight names in the order above; a missing or empty one falls back within its state.
    void SetImages(const std::vector<std::wstring>& images);
    // Sets the state; with notify, the sink hears of it (not a click).
    void SetCheck(int checked, int notify = 0);
    int GetCheck() const;
    // A frame in the accent colour marks the box (the selected one of a list of choices).
    // Pixels at the left and right of a face that its text keeps clear of (a close box drawn there).
    void SetTextMargins(int left, int right);
    void SetHighlight(int on);
    int GetHighlight() const;

    IKXRadioBoxEvent* GetSink() const { return m_sink; }

private:
    IKXRadioBoxEvent* m_sink;
};
