#pragma once
// The statistics of the play windows: per window what its recording is (codec, size, frame rate,
// bitrate) and what showing it cost and gave up over the last second (frames drawn, frames the
// clock passed that the screen did not show, decoding time per frame, what the engine gives up to
// keep up). Made from two samples of the engine's counts and the screen's.
#include <map>
#include <string>
#include <vector>

#include "Engine/Movra.h"

struct CWindowStats {
    int window = -1;
    std::string codec;
    int width = 0, height = 0;
    double frameRate = 0;
    double bitRate = 0;  // bits per second over the whole file
    double drawn = 0;  // frames drawn over the last second
    double dropped = 0;  // frames the clock passed over the last second that were not drawn
    double decodeMs = 0;  // per frame decoded over the last second
    int relief = 0;  // 0 every frame, 1 frames nothing refers to skipped, 2 also cheaper decoding
};

class CPlayStats {
public:
    struct Sample {
        void* handle = nullptr;  // the file shown; another one starts the window's counts again
        MOVRA::MV_PLAY_STATS engine;
        unsigned int drawnTotal = 0;  // the screen's count for the window
        double at = 0;  // seconds, steady
        double framesAsked = 0;  // frames per second the clock asks: the frame rate times the speed, 0 paused
    };
    // A window's new sample: its figures from the time since its last one of the same file.
    void Add(int window, const Sample& sample);
    // Windows with nothing open go from the figures.
    void KeepOnly(const std::vector<int>& windows);
    std::vector<CWindowStats> Figures() const;

private:
    std::map<int, Sample> m_last;
    std::map<int, CWindowStats> m_figures;
};
