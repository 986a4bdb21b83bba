#include "Main/OpenDialog.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/StreamConvert.h"
#include "Toolkit/UIFactory.h"

using TarvexApp::Settings;
using TarvexApp::Translate;

namespace {

// What the engine opens besides the recorder's own files: it judges a file by its content, so
// these are only the names such files usually carry.
const wchar_t* const kPlayableContainers[] = {L".rvf", L".ts",  L".m2ts", L".mts", L".ps",   L".mpg",  L".mpeg",
                                              L".avi", L".mp4", L".m4v",  L".mov", L".mkv",  L".h264", L".264",
                                              L".h265", L".265", L".hevc"};

bool IsFolder(const std::wstring& path) {
    struct stat st;
    return !path.empty() && ::stat(KX_SOFT_BASE::WideToNative(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::wstring WithSlash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'/') folder += L'/';
    return folder;
}

}  // namespace

std::wstring RecordingsFilter(const std::vector<std::wstring>& recordFormats) {
    std::vector<std::wstring> extensions;
    auto add = [&extensions](std::wstring extension) {
        // A format written without its dot, or with blanks or a bracket that would end the
        // pattern list, is no pattern the dialog can take.
        if (extension.empty() || extension.find_first_of(L" ()|;*") != std::wstring::npos) return;
        if (extension.front() != L'.') extension.insert(extension.begin(), L'.');
        for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
        if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
            extensions.push_back(extension);
    };
    for (const std::wstring& format : recordFormats) add(format);
    for (const wchar_t* container : kPlayableContainers) add(container);
    std::wstring patterns;
    for (const std::wstring& extension : extensions) patterns += (patterns.empty() ? L"*" : L";*") + extension;
    return Translate(L"All recordings") + L"(" + patterns + L")|" + Translate(L"RVF Video File(*.rvf)");
}

std::wstring OpenDialogStart(const std::wstring& remembered, const std::vector<std::wstring>& recentFolders) {
    if (IsFolder(remembered)) return WithSlash(remembered);
    for (const std::wstring& folder : recentFolders)
        if (IsFolder(folder)) return WithSlash(folder);
    const char* home = std::getenv("HOME");
    const std::wstring homeFolder = home ? KX_SOFT_BASE::NativeToWide(home) : std::wstring();
    return IsFolder(homeFolder) ? WithSlash(homeFolder) : L"/";
}

std::wstring FolderToRemember(const std::wstring& chosen) {
    std::wstring path = chosen;
    while (path.size() > 1 && path.back() == L'/') path.pop_back();
    const std::size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring AskForRecording(CKXWindow* owner) {
    std::wstring path = OpenDialogStart(Settings().OpenFolder, Settings().recentPaths);
    if (!CKXUIFactory::CreateFileDialog(KX_FILEDLG_OPEN, owner, path, L".rvf", RecordingsFilter(Settings().recordFormats),
                                        KX_OFN_FOLDERSTOO, 0))
        return std::wstring();
    const std::wstring folder = FolderToRemember(path);
    if (!folder.empty()) Settings().OpenFolder = folder;
    return path;
}
