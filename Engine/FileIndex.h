#pragma once
// The index of one recording's video: every frame's presentation time and whether it is a
// keyframe, in presentation order, with the frame count and exact duration. Built from packets
// alone (no decoding). Serialised as a versioned, checksummed blob bound to the file by its size
// and a hash of its first bytes, so a blob for another or a changed file is never trusted.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace MOVRA {

struct IndexEntry {
    std::int64_t pts = 0;  // in the video stream's time base
    std::int64_t position = -1;  // byte position of the packet, -1 when unknown
    bool keyframe = false;
};

struct FileIdentity {
    std::uint64_t size = 0;
    std::uint64_t headHash = 0;  // of the first 64 KiB
    bool operator==(const FileIdentity& o) const { return size == o.size && headHash == o.headHash; }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

bool ReadFileIdentity(const std::string& path, FileIdentity* identity);

// The checksum of the engine's stored blobs (and of a file's first bytes in its identity).
std::uint64_t Fnv1a(const unsigned char* data, std::size_t length, std::uint64_t h = 1469598103934665603ull);

struct FileIndex {
    std::vector<IndexEntry> frames;  // presentation order
    std::int32_t timeBaseNum = 1, timeBaseDen = 1;
    std::int64_t frameDuration = 0;  // in the time base; the last frame lasts this long

    std::int64_t FirstPts() const { return frames.empty() ? 0 : frames.front().pts; }
    std::int64_t EndPts() const { return frames.empty() ? 0 : frames.back().pts + frameDuration; }
    double DurationSeconds() const;
    std::size_t KeyframeCount() const;
    // The frame shown at `pts`: the last one whose time is not after it (0 when before all).
    std::size_t FrameAt(std::int64_t pts) const;
    // The keyframe at or before frame `n`.
    std::size_t KeyframeAtOrBefore(std::size_t n) const;
};

// Reads every video packet of the file. False when the file has no readable video packets or
// `cancel` became true.
bool BuildFileIndex(const std::string& path, FileIndex* index, const std::atomic<bool>& cancel);

std::vector<unsigned char> SerializeIndex(const FileIndex& index, const FileIdentity& identity);
// False (and the index untouched) for anything but an intact blob for this very file.
bool ParseIndex(const unsigned char* data, std::size_t length, const FileIdentity& identity, FileIndex* index);

}  // namespace MOVRA
