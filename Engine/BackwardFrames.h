#pragma once
// Frames for playing and stepping backward. Inter-frame codecs only decode forward, so the frames
// before a position are decoded a segment at a time (from the keyframe that opens it) and handed
// out newest first from memory. While those are shown, the segment before them is decoded ahead,
// one picture per call, so that reverse play does not stall at segment boundaries. Memory is
// bounded by a frame count and a byte count; a GOP larger than that is decoded in several
// segments, each from its keyframe.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "Engine/FileIndex.h"
#include "Engine/VideoDecoder.h"

namespace MOVRA {

class CBackwardFrames {
public:
    // `index` must outlive this object and stay unchanged; `decoder` is for this object alone. `width` and `height` are the expected picture
    // size, for the memory bound until a picture has been decoded.
    CBackwardFrames(CVideoDecoder& decoder, const FileIndex& index, int width, int height);
    ~CBackwardFrames();
    CBackwardFrames(const CBackwardFrames&) = delete;
    CBackwardFrames& operator=(const CBackwardFrames&) = delete;

    static constexpr std::size_t kDefaultFrames = 400;
    static constexpr std::size_t kDefaultBytes = std::size_t(160) << 20;
    void SetLimits(std::size_t frames, std::size_t bytes);
    // The objects alive share this many bytes as well, equally: a whole day played backward in
    // sync (every window, and the next file of each) keeps no more than that in frames, however
    // many windows it has. Each segment is planned by the share of the moment.
    static constexpr std::size_t kSharedBytes = std::size_t(1) << 30;
    static void SetSharedBytes(std::size_t bytes);  // tests
    // As CVideoDecoder::SetSkip: at 1 only reference frames are decoded, at 2 only keyframes, and
    // Previous() then passes over the frames that were not decoded.
    void SetSkip(int level);
    void Clear();

    // The newest decodable frame before frame `before`, decoding its segment when it is not in
    // memory; null when no frame before it decodes. `number` receives its frame number.
    std::shared_ptr<const DecodedPicture> Previous(std::size_t before, std::size_t* number);
    // Decodes one picture of the segment before those in memory. False when there is nothing left
    // to do ahead.
    bool ReadAhead();
    // Frame `n` when it is in memory.
    std::shared_ptr<const DecodedPicture> Find(std::size_t n) const;
    // One picture's worth of decoding toward Previous(before): the segment it needs, and no
    // more (many engines may sit paused). False when that is done.
    bool Prefetch(std::size_t before);

    std::size_t CachedFrames() const { return m_current.pictures.size() + m_ahead.pictures.size(); }
    // Pictures handed out by the decoder so far (those decoded only to reach a segment's first
    // frame are not counted).
    std::uint64_t DecodedPictures() const { return m_decoded; }

private:
    struct Segment {
        bool planned = false;
        bool started = false;
        bool complete = false;
        std::size_t key = 0, first = 0, last = 0;  // decoding starts at `key`; kept are first..last
        std::map<std::size_t, std::shared_ptr<const DecodedPicture>> pictures;
        bool Covers(std::size_t n) const { return planned && first <= n && n <= last; }
    };

    Segment Plan(std::size_t last) const;
    std::size_t SegmentLength() const;
    void DecodeStep(Segment& segment);
    void Finish(Segment& segment);
    void PlanAhead();

    CVideoDecoder& m_decoder;
    const FileIndex& m_index;
    std::size_t m_maxFrames = kDefaultFrames, m_maxBytes = kDefaultBytes;
    std::size_t m_pictureBytes = 0;  // learnt from the first picture
    int m_skip = 0;
    Segment m_current, m_ahead;
    CPicturePool m_pool;
    std::uint64_t m_decoded = 0;
};

}  // namespace MOVRA
