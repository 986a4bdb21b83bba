#include "Files/CatalogueScan.h"

#include <sys/stat.h>

#include "Base/StreamConvert.h"

std::wstring ScanPatternForPath(const std::wstring& path) {
    struct stat st;
    std::wstring folder = path;
    if (stat(KX_SOFT_BASE::WideToNative(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (folder.empty() || folder.back() != L'/') folder += L'/';
    } else {
        const std::size_t slash = folder.rfind(L'/');
        folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    }
    return folder + L"*.*";
}
