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

bool IsSystemFolder(const std::wstring& folder) {
    static const wchar_t* const kSystem[] = {L"/bin", L"/boot", L"/dev", L"/etc", L"/lib", L"/lib32", L"/lib64",
                                             L"/libx32", L"/proc", L"/run", L"/sbin", L"/sys", L"/usr"};
    // "/etc//x" and "/etc/./x" are inside /etc too.
    std::wstring path;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (folder[i] == L'/' && !path.empty() && path.back() == L'/') continue;
        if (folder[i] == L'.' && !path.empty() && path.back() == L'/' &&
            (i + 1 == folder.size() || folder[i + 1] == L'/'))
            continue;
        path += folder[i];
    }
    for (const wchar_t* system : kSystem) {
        const std::wstring s = system;
        if (path.compare(0, s.size(), s) == 0 && (path.size() == s.size() || path[s.size()] == L'/')) return true;
    }
    return false;
}

}  // namespace KX_SOFT_BASE
