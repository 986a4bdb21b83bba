#pragma once
// The stream push for a recording that is MPEG-TS already, as recorders write: the file's own
// bytes, from the keyframe at or before the frame on screen up to the frame on screen, read as
// play moves on. Nothing is demuxed or muxed again, so pushing costs a read now and then. The
// stream tables at the file's start go first, so that the receiver can read what follows.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Engine/EngineThread.h"
#include "Engine/MovraImpl.h"

namespace MOVRA {

class CRawStreamPush {
public:
    using Position = std::function<std::int64_t()>;  // the presented frame's time
    using Sink = std::function<void(const std::uint8_t* data, int length, double wallClock)>;

    // Null when the file is not MPEG-TS or its index (with byte positions) is not complete.
    static std::unique_ptr<CRawStreamPush> Start(std::shared_ptr<OpenFileState> file, std::int64_t fromPts,
                                                 Position position, Sink sink);
    ~CRawStreamPush();

    struct State;

private:
    CRawStreamPush() = default;
    std::shared_ptr<State> m_state;
    CEngineThread m_thread;
};

}  // namespace MOVRA
