#pragma once
// The recorder's file-name grammar. Everything the player knows about a recording (device,
// channel, stream, time span) comes from its name; the file is never opened to learn it.
//
//   DVR_ch3_extra2_20120315101500_20120315110000_part.rvf
//   device _ch<channel> _[main_|extra<N>_] start _ end [tail]
#include <cstdint>
#include <string>

#include "Base/DateTime.h"

// A channel code packs the channel (bits 0-23, from 1) and the stream (bits 24-31: 0 main, N for
// "extra" N) into one integer, the form in which the whole program passes channels around.
inline int ChannelNumberOf(std::int32_t channelCode) { return channelCode & 0xFFFFFF; }
inline int StreamNumberOf(std::int32_t channelCode) { return (channelCode >> 24) & 0xFF; }
inline std::int32_t MakeChannelCode(int channel, int stream) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(stream) << 24) | (channel & 0xFFFFFF));
}

// Reused for many names; each successful parse overwrites the fields it sets, a failed one may
// leave them partly overwritten.
class CNamingRuleParser {
public:
    virtual ~CNamingRuleParser() = default;

    std::wstring deviceName;
    std::int32_t channelCode = -1;
    KX_SOFT_BASE::DateTime startTime;
    KX_SOFT_BASE::DateTime endTime;
    KX_SOFT_BASE::DateTime folderDate;  // year, month, day only
};

// `title` is the file name without folder and extension. 1 when it is a recording name (and its
// start lies strictly before its end), 0 otherwise.
int ParseFileName(const std::wstring& title, CNamingRuleParser& parser);
// The grammar alone, on a title's bytes (its UTF-8, or legacy bytes): 1 when it follows it.
int FollowsFileNameGrammar(const std::string& bytes);
// 1 and the folder date set when the folder name is a date such as 2012-03-15 or 2012-3-5.
int ParseDateFolder(const std::wstring& name, CNamingRuleParser& parser);
// 1 for ".rvf" in any letter case.
int IsRecordingExtension(const std::wstring& extension);
// A snapshot or clip name from the time shown and the channel (-1 for clips), with a random
// number below 10000 so that captures of one second differ:
//   20120315101500_1234.rvf  20120315101500[5]_1234.jpg  20120315101500[5_1]_1234.jpg
int MakeCaptureFileName(std::wstring& out, std::int32_t channelCode, std::int64_t time,
                        const std::wstring& extension);
