#include "Main/RecordNames.h"

#include "App/Language.h"
#include "Files/NamingRules.h"

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
