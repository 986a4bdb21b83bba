#include "Base/ProgramPath.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "Base/StreamConvert.h"

namespace KX_SOFT_BASE {

namespace {

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string GetExecutableDirectoryUtf8() {
    const std::string exe = ExecutablePath();
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string GetProgramDirectoryUtf8() {
    const char* home = std::getenv("TARVEX_HOME");
    if (!home || !*home) return GetExecutableDirectoryUtf8();
    std::string dir = home;
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::wstring GetProgramDirectory() { return Utf8ToWide(GetProgramDirectoryUtf8()); }

}  // namespace KX_SOFT_BASE
