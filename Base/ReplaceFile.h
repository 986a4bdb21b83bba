#pragma once
// Writes a whole file beside its final name (same folder, a unique temporary name), flushes it to
// the disk and renames it over the final name. A crash, a full disk or a write error therefore
// leaves what was there before, or nothing: never half a file under the final name.
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

}  // namespace KX_SOFT_BASE
