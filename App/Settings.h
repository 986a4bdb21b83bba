#pragma once
// The user's settings: one process-wide record, read once at start-up from Config/config.xml and
// written back when the user closes the main window. The rest of the program reads and writes the
// record's fields directly, on the UI thread.
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class CFileManager;

namespace TarvexApp {

struct SettingsRecord {
    std::wstring SnapPath;       // snapshot folder, ends in "/"
    std::wstring VideoPath;      // clip folder, ends in "/"
    int Proportion = 0;          // 0 "4:3", 1 "16:9", 2 "100%"
    int SoundChannel = 0;        // 0 both, 1 first, 2 second
    int Language = 0;            // n of "Lang_<n>.xml"
    bool VerticalSyn = false;
    int SnapFormat = 0;          // 0 BMP, 1 JPG
    int VideoFormat = 0;         // 0 native clip, 1 AVI
    std::wstring OldPath;        // the recent folders, each followed by ";"
    int CharSet = 1;
    std::wstring FontFace;
    std::wstring strRecordFormat;  // extensions, each followed by ";"
    bool FileTypesAsked = false;   // the start-up question about the file types was answered
    std::wstring OpenFolder;       // where the file dialog was last left, ends in "/"; empty: never

    // Built from OldPath and strRecordFormat: the text before each ";" (text after the last ";"
    // is no entry, nor is an empty text between two).
    std::vector<std::wstring> recentPaths;
    std::vector<std::wstring> recordFormats;
};

SettingsRecord& Settings();

// Registers every setting with its default (the folders under programDirectory, which ends in
// "/"), reads the file and builds the two lists. Separators read as "/".
void LoadSettings(const std::wstring& programDirectory);

// Rebuilds the recent folders from the files the catalogue holds (each file's folder, once, in
// order), then writes every setting. The file is written beside the old one and renamed over it,
// and its folder is made when missing, so a crash or a full disk never loses the settings that
// were there. False when it could not be written.
bool SaveSettings(const std::wstring& programDirectory, const std::vector<std::wstring>& catalogueFiles);

// Every file the catalogue holds, grouped ones first, in the catalogue's order. Read it on the
// loop that owns the catalogue (ML_HELPER).
std::vector<std::wstring> CatalogueFiles(const CFileManager& catalogue);

// The save the close of the main window asks for, on the UI thread: the catalogue is read on
// ML_HELPER, where no change can overlap the reading, and the settings are written on ML_MAIN,
// which owns them; then `done` runs there with the result. The completion always comes, with the
// settings written: at once when there is no helper loop; from FinishSettingsSave when the main
// loop ends before the written reply has run. A second request completes the first one first.
void RequestSettingsSave(const std::wstring& programDirectory, boost::shared_ptr<const CFileManager> catalogue,
                         boost::function<void(bool)> done);
// After the main loop has returned: writes a requested save that has not been written yet, waiting
// for the helper loop's reading of the catalogue at most limitMs (without it the recent folders
// stay as they were), and runs its completion. Nothing when no save is outstanding.
void FinishSettingsSave(int limitMs = 5000);

// What the derived lists are made of.
std::vector<std::wstring> SplitEntries(const std::wstring& text);

}  // namespace TarvexApp
