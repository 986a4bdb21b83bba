#include "Base/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

namespace KX_SOFT_BASE {

const char* SpecialFileKind(const char* path) {
    struct stat st;
    if (!path || ::stat(path, &st) != 0 || S_ISREG(st.st_mode)) return nullptr;
    if (S_ISDIR(st.st_mode)) return "a folder";
    if (S_ISFIFO(st.st_mode)) return "a named pipe";
    if (S_ISSOCK(st.st_mode)) return "a socket";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device";
    return "not a regular file";
}

struct CKXFile::Impl {
    int fd = -1;
};

CKXFile::CKXFile() : m_impl(new (std::nothrow) Impl) {}
CKXFile::~CKXFile() { Close(); }

int CKXFile::Open(const char* path, std::uint32_t desiredAccess, std::uint32_t /*shareMode*/,
                  std::uint32_t creationDisposition, std::uint32_t /*flagsAndAttributes*/) {
    if (!m_impl || !path) return 0;
    Close();
    const bool read = desiredAccess & KX_GENERIC_READ;
    const bool write = desiredAccess & KX_GENERIC_WRITE;
    int flags = O_CLOEXEC;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (creationDisposition) {
    case KX_CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case KX_CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case KX_OPEN_EXISTING: break;
    case KX_OPEN_ALWAYS: flags |= O_CREAT; break;
    case KX_TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: return 0;
    }
    const int fd = ::open(path, flags, 0644);
    if (fd < 0) return 0;
    m_impl->fd = fd;
    return 1;
}

void CKXFile::Close() {
    if (!m_impl || m_impl->fd < 0) return;
    ::close(m_impl->fd);
    m_impl->fd = -1;
}

int CKXFile::IsOpen() const { return m_impl && m_impl->fd >= 0; }

int CKXFile::GetSizeBySeekEnd(std::uint32_t* high, std::uint32_t* low) {
    if (high) *high = 0;
    if (low) *low = 0;
    if (!m_impl || m_impl->fd < 0) return 0;
    const off_t end = ::lseek(m_impl->fd, 0, SEEK_END);
    if (end < 0) return 0;
    const auto size = static_cast<std::uint64_t>(end);
    if (high) *high = static_cast<std::uint32_t>(size >> 32);
    if (low) *low = static_cast<std::uint32_t>(size & 0xFFFFFFFFu);
    return 1;
}

}  // namespace KX_SOFT_BASE
