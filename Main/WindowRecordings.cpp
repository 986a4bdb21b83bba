#include "Main/WindowRecordings.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "Base/StreamConvert.h"
#include "Files/FileManager.h"
#include "Files/NamingRules.h"
#include "Main/PlayWinManager_Tables.h"
#include "Main/RecordNames.h"

namespace {

std::vector<PlayRecord> RecordsOf(const CPlayWindowTables& tables, int window) {
    std::vector<PlayRecord> records;
    if (const PlayRecord* current = tables.CurrentRecord(window)) records.push_back(*current);
    for (PlayHandle handle : tables.WaitingHandles(window))
        if (const PlayRecord* r = tables.RecordOf(handle)) records.push_back(*r);
    for (const PlayRecord& r : tables.Unopened(window)) records.push_back(r);
    std::stable_sort(records.begin(), records.end(), [](const PlayRecord& a, const PlayRecord& b) {
        return std::tie(a.fileStartTime, a.startKey) < std::tie(b.fileStartTime, b.startKey);
    });
    return records;
}

}  // namespace

std::vector<std::string> WindowRecordings(const CPlayWindowTables& tables, int window) {
    std::vector<std::string> paths;
    std::set<std::wstring> seen;
    for (const PlayRecord& r : RecordsOf(tables, window))
        if (seen.insert(r.path).second) paths.push_back(KX_SOFT_BASE::WideToNative(r.path));
    return paths;
}

std::vector<MOVRA::EvidenceChannel> EvidenceChannelsOf(const CPlayWindowTables& tables, int windows) {
    std::vector<MOVRA::EvidenceChannel> channels;
    std::map<std::pair<std::wstring, std::int32_t>, std::size_t> byChannel;
    std::set<std::wstring> taken;
    for (int w = 0; w < windows; ++w) {
        for (const PlayRecord& r : RecordsOf(tables, w)) {
            if (!taken.insert(r.path).second) continue;
            CNamingRuleParser parsed;
            const bool named = r.channelCode != -1 && ParseFileName(FileNameOf(r.path), parsed);
            // A file outside the recorder's naming is a channel of its own.
            const std::pair<std::wstring, std::int32_t> key =
                named ? std::make_pair(parsed.deviceName, r.channelCode) : std::make_pair(r.path, -1);
            auto at = byChannel.find(key);
            if (at == byChannel.end()) {
                at = byChannel.emplace(key, channels.size()).first;
                MOVRA::EvidenceChannel c;
                if (named) {
                    c.device = KX_SOFT_BASE::WideToUtf8(parsed.deviceName);
                    c.channel = ChannelNumberOf(r.channelCode);
                    c.stream = StreamNumberOf(r.channelCode);
                }
                channels.push_back(c);
            }
            channels[at->second].files.push_back(KX_SOFT_BASE::WideToNative(r.path));
        }
    }
    return channels;
}

bool WindowChannel(const CPlayWindowTables& tables, int window, CListedChannel* channel) {
    std::int32_t dayKey = 0;
    for (const PlayRecord& r : RecordsOf(tables, window))
        if (r.channelCode != -1 && ListedPlaceOf(KX_SOFT_BASE::WideToNative(r.path), channel, &dayKey)) return true;
    return false;
}

std::vector<std::string> ListedDaysRecordings(const CFileManager& catalogue, const CListedChannel& channel) {
    std::vector<std::string> paths;
    const auto device = catalogue.Devices().find(channel.device);
    if (device == catalogue.Devices().end()) return paths;
    for (const auto& [dayKey, day] : device->second.days) {
        const auto found = day.channels.find(channel.channelCode);
        if (found == day.channels.end()) continue;
        for (const auto& [start, file] : found->second.files) paths.push_back(KX_SOFT_BASE::WideToNative(file->path));
    }
    return paths;
}

bool ListedPlaceOf(const std::string& path, CListedChannel* channel, std::int32_t* dayKey) {
    CNamingRuleParser parsed;
    if (!ParseFileName(FileNameOf(KX_SOFT_BASE::NativeToWide(path)), parsed)) return false;
    channel->device = parsed.deviceName;
    channel->channelCode = parsed.channelCode;
    *dayKey = CFileManager::DayKeyOf(parsed.startTime);
    return true;
}
