#pragma once
// How a recording is named on screen: its file name, its title (the name without its extension),
// and a channel's text ("Channel1_main", "Channel3_extra1", in the current language).
#include <cstdint>
#include <string>

// The part after the last "/".
std::wstring FileNameOf(const std::wstring& path);
// The file name without the text from its last ".".
std::wstring FileTitleOf(const std::wstring& path);
// The extension with its dot (".rvf"), empty when the name has none.
std::wstring ExtensionOf(const std::wstring& path);
// "Channel" + channel number + "_" + "main", or "extra" + the stream number, translated.
std::wstring ChannelText(std::int32_t channelCode);
