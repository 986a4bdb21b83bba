#pragma once
// A recording's activity profile, kept beside its index (Files/IndexFiles.h) so that it is
// worked out once. The stored bytes are bound to the recording twice - by the index folder's
// header (size and times) and by the engine's identity of the file (size and a hash of its first
// bytes) - and carry their own length and checksum: a profile for another, changed or forged
// file is worked out again, never believed.
#include <atomic>
#include <string>
#include <vector>

#include "Engine/ActivityScan.h"
#include "Engine/FileIndex.h"

namespace MOVRA {

std::vector<unsigned char> SerializeActivity(const ActivityResult& result, const FileIdentity& identity);
// False (and `result` untouched) for anything but an intact profile of this very file.
bool ParseActivity(const unsigned char* data, std::size_t length, const FileIdentity& identity, ActivityResult* result);

// The whole picture's activity of a recording: the stored profile when one is current, else
// scanned (ScanActivity) and stored. `stored` says which.
bool ProfileActivity(const std::string& path, const std::atomic<bool>& cancel, const ActivityProgress& progress,
                     ActivityResult* result, std::string* error, bool* stored = nullptr);

}  // namespace MOVRA
