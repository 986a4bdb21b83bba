#pragma once
// A horizontal slider over a range of whole numbers. Clicks, drags, the wheel and the arrow keys
// move it; the sink hears every position the user sets, never those set by `SetPos`.
#include "Toolkit/SkinRecords.h"
#include "Toolkit/Window.h"

class IKXSliderCtrlEvent;

class CKXSliderCtrl : public CKXWindow {
public:
    explicit CKXSliderCtrl(IKXSliderCtrlEvent* sink);
    ~CKXSliderCtrl() override;

    void SetSkin(const KXSliderSkin& skin);
    void SetRange(int minimum, int maximum);
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPos(int position);  // clamped to the range
    int GetPos() const;

    IKXSliderCtrlEvent* GetSink() const { return m_sink; }

private:
    IKXSliderCtrlEvent* m_sink;
};
