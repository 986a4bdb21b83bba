// The engine's index blob (what an index file carries): damaged, forged or for another file, it is
// refused or gives an index whose lookups stay inside it; an index written and read back is the
// same index.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Engine/FileIndex.h"

namespace {

void Probe(const MOVRA::FileIndex& index, const std::uint8_t* data, std::size_t size) {
    const std::size_t n = index.frames.size();
    for (std::size_t i = 0; i < 8 && i < size; ++i) {
        const std::int64_t pts = static_cast<std::int64_t>(data[i]) * 997 - 5000 + index.FirstPts();
        const std::size_t at = index.FrameAt(pts);
        if (n && at >= n) std::abort();
        if (n && index.KeyframeAtOrBefore(at) >= n) std::abort();
    }
    index.KeyframeCount();
    index.EndPts();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const MOVRA::FileIdentity identity{4096, 0x1234567890abcdefull};
    MOVRA::FileIndex index;
    if (!(data[0] & 1)) {
        // As the bytes are.
        if (MOVRA::ParseIndex(data + 1, size - 1, identity, &index)) Probe(index, data, size);
        return 0;
    }
    // An index made of the bytes, written, checked to read back whole, then damaged at one place.
    MOVRA::FileIndex made;
    made.timeBaseNum = 1;
    made.timeBaseDen = 90000;
    made.frameDuration = 3600;
    std::int64_t pts = 0;
    for (std::size_t i = 1; i + 1 < size && made.frames.size() < 4096; i += 2) {
        MOVRA::IndexEntry e;
        pts += 40 + data[i] * 40;  // strictly increasing, as presentation order is
        e.pts = pts;
        e.position = data[i + 1] & 0x80 ? -1 : static_cast<std::int64_t>(i) * 188;
        e.keyframe = (data[i + 1] & 1) != 0 || made.frames.empty();
        made.frames.push_back(e);
    }
    if (made.frames.empty()) return 0;  // a file without frames has no index to keep
    std::vector<unsigned char> blob = MOVRA::SerializeIndex(made, identity);
    if (!MOVRA::ParseIndex(blob.data(), blob.size(), identity, &index) || index.frames.size() != made.frames.size())
        std::abort();
    MOVRA::FileIndex other;
    if (MOVRA::ParseIndex(blob.data(), blob.size(), MOVRA::FileIdentity{4097, identity.headHash}, &other))
        std::abort();  // another file's index is refused
    if (!blob.empty()) {
        blob[data[size - 1] % blob.size()] ^= static_cast<unsigned char>(data[size / 2] | 1);
        blob.resize(blob.size() - (data[0] >> 1) % 3);
        MOVRA::FileIndex damaged;
        if (MOVRA::ParseIndex(blob.data(), blob.size(), identity, &damaged)) Probe(damaged, data, size);
    }
    return 0;
}
