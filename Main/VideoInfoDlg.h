#pragma once
// The video property dialog: codec, resolution, frame rate, duration, wall-clock span, frames,
// keyframes, size and path of one opened file.
#include <functional>
#include <memory>
#include <string>

#include "Main/VideoProperties.h"
#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXDialog;
class CKXStatic;
class CKXWindow;

class CVideoInfoDlgEventImp : public IKXDialogEvent, public IKXButtonEvent {
public:
    static constexpr int kShowMessage = 2001, kStatisticsButton = 32802;
    // `openStatistics`, when given, is what its Statistics button does.
    explicit CVideoInfoDlgEventImp(CKXWindow* parent, std::function<void()> openStatistics = {});
    ~CVideoInfoDlgEventImp() override;

    // Fills the values, then shows the dialog from the loop.
    void ShowVideoInfo(const CVideoInfoTexts& texts);
    enum Row { kCodec, kResolution, kFrameRate, kDuration, kSpan, kFrames, kKeyframes, kSize, kPath, kRows };
    std::wstring Value(int row) const;
    CKXDialog* Window() const { return m_dialog.get(); }

    int OnDlgCreate(int argument) override;
    void OnDlgMessage(int code, std::intptr_t data) override;
    void BTN_OnClicked(int id) override;

private:
    std::unique_ptr<CKXDialog> m_dialog;
    std::unique_ptr<CKXStatic> m_labels[kRows], m_values[kRows];
    std::unique_ptr<CKXButton> m_close, m_statistics;
    std::function<void()> m_openStatistics;
};
