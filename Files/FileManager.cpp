#include "Files/FileManager.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <utility>

#include "Base/File.h"
#include "Base/StreamConvert.h"
#include "Files/FileFind.h"

using KX_SOFT_BASE::DateTime;

namespace {

// Ungrouped files are numbered across the whole process, so an index seen by the UI never names
// another file later; 0 never names a file.
std::atomic<std::int32_t> g_nextUngroupedIndex{1};

constexpr int kMaxScanDepth = 9;  // the added folder and 8 levels below it

std::vector<std::int32_t> ChannelCodesInDisplayOrder(const CFileManager::CDayEntry& day) {
    std::vector<std::int32_t> codes;
    for (const auto& channel : day.channels) codes.push_back(channel.first);
    std::sort(codes.begin(), codes.end(), [](std::int32_t a, std::int32_t b) {
        if (ChannelNumberOf(a) != ChannelNumberOf(b)) return ChannelNumberOf(a) < ChannelNumberOf(b);
        return StreamNumberOf(a) < StreamNumberOf(b);
    });
    return codes;
}

}  // namespace

CFileManager::CFileManager(IFileManagerListener* listener) : m_listener(listener) {}
CFileManager::~CFileManager() = default;

std::int32_t CFileManager::DayKeyOf(const DateTime& start) {
    DateTime midnight{start.year, start.month, start.day, 0, 0, 0};
    return static_cast<std::int32_t>(midnight.ToTimeT());
}

std::int32_t CFileManager::StartKeyOf(const DateTime& start) {
    return static_cast<std::int32_t>(start.ToTimeT());
}

// What one added folder's walk knows: where it began, and the folders it has been in.
struct CFileManager::ScanWalk {
    std::string inside;  // the real path of the added folder, ending in "/"
    std::set<std::pair<dev_t, ino_t>> visited;
    int* noRecording = nullptr;

    // A folder of the walk to go into: one not seen yet (a link or a mount may lead back), and a
    // link only when it leads inside the added folder (a date-named link to ".." or "/" would
    // otherwise list what the user never gave).
    bool Enter(const std::string& path) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) return false;
        if (S_ISLNK(st.st_mode)) {
            char* real = ::realpath(path.c_str(), nullptr);
            if (!real) return false;
            const std::string target = real;
            std::free(real);
            if (target.size() <= inside.size() || target.compare(0, inside.size(), inside) != 0) return false;
            if (::stat(path.c_str(), &st) != 0) return false;
        }
        return S_ISDIR(st.st_mode) && visited.insert({st.st_dev, st.st_ino}).second;
    }
};

int CFileManager::AddFolder(const std::wstring& pattern, int* noRecording) {
    int ignored = 1;
    if (!noRecording) noRecording = &ignored;
    *noRecording = 1;
    if (pattern.empty()) return 0;
    try {
        ScanWalk walk;
        walk.noRecording = noRecording;
        const std::string native = KX_SOFT_BASE::WideToNative(pattern);
        const std::size_t slash = native.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
        if (char* real = ::realpath(folder.c_str(), nullptr)) {
            walk.inside = real;
            std::free(real);
            if (walk.inside.back() != '/') walk.inside += '/';
            struct stat st;
            if (::stat(walk.inside.c_str(), &st) == 0) walk.visited.insert({st.st_dev, st.st_ino});
        }
        Scan(pattern, DateTime{}, 1, walk);
    } catch (const std::exception&) {
        // Out of memory in the directory walk: the scan ends; what it filed stays filed.
    }
    NotifyListener();
    return 1;
}

void CFileManager::Scan(const std::wstring& pattern, const DateTime& folderDate, int depth, ScanWalk& walk) {
    CKXFileFind find;
    CNamingRuleParser folderName;
    for (bool found = find.FindFile(pattern); found; found = find.FindNextFile()) {
        if (find.IsDots() || find.IsHidden()) continue;
        if (find.IsDirectory()) {
            if (depth >= kMaxScanDepth || walk.inside.empty() || !walk.Enter(KX_SOFT_BASE::WideToNative(find.GetFilePath())))
                continue;
            const DateTime date = ParseDateFolder(find.GetFileTitle(), folderName) ? folderName.folderDate : DateTime{};
            Scan(find.GetFilePath() + L"/*.*", date, depth + 1, walk);
            continue;
        }
        if (find.IsSpecialFile()) continue;  // a pipe named *.rvf is no recording
        const std::wstring extension = find.GetFileExt();
        if (!IsRecordingExtension(extension)) continue;
        *walk.noRecording = 0;
        std::wstring path = find.GetFilePath();
        if (extension == L".rvf" && ParseFileName(find.GetFileTitle(), m_parser)) {
            const DateTime& start = m_parser.startTime;
            const bool inItsDateFolder = folderDate.year == 0 || (folderDate.year == start.year &&
                                                                  folderDate.month == start.month &&
                                                                  folderDate.day == start.day);
            if (inItsDateFolder) {
                AddGrouped(std::move(path), m_parser);
                continue;
            }
        }
        AddUngrouped(std::move(path));
    }
}

void CFileManager::AddGrouped(std::wstring path, const CNamingRuleParser& name) {
    CChannelEntry& channel =
        m_devices[name.deviceName].days[DayKeyOf(name.startTime)].channels[name.channelCode];
    const std::int32_t startKey = StartKeyOf(name.startTime);
    // A file already listed (its folder added again) is listed once; another file of the same
    // start is listed beside it.
    const auto same = channel.files.equal_range(startKey);
    for (auto it = same.first; it != same.second; ++it)
        if (it->second->path == path) return;
    auto file = std::make_unique<CFileInfo>();
    file->startTime = name.startTime;
    file->endTime = name.endTime;
    file->path = std::move(path);
    channel.files.emplace(startKey, std::move(file));
}

int CFileManager::AddFile(const std::wstring& path) {
    if (path.empty() || KX_SOFT_BASE::SpecialFileKind(KX_SOFT_BASE::WideToNative(path).c_str())) return 0;
    AddUngrouped(path);
    return 1;
}

void CFileManager::AddUngrouped(std::wstring path) {
    // Linux file names are case-sensitive: only the same path is the same file.
    if (!m_ungroupedPaths.insert(path).second) return;
    auto file = std::make_unique<CFileInfo>();
    file->path = std::move(path);
    m_ungrouped.emplace(g_nextUngroupedIndex.fetch_add(1), std::move(file));
}

void CFileManager::NotifyListener() const {
    if (!m_listener) return;
    for (const auto& [deviceName, device] : m_devices)
        for (const auto& [dayKey, day] : device.days) {
            // From a recording's name rather than the key, which holds only 32 bits of time.
            const DateTime& start = day.channels.begin()->second.files.begin()->second->startTime;
            const DateTime date{start.year, start.month, start.day, 0, 0, 0};
            m_listener->OnGroupDayFound(deviceName, dayKey, date, ChannelCodesInDisplayOrder(day));
        }
    for (const auto& [index, file] : m_ungrouped) m_listener->OnSingleFileFound(index, *file);
}

int CFileManager::FillGroupList(std::vector<_GROUP_FILE_INFO>& groups, std::vector<std::wstring>& paths) const {
    for (const auto& [deviceName, device] : m_devices)
        for (const auto& [dayKey, day] : device.days) {
            _GROUP_FILE_INFO group;
            group.deviceName = deviceName;
            group.day = dayKey;
            for (const auto& [code, channel] : day.channels) {
                group.channels.emplace(code, nullptr);
                for (const auto& entry : channel.files) paths.push_back(entry.second->path);
            }
            groups.push_back(std::move(group));
        }
    return groups.empty() ? 0 : 1;
}

int CFileManager::FillSingleList(std::vector<_SINGLE_FILE_INFO>& singles) const {
    for (const auto& [index, file] : m_ungrouped) singles.push_back(_SINGLE_FILE_INFO{index, file->path});
    return singles.empty() ? 0 : 1;
}

const CFileInfo* CFileManager::FindUngroupedFile(std::int32_t index) const {
    const auto it = m_ungrouped.find(index);
    return it == m_ungrouped.end() ? nullptr : it->second.get();
}

const CFileManager::CDayEntry* CFileManager::FindDay(const std::wstring& deviceName, std::int32_t dayKey) const {
    const auto device = m_devices.find(deviceName);
    if (device == m_devices.end()) return nullptr;
    const auto day = device->second.days.find(dayKey);
    return day == device->second.days.end() ? nullptr : &day->second;
}

void CFileManager::DeleteFiles(const std::wstring& deviceName, std::int32_t dayKey, std::int32_t channelCode,
                               std::int32_t index) {
    if (index != 0) {
        const auto it = m_ungrouped.find(index);
        if (it == m_ungrouped.end()) return;
        m_ungroupedPaths.erase(it->second->path);
        m_ungrouped.erase(it);
        return;
    }
    const auto device = m_devices.find(deviceName);
    if (device == m_devices.end()) return;
    auto& days = device->second.days;
    if (channelCode != -1 || dayKey != 0) {
        const auto day = days.find(dayKey);
        if (day == days.end()) return;
        if (channelCode != -1) {
            day->second.channels.erase(channelCode);
            if (day->second.channels.empty()) days.erase(day);
        } else {
            days.erase(day);
        }
        if (!days.empty()) return;
    }
    m_devices.erase(device);
}
