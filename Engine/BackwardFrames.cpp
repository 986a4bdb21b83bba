#include "Engine/BackwardFrames.h"

#include <algorithm>
#include <atomic>

namespace MOVRA {

namespace {

// With keyframes only, a segment spans this many GOPs: one seek serves several keyframes.
constexpr std::size_t kKeyframesPerSegment = 4;

// The objects alive, on any engine's thread, and what they share.
std::atomic<std::size_t> g_alive{0};
std::atomic<std::size_t> g_sharedBytes{CBackwardFrames::kSharedBytes};

}  // namespace

CBackwardFrames::CBackwardFrames(CVideoDecoder& decoder, const FileIndex& index, int width, int height)
    : m_decoder(decoder), m_index(index), m_pictureBytes(PlanarSize(std::max(width, 1), std::max(height, 1))) {
    ++g_alive;
}

CBackwardFrames::~CBackwardFrames() { --g_alive; }

void CBackwardFrames::SetSharedBytes(std::size_t bytes) { g_sharedBytes = bytes; }

void CBackwardFrames::SetLimits(std::size_t frames, std::size_t bytes) {
    m_maxFrames = std::max<std::size_t>(frames, 2);
    m_maxBytes = bytes;
    Clear();
}

void CBackwardFrames::SetSkip(int level) {
    if (level == m_skip) return;
    m_skip = level;
    Clear();
}

void CBackwardFrames::Clear() {
    m_current = Segment();
    m_ahead = Segment();
}

std::size_t CBackwardFrames::SegmentLength() const {
    // Two segments live at once: the one being shown and the one decoded ahead.
    const std::size_t share = g_sharedBytes.load() / std::max<std::size_t>(g_alive.load(), 1);
    const std::size_t byBytes = std::min(m_maxBytes, share) / std::max<std::size_t>(m_pictureBytes, 1);
    return std::max<std::size_t>(1, std::min(m_maxFrames, byBytes) / 2);
}

CBackwardFrames::Segment CBackwardFrames::Plan(std::size_t last) const {
    Segment s;
    s.planned = true;
    s.last = last;
    s.key = m_index.KeyframeAtOrBefore(last);
    if (m_skip >= 2) {
        for (std::size_t n = 1; n < kKeyframesPerSegment && s.key > 0; ++n) s.key = m_index.KeyframeAtOrBefore(s.key - 1);
        s.first = s.key;
    } else {
        const std::size_t length = SegmentLength();
        s.first = last + 1 >= length ? std::max(s.key, last + 1 - length) : s.key;
    }
    return s;
}

void CBackwardFrames::DecodeStep(Segment& s) {
    if (s.complete) return;
    const std::vector<IndexEntry>& frames = m_index.frames;
    if (!s.started) {
        m_decoder.SetSkip(m_skip);
        s.started = true;
        if (!m_decoder.SeekToKeyframe(frames[s.key].position, frames[s.key].pts)) {
            s.complete = true;
            return;
        }
        m_decoder.DiscardThrough(frames[s.first].pts - 1);
    }
    std::shared_ptr<DecodedPicture> picture = m_pool.Acquire();
    if (!m_decoder.Next(picture.get())) {
        s.complete = true;
        return;
    }
    ++m_decoded;
    m_pictureBytes = std::max(m_pictureBytes, picture->planes.size());
    // Pictures come in presentation order: one past the segment ends it.
    if (picture->pts > frames[s.last].pts) {
        s.complete = true;
        return;
    }
    if (picture->pts < frames[s.first].pts) return;
    const std::size_t n = m_index.FrameAt(picture->pts);
    s.pictures[n] = std::move(picture);
    if (n == s.last) s.complete = true;
}

void CBackwardFrames::Finish(Segment& s) {
    while (!s.complete) DecodeStep(s);
}

void CBackwardFrames::PlanAhead() {
    if (m_ahead.planned || !m_current.planned || m_current.first == 0) return;
    m_ahead = Plan(m_current.first - 1);
}

std::shared_ptr<const DecodedPicture> CBackwardFrames::Previous(std::size_t before, std::size_t* number) {
    before = std::min(before, m_index.frames.size());
    while (before > 0) {
        const std::size_t target = before - 1;
        if (!m_current.Covers(target)) {
            if (m_ahead.Covers(target)) {
                m_current = std::move(m_ahead);
            } else {
                m_current = Plan(target);
            }
            m_ahead = Segment();
        }
        Finish(m_current);
        auto it = m_current.pictures.upper_bound(target);
        if (it != m_current.pictures.begin()) {
            --it;
            if (number) *number = it->first;
            PlanAhead();
            return it->second;
        }
        before = m_current.first;  // nothing decodable in this segment: go on before it
    }
    return nullptr;
}

std::shared_ptr<const DecodedPicture> CBackwardFrames::Find(std::size_t n) const {
    for (const Segment* s : {&m_current, &m_ahead}) {
        auto it = s->pictures.find(n);
        if (it != s->pictures.end()) return it->second;
    }
    return nullptr;
}

bool CBackwardFrames::Prefetch(std::size_t before) {
    before = std::min(before, m_index.frames.size());
    if (before == 0) return false;
    const std::size_t target = before - 1;
    if (!m_current.Covers(target)) {
        m_current = m_ahead.Covers(target) ? std::move(m_ahead) : Plan(target);
        m_ahead = Segment();
    }
    if (m_current.complete) return false;
    DecodeStep(m_current);
    return true;
}

bool CBackwardFrames::ReadAhead() {
    PlanAhead();
    if (!m_ahead.planned || m_ahead.complete) return false;
    if (!m_current.complete) return false;  // one segment at a time on the decoder
    DecodeStep(m_ahead);
    return true;
}

}  // namespace MOVRA
