#pragma once
// Writes a whole file beside its final name (same folder, a unique temporary name), flushes it to
// the disk and renames it over the final name. A crash, a full disk or a write error therefore
// leaves what was there before, or nothing: never half a file under the final name.
//
// A process killed while writing leaves its temporary file behind: a hidden
// ".<name>.XXXXXX.tarvex-part" beside the final name, locked for as long as its writer lives. The
// next start removes the ones nobody holds any more.
#include <cstddef>
#include <initializer_list>
#include <string>

namespace KX_SOFT_BASE {

struct FilePart {
    const void* data;
    std::size_t length;
};

// False (with errno set) when any step fails; the temporary file is then removed.
bool ReplaceFile(const std::string& path, std::initializer_list<FilePart> parts);

// A file that another writer (a muxer) writes piece by piece under a temporary name of
// ReplaceFile's kind beside `path`, locked while this object lives, and that takes its final name
// only when complete: an export that fails or is cut short leaves nothing under its name (a part
// left by a crash goes at the next start). A file under the final name is never replaced.
class CFilePart {
public:
    CFilePart() = default;
    ~CFilePart() { Discard(); }
    CFilePart(const CFilePart&) = delete;
    CFilePart& operator=(const CFilePart&) = delete;

    // False (errno set: EEXIST when the final name is taken) when the temporary file cannot be
    // made.
    bool Create(const std::string& path);
    const std::string& Temporary() const { return m_temporary; }
    // Flushes the temporary file to the disk and gives it its final name. False (errno set,
    // EEXIST when a file took the name meanwhile) with the temporary file removed.
    bool Commit();
    // Removes the temporary file, if any.
    void Discard();

private:
    int m_fd = -1;
    std::string m_path, m_temporary;
};

// True for a name (without its folder) that ReplaceFile gives its temporary files.
bool IsReplaceFilePart(const std::string& name);

// Removes the temporary files of ReplaceFile in `folder` (not below it) whose writer has gone.
// Returns how many it removed.
int RemoveLeftoverParts(const std::string& folder);

}  // namespace KX_SOFT_BASE
