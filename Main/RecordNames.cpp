#include "Main/RecordNames.h"


#include "App/Language.h"
#include "Files/NamingRules.h"
#include "Main/VideoProperties.h"

std::wstring FileNameOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FileTitleOf(const std::wstring& path) {
    const std::wstring name = FileNameOf(path);
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring ExtensionOf(const std::wstring& path) {
    const std::wstring name = FileNameOf(path);
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

std::wstring ChannelText(std::int32_t channelCode) {
    using TarvexApp::Translate;
    const int stream = StreamNumberOf(channelCode);
    return Translate(L"Channel") + std::to_wstring(ChannelNumberOf(channelCode)) + L"_" +
           (stream == 0 ? Translate(L"main") : Translate(L"extra") + std::to_wstring(stream));
}

namespace {

// The recorder's name of a grouped recording; false for an ungrouped file.
bool ParsedName(const _QUERY_FILE_INFO& record, CNamingRuleParser& name) {
    return record.channelCode != -1 && ParseFileName(FileTitleOf(record.path), name) == 1;
}

}  // namespace

std::wstring CameraTitle(const std::wstring& device, std::int32_t channelCode) {
    const int stream = StreamNumberOf(channelCode);
    std::wstring title = device + L" \u00B7 " + std::to_wstring(ChannelNumberOf(channelCode));
    if (stream != 0) title += L" \u00B7 " + TarvexApp::Translate(L"extra") + std::to_wstring(stream);
    return title;
}

std::wstring WindowTitleOf(const _QUERY_FILE_INFO& record) {
    CNamingRuleParser name;
    if (!ParsedName(record, name)) return FileTitleOf(record.path);
    return CameraTitle(name.deviceName, record.channelCode);
}

std::wstring WindowToolTipOf(const _QUERY_FILE_INFO& record) {
    std::int64_t start = record.fileStartTime, end = record.fileEndTime;
    CNamingRuleParser name;
    if ((start <= 0 || end < start) && ParsedName(record, name)) {
        start = name.startTime.ToTimeT();
        end = name.endTime.ToTimeT();
    }
    const std::wstring span = WallClockSpanText(start, end);
    return span.empty() ? FileNameOf(record.path) : FileNameOf(record.path) + L"\n" + span;
}
