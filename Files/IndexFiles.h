#pragma once
// One index file per recording under "<program folder>/Index/", named after the recording with
// ".rvx": a 24-byte little-endian header (size, creation time and modification time of the
// recording) and the engine's index bytes. The header ties the index to one version of the
// recording; an index whose header does not match is ignored and replaced by the next save.
// All of it runs on the play loop.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

constexpr std::size_t kIndexHeaderSize = 24;
// Below this much free space a save first deletes index files unused for a week.
constexpr std::uint64_t kIndexCleanUpFreeSpace = 100ull * 1024 * 1024;
constexpr std::int64_t kIndexMaxIdleSeconds = 7 * 24 * 3600;
// An index file is the player's own, but anyone can replace it: a payload beyond this is refused
// instead of allocated.
constexpr std::uint64_t kIndexMaxPayload = 256ull * 1024 * 1024;

std::wstring IndexFolder();  // "<program folder>/Index/"
std::wstring IndexPathFor(const std::wstring& recordingPath);
constexpr const wchar_t* kIndexExtension = L".rvx";

// 1 when the recording's status can be read, its index opens, and the header matches.
int IsIndexCurrent(const std::wstring& recordingPath);

// Saves the engine's bytes for the recording. Nothing is written for empty data, for a recording
// whose status cannot be read (no index could ever match it), when the existing index file is
// empty (an empty index is never overwritten), or when the Index folder is missing. The file is
// written beside its final name and renamed over it, so a crash or a full disk leaves the old
// index or the new one, never a torn one. 1 when the index was written.
int WriteIndexFile(const unsigned char* data, std::size_t length, const std::wstring& recordingPath);

// When the index is current, reads its payload (possibly zero bytes) and hands it to `consume`,
// the engine's SetRefValue. 1 when something was handed over.
using IndexPayloadConsumer = std::function<void(const unsigned char* data, std::size_t length)>;
int LoadIndex(const std::wstring& recordingPath, const IndexPayloadConsumer& consume);

// Other data derived from a recording (its activity profile) lives beside its index, named after
// the recording with its own extension, and is tied to the recording by the same header and
// replaced the same way: the two functions above for a file with `extension`.
std::wstring CompanionPathFor(const std::wstring& recordingPath, const wchar_t* extension);
int WriteCompanionFile(const unsigned char* data, std::size_t length, const std::wstring& recordingPath,
                       const wchar_t* extension);
int LoadCompanion(const std::wstring& recordingPath, const wchar_t* extension, const IndexPayloadConsumer& consume);

// Deletes index files last read more than a week ago. Returns how many it deleted.
int CleanIndexFolder();

// What the index code asks of the system, replaceable by tests. Null restores the real one.
using IndexFreeSpaceQuery = int (*)(const char* folder, std::uint64_t* freeBytes);
using IndexClock = std::int64_t (*)();
void SetIndexFreeSpaceQuery(IndexFreeSpaceQuery query);
void SetIndexClock(IndexClock clock);
