#include "Base/ReplaceFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace KX_SOFT_BASE {

namespace {

// Our own suffix: the folders cleaned may be the user's, where other programs keep parts of theirs.
constexpr char kPartSuffix[] = ".tarvex-part";
constexpr std::size_t kPartSuffixLength = sizeof(kPartSuffix) - 1;
constexpr std::size_t kUniqueLength = 6;  // the X's of mkstemps
constexpr std::size_t kNameHintLength = 200;

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

// Creates and locks a temporary file beside `path`. A cleaner of another process may remove the
// file between its creation and the lock; the file is then gone from the folder (no link left),
// and another is made.
int CreateLockedPart(const std::string& path, std::string* temporary) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    for (int attempt = 0; attempt < 8; ++attempt) {
        // The name is only a hint for a person looking: cut so that a long final name still fits.
        *temporary = path.substr(0, nameStart) + "." + path.substr(nameStart, kNameHintLength) + ".XXXXXX" + kPartSuffix;
        // Close-on-exec: a program started meanwhile must not inherit the part and hold its lock.
        const int fd = ::mkostemps(temporary->data(), static_cast<int>(kPartSuffixLength), O_CLOEXEC);
        if (fd < 0) return -1;
        int lock;
        while ((lock = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        // A file system without locks still takes the file: its part is then only left alone by
        // a cleaner that cannot lock it either.
        if (lock != 0 && (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)) lock = 0;
        struct stat status = {};
        const bool locked = lock == 0 && ::fstat(fd, &status) == 0;
        if (locked && status.st_nlink > 0) return fd;
        const int saved = errno;
        ::close(fd);
        if (locked) continue;  // removed by a cleaner before the lock: made again
        ::unlink(temporary->c_str());
        errno = saved;
        return -1;
    }
    errno = EAGAIN;
    return -1;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::initializer_list<FilePart> parts) {
    std::string temporary;
    const int fd = CreateLockedPart(path, &temporary);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0;
    for (const FilePart& part : parts) ok = ok && WriteAll(fd, static_cast<const unsigned char*>(part.data), part.length);
    ok = ok && ::fsync(fd) == 0;
    int saved = errno;
    // Renamed while still open, so the lock holds until the file has its final name.
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) ::unlink(temporary.c_str());
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    errno = saved;
    return ok;
}

bool CFilePart::Create(const std::string& path) {
    Discard();
    struct stat status;
    if (::lstat(path.c_str(), &status) == 0) {
        errno = EEXIST;
        return false;
    }
    m_fd = CreateLockedPart(path, &m_temporary);
    if (m_fd < 0 || ::fchmod(m_fd, 0644) != 0) {
        Discard();
        return false;
    }
    m_path = path;
    return true;
}

bool CFilePart::Commit() {
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    bool ok = ::fsync(m_fd) == 0;
    // A link takes the name only while it is free. File systems without links (FAT on a USB
    // stick) rename without replacing, where the kernel can.
    if (ok && ::link(m_temporary.c_str(), m_path.c_str()) != 0) {
        ok = errno != EEXIST && ::renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, m_path.c_str(), RENAME_NOREPLACE) == 0;
        if (ok) m_temporary.clear();  // renamed: nothing left to remove
    }
    const int saved = errno;
    Discard();
    errno = saved;
    return ok;
}

void CFilePart::Discard() {
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    if (m_fd >= 0) ::close(m_fd);  // after the unlink: the lock holds until the name is gone
    m_fd = -1;
    m_temporary.clear();
}

bool IsReplaceFilePart(const std::string& name) {
    // "." + at least one character of the final name + "." + six unique characters + the suffix
    const std::size_t tail = 1 + kUniqueLength + kPartSuffixLength;
    if (name.size() < 2 + tail || name[0] != '.') return false;
    if (name.compare(name.size() - kPartSuffixLength, kPartSuffixLength, kPartSuffix) != 0) return false;
    if (name[name.size() - tail] != '.') return false;
    // The unique characters are the ones mkstemps uses.
    for (std::size_t i = name.size() - tail + 1; i < name.size() - kPartSuffixLength; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

int RemoveLeftoverParts(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsReplaceFilePart(entry->d_name)) continue;
        const std::string path = prefix + entry->d_name;
        // O_NOFOLLOW: a link of that name is not ours to follow.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat status;
        // A writer that lives holds the lock: its file is left alone.
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

}  // namespace KX_SOFT_BASE
