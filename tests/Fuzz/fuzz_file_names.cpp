// The recording-name grammar and the date folders, on any text: never a crash, and a name taken
// as a recording has a start before its end and a channel code that reads back as its numbers.
#include <cstdint>
#include <cstdlib>

#include "Base/StreamConvert.h"
#include "Files/NamingRules.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = KX_SOFT_BASE::Utf8ToWide(TarvexFuzz::Bytes(data, size));
    CNamingRuleParser parser;
    if (ParseFileName(text, parser)) {
        if (!(parser.startTime.ToTimeT() < parser.endTime.ToTimeT())) std::abort();
        const int channel = ChannelNumberOf(parser.channelCode), stream = StreamNumberOf(parser.channelCode);
        if (MakeChannelCode(channel, stream) != parser.channelCode) std::abort();
    }
    CNamingRuleParser folder;
    ParseDateFolder(text, folder);
    IsRecordingExtension(text);
    std::wstring name;
    MakeCaptureFileName(name, parser.channelCode, parser.startTime.ToTimeT(), text);
    return 0;
}
