#pragma once
// The timeline's time scale as numbers: the span of wall-clock seconds on view, fitted to what is
// open, zoomed around a moment that keeps its place, kept within the recorded days, and the ticks
// whose labels fit it. No drawing here: the panel paints what these say.
#include <ctime>
#include <vector>

namespace KXTimeScale {

constexpr std::time_t kShortest = 60;        // one minute
constexpr std::time_t kLongest = 24 * 3600;  // one day

struct CSpan {
    std::time_t from = 0, to = 0;
    std::time_t Length() const { return to - from; }
};

std::time_t LocalMidnight(std::time_t t);

// The span shows [from, to] moved (never shrunk or stretched beyond the limits) to lie within
// [low, high]; low == high: no bounds.
CSpan Within(CSpan view, std::time_t low, std::time_t high);
// The span that shows [earliest, latest] with a small margin on each side, one minute at least;
// what is wider than a day shows its first day.
CSpan Fit(std::time_t earliest, std::time_t latest);
// A span `length` long (within the limits) in which the moment `at` keeps its share of the span:
// the moment under the mouse stays under it.
CSpan ZoomAround(CSpan view, std::time_t at, std::time_t length);

// The finest of the usual steps (10 s, 1 min, 5 min, 15 min, 1 h ...) at which labels of the given
// widths (with seconds below a minute, else hours and minutes) leave a gap between them.
std::time_t TickStep(CSpan view, int pixels, int labelWidthWithSeconds, int labelWidth);
// The ticks of a step within the span, at whole steps from local midnight.
std::vector<std::time_t> Ticks(CSpan view, std::time_t step);

}  // namespace KXTimeScale
