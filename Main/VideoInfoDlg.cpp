#include "Main/VideoInfoDlg.h"

#include "App/Language.h"
#include "Toolkit/Button.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Translate;

namespace {
constexpr int kCloseButton = 32801;
const wchar_t* const kLabels[CVideoInfoDlgEventImp::kRows] = {
    L"Codec:", L"Resolution:", L"Frame Rate:", L"Time:", L"Wall clock:", L"Frames:", L"Keyframes:", L"Size:", L"Path:"};
// Rows 20 pixels high at a 30-pixel pitch, the labels wide enough for the German ones, the values
// beside them.
constexpr int kPitch = 30, kLabelWidth = 110, kValueWidth = 250, kWidth = 10 + kLabelWidth + kValueWidth + 10;
constexpr int kHeight = 10 + kPitch * CVideoInfoDlgEventImp::kRows + 40;
}  // namespace

CVideoInfoDlgEventImp::CVideoInfoDlgEventImp(CKXWindow* parent, std::function<void()> openStatistics)
    : m_dialog(CKXUIFactory::CreateUIDialog(this)), m_openStatistics(std::move(openStatistics)) {
    m_dialog->SetFrameImage(L"Frame.png");
    m_dialog->Create(L"VideoInfoDlg", 0, CKXRect(0, 0, kWidth, kHeight), parent, 0);
    m_dialog->SetTitle(Translate(L"Property"));
    m_dialog->SetSize(kWidth, kHeight);
}

CVideoInfoDlgEventImp::~CVideoInfoDlgEventImp() {
    m_statistics.reset();
    m_close.reset();
    for (auto& v : m_values) v.reset();
    for (auto& l : m_labels) l.reset();
    m_dialog.reset();
}

int CVideoInfoDlgEventImp::OnDlgCreate(int) {
    if (m_close) return 1;
    for (int row = 0; row < kRows; ++row) {
        const int y = 10 + kPitch * row;
        m_labels[row].reset(CKXUIFactory::CreateUIStatic(nullptr));
        m_labels[row]->Create(kLabels[row], KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(10, y, kLabelWidth, 20),
                              m_dialog.get(), 0);
        m_labels[row]->SetWindowText(Translate(kLabels[row]));
        m_values[row].reset(CKXUIFactory::CreateUIStatic(nullptr));
        m_values[row]->Create(L"Value", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(10 + kLabelWidth, y, kValueWidth, 20),
                              m_dialog.get(), 0);
        m_values[row]->SetElideMiddle(1);  // a path keeps its file name in view
    }
    m_close.reset(CKXUIFactory::CreateUIButton(this));
    m_close->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
    // With the statistics beside it, OK moves left of the middle.
    const int okLeft = m_openStatistics ? kWidth / 2 - 80 : (kWidth - 70) / 2;
    m_close->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(okLeft, kHeight - 38, 70, 28), m_dialog.get(),
                    kCloseButton);
    m_close->SetWindowText(Translate(L"OK"));
    if (m_openStatistics) {
        m_statistics.reset(CKXUIFactory::CreateUIButton(this));
        m_statistics->SetImages(L"btn_commongnor_short.png", L"btn_commongnor_short.png", L"btn_commondown_short.png");
        m_statistics->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(kWidth / 2 + 10, kHeight - 38, 90, 28),
                             m_dialog.get(), kStatisticsButton);
        m_statistics->SetWindowText(Translate(L"Statistics"));
    }
    return 1;
}

void CVideoInfoDlgEventImp::ShowVideoInfo(const CVideoInfoTexts& t) {
    OnDlgCreate(1);
    const std::wstring values[kRows] = {t.codec, t.resolution, t.frameRate, t.duration, t.span,
                                        t.frames, t.keyframes, t.size, t.path};
    for (int row = 0; row < kRows; ++row) {
        m_values[row]->SetWindowText(values[row]);
        m_values[row]->SetToolTip(values[row]);  // a long path is shortened in the middle, whole in its tooltip
    }
    CKXUIFactory::UIPostMessage(m_dialog.get(), kShowMessage, 0);
}

std::wstring CVideoInfoDlgEventImp::Value(int row) const {
    return row >= 0 && row < kRows && m_values[row] ? m_values[row]->GetWindowText() : std::wstring();
}

void CVideoInfoDlgEventImp::OnDlgMessage(int code, std::intptr_t) {
    if (code != kShowMessage) return;
    m_dialog->CenterWindow();
    m_dialog->ShowWindow(KX_SW_SHOW);
}

void CVideoInfoDlgEventImp::BTN_OnClicked(int id) {
    if (id == kCloseButton) m_dialog->ShowWindow(KX_SW_HIDE);
    if (id == kStatisticsButton && m_openStatistics) m_openStatistics();
}
