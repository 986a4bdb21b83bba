#pragma once
// A view: a child area of a dialog or of another view, with a background image, that holds
// controls. Its sink is told when it exists (to create its controls) and when it is resized.
#include <string>

#include "Toolkit/Window.h"

class IKXViewEvent;

class CKXView : public CKXWindow {
public:
    explicit CKXView(IKXViewEvent* sink);
    ~CKXView() override;

    // Image from the skin folder, "tile" or "stretch"; the colour shows where there is no image.
    void SetBackground(const std::wstring& image, const std::wstring& mode = L"stretch");
    void SetBackgroundColor(const std::wstring& rgb);

    IKXViewEvent* GetSink() const { return m_sink; }

protected:
    void OnCreated() override;

private:
    IKXViewEvent* m_sink;
};
