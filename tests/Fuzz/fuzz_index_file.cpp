// An index file of any bytes beside a recording: stale, forged or truncated, it is refused or its
// payload handed over whole, never read past its end.
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Base/StreamConvert.h"
#include "Files/IndexFiles.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& home = TarvexFuzz::ProgramHome();
    static const std::string recording = [&] {
        const std::string path = home + "DVR_ch1_20240315100000_20240315100004.rvf";
        const std::uint8_t bytes[188] = {0x47};
        TarvexFuzz::WriteWhole(path, bytes, sizeof bytes);
        ::mkdir((home + "Index").c_str(), 0700);
        return path;
    }();
    const std::wstring wide = KX_SOFT_BASE::Utf8ToWide(recording);
    const std::string index = KX_SOFT_BASE::WideToNative(IndexPathFor(wide));
    // Half the inputs as they are; the other half behind a header this recording would write, so
    // that the payload's path is taken too.
    if (size > 0 && (data[0] & 1)) {
        WriteIndexFile(data + 1, size - 1, wide);
    } else if (!TarvexFuzz::WriteWhole(index, data, size)) {
        return 0;
    }
    std::size_t handed = 0;
    LoadIndex(wide, [&](const unsigned char* payload, std::size_t length) {
        std::vector<unsigned char> copy(payload, payload + length);  // every byte readable
        handed = copy.size();
    });
    IsIndexCurrent(wide);
    return static_cast<int>(handed & 0);
}
