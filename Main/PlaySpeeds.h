#pragma once
// The play bar's thirteen speeds, from 1/64X to 64X, and what counts as normal speed.
#include <string>

constexpr int kSpeedPositions = 13;
constexpr int kNormalSpeedPosition = 6;

struct PlaySpeed {
    float factor;
    const wchar_t* label;
};

// Position 0-12 of the speed slider; any other position reads as 1X.
PlaySpeed SpeedAt(int position);

// The label shown for a position: "-" ahead of it while playing backward.
std::wstring SpeedLabel(int position, bool backward);

// Within 0.0001 of 1: the engine's own test, so that a speed the play windows call normal is one
// at which the engine records and plays sound.
bool IsNormalSpeed(float factor);

