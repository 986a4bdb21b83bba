#include "Main/PlayBar.h"

#include "App/Language.h"
#include "Main/PlayCommands.h"
#include "Main/PlaySpeeds.h"
#include "Toolkit/Button.h"
#include "Toolkit/RadioBox.h"
#include "Toolkit/SkinRecords.h"
#include "Toolkit/SliderCtrl.h"
#include "Toolkit/Static.h"
#include "Toolkit/UIFactory.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/View.h"

using TarvexApp::Translate;

namespace {

// Checked normal, hover, pressed; unchecked normal, hover, pressed; checked and unchecked disabled.
std::vector<std::wstring> Faces(const wchar_t* checked, const wchar_t* checkedPressed, const wchar_t* unchecked,
                                const wchar_t* uncheckedHover = nullptr) {
    const std::wstring hover = uncheckedHover ? uncheckedHover : unchecked;
    return {checked, checked, checkedPressed, unchecked, hover, checkedPressed, checked, unchecked};
}

KXSliderSkin SliderSkin(const wchar_t* image, int width) {
    KXSliderSkin s;
    s.image = image;
    s.grooveRect = L"0,0," + std::to_wstring(width) + L",20";
    s.filledRect = std::to_wstring(width) + L",0," + std::to_wstring(width) + L",20";
    for (int i = 0; i < 4; ++i) s.thumbRects[i] = std::to_wstring(2 * width + 20 * i) + L",0,20,20";
    s.mode = L"tile";
    return s;
}

// A control's tooltip with the key that does the same.
std::wstring TipText(int id, const wchar_t* tip) {
    const wchar_t* key = id == kPlayButton      ? L"Space"
                         : id == kPreviousButton ? L"Left"
                         : id == kNextButton     ? L"Right"
                         : id == kReverseButton  ? L"R"
                         : id == kMuteButton     ? L"M"
                         : id == kNextActivityButton ? L"N"
                         : id == kPreviousActivityButton ? L"Shift+N"
                                                 : nullptr;
    return key ? Translate(tip) + L" (" + key + L")" : Translate(tip);
}

}  // namespace

CPlayBarEventImp::CPlayBarEventImp(IPlayWindowsFace* owner) : m_owner(owner) {}

CPlayBarEventImp::~CPlayBarEventImp() {
    m_boxes.clear();
    m_buttons.clear();
    m_speedLabel.reset();
    m_speed.reset();
    m_volume.reset();
    m_view.reset();
}

void CPlayBarEventImp::Create(CKXWindow* parent) {
    m_view.reset(CKXUIFactory::CreateUIView(this));
    m_view->SetBackground(L"bg_playbar.png");
    m_view->Create(L"PlayBar", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(0, 0, kWidth, kHeight), parent, 101);
}

void CPlayBarEventImp::OnCreate() {
    auto box = [&](int id, const CKXRect& at, std::vector<std::wstring> faces, const wchar_t* tip) {
        std::unique_ptr<CKXRadioBox> b(CKXUIFactory::CreateUIRadioBox(this));
        b->SetImages(faces);
        b->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, m_view.get(), id);
        m_boxes[id] = std::move(b);
        m_tips[id] = tip;
        m_boxes[id]->SetToolTip(TipText(id, tip));
    };
    auto button = [&](int id, const CKXRect& at, const wchar_t* normal, const wchar_t* over, const wchar_t* disabled,
                      const wchar_t* tip) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->SetImages(normal, over, over, disabled ? disabled : L"");
        b->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, m_view.get(), id);
        m_buttons[id] = std::move(b);
        m_tips[id] = tip;
        m_buttons[id]->SetToolTip(TipText(id, tip));
    };
    // Left to right, each control 8 pixels after the one before.
    box(kRepeatButton, CKXRect(10, 15, 41, 46), Faces(L"btn_repeatover.png", L"btn_repeatdown.png", L"btn_repeatnor.png", L"btn_repeatover.png"),
        L"Repeat One");
    box(kSyncButton, CKXRect(49, 15, 80, 46), Faces(L"btn_syncheck.png", L"btn_syndown.png", L"btn_synuncheck.png"), L"Sync Play");
    box(kReverseButton, CKXRect(88, 15, 119, 46),
        Faces(L"btn_playbackcheck.png", L"btn_playbackdown.png", L"btn_playbackuncheck.png"), L"Reverse");
    box(kPlayButton, CKXRect(127, 5, 176, 54),
        {L"btn_parsenor.png", L"btn_parseover.png", L"btn_parseover.png", L"btn_playunchchecknor.png",
         L"btn_playuncheckover.png", L"btn_playuncheckover.png", L"btn_parsenor.png", L"btn_playunchchecknor.png"},
        L"Play");
    button(kStopButton, CKXRect(184, 15, 215, 46), L"btn_stopnor.png", L"btn_stopover.png", nullptr, L"Stop");
    button(kPreviousButton, CKXRect(223, 15, 254, 46), L"btn_prevnor.png", L"btn_prevover.png", L"btn_prevdis.png",
           L"Previous Frame");
    button(kNextButton, CKXRect(262, 15, 293, 46), L"btn_nextnor.png", L"btn_nextover.png", L"btn_nextdis.png", L"Next Frame");
    // The speed label, centred on the buttons and raised by 4 pixels, wide enough for "-1/64X",
    // then its slider.
    m_speedLabel.reset(CKXUIFactory::CreateUIStatic(nullptr));
    m_speedLabel->SetAlignment(L"center");
    m_speedLabel->Create(L"Speed", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect(296, 14, 348, 39), m_view.get(), 0);
    m_speedLabel->SetWindowText(L"1X");
    m_speed.reset(CKXUIFactory::CreateUISliderCtrl(this));
    m_speed->SetSkin(SliderSkin(L"slider_speed.png", 115));
    m_speed->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(352, 20, 116, 20), m_view.get(), kSpeedSlider);
    m_speed->SetRange(0, kSpeedPositions - 1);
    m_speed->SetPos(kNormalSpeedPosition);
    m_speed->SetToolTip(L"Up / Down");
    box(kMuteButton, CKXRect(485, 15, 516, 46),
        {L"btn_volumenor.png", L"btn_volumeover.png", L"btn_volumeover.png", L"btn_silencenor.png", L"btn_silenceover.png",
         L"btn_silenceover.png", L"btn_volumenor.png", L"btn_silencenor.png"},
        L"Mute");
    m_boxes[kMuteButton]->SetCheck(1);  // sound on
    m_volume.reset(CKXUIFactory::CreateUISliderCtrl(this));
    m_volume->SetSkin(SliderSkin(L"slider_volume.png", 80));
    m_volume->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, CKXRect::FromSize(516, 20, 80, 20), m_view.get(), kVolumeSlider);
    m_volume->SetRange(0, 100);
    m_volume->SetPos(50);
    // The jumps to activity, after the volume: no skin of their own, so the desktop's buttons
    // with a sign.
    auto jump = [&](int id, const CKXRect& at, const wchar_t* sign, const wchar_t* tip) {
        std::unique_ptr<CKXButton> b(CKXUIFactory::CreateUIButton(this));
        b->Create(L"", KX_WS_CHILD | KX_WS_VISIBLE, at, m_view.get(), id);
        b->SetWindowText(sign);
        m_buttons[id] = std::move(b);
        m_tips[id] = tip;
        m_buttons[id]->SetToolTip(TipText(id, tip));
    };
    jump(kPreviousActivityButton, CKXRect(604, 17, 636, 43), L"\u25C0\u2022", L"Previous Activity");
    jump(kNextActivityButton, CKXRect(640, 17, 672, 43), L"\u2022\u25B6", L"Next Activity");
}

CKXRadioBox* CPlayBarEventImp::Box(int id) const {
    const auto at = m_boxes.find(id);
    return at == m_boxes.end() ? nullptr : at->second.get();
}

std::wstring CPlayBarEventImp::ToolTipOf(int id) const {
    const auto at = m_tips.find(id);
    return at == m_tips.end() ? std::wstring() : at->second;
}

std::wstring CPlayBarEventImp::SpeedText() const { return m_speedLabel ? m_speedLabel->GetWindowText() : std::wstring(); }

void CPlayBarEventImp::SetToolTips(int id, int checked) {
    auto tip = [&](int control, const wchar_t* text) {
        m_tips[control] = text;
        if (CKXRadioBox* b = Box(control)) b->SetToolTip(TipText(control, text));
        const auto button = m_buttons.find(control);
        if (button != m_buttons.end()) button->second->SetToolTip(TipText(control, text));
    };
    if (id == kRepeatButton) tip(kRepeatButton, checked ? L"Sequence Play" : L"Repeat One");
    if (id == kPlayButton) {
        tip(kPlayButton, checked ? L"Pause" : L"Play");
        tip(kPreviousButton, checked ? L"Previous Group" : L"Previous Frame");
        tip(kNextButton, checked ? L"Next Group" : L"Next Frame");
    }
}

void CPlayBarEventImp::ShowPlayState(const CPlayState& state) {
    auto show = [&](int id, bool checked) {
        if (CKXRadioBox* box = Box(id)) box->SetCheck(checked ? 1 : 0, 0);
        SetToolTips(id, checked ? 1 : 0);
    };
    show(kRepeatButton, state.repeat);
    show(kSyncButton, state.sync);
    show(kReverseButton, !state.forward);
    show(kPlayButton, state.playing);
    show(kMuteButton, !state.muted);  // checked: sound on
    if (m_speed) m_speed->SetPos(state.speedPosition);
    if (m_speedLabel) m_speedLabel->SetWindowText(SpeedLabel(state.speedPosition, !state.forward));
    if (m_volume) m_volume->SetPos(state.volume);
}

int CPlayBarEventImp::IsChecked(int id) const {
    CKXRadioBox* box = Box(id);
    return box && box->GetCheck() ? 1 : 0;
}

CPlayCommands* CPlayBarEventImp::Commands() const { return m_owner ? m_owner->Commands() : nullptr; }

void CPlayBarEventImp::RB_OnStateChanged(int id, int checked, int byClick) {
    CPlayCommands* commands = Commands();
    if (!byClick || !commands) return;
    switch (id) {
        case kRepeatButton: commands->SetRepeat(checked != 0); break;
        case kSyncButton: commands->SetSync(checked != 0); break;
        case kReverseButton: commands->SetReverse(checked != 0); break;
        case kPlayButton: commands->SetPlaying(checked != 0); break;
        case kMuteButton: commands->SetMute(checked == 0); break;
    }
}

void CPlayBarEventImp::BTN_OnClicked(int id) {
    CPlayCommands* commands = Commands();
    if (!commands) return;
    if (id == kStopButton) commands->Stop();
    if (id == kPreviousButton || id == kNextButton) commands->PreviousOrNext(id == kNextButton);
    if (id == kPreviousActivityButton || id == kNextActivityButton) commands->JumpToActivity(id == kNextActivityButton);
}

void CPlayBarEventImp::SLD_OnPosChanged(int id, int position) {
    CPlayCommands* commands = Commands();
    if (!commands) return;
    if (id == kSpeedSlider) commands->SetSpeed(position);
    if (id == kVolumeSlider) commands->SetVolume(position);
}
