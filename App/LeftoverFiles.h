#pragma once
// What a run killed while it wrote leaves behind: the temporary files of the settings, index
// files and snapshots it was replacing. The next start removes them. Clips are written under
// their own names and stay: each is readable up to its last whole frame.
#include <string>

#include "Base/UserFolders.h"

namespace TarvexApp {

// Removes the leftovers in the settings and index folders, and in the snapshot and clip folders
// given (the settings' own, which the user may have moved). Returns how many it removed.
int RemoveLeftoverFiles(const KX_SOFT_BASE::KXUserFolders& folders, const std::wstring& snapshotFolder,
                        const std::wstring& clipFolder);

}  // namespace TarvexApp
