#pragma once
// The recordings a play window holds - its current file, the files waiting after it and those of
// its channel not opened yet - as the search and the evidence export take them.
#include <cstdint>
#include <string>
#include <vector>

#include "Engine/EvidenceExport.h"

class CFileManager;
class CPlayWindowTables;

// A channel of a recorder as the catalogue files it.
struct CListedChannel {
    std::wstring device;
    std::int32_t channelCode = -1;
};

// The window's files in the order they start, each once.
std::vector<std::string> WindowRecordings(const CPlayWindowTables& tables, int window);
// Windows 0..windows-1 grouped by channel: two windows of one channel give one channel.
std::vector<MOVRA::EvidenceChannel> EvidenceChannelsOf(const CPlayWindowTables& tables, int windows);
// The recorder's channel of the window's files; false when none of them is named by the recorder.
bool WindowChannel(const CPlayWindowTables& tables, int window, CListedChannel* channel);
// That channel's recordings on every day the catalogue lists for its device, day by day, each in
// start order. The catalogue's own loop only (ML_HELPER).
std::vector<std::string> ListedDaysRecordings(const CFileManager& catalogue, const CListedChannel& channel);
// The listed channel and day (the day key) a recording's name files it under; false for a name
// outside the recorder's grammar.
bool ListedPlaceOf(const std::string& path, CListedChannel* channel, std::int32_t* dayKey);
