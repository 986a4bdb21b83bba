#pragma once
// An AVI clip: the stream the engine pushes while it plays goes into the engine's converter, which
// writes it on a thread of its own. The engine's thread waits while the converter's buffer is
// full, and a stop first lets the converter take everything already fed. A long clip goes on in
// new files named after the time of the data at the split.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Engine/Movra.h"
#include "Engine/StrovaWrapper.h"

namespace TarvexPlay {

// Year, month, day, hour, minute, second of the stream's data.
struct DataTime {
    int fields[6] = {0};
};

// The name a split clip goes on in: the target's folder, the data's time, then the target's tag
// (from its first "[", else its last "_", to its extension), or its title when it has neither.
std::string SplitFileName(const std::string& target, const DataTime& time);

class AVIRecorder : public MOVRA::IAVIConvertListener {
public:
    // A file goes on in the next at `splitBytes` (0: the converter's own size).
    explicit AVIRecorder(std::uint64_t splitBytes = 0);
    ~AVIRecorder() override;

    // On ML_PLAY. 0 when the clip cannot be written there (the target exists, say).
    int Start(const char* path);
    // On the engine's thread. Always 1: the engine must go on whatever becomes of the clip.
    int InputData(const MOVRA::MV_STREAM_RECORD* record, const char* data, int length);
    // On ML_PLAY. 0 when the clip could not be completed.
    int Stop();
    bool IsActive() const { return m_active.load() != 0; }

    // The converter's thread, when the file reaches its split size.
    void OnGetNewFileName(void* context, int* continueFlag, char* name) override;

private:
    std::shared_ptr<MOVRA::CStrovaWrapper> m_converter;
    std::string m_path;
    std::atomic<int> m_active{0};
    // The six fields packed as YYYYMMDDhhmmss, so that the converter's thread reads them whole.
    std::atomic<std::int64_t> m_dataTime{0};
};

}  // namespace TarvexPlay
