#pragma once
// A native clip: the packets of the recording being played, copied without re-encoding from the
// keyframe at or before the frame on screen up to the frame on screen when the clip stops. A
// thread of its own follows the playback position. MPEG-TS when the codecs fit it (as recorders
// write), else Matroska; the wall clock of the clip's first frame is stored in it. Each packet is
// flushed as it is written, so a clip cut short by a crash plays up to its last whole packet.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Engine/EngineThread.h"
#include "Engine/MovraImpl.h"

namespace MOVRA {

class CClipRecorder {
public:
    // The presentation time (video time base) of the frame on screen.
    using Position = std::function<std::int64_t()>;

    // Null, with the reason, when the clip cannot be started: the file exists already (it is not
    // overwritten), or the folder cannot be written.
    static std::unique_ptr<CClipRecorder> Start(std::shared_ptr<OpenFileState> file, const std::string& path,
                                                std::int64_t fromPts, Position position, std::string* why);
    ~CClipRecorder();
    // Copies up to the frame on screen now and completes the file. False when it could not be
    // completed (a full disk): what was written stays readable.
    bool Stop();

    struct State;

private:
    CClipRecorder() = default;
    std::shared_ptr<State> m_state;
    CEngineThread m_thread;
};

}  // namespace MOVRA
