#pragma once
// SHA-256 of a file's bytes, for evidence that must show it has not changed since it was handed
// over.
#include <atomic>
#include <cstdint>
#include <string>

namespace MOVRA {

// The digest as 64 lowercase hex digits, and the bytes read. False when the file cannot be read
// to its end (`error` says why) or `cancel` became true. Reads the whole file, its zero tail too:
// what is hashed is exactly what is on the disk.
bool Sha256OfFile(const std::string& path, std::string* hex, std::uint64_t* size, std::string* error,
                  const std::atomic<bool>* cancel = nullptr);

// The digest of bytes in memory, in the same form.
std::string Sha256OfBytes(const void* data, std::size_t length);

}  // namespace MOVRA
