#pragma once
// What the "Add Files" dialog offers and where it opens: every recording the player can play under
// one filter, a folder as well as a file, and the folder the user was last in.
#include <string>
#include <vector>

class CKXWindow;

// "All recordings(*.rvf;*.avi;...)" with every record format of the settings and then every
// container the engine plays (each pattern once), followed by the recorder's own files' filter.
std::wstring RecordingsFilter(const std::vector<std::wstring>& recordFormats);

// Where the dialog opens: the remembered folder while it still exists, else the first recent folder
// that does, else the user's home folder. Ends in "/".
std::wstring OpenDialogStart(const std::wstring& remembered, const std::vector<std::wstring>& recentFolders);

// The folder to remember after a choice: the one the chosen file or folder is in, ending in "/".
std::wstring FolderToRemember(const std::wstring& chosen);

// Shows the dialog owned by `owner`; the chosen file or folder, or empty when cancelled. The folder
// it was chosen in is remembered in the settings.
std::wstring AskForRecording(CKXWindow* owner);
