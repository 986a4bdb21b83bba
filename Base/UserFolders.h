#pragma once
// Where the player's data and the user's own files are kept. Two layouts:
//
// - Beside the program (the build tree, a portable folder with its data beside the executable and
//   writable, or $TARVEX_HOME): everything in the program directory, as "Skin/", "Lang_<n>.xml",
//   "Config/config.xml", "Index/", "Picture/" and "Video/".
// - Installed (the data under "share/tarvex-player/" beside the executable's "bin/"), or a program
//   folder that cannot be written: the data stays where it is, and the user's files go to the
//   user's XDG folders, whoever runs the program: settings in $XDG_CONFIG_HOME/tarvex-player/,
//   index files in $XDG_CACHE_HOME/tarvex-player/Index/, snapshots and clips in the pictures and
//   videos folders of user-dirs.dirs, each in "Tarvex Player/", crash reports in
//   $XDG_STATE_HOME/tarvex-player/.
//
// Every folder ends in "/". With $TARVEX_HOME set they follow it at each call (tests change it);
// otherwise they are found once per run.
#include <string>

namespace KX_SOFT_BASE {

struct KXUserFolders {
    bool besideProgram = true;
    std::string data;      // skins, language files, the user's guide (read only)
    std::string settings;  // the folder of "config.xml"
    std::string index;
    std::string pictures;  // the default folder of snapshots
    std::string videos;    // the default folder of clips
    std::string reports;   // crash reports
};

// The layout of this run.
KXUserFolders UserFolders();
// The folders for a program directory: this run's for its own, everything beside it otherwise
// (a test's or a tool's folder of its own).
KXUserFolders UserFoldersFor(const std::string& programDirectory);
// Everything in one folder.
KXUserFolders FoldersBeside(const std::string& folder);
// The user's XDG folders, with the data where it is.
KXUserFolders XdgFolders(const std::string& data);

// Where the read-only data is: $TARVEX_HOME; the executable's folder when it holds "Skin/"; the
// installed "../share/tarvex-player/" beside it; the executable's folder otherwise.
std::string GetDataDirectoryUtf8();
std::wstring GetDataDirectory();

}  // namespace KX_SOFT_BASE
