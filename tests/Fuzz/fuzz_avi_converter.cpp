// The AVI converter fed any stream, in pieces of any size, with a split now and then: it converts
// or gives up, and always completes or refuses the file; it never waits for ever or crashes.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "Engine/StrovaWrapper.h"
#include "FuzzSupport.h"

namespace {

class NextName : public MOVRA::IAVIConvertListener {
public:
    explicit NextName(std::string base) : m_base(std::move(base)) {}
    void OnGetNewFileName(void*, int*, char* name) override {
        const std::string next = m_base + std::to_string(++m_count) + ".avi";
        if (m_count < 4) std::snprintf(name, MOVRA::kMaxAviNameLength, "%s", next.c_str());
    }

private:
    std::string m_base;
    int m_count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string base = TarvexFuzz::ProgramHome() + "clip";
    for (int i = 0; i <= 4; ++i) ::unlink((base + std::to_string(i) + ".avi").c_str());
    NextName names(base);
    {
        MOVRA::CStrovaWrapper converter;
        converter.SetAVIConvertListener(&names);
        converter.SetStreamOpenMode(1);
        if (!converter.OpenStream(1 << 16)) return 0;
        converter.SetSplitSize(4096 + data[0] * 256u);
        const std::string first = base + "0.avi";
        if (converter.StartAVIConvert(first.c_str()) && converter.Play(nullptr)) {
            // The first byte chooses how the stream is cut into pushes.
            const std::size_t piece = 1 + data[1] % 200;
            for (std::size_t at = 2; at < size;) {
                const unsigned int n = static_cast<unsigned int>(std::min(piece, size - at));
                int tries = 0;
                while (!converter.InputData(data + at, n) && ++tries < 2000) ::usleep(500);
                if (tries >= 2000) break;  // the converter stopped taking input
                at += n;
            }
            converter.StopAVIConvert();
        }
        converter.Stop();
        converter.CloseStream();
    }
    return 0;
}
