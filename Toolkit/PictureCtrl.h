#pragma once
// A picture from the skin folder, stretched over the control (or drawn in its middle).
#include <string>

#include "Toolkit/Window.h"

class IKXPictureCtrlEvent;

class CKXPictureCtrl : public CKXWindow {
public:
    explicit CKXPictureCtrl(IKXPictureCtrlEvent* sink);
    ~CKXPictureCtrl() override;

    // mode: "stretch" (the default), "tile" or "center".
    void SetImage(const std::wstring& image, const std::wstring& mode = L"stretch");
    std::wstring GetImage() const;

    IKXPictureCtrlEvent* GetSink() const { return m_sink; }

private:
    IKXPictureCtrlEvent* m_sink;
};
