#pragma once
// A file opened with the access and creation rules callers know from the recorder's platform,
// mapped onto open(2). Paths are UTF-8.
#include <cstdint>
#include <memory>

namespace KX_SOFT_BASE {

constexpr std::uint32_t KX_GENERIC_READ = 0x80000000u;
constexpr std::uint32_t KX_GENERIC_WRITE = 0x40000000u;
constexpr std::uint32_t KX_FILE_SHARE_READ = 0x1u;
constexpr std::uint32_t KX_FILE_SHARE_WRITE = 0x2u;
constexpr std::uint32_t KX_CREATE_NEW = 1;
constexpr std::uint32_t KX_CREATE_ALWAYS = 2;
constexpr std::uint32_t KX_OPEN_EXISTING = 3;
constexpr std::uint32_t KX_OPEN_ALWAYS = 4;
constexpr std::uint32_t KX_TRUNCATE_EXISTING = 5;
constexpr std::uint32_t KX_FILE_ATTRIBUTE_NORMAL = 0x80u;

// What `path` names when it is not a regular file ("a folder", "a named pipe", "a device", "a
// socket"), learnt without opening it: opening a named pipe waits for a writer, and reading a
// device may never end. Null for a regular file, and for a path that cannot be looked at (the
// open that follows says why). Links are followed.
const char* SpecialFileKind(const char* path);

class CKXFile {
public:
    CKXFile();
    virtual ~CKXFile();
    CKXFile(const CKXFile&) = delete;
    CKXFile& operator=(const CKXFile&) = delete;

    // Share mode and attributes have no Linux meaning and are ignored. A file that is already open
    // is closed first.
    int Open(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
             std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes);
    void Close();
    int IsOpen() const;
    // The file's 64-bit size split in two; 0 (and both parts 0) when nothing is open or the size
    // cannot be read.
    int GetSizeBySeekEnd(std::uint32_t* high, std::uint32_t* low);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace KX_SOFT_BASE
