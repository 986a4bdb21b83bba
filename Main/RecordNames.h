#pragma once
// How a recording is named on screen: its file name, its title (the name without its extension),
// and a channel's text ("Channel1_main", "Channel3_extra1", in the current language).
#include <cstdint>
#include <string>

#include "Files/FileRecords.h"

// The part after the last "/".
std::wstring FileNameOf(const std::wstring& path);
// The file name without the text from its last ".".
std::wstring FileTitleOf(const std::wstring& path);
// The extension with its dot (".rvf"), empty when the name has none.
std::wstring ExtensionOf(const std::wstring& path);
// "Channel" + channel number + "_" + "main", or "extra" + the stream number, translated.
std::wstring ChannelText(std::int32_t channelCode);

// A camera as the user tells it apart from the others: "FRONTDOOR · 3", "FRONTDOOR · 3 · extra1".
std::wstring CameraTitle(const std::wstring& device, std::int32_t channelCode);
// What a play window's title strip says of its file: the device and channel ("FRONTDOOR · 3",
// "FRONTDOOR · 3 · extra1"), so that cameras can be told apart in a small window; an ungrouped
// file (not named by the recorder's grammar) by its title.
std::wstring WindowTitleOf(const _QUERY_FILE_INFO& record);
// The rest, for a tooltip: the file's name and its span ("2012-03-15 10:15:00 - 11:00:00", the
// end's date only when it differs); the span from the record, else from the name.
std::wstring WindowToolTipOf(const _QUERY_FILE_INFO& record);
