#include "Toolkit/TimeScale.h"

#include <algorithm>
#include <cmath>

namespace KXTimeScale {

namespace {

// The steps a user reads easily, finest first.
constexpr std::time_t kSteps[] = {1,   5,    10,   15,   30,   60,    120,   300,   600,
                                  900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
constexpr int kLabelGap = 12;  // pixels between two labels, so that each reads alone

}  // namespace

std::time_t LocalMidnight(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

CSpan Within(CSpan view, std::time_t low, std::time_t high) {
    const std::time_t length = std::clamp(view.Length(), kShortest, kLongest);
    std::time_t from = view.from;
    if (high > low) from = std::clamp(from, low, std::max(low, high - length));
    return {from, from + length};
}

CSpan Fit(std::time_t earliest, std::time_t latest) {
    if (latest < earliest) std::swap(earliest, latest);
    // A sixteenth of the span on each side, so that the first and last moments are not on the edge.
    const std::time_t margin = std::max<std::time_t>(5, (latest - earliest) / 16);
    CSpan fit{earliest - margin, latest + margin};
    if (fit.Length() < kShortest) {
        const std::time_t middle = earliest + (latest - earliest) / 2;
        fit = {middle - kShortest / 2, middle - kShortest / 2 + kShortest};
    }
    if (fit.Length() > kLongest) fit.to = fit.from + kLongest;
    return fit;
}

CSpan ZoomAround(CSpan view, std::time_t at, std::time_t length) {
    const double old = static_cast<double>(std::max<std::time_t>(1, view.Length()));
    length = std::clamp(length, kShortest, kLongest);
    const double share = std::clamp(static_cast<double>(at - view.from) / old, 0.0, 1.0);
    const std::time_t from = at - static_cast<std::time_t>(std::llround(share * static_cast<double>(length)));
    return {from, from + length};
}

std::time_t TickStep(CSpan view, int pixels, int labelWidthWithSeconds, int labelWidth) {
    const double length = static_cast<double>(std::max<std::time_t>(1, view.Length()));
    for (std::time_t step : kSteps) {
        const int needed = (step < 60 ? labelWidthWithSeconds : labelWidth) + kLabelGap;
        if (static_cast<double>(step) * pixels / length >= needed) return step;
    }
    return kSteps[sizeof(kSteps) / sizeof(kSteps[0]) - 1];
}

std::vector<std::time_t> Ticks(CSpan view, std::time_t step) {
    std::vector<std::time_t> ticks;
    if (step <= 0 || view.to < view.from) return ticks;
    const std::time_t midnight = LocalMidnight(view.from);
    const std::time_t first = midnight + ((view.from - midnight + step - 1) / step) * step;
    for (std::time_t t = first; t <= view.to; t += step) ticks.push_back(t);
    return ticks;
}

}  // namespace KXTimeScale
