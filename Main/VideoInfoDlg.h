#pragma once
// The video property dialog: resolution, frame rate, duration, size and path of one opened file.
#include <memory>
#include <string>

#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXDialog;
class CKXStatic;
class CKXWindow;

class CVideoInfoDlgEventImp : public IKXDialogEvent, public IKXButtonEvent {
public:
    static constexpr int kShowMessage = 2001;
    explicit CVideoInfoDlgEventImp(CKXWindow* parent);
    ~CVideoInfoDlgEventImp() override;

    // Fills the values, then shows the dialog from the loop.
    void ShowVideoInfo(const std::wstring& resolution, const std::wstring& frameRate, const std::wstring& duration,
                       const std::wstring& size, const std::wstring& path);
    std::wstring Value(int row) const;  // 0 resolution .. 4 path
    CKXDialog* Window() const { return m_dialog.get(); }

    int OnDlgCreate(int argument) override;
    void OnDlgMessage(int code, std::intptr_t data) override;
    void BTN_OnClicked(int id) override;

private:
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXStatic> m_labels[5], m_values[5];
    std::unique_ptr<CKXButton> m_close;
};
