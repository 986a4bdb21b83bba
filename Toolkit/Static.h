#pragma once
// A text (and optionally an image behind it). It word-wraps within its width when asked to and
// can measure a text as it would draw it.
#include <string>

#include "Toolkit/Window.h"

class IKXStaticEvent;

class CKXStatic : public CKXWindow {
public:
    explicit CKXStatic(IKXStaticEvent* sink);
    ~CKXStatic() override;

    // "left", "center" or "right".
    void SetAlignment(const std::wstring& align);
    void SetWordWrap(int on);
    // A single line too long for the box is shortened in the middle ("/media/…/file.rvf"): both
    // ends stay readable. The caller gives the whole text a tooltip.
    void SetElideMiddle(int on);
    void SetBackground(const std::wstring& image);
    // The size the text takes when drawn no wider than maxWidth (word-wrapped when on).
    CKXPoint MeasureText(const std::wstring& text, int maxWidth) const;

    IKXStaticEvent* GetSink() const { return m_sink; }

private:
    IKXStaticEvent* m_sink;
};
