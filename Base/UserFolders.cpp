#include "Base/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "Base/ProgramPath.h"
#include "Base/StreamConvert.h"

namespace KX_SOFT_BASE {

namespace {

constexpr char kInstalledData[] = "../share/tarvex-player/";

bool IsFolder(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string HomeFolder() {
    // $HOME first, as every desktop program reads it (Debian's sudo sets it to root's own).
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return WithSlash(home);
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && *pw->pw_dir == '/') return WithSlash(pw->pw_dir);
    return "/tmp/";
}

// An XDG base folder: the variable when it holds an absolute path, the usual folder otherwise.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && *value == '/') return WithSlash(value);
    return HomeFolder() + fallback;
}

// A user folder of user-dirs.dirs ("XDG_PICTURES_DIR="$HOME/Pictures""), or the usual one.
std::string UserDirectory(const char* key, const char* fallback) {
    const char* value = std::getenv(key);
    if (value && *value == '/') return WithSlash(value);
    std::ifstream file(XdgFolder("XDG_CONFIG_HOME", ".config/") + "user-dirs.dirs");
    const std::string prefix = std::string(key) + "=";
    for (std::string line; std::getline(file, line);) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::string path = line.substr(prefix.size());
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
        if (path.compare(0, 5, "$HOME") == 0) path = HomeFolder() + path.substr(path[5] == '/' ? 6 : 5);
        // "$HOME/" alone means the feature is off: the home folder itself is no pictures folder.
        if (!path.empty() && path.front() == '/' && WithSlash(path) != HomeFolder()) return WithSlash(path);
        break;
    }
    return HomeFolder() + fallback;
}

}  // namespace

std::string GetDataDirectoryUtf8() {
    const char* home = std::getenv("TARVEX_HOME");
    if (home && *home) return GetProgramDirectoryUtf8();
    const std::string exe = GetExecutableDirectoryUtf8();
    if (IsFolder(exe + "Skin")) return exe;
    const std::string installed = exe + kInstalledData;
    if (IsFolder(installed + "Skin")) {
        char resolved[PATH_MAX];
        return ::realpath(installed.c_str(), resolved) ? WithSlash(resolved) : installed;
    }
    return exe;
}

std::wstring GetDataDirectory() { return Utf8ToWide(GetDataDirectoryUtf8()); }

KXUserFolders FoldersBeside(const std::string& folder) {
    const std::string base = WithSlash(folder);
    KXUserFolders f;
    f.besideProgram = true;
    f.data = f.reports = base;
    f.settings = base + "Config/";
    f.index = base + "Index/";
    f.pictures = base + "Picture/";
    f.videos = base + "Video/";
    return f;
}

KXUserFolders UserFolders() {
    const char* home = std::getenv("TARVEX_HOME");
    if (home && *home) return FoldersBeside(GetProgramDirectoryUtf8());
    // The rest cannot change while the program runs, and the catalogue asks per recording: once.
    static const KXUserFolders folders = [] {
        const std::string program = GetProgramDirectoryUtf8();
        const std::string data = GetDataDirectoryUtf8();
        if (data == program && ::access(program.c_str(), W_OK) == 0) return FoldersBeside(program);
        return XdgFolders(data);
    }();
    return folders;
}

KXUserFolders XdgFolders(const std::string& data) {
    KXUserFolders f;
    f.besideProgram = false;
    f.data = data;
    f.settings = XdgFolder("XDG_CONFIG_HOME", ".config/") + "tarvex-player/";
    f.index = XdgFolder("XDG_CACHE_HOME", ".cache/") + "tarvex-player/Index/";
    f.pictures = UserDirectory("XDG_PICTURES_DIR", "Pictures/") + "Tarvex Player/";
    f.videos = UserDirectory("XDG_VIDEOS_DIR", "Videos/") + "Tarvex Player/";
    f.reports = XdgFolder("XDG_STATE_HOME", ".local/state/") + "tarvex-player/";
    return f;
}

KXUserFolders UserFoldersFor(const std::string& programDirectory) {
    return WithSlash(programDirectory) == GetProgramDirectoryUtf8() ? UserFolders() : FoldersBeside(programDirectory);
}

}  // namespace KX_SOFT_BASE
