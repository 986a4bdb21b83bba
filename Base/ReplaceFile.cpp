#include "Base/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace KX_SOFT_BASE {

namespace {

bool WriteAll(int fd, const unsigned char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::initializer_list<FilePart> parts) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0;
    for (const FilePart& part : parts) ok = ok && WriteAll(fd, static_cast<const unsigned char*>(part.data), part.length);
    ok = ok && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (ok) saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return false;
}

}  // namespace KX_SOFT_BASE
