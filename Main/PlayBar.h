#pragma once
// The strip of play controls under the video grid: "Repeat One", "Sync Play", reverse, play and
// pause, stop, previous and next, the speed slider with its label, mute and volume. Its clicks
// are the play commands; its controls show the play state and hold none of their own.
#include <boost/weak_ptr.hpp>

#include <map>
#include <memory>
#include <string>

#include "Main/PanelFaces.h"
#include "Toolkit/EventSinks.h"

class CKXButton;
class CKXRadioBox;
class CKXSliderCtrl;
class CKXStatic;
class CKXView;
class CKXWindow;

class CPlayBarEventImp : public IKXViewEvent,
                         public IKXRadioBoxEvent,
                         public IKXButtonEvent,
                         public IKXSliderCtrlEvent,
                         public IPlayBarFace {
public:
    static constexpr int kWidth = 675, kHeight = 55;

    // owner: the grid panel, through which the bar reaches the play windows and the file list.
    explicit CPlayBarEventImp(IPlayWindowsFace* owner);
    ~CPlayBarEventImp() override;
    void Create(CKXWindow* parent);
    CKXView* View() const { return m_view.get(); }

    // IPlayBarFace
    void ShowPlayState(const CPlayState& state) override;

    // What the controls show.
    int IsChecked(int id) const;
    std::wstring SpeedText() const;
    std::wstring ToolTipOf(int id) const;
    CKXRadioBox* Box(int id) const;
    CKXSliderCtrl* SpeedSlider() const { return m_speed.get(); }
    CKXSliderCtrl* VolumeSlider() const { return m_volume.get(); }

    // The toolkit's events.
    void OnCreate() override;
    void RB_OnStateChanged(int id, int checked, int byClick) override;
    void BTN_OnClicked(int id) override;
    void SLD_OnPosChanged(int id, int position) override;

private:
    void SetToolTips(int id, int checked);
    class CPlayCommands* Commands() const;

    IPlayWindowsFace* m_owner;
    std::unique_ptr<CKXView> m_view;
    std::map<int, std::unique_ptr<CKXRadioBox>> m_boxes;
    std::map<int, std::unique_ptr<CKXButton>> m_buttons;
    std::unique_ptr<CKXStatic> m_speedLabel;
    std::unique_ptr<CKXSliderCtrl> m_speed, m_volume;
    std::map<int, std::wstring> m_tips;
};
