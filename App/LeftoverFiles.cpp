#include "App/LeftoverFiles.h"

#include <set>

#include "Base/ReplaceFile.h"
#include "Base/StreamConvert.h"

namespace TarvexApp {

int RemoveLeftoverFiles(const KX_SOFT_BASE::KXUserFolders& folders, const std::wstring& snapshotFolder,
                        const std::wstring& clipFolder) {
    // One pass per folder, however many roles it has.
    std::set<std::string> unique = {folders.settings, folders.index, folders.pictures, folders.videos};
    for (const std::wstring& chosen : {snapshotFolder, clipFolder})
        if (!chosen.empty()) unique.insert(KX_SOFT_BASE::WideToNative(chosen));
    int removed = 0;
    for (const std::string& folder : unique)
        if (!folder.empty()) removed += KX_SOFT_BASE::RemoveLeftoverParts(folder);
    return removed;
}

}  // namespace TarvexApp
