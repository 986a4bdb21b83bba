// The stored activity profile (the ".rva" companion of a recording): damaged, forged or for another
// file, it is refused - and then worked out again - or gives a profile the player can draw and
// step through as it is; a profile written and read back is the same profile.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Engine/ActivityStore.h"

namespace {

const MOVRA::FileIdentity kIdentity{4096, 0x1234567890abcdefull};

// What the timeline and the jump to activity do with a profile: seconds from its values, whole
// wall-clock seconds from its spans.
void Use(const MOVRA::ActivityResult& r) {
    if (r.perSecond.size() != static_cast<std::size_t>(std::ceil(r.duration))) std::abort();
    volatile long long sink = std::llround(r.startWallClock);
    for (float v : r.perSecond)
        if (!(v >= 0 && v <= 1)) std::abort();
    for (const MOVRA::ActivitySpan& s : r.spans) {
        if (!(s.start <= s.peak && s.peak <= s.end && s.score >= 0 && s.score <= 1)) std::abort();
        sink = sink + static_cast<long long>(std::floor(r.startWallClock + s.start)) +
               static_cast<long long>(std::ceil(r.startWallClock + s.end));
        const double second = std::floor(s.peak);
        if (second >= 0 && second < static_cast<double>(r.perSecond.size()))
            sink = sink + static_cast<long long>(r.perSecond[static_cast<std::size_t>(second)] * 1000);
    }
}

double Take(const std::uint8_t*& p, const std::uint8_t* end, double scale) {
    if (p == end) return 0;
    return *p++ * scale;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    MOVRA::ActivityResult result;
    if (!(data[0] & 1)) {
        // As the bytes are, read as the file would be.
        if (MOVRA::ParseActivity(data + 1, size - 1, kIdentity, &result)) Use(result);
        return 0;
    }
    // A profile made of the bytes, written, read back whole, then damaged at one place.
    const std::uint8_t* p = data + 1;
    const std::uint8_t* end = data + size;
    MOVRA::ActivityResult made;
    made.startWallClock = 1710496800 + Take(p, end, 3600);
    made.duration = Take(p, end, 7.5) + Take(p, end, 0.01);
    for (int i = 0; i < static_cast<int>(std::ceil(made.duration)); ++i) made.perSecond.push_back(static_cast<float>(Take(p, end, 1 / 255.0)));
    double at = 0;
    while (p != end && made.spans.size() < made.perSecond.size()) {
        MOVRA::ActivitySpan s;
        s.start = at + Take(p, end, 0.1);
        s.peak = s.start + Take(p, end, 0.05);
        s.end = s.peak + Take(p, end, 0.05);
        s.score = static_cast<float>(Take(p, end, 1 / 255.0));
        if (s.end > made.duration) break;
        made.spans.push_back(s);
        at = s.end;
    }
    std::vector<unsigned char> blob = MOVRA::SerializeActivity(made, kIdentity);
    if (!MOVRA::ParseActivity(blob.data(), blob.size(), kIdentity, &result) || result.perSecond != made.perSecond ||
        result.spans.size() != made.spans.size() || result.startWallClock != made.startWallClock || result.duration != made.duration)
        std::abort();
    MOVRA::ActivityResult other;
    if (MOVRA::ParseActivity(blob.data(), blob.size(), MOVRA::FileIdentity{4097, kIdentity.headHash}, &other) ||
        MOVRA::ParseActivity(blob.data(), blob.size(), MOVRA::FileIdentity{4096, kIdentity.headHash + 1}, &other))
        std::abort();  // another file's profile is refused
    blob[data[size - 1] % blob.size()] ^= static_cast<unsigned char>(data[size / 2] | 1);
    blob.resize(blob.size() - (data[0] >> 1) % 3);
    if (data[0] & 8) {
        // Forged rather than damaged: its checksum made to match, as anyone can.
        const std::uint64_t sum = MOVRA::Fnv1a(blob.data(), blob.size() - 8);
        for (int i = 0; i < 8; ++i) blob[blob.size() - 8 + i] = static_cast<unsigned char>(sum >> (8 * i));
    }
    MOVRA::ActivityResult damaged;
    if (MOVRA::ParseActivity(blob.data(), blob.size(), kIdentity, &damaged)) Use(damaged);
    return 0;
}
