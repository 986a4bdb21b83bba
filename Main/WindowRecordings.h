#pragma once
// The recordings a play window holds - its current file, the files waiting after it and those of
// its channel not opened yet - as the search and the evidence export take them.
#include <string>
#include <vector>

#include "Engine/EvidenceExport.h"

class CPlayWindowTables;

// The window's files in the order they start, each once.
std::vector<std::string> WindowRecordings(const CPlayWindowTables& tables, int window);
// Windows 0..windows-1 grouped by channel: two windows of one channel give one channel.
std::vector<MOVRA::EvidenceChannel> EvidenceChannelsOf(const CPlayWindowTables& tables, int windows);
