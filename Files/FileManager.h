#pragma once
// The in-memory catalogue of every recording added since start: device -> day -> channel ->
// start time -> file, plus the recordings whose names do not follow the grammar ("ungrouped"),
// numbered by a process-wide counter. It lives on the helper loop; nothing else changes it.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "Files/FileRecords.h"
#include "Files/NamingRules.h"

class CFileManager {
public:
    struct CChannelEntry {
        // start key -> file, in time order; files of one start (two years that share a key, the
        // same recording copied twice) all stay, in the order they were added
        std::multimap<std::int32_t, std::unique_ptr<CFileInfo>> files;
    };
    struct CDayEntry {
        std::map<std::int32_t, CChannelEntry> channels;  // channel code -> entry
    };
    struct CDeviceEntry {
        std::map<std::int32_t, CDayEntry> days;  // day key -> entry
    };
    using DeviceMap = std::map<std::wstring, CDeviceEntry>;
    using UngroupedMap = std::map<std::int32_t, std::unique_ptr<CFileInfo>>;

    explicit CFileManager(IFileManagerListener* listener = nullptr);
    virtual ~CFileManager();
    CFileManager(const CFileManager&) = delete;
    CFileManager& operator=(const CFileManager&) = delete;

    // Scans "folder/*.*" and every folder below it, down to 8 levels (an export may hold its date
    // folders one or more levels deeper); hidden and unreadable folders are passed over, and a
    // folder link is followed only to a folder inside the one given, once. A recording inside a
    // date-named folder is grouped only when its name has that date. 0 only for an empty
    // pattern; the flag becomes 0 once any recording file (grouped or not) was seen.
    int AddFolder(const std::wstring& pattern, int* noRecording);
    // A file given by itself (opened or dropped, not found by a scan) that is not a recorder's
    // own: filed as an ungrouped file, so that the player can try it (the engine judges a file by
    // its content). 1 when it is in the catalogue now.
    int AddFile(const std::wstring& path);

    // The groups in catalogue order, with every grouped path (channel, then start order). 1 when
    // the list is not empty.
    int FillGroupList(std::vector<_GROUP_FILE_INFO>& groups, std::vector<std::wstring>& paths) const;
    int FillSingleList(std::vector<_SINGLE_FILE_INFO>& singles) const;

    const CFileInfo* FindUngroupedFile(std::int32_t index) const;
    const CDayEntry* FindDay(const std::wstring& deviceName, std::int32_t dayKey) const;

    // The first rule that applies: index != 0 one ungrouped file; channel code != -1 one channel
    // of the day; day key != 0 the whole day; else the whole device. Emptied days and devices go.
    void DeleteFiles(const std::wstring& deviceName, std::int32_t dayKey, std::int32_t channelCode,
                     std::int32_t index);

    const DeviceMap& Devices() const { return m_devices; }
    const UngroupedMap& UngroupedFiles() const { return m_ungrouped; }

    static std::int32_t DayKeyOf(const KX_SOFT_BASE::DateTime& start);
    static std::int32_t StartKeyOf(const KX_SOFT_BASE::DateTime& start);

private:
    struct ScanWalk;
    void Scan(const std::wstring& pattern, const KX_SOFT_BASE::DateTime& folderDate, int depth, ScanWalk& walk);
    void AddGrouped(std::wstring path, const CNamingRuleParser& name);
    void AddUngrouped(std::wstring path);
    void NotifyListener() const;

    IFileManagerListener* m_listener;
    CNamingRuleParser m_parser;
    DeviceMap m_devices;
    UngroupedMap m_ungrouped;
    std::unordered_set<std::wstring> m_ungroupedPaths;
};
