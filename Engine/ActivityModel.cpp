#include "Engine/ActivityModel.h"

#include <algorithm>
#include <cmath>

namespace MOVRA {

namespace {

constexpr double kStretchSeconds = 10;  // one background per stretch of this length
constexpr double kWindowSeconds = 30;  // learnt from the pictures this far either side
constexpr std::size_t kMaxLearnt = 31;  // of them, at most this many, evenly chosen
constexpr std::size_t kMinLearnt = 9;
// In normalised brightness (an interquartile range is 64): the least difference that is change,
// and how many noise deviations it takes.
constexpr float kLevelScale = 64;
constexpr float kMinDifference = 11;
constexpr float kNoiseFactor = 4.5f;
constexpr float kEdgeShare = 0.3f;  // of the brightness range around a cell, where coders err most
constexpr float kMinSpread = 32;  // a flat picture's noise is not stretched into change
constexpr double kJoinGap = 1.6;  // seconds between changed pictures of one span
constexpr double kPersistSeconds = 0.5;  // pictures this close show the same things
// How far (in cells) a change may have moved from one picture to the next to be the same thing:
// someone running across the picture in two seconds.
constexpr int kPersistCells = 3;
constexpr float kStartScore = 2 * kActiveScore;  // what opens a span
constexpr double kSteadyShare = 0.6;  // of a span's pictures that show the change
constexpr float kLoneScore = 3 * kActiveScore;  // a span of one picture must show this much

// Median and interquartile range of a grid's cells: what light does to the whole picture.
struct Levels {
    float median = 128, spread = kLevelScale;
};

Levels LevelsOf(const std::vector<std::uint8_t>& cells) {
    int histogram[256] = {0};
    for (std::uint8_t c : cells) ++histogram[c];
    const std::size_t n = cells.size();
    auto quantile = [&](double q) {
        const std::size_t wanted = static_cast<std::size_t>(q * static_cast<double>(n - 1));
        std::size_t seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += static_cast<std::size_t>(histogram[v]);
            if (seen > wanted) return static_cast<float>(v);
        }
        return 255.0f;
    };
    Levels l;
    if (n == 0) return l;
    l.median = quantile(0.5);
    l.spread = std::max(kMinSpread, quantile(0.75) - quantile(0.25));
    return l;
}

void Normalise(const std::vector<std::uint8_t>& cells, std::vector<float>* out) {
    const Levels l = LevelsOf(cells);
    out->resize(cells.size());
    const float scale = kLevelScale / l.spread;
    for (std::size_t i = 0; i < cells.size(); ++i) (*out)[i] = (static_cast<float>(cells[i]) - l.median) * scale;
}

}  // namespace

bool ActivityRegion::IsValid() const {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(w) && std::isfinite(h) && x >= 0 && y >= 0 &&
           w > 0 && h > 0 && x + w <= 1 + 1e-9 && y + h <= 1 + 1e-9;
}

CActivityModel::CActivityModel(const GridShape& shape, const ActivityRegion& region) : m_shape(shape) {
    m_inRegion.assign(static_cast<std::size_t>(shape.columns) * shape.rows, 0);
    for (int r = 0; r < shape.rows; ++r)
        for (int c = 0; c < shape.columns; ++c) {
            // A cell belongs to the region when its centre lies inside.
            const double cx = (c + 0.5) / shape.columns, cy = (r + 0.5) / shape.rows;
            if (cx >= region.x && cx < region.x + region.w && cy >= region.y && cy < region.y + region.h) {
                m_inRegion[static_cast<std::size_t>(r) * shape.columns + c] = 1;
                ++m_regionCells;
            }
        }
}

void CActivityModel::Learn(const std::vector<ActivitySample>& samples) {
    std::vector<const ActivitySample*> learnt;
    for (const ActivitySample& s : samples)
        if (s.background && s.cells.size() == m_inRegion.size()) learnt.push_back(&s);
    m_stretches.clear();
    if (learnt.empty()) return;
    std::vector<std::vector<float>> normalised(learnt.size());
    for (std::size_t i = 0; i < learnt.size(); ++i) Normalise(learnt[i]->cells, &normalised[i]);

    const double end = learnt.back()->seconds;
    const std::size_t cells = m_inRegion.size();
    std::vector<float> values, deviations;
    for (double start = 0; start <= end || m_stretches.empty(); start += kStretchSeconds) {
        const double middle = start + kStretchSeconds / 2;
        auto first = std::lower_bound(learnt.begin(), learnt.end(), middle - kWindowSeconds,
                                      [](const ActivitySample* s, double t) { return s->seconds < t; });
        auto last = std::upper_bound(learnt.begin(), learnt.end(), middle + kWindowSeconds,
                                     [](double t, const ActivitySample* s) { return t < s->seconds; });
        std::size_t from = static_cast<std::size_t>(first - learnt.begin()), to = static_cast<std::size_t>(last - learnt.begin());
        // Too few pictures in the window (a short file, sparse keyframes): the nearest ones.
        while (to - from < kMinLearnt && (from > 0 || to < learnt.size())) {
            const bool before = from > 0 && (to == learnt.size() || middle - learnt[from - 1]->seconds < learnt[to]->seconds - middle);
            if (before) --from;
            else ++to;
        }
        const std::size_t count = to - from;
        const std::size_t step = (count + kMaxLearnt - 1) / kMaxLearnt;
        Stretch stretch;
        stretch.start = start;
        stretch.background.resize(cells);
        stretch.tolerance.resize(cells);
        for (std::size_t c = 0; c < cells; ++c) {
            values.clear();
            for (std::size_t i = from; i < to; i += step) values.push_back(normalised[i][c]);
            auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
            std::nth_element(values.begin(), mid, values.end());
            const float median = *mid;
            deviations.clear();
            for (float v : values) deviations.push_back(std::fabs(v - median));
            auto dmid = deviations.begin() + static_cast<std::ptrdiff_t>(deviations.size() / 2);
            std::nth_element(deviations.begin(), dmid, deviations.end());
            stretch.background[c] = median;
            stretch.tolerance[c] = std::max(kMinDifference, kNoiseFactor * 1.4826f * *dmid);
        }
        // Where the picture has edges, a coder blurs or sharpens them from one picture to the next:
        // there a change must also stand out against the edge.
        const int cols = m_shape.columns, rows = m_shape.rows;
        std::vector<float> edge(cells, 0);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const std::size_t i = static_cast<std::size_t>(r) * cols + c;
                float low = stretch.background[i], high = low;
                for (int rr = std::max(0, r - 1); rr <= std::min(rows - 1, r + 1); ++rr)
                    for (int cc = std::max(0, c - 1); cc <= std::min(cols - 1, c + 1); ++cc) {
                        const float b = stretch.background[static_cast<std::size_t>(rr) * cols + cc];
                        low = std::min(low, b);
                        high = std::max(high, b);
                    }
                edge[i] = high - low;
            }
        for (std::size_t c = 0; c < cells; ++c) stretch.tolerance[c] = std::max(stretch.tolerance[c], kEdgeShare * edge[c]);
        m_stretches.push_back(std::move(stretch));
    }
}

const CActivityModel::Stretch& CActivityModel::StretchAt(double seconds) const {
    const double index = std::floor(seconds / kStretchSeconds);
    const std::size_t i = index <= 0 ? 0 : std::min(m_stretches.size() - 1, static_cast<std::size_t>(index));
    return m_stretches[i];
}

float CActivityModel::Score(const ActivitySample& sample) const {
    std::vector<std::uint8_t> changed;
    return static_cast<float>(Changes(sample, &changed)) / static_cast<float>(std::max(1, m_regionCells));
}

int CActivityModel::Changes(const ActivitySample& sample, std::vector<std::uint8_t>* counted) const {
    counted->assign(m_inRegion.size(), 0);
    if (m_stretches.empty() || m_regionCells == 0 || sample.cells.size() != m_inRegion.size()) return 0;
    const Stretch& s = StretchAt(sample.seconds);
    std::vector<float> n;
    Normalise(sample.cells, &n);
    // The median and spread leave a little of the light's change in (they move in whole grey
    // levels): what remains is taken out by fitting the picture to the background over the cells
    // that roughly agree with it.
    double sx = 0, sy = 0, sxx = 0, sxy = 0, fitted = 0;
    for (std::size_t i = 0; i < n.size(); ++i) {
        // Cells that always move say nothing about the light.
        if (s.tolerance[i] > 2 * kMinDifference || std::fabs(n[i] - s.background[i]) > 2 * s.tolerance[i]) continue;
        sx += n[i];
        sy += s.background[i];
        sxx += static_cast<double>(n[i]) * n[i];
        sxy += static_cast<double>(n[i]) * s.background[i];
        ++fitted;
    }
    double gain = 1, offset = 0;
    const double denominator = fitted * sxx - sx * sx;
    if (fitted > static_cast<double>(n.size()) / 4 && denominator > 0) {
        gain = (fitted * sxy - sx * sy) / denominator;
        offset = (sy - gain * sx) / fitted;
        if (!(gain > 0.5 && gain < 2)) gain = 1, offset = 0;
    }
    std::vector<std::uint8_t> changed(n.size());
    for (std::size_t i = 0; i < n.size(); ++i) {
        const float difference = std::fabs(static_cast<float>(gain * n[i] + offset) - s.background[i]);
        changed[i] = difference > 2 * s.tolerance[i] ? 2 : difference > s.tolerance[i] ? 1 : 0;
    }
    const int cols = m_shape.columns, rows = m_shape.rows;
    int count = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const std::size_t i = static_cast<std::size_t>(r) * cols + c;
            if (!changed[i] || !m_inRegion[i]) continue;
            const bool neighbour = (c > 0 && changed[i - 1]) || (c + 1 < cols && changed[i + 1]) ||
                                   (r > 0 && changed[i - cols]) || (r + 1 < rows && changed[i + cols]);
            if (neighbour) {
                ++count;
                (*counted)[i] = changed[i];
            }
        }
    return count;
}

void CActivityModel::ScoreAll(std::vector<ActivitySample>* samples) const {
    std::vector<std::vector<std::uint8_t>> changes(samples->size());
    for (std::size_t i = 0; i < samples->size(); ++i) Changes((*samples)[i], &changes[i]);
    const int cols = m_shape.columns, rows = m_shape.rows;
    // Whether cell (r, c) or one near it changed in picture j.
    auto near = [&](std::size_t j, int r, int c) {
        for (int dr = -kPersistCells; dr <= kPersistCells; ++dr)
            for (int dc = -kPersistCells; dc <= kPersistCells; ++dc) {
                const int rr = r + dr, cc = c + dc;
                if (rr >= 0 && rr < rows && cc >= 0 && cc < cols && changes[j][static_cast<std::size_t>(rr) * cols + cc]) return true;
            }
        return false;
    };
    for (std::size_t i = 0; i < samples->size(); ++i) {
        ActivitySample& s = (*samples)[i];
        const bool before = i > 0 && s.seconds - (*samples)[i - 1].seconds <= kPersistSeconds;
        const bool after = i + 1 < samples->size() && (*samples)[i + 1].seconds - s.seconds <= kPersistSeconds;
        int count = 0, clear = 0;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                if (!changes[i][static_cast<std::size_t>(r) * cols + c]) continue;
                // A picture without a close one on either side (a keyframe where nothing between
                // keyframes was decoded) is taken as it is.
                if (!before || !after || near(i - 1, r, c) || near(i + 1, r, c)) {
                    ++count;
                    if (changes[i][static_cast<std::size_t>(r) * cols + c] == 2) ++clear;
                }
            }
        s.score = static_cast<float>(count) / static_cast<float>(std::max(1, m_regionCells));
        s.clear = static_cast<float>(clear) / static_cast<float>(std::max(1, m_regionCells));
    }
}

std::vector<ActivitySpan> FindSpans(const std::vector<ActivitySample>& samples) {
    std::vector<ActivitySpan> spans;
    bool open = false;
    int changedPictures = 0, quietPictures = 0, quietSince = 0;
    ActivitySpan span;
    // A thing in view changes most pictures of its span; a coder's mistakes come and go.
    auto close = [&] {
        const bool steady = changedPictures >= kSteadyShare * (changedPictures + quietPictures);
        if (open && steady && (changedPictures >= 2 || span.score >= kLoneScore)) spans.push_back(span);
        open = false;
    };
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const ActivitySample& s = samples[i];
        if (open && s.score < kActiveScore) ++quietSince;
        if (open && s.score >= kActiveScore && s.seconds - span.end > kJoinGap) close();
        // A span begins with a clear change and goes on while some is left.
        if (open ? s.score < kActiveScore : (s.score < kStartScore || s.clear < kActiveScore)) continue;
        // A span ends where the next picture looked at no longer shows the change.
        const double next = i + 1 < samples.size() ? samples[i + 1].seconds : s.seconds;
        const double until = std::max(s.seconds, std::min(next, s.seconds + 1.0));
        if (!open) {
            open = true;
            changedPictures = quietPictures = quietSince = 0;
            span = ActivitySpan{s.seconds, until, s.seconds, s.score};
        }
        ++changedPictures;
        quietPictures += quietSince;
        quietSince = 0;
        span.end = std::max(span.end, until);
        if (s.score > span.score) {
            span.score = s.score;
            span.peak = s.seconds;
        }
    }
    close();
    return spans;
}

std::vector<float> ValuesPerSecond(const std::vector<ActivitySample>& samples, double duration) {
    const std::size_t seconds = duration > 0 ? static_cast<std::size_t>(std::ceil(duration)) : 0;
    std::vector<float> values(seconds, -1.0f);
    for (const ActivitySample& s : samples) {
        if (s.seconds < 0) continue;
        const std::size_t i = static_cast<std::size_t>(s.seconds);
        if (i < seconds) values[i] = std::max(values[i], s.score);
    }
    // Seconds between looked-at pictures: the lower neighbour, so a quiet stretch stays quiet.
    float before = -1;
    std::vector<float> after(seconds, -1.0f);
    for (std::size_t i = seconds; i-- > 0;) after[i] = values[i] >= 0 ? values[i] : (i + 1 < seconds ? after[i + 1] : -1.0f);
    for (std::size_t i = 0; i < seconds; ++i) {
        if (values[i] >= 0) {
            before = values[i];
            continue;
        }
        const float next = after[i];
        values[i] = before < 0 ? std::max(0.0f, next) : next < 0 ? before : std::min(before, next);
    }
    return values;
}

}  // namespace MOVRA
