#include "Files/IndexFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <vector>

#include "Base/DateTime.h"
#include "Base/UserFolders.h"
#include "Base/ReplaceFile.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"

using KX_SOFT_BASE::NativeToWide;
using KX_SOFT_BASE::ReplaceFile;
using KX_SOFT_BASE::WideToNative;

namespace {

std::int64_t SystemClock() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::atomic<IndexFreeSpaceQuery> g_freeSpace{&KX_SOFT_BASE::GetFreeDiskSpace};
std::atomic<IndexClock> g_clock{&SystemClock};

struct RecordingStatus {
    std::int64_t size = 0;
    std::int64_t created = 0;
    std::int64_t modified = 0;
};

// The creation time is the birth time where the file system keeps one, else the status-change
// time.
bool ReadStatus(const std::string& path, RecordingStatus& status) {
    struct statx sx;
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME, &sx) != 0)
        return false;
    status.size = static_cast<std::int64_t>(sx.stx_size);
    status.modified = sx.stx_mtime.tv_sec;
    status.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    return true;
}

void PutLittleEndian(unsigned char* out, std::int64_t value) {
    const auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

void MakeHeader(const RecordingStatus& status, unsigned char* header) {
    PutLittleEndian(header, status.size);
    PutLittleEndian(header + 8, status.created);
    PutLittleEndian(header + 16, status.modified);
}

bool ReadAll(int fd, unsigned char* out, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::read(fd, out, length);
        if (n <= 0) return false;
        out += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

class ScopedFd {
public:
    explicit ScopedFd(int fd) : m_fd(fd) {}
    ~ScopedFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Opens the index and checks its header against the recording; the descriptor is left just past
// the header.
int OpenCurrentIndex(const std::wstring& recordingPath, const wchar_t* extension = kIndexExtension) {
    RecordingStatus status;
    if (!ReadStatus(WideToNative(recordingPath), status)) return -1;
    ScopedFd fd(::open(WideToNative(CompanionPathFor(recordingPath, extension)).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return -1;
    unsigned char expected[kIndexHeaderSize], found[kIndexHeaderSize];
    MakeHeader(status, expected);
    if (!ReadAll(fd.get(), found, kIndexHeaderSize)) return -1;
    for (std::size_t i = 0; i < kIndexHeaderSize; ++i)
        if (expected[i] != found[i]) return -1;
    return fd.release();
}

// Seconds through local calendar time and back, as the age rule has always been measured.
std::int64_t LocalSeconds(std::int64_t t) {
    KX_SOFT_BASE::DateTime dt;
    dt.FromTimeT(t);
    return dt.ToTimeT();
}

}  // namespace

std::wstring IndexFolder() { return KX_SOFT_BASE::Utf8ToWide(KX_SOFT_BASE::UserFolders().index); }

std::wstring CompanionPathFor(const std::wstring& recordingPath, const wchar_t* extension) {
    const std::size_t slash = recordingPath.rfind(L'/');
    std::wstring name = slash == std::wstring::npos ? recordingPath : recordingPath.substr(slash + 1);
    name.resize(name.size() > 4 ? name.size() - 4 : 0);
    return IndexFolder() + name + extension;
}

std::wstring IndexPathFor(const std::wstring& recordingPath) { return CompanionPathFor(recordingPath, kIndexExtension); }

int IsIndexCurrent(const std::wstring& recordingPath) {
    const int fd = OpenCurrentIndex(recordingPath);
    if (fd < 0) return 0;
    ::close(fd);
    return 1;
}

int WriteIndexFile(const unsigned char* data, std::size_t length, const std::wstring& recordingPath) {
    return WriteCompanionFile(data, length, recordingPath, kIndexExtension);
}

int WriteCompanionFile(const unsigned char* data, std::size_t length, const std::wstring& recordingPath,
                       const wchar_t* extension) {
    if (!data || length == 0) return 0;
    RecordingStatus status;
    if (!ReadStatus(WideToNative(recordingPath), status)) return 0;
    unsigned char header[kIndexHeaderSize];
    MakeHeader(status, header);

    const std::string indexPath = WideToNative(CompanionPathFor(recordingPath, extension));
    struct stat existing;
    if (::stat(indexPath.c_str(), &existing) == 0 && existing.st_size == 0) return 0;

    const std::string folder = WideToNative(IndexFolder());
    std::uint64_t freeBytes = 0;
    if (g_freeSpace.load()(folder.c_str(), &freeBytes) && freeBytes < kIndexCleanUpFreeSpace) CleanIndexFolder();

    return ReplaceFile(indexPath, {{header, kIndexHeaderSize}, {data, length}}) ? 1 : 0;
}

int LoadIndex(const std::wstring& recordingPath, const IndexPayloadConsumer& consume) {
    return LoadCompanion(recordingPath, kIndexExtension, consume);
}

int LoadCompanion(const std::wstring& recordingPath, const wchar_t* extension, const IndexPayloadConsumer& consume) {
    ScopedFd fd(OpenCurrentIndex(recordingPath, extension));
    if (fd.get() < 0) return 0;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || st.st_size < static_cast<off_t>(kIndexHeaderSize)) return 0;
    const auto length = static_cast<std::uint64_t>(st.st_size) - kIndexHeaderSize;
    if (length > kIndexMaxPayload) return 0;
    std::vector<unsigned char> payload;
    try {
        payload.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (length > 0 && !ReadAll(fd.get(), payload.data(), payload.size())) return 0;
    if (consume) consume(payload.data(), payload.size());
    return 1;
}

int CleanIndexFolder() {
    const std::string folder = WideToNative(IndexFolder());
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    const std::int64_t now = LocalSeconds(g_clock.load()());
    int deleted = 0;
    while (dirent* entry = ::readdir(dir)) {
        const std::string path = folder + entry->d_name;
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) continue;
        if (now - LocalSeconds(st.st_atime) > kIndexMaxIdleSeconds && ::unlink(path.c_str()) == 0) ++deleted;
    }
    ::closedir(dir);
    return deleted;
}

void SetIndexFreeSpaceQuery(IndexFreeSpaceQuery query) {
    g_freeSpace.store(query ? query : &KX_SOFT_BASE::GetFreeDiskSpace);
}

void SetIndexClock(IndexClock clock) { g_clock.store(clock ? clock : &SystemClock); }
