#pragma once
// The activity detector's judgement, apart from reading the file: small brightness grids of the
// pictures looked at, a background learnt from them, and what differs from it.
//
// Light is taken out first: every grid is brought to the same median and spread of brightness,
// so a slow change of light, a flicker or the camera's gain moving the whole picture is no
// change. The background of each cell is the median of the grids around that time (half a minute
// either side), which someone passing through does not move, and its noise is their median
// deviation: a cell whose brightness always moves (leaves in the wind, water, a screen) gets a
// wide tolerance and stops counting, a still one a narrow one. A cell counts as changed only
// with a changed neighbour: sensor noise changes single cells, a thing in the picture several.
#include <cstdint>
#include <vector>

#include "Engine/LumaGrid.h"

namespace MOVRA {

struct ActivitySample {
    double seconds = 0;  // since the file's first frame
    bool background = false;  // one of the pictures taken evenly through the file
    std::vector<std::uint8_t> cells;
    float score = 0;  // the changed share of the region's cells, once scored
    float clear = 0;  // the share changed by twice what it takes: a span starts only with some
};

// A rectangle in fractions of the picture (0..1).
struct ActivityRegion {
    double x = 0, y = 0, w = 1, h = 1;
    bool IsValid() const;
};

struct ActivitySpan {
    double start = 0, end = 0, peak = 0;  // seconds since the file's first frame
    float score = 0;  // the changed share of the region at the peak
};

// Scores at or above this count as activity.
constexpr float kActiveScore = 0.0015f;

class CActivityModel {
public:
    CActivityModel(const GridShape& shape, const ActivityRegion& region);
    // Learns the background from the samples marked `background` (in time order).
    void Learn(const std::vector<ActivitySample>& samples);
    // The changed share of the region's cells in one grid.
    float Score(const ActivitySample& sample) const;
    // Scores every sample (in time order), counting only changes that last: in a picture with
    // pictures less than half a second away on both sides, a changed cell counts when it, or one a
    // few cells from it, changed in the one before or after. A coder's passing mistakes (a block
    // refreshed in one picture) do not last; a thing in view does, even running.
    void ScoreAll(std::vector<ActivitySample>* samples) const;
    int RegionCells() const { return m_regionCells; }

private:
    // The background of a stretch of time, per cell, and how far a cell may stray from it.
    struct Stretch {
        double start = 0;
        std::vector<float> background, tolerance;
    };
    const Stretch& StretchAt(double seconds) const;
    // The changed cells of the region, each with a changed neighbour (2 where clearly changed, 1
    // where just); how many.
    int Changes(const ActivitySample& sample, std::vector<std::uint8_t>* counted) const;

    GridShape m_shape;
    std::vector<std::uint8_t> m_inRegion;
    int m_regionCells = 0;
    std::vector<Stretch> m_stretches;
};

// Activity as spans: scored samples (in time order) at or above kActiveScore joined across
// short gaps; a lone changed picture among quiet ones is dropped as noise unless clearly changed.
std::vector<ActivitySpan> FindSpans(const std::vector<ActivitySample>& samples);

// One value per second of `duration`: the highest score looked at in that second, or, in a second
// no picture was looked at in, the lower of the nearest ones either side.
std::vector<float> ValuesPerSecond(const std::vector<ActivitySample>& samples, double duration);

}  // namespace MOVRA
