#include "Engine/ActivityStore.h"

#include <cmath>
#include <cstring>

#include "Base/StreamConvert.h"
#include "Files/IndexFiles.h"

namespace MOVRA {

namespace {

constexpr char kMagic[8] = {'T', 'V', 'X', 'A', 'C', 'T', 'I', 'V'};
constexpr std::uint32_t kVersion = 1;
constexpr const wchar_t* kExtension = L".rva";
constexpr std::size_t kHeaderSize = 8 + 4 + 8 + 8 + 8 + 8 + 4 + 4;
constexpr std::size_t kSpanSize = 4 * 8;
constexpr std::uint64_t kMaxSeconds = 40ull * 24 * 3600;  // longer than any one recording
// Wall clocks past the year 5000 either way: the player turns the start into whole seconds.
constexpr double kMaxWallClock = 1e11;

void Put(std::vector<unsigned char>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void PutDouble(std::vector<unsigned char>& out, double d) {
    std::uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    Put(out, v, 8);
}
std::uint64_t Get(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return v;
}
double GetDouble(const unsigned char* p) {
    const std::uint64_t v = Get(p, 8);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

}  // namespace

std::vector<unsigned char> SerializeActivity(const ActivityResult& r, const FileIdentity& identity) {
    std::vector<unsigned char> out(kMagic, kMagic + 8);
    Put(out, kVersion, 4);
    Put(out, identity.size, 8);
    Put(out, identity.headHash, 8);
    PutDouble(out, r.startWallClock);
    PutDouble(out, r.duration);
    Put(out, r.perSecond.size(), 4);
    Put(out, r.spans.size(), 4);
    for (float v : r.perSecond) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        Put(out, bits, 4);
    }
    for (const ActivitySpan& s : r.spans) {
        PutDouble(out, s.start);
        PutDouble(out, s.end);
        PutDouble(out, s.peak);
        PutDouble(out, s.score);
    }
    Put(out, Fnv1a(out.data(), out.size()), 8);
    return out;
}

bool ParseActivity(const unsigned char* data, std::size_t length, const FileIdentity& identity, ActivityResult* result) {
    if (!data || length < kHeaderSize + 8 || std::memcmp(data, kMagic, 8) != 0 || Get(data + 8, 4) != kVersion) return false;
    if (Get(data + 12, 8) != identity.size || Get(data + 20, 8) != identity.headHash) return false;
    if (Get(data + length - 8, 8) != Fnv1a(data, length - 8)) return false;
    ActivityResult r;
    r.startWallClock = GetDouble(data + 28);
    r.duration = GetDouble(data + 36);
    const std::uint64_t values = Get(data + 44, 4), spans = Get(data + 48, 4);
    if (!(std::fabs(r.startWallClock) <= kMaxWallClock) || !std::isfinite(r.duration) || r.duration < 0 ||
        r.duration > static_cast<double>(kMaxSeconds) || values != static_cast<std::uint64_t>(std::ceil(r.duration)) ||
        spans > values + 1 || length != kHeaderSize + values * 4 + spans * kSpanSize + 8)
        return false;
    const unsigned char* p = data + kHeaderSize;
    for (std::uint64_t i = 0; i < values; ++i, p += 4) {
        const auto bits = static_cast<std::uint32_t>(Get(p, 4));
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (!(v >= 0 && v <= 1)) return false;
        r.perSecond.push_back(v);
    }
    for (std::uint64_t i = 0; i < spans; ++i, p += kSpanSize) {
        // The score is checked while it is a double: one out of a float's range has no float.
        const double score = GetDouble(p + 24);
        ActivitySpan s{GetDouble(p), GetDouble(p + 8), GetDouble(p + 16), 0};
        if (!(s.start >= 0 && s.start <= s.peak && s.peak <= s.end && s.end <= r.duration + 2 && score >= 0 && score <= 1))
            return false;
        s.score = static_cast<float>(score);
        r.spans.push_back(s);
    }
    *result = std::move(r);
    return true;
}

bool ProfileActivity(const std::string& path, const std::atomic<bool>& cancel, const ActivityProgress& progress,
                     ActivityResult* result, std::string* error, bool* stored) {
    if (stored) *stored = false;
    const std::wstring wide = KX_SOFT_BASE::NativeToWide(path);
    FileIdentity identity;
    const bool known = ReadFileIdentity(path, &identity);
    if (known) {
        bool parsed = false;
        LoadCompanion(wide, kExtension, [&](const unsigned char* data, std::size_t length) {
            parsed = ParseActivity(data, length, identity, result);
        });
        if (parsed) {
            if (stored) *stored = true;
            if (progress) progress(1);
            return true;
        }
    }
    ActivityScanOptions options;
    if (!ScanActivity(path, options, cancel, progress, result, error)) return false;
    if (known) {
        const std::vector<unsigned char> blob = SerializeActivity(*result, identity);
        WriteCompanionFile(blob.data(), blob.size(), wide, kExtension);
    }
    return true;
}

}  // namespace MOVRA
