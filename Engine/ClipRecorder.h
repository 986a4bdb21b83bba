#pragma once
// The packets of the recording being played, copied without re-encoding from the keyframe at or
// before the frame on screen up to the frame on screen when the copy stops, as a native clip (a
// new file) or as a stream handed out as it is written (for the AVI converter). A thread of its
// own follows the playback position. MPEG-TS when the codecs fit it (as recorders write), else
// Matroska; the wall clock of the first frame is stored in it. Each packet is flushed as it is
// written, so a clip cut short by a crash plays up to its last whole packet.
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

    // Where the copy goes: a new file at `path`, or, with `path` empty, to `push` as it is
    // written, with the wall clock (local seconds) of the latest frame in the bytes.
    struct Target {
        std::string path;
        std::function<void(const std::uint8_t* data, int length, double wallClock)> push;
        double fromSeconds = -1;  // when set, the start in stream seconds instead of `fromPts`
        // An export rather than a clip being recorded: written under a temporary name and given
        // `path` by Stop once complete, so that one that fails leaves nothing under it.
        bool whole = false;
        // Called once, on the recorder's thread, when a write fails and the copy stops by itself
        // (its errno: ENOSPC for a full disk). What was written stays.
        std::function<void(int error)> stopped;
    };

    // Null, with the reason, when the copy cannot be started: the file exists already (it is not
    // overwritten), or the folder cannot be written.
    static std::unique_ptr<CClipRecorder> Start(std::shared_ptr<OpenFileState> file, Target target,
                                                std::int64_t fromPts, Position position, std::string* why);
    ~CClipRecorder();
    // Copies up to the frame on screen now and completes the file. False when it could not be
    // completed (a full disk): what was written stays readable (an export's is removed).
    bool Stop();
    // Everything up to the position last looked at is copied, or the recording has ended: a copy
    // to a fixed end may then be stopped without a long wait.
    bool CaughtUp() const;
    // Stream seconds copied so far, from the clip's first frame (for progress).
    double CopiedSeconds() const;

    struct State;

private:
    CClipRecorder() = default;
    std::shared_ptr<State> m_state;
    CEngineThread m_thread;
};

}  // namespace MOVRA
