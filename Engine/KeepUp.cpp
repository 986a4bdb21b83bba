#include "Engine/KeepUp.h"

namespace MOVRA {

namespace {

// Late by a frame interval: behind. In time again once a picture is ready half an interval
// before it is due, so that one picture just in time does not turn the relief off.
constexpr double kBehindAt = 1.0, kInTimeAt = -0.5;
// Skipping what nothing refers to has had this long and the pictures are still late: the
// frames that must be decoded are decoded at lower cost too.
constexpr auto kCheaperAfter = std::chrono::milliseconds(500);
// The lower cost stays until the pictures have been in time this long: it is what keeps them in
// time, and dropping it at the first picture in time would only fall behind again.
constexpr auto kFullCostAfter = std::chrono::seconds(2);

}  // namespace

void CKeepUp::Reset() {
    m_relief = Relief::kNone;
    m_behind = false;
}

Relief CKeepUp::Note(double late, double interval, Clock::time_point now) {
    const double frames = interval > 0 ? late / interval : 0;
    if (frames >= kBehindAt) {
        if (!m_behind) {
            m_behind = true;
            m_behindSince = now;
        }
        if (m_relief == Relief::kNone) m_relief = Relief::kNonReference;
        else if (m_relief == Relief::kNonReference && now - m_behindSince >= kCheaperAfter) m_relief = Relief::kCheaper;
        return m_relief;
    }
    if (frames > kInTimeAt) return m_relief;  // neither: as it was
    if (m_behind) {
        m_behind = false;
        m_inTimeSince = now;
    }
    if (m_relief == Relief::kNonReference) {
        m_relief = Relief::kNone;
    } else if (m_relief == Relief::kCheaper && now - m_inTimeSince >= kFullCostAfter) {
        m_relief = Relief::kNonReference;  // and from there to none at the next picture in time
        m_inTimeSince = now;
    }
    return m_relief;
}

}  // namespace MOVRA
