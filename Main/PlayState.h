#pragma once
// What the user has set for playback, held in one place: the play windows' UI logic. The play bar
// and the other panels show it whenever it changes and never keep a copy the logic reads back, so
// a key, a button and the remote control always see and change the same state.
#include <cstdint>

#include "Main/PlaySpeeds.h"

struct CPlayState {
    bool playing = false;
    int speedPosition = kNormalSpeedPosition;  // 0 (1/64X) .. 12 (64X)
    bool forward = true;
    bool sync = false;
    bool repeat = false;
    bool muted = false;
    int volume = 50;  // 0..100
    int layout = 4;   // windows in the grid
    int focus = 0;    // the selected window

    float SpeedFactor() const { return SpeedAt(speedPosition).factor; }
};

// Where a window's picture is: what the last frame drawn in it was.
struct CWindowPosition {
    std::int64_t frame = -1;  // its number in the file; -1 before the first
    double wallClock = 0;     // its wall-clock time, with the fraction of a second; 0 unknown
    void* handle = nullptr;   // the file it came from
    // Frames the window's clock passed that were never drawn (skipped or late), counted from the
    // gaps between the frame numbers drawn; a jump of more than a second and a half is a seek.
    std::uint64_t dropped = 0;
};

// A panel that shows the play state (the play bar); told after every change.
class IPlayStateView {
public:
    virtual ~IPlayStateView() = default;
    virtual void ShowPlayState(const CPlayState& state) = 0;
};
