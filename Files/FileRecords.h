#pragma once
// The catalogue's records: one CFileInfo per recording, and the copies handed to other loops.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Base/DateTime.h"

class CFileInfo {
public:
    virtual ~CFileInfo() = default;

    KX_SOFT_BASE::DateTime startTime;  // all zero for an ungrouped file
    KX_SOFT_BASE::DateTime endTime;
    std::wstring path;  // of any length
    std::int32_t reserved = 0;
};

// One per device and day. For an ungrouped file (a delete request) `day` holds its index and
// `channels` is empty.
struct _GROUP_FILE_INFO {
    std::wstring deviceName;
    std::int32_t day = 0;  // day key: local seconds of the day's midnight
    std::map<std::int32_t, void*> channels;  // channel code -> the UI's own handle (null here)
};

struct _SINGLE_FILE_INFO {
    std::int32_t index = 0;
    std::wstring path;
};

enum QUERY_FILEPATH_TYPE {
    QUERY_SINGLE_FILE = 0,  // one ungrouped file by index
    QUERY_CHANNEL_OF_DAY = 1,  // one device's day, answered alike for types 1 and 2
    QUERY_WHOLE_DAY = 2,
};

// One file returned by a path query; the play windows keep copies as their play records.
struct _QUERY_FILE_INFO {
    std::wstring path;
    std::int32_t queryType = QUERY_SINGLE_FILE;
    std::int32_t key = 0;  // the index (type 0) or the day key
    std::int32_t channelCode = -1;  // -1 for an ungrouped file
    std::int32_t context = 0;  // passed through; the window number in a play record
    std::int32_t startKey = 0;  // the index for an ungrouped file
    // Wall-clock seconds, 64-bit so that a recorder's clock past 2038 keeps its span (a 32-bit
    // value turned negative and read as "not known yet", which refused sync play).
    std::int64_t fileStartTime = -1;  // from the file's name, then as the engine reports it
    std::int64_t fileEndTime = -1;
    // Play state, owned by the play windows.
    std::int32_t atEnd = 0;
    std::int32_t direction = 1;  // 1 forward, 0 backward
    std::int32_t paused = 0;
    std::int32_t indexReady = 0;
    std::int32_t shownWidth = 0, shownHeight = 0;  // the sub-window size the engine was last told
};

class IFileManagerListener {
public:
    virtual ~IFileManagerListener() = default;
    virtual void OnSingleFileFound(std::int32_t index, const CFileInfo& file) = 0;
    // `channelCodes` sorted by channel number, then stream (main, extra1, extra2, ...).
    virtual void OnGroupDayFound(const std::wstring& deviceName, std::int32_t dayKey,
                                 const KX_SOFT_BASE::DateTime& date,
                                 const std::vector<std::int32_t>& channelCodes) = 0;
};
