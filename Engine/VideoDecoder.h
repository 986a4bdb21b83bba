#pragma once
// Decodes one file's video in presentation order and converts each picture into the engine's
// output layout: planar Y, then V (Cr), then U (Cb), tightly packed, chroma planes of
// ((width+1)/2) x ((height+1)/2).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Engine/KeepUp.h"

namespace MOVRA {

struct DecodedPicture {
    std::int64_t pts = 0;  // in the stream's time base
    int width = 0, height = 0;
    std::vector<std::uint8_t> planes;  // Y, V, U
};

class CVideoDecoder {
public:
    CVideoDecoder();
    ~CVideoDecoder();
    CVideoDecoder(const CVideoDecoder&) = delete;
    CVideoDecoder& operator=(const CVideoDecoder&) = delete;

    bool Open(const std::string& path);
    // The stream's time base and the presentation time of its first frame (when known).
    int TimeBaseNum() const;
    int TimeBaseDen() const;
    std::int64_t StartPts() const;
    // Repositions so that the next picture is the first decodable one at or after the keyframe
    // at or before `pts`. Containers that seek by time land only near it; a landing after `pts`
    // is corrected by seeking again further back.
    bool SeekBefore(std::int64_t pts);
    // Repositions at a keyframe the index found: its packet's byte position and time. Exact
    // where the container can seek by bytes; otherwise as SeekBefore(pts).
    bool SeekToKeyframe(std::int64_t position, std::int64_t pts);
    // 0 decodes every frame, 1 skips frames nothing refers to, 2 decodes keyframes only. Where
    // the next picture comes from after a change is undefined until the next SeekBefore.
    void SetSkip(int level);
    // What the decoder gives up, on top of the skip level, to keep up: from the next packet on,
    // without a seek. Frames nothing refers to are skipped only where their pictures are timed by
    // the container (else a skipped one would leave its time to the next picture).
    void SetRelief(Relief relief);
    // Pictures shown at half their size or less are decoded without deblocking, from the next
    // packet on.
    void SetShownSmall(bool small);
    // The next picture in presentation order; false at the end of the stream. Damaged packets
    // are passed over. The planes' storage is reused when it is large enough.
    bool Next(DecodedPicture* picture);
    // Pictures up to and including `pts` are decoded (later ones need them) but not converted
    // nor returned, until the first later one; what a seek decodes only to reach its target.
    void DiscardThrough(std::int64_t pts);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Pictures to decode into, reused once nothing else holds them: a picture is large, and fresh
// memory for each one costs more than the copy into it.
class CPicturePool {
public:
    std::shared_ptr<DecodedPicture> Acquire() {
        for (auto& p : m_pictures)
            if (p.use_count() == 1) return p;
        auto p = std::make_shared<DecodedPicture>();
        if (m_pictures.size() < kKept) m_pictures.push_back(p);
        return p;
    }

private:
    static constexpr std::size_t kKept = 6;
    std::vector<std::shared_ptr<DecodedPicture>> m_pictures;
};

// Bytes of one picture in the output layout.
inline std::size_t PlanarSize(int width, int height) {
    const std::size_t chroma = static_cast<std::size_t>((width + 1) / 2) * ((height + 1) / 2);
    return static_cast<std::size_t>(width) * height + 2 * chroma;
}

}  // namespace MOVRA
