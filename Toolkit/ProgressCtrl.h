#pragma once
// A horizontal bar that shows how much of a job is done: the share of its range up to the
// position is filled, and the percentage is written over the middle. It only shows; the user
// cannot move it, so it raises no events.
#include "Toolkit/Window.h"

class CKXProgressCtrl : public CKXWindow {
public:
    CKXProgressCtrl();
    ~CKXProgressCtrl() override;

    void SetRange(int minimum, int maximum);
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPos(int position);  // clamped to the range
    int GetPos() const;
    // The filled share of the range, 0..1 (0 for an empty range).
    double GetFraction() const;
    // Whether "42%" is written over the bar (on unless turned off).
    void SetShowPercent(int on);
};
