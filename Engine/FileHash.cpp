#include "Engine/FileHash.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace MOVRA {

namespace {

struct ShaDeleter {
    void operator()(AVSHA* sha) const { av_free(sha); }
};
using ShaPtr = std::unique_ptr<AVSHA, ShaDeleter>;

ShaPtr NewSha256() {
    ShaPtr sha(av_sha_alloc());
    if (sha && av_sha_init(sha.get(), 256) < 0) sha.reset();
    return sha;
}

std::string Finish(AVSHA* sha) {
    std::uint8_t digest[32];
    av_sha_final(sha, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    return hex;
}

}  // namespace

bool Sha256OfFile(const std::string& path, std::string* hex, std::uint64_t* size, std::string* error,
                  const std::atomic<bool>* cancel) {
    // Only a regular file: a pipe or a device named in a forged report would never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return (*error = std::strerror(errno), false);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return (*error = "not a regular file", false);
    }
    ShaPtr sha = NewSha256();
    if (!sha) {
        ::close(fd);
        return (*error = "out of memory", false);
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    std::uint64_t total = 0;
    for (;;) {
        if (cancel && *cancel) {
            ::close(fd);
            return (*error = "cancelled", false);
        }
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        // av_sha_update takes an unsigned int length: 1 MiB pieces fit.
        av_sha_update(sha.get(), buffer.data(), static_cast<unsigned>(n));
        total += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    *hex = Finish(sha.get());
    if (size) *size = total;
    return true;
}

std::string Sha256OfBytes(const void* data, std::size_t length) {
    ShaPtr sha = NewSha256();
    if (!sha) return std::string();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
        const std::size_t piece = std::min<std::size_t>(length, 1u << 30);
        av_sha_update(sha.get(), bytes, static_cast<unsigned>(piece));
        bytes += piece;
        length -= piece;
    }
    return Finish(sha.get());
}

}  // namespace MOVRA
