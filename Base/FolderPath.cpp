#include "Base/FolderPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include "Base/StreamConvert.h"

namespace KX_SOFT_BASE {

int CreateFolderPath(const std::wstring& path) {
    const std::string native = WideToNative(path);
    if (native.empty()) return -1;
    if (::access(native.c_str(), F_OK) == 0) return 0;
    int result = 0;
    for (std::size_t at = native.find('/', 1); at != std::string::npos; at = native.find('/', at + 1)) {
        const std::string prefix = native.substr(0, at);
        if (::access(prefix.c_str(), F_OK) == 0) continue;
        result = ::mkdir(prefix.c_str(), 0777) == 0 ? 0 : -1;
        if (result != 0) return -1;
    }
    return result;
}

}  // namespace KX_SOFT_BASE
