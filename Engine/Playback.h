#pragma once
// The presentation side of one engine: a decoding thread that paces frames by a steady clock
// times the speed, forward or backward, and the commands that steer it (seeks, steps, pause).
// Every listener call comes from that thread, with no engine lock held. Frames that fall behind
// the clock are not presented; at high speeds the decoder skips frames nothing refers to, then
// all but keyframes, so the clock keeps the requested speed and the frames shown stay in order.
#include <cstdint>
#include <functional>
#include <memory>

#include "Engine/DecoderThreads.h"
#include "Engine/GroupClock.h"
#include "Engine/Movra.h"
#include "Engine/MovraImpl.h"
#include "Engine/VideoDecoder.h"

namespace MOVRA {

constexpr double kMinSpeed = 1.0 / 64, kMaxSpeed = 64;

// The file's sound as the decoding thread drives it; called only from that thread.
class ISoundOutput {
public:
    virtual ~ISoundOutput() = default;
    // Plays the sound from stream time `seconds` (from the first video frame) on.
    virtual void Start(double seconds) = 0;
    virtual void Halt() = 0;
    // The stream time being heard now; negative when nothing plays (not started, or no sound
    // left to play).
    virtual double Position() = 0;
};

class CPlayback {
public:
    CPlayback(std::shared_ptr<OpenFileState> file, IMovraListener* listener, void* context);
    ~CPlayback();
    CPlayback(const CPlayback&) = delete;
    CPlayback& operator=(const CPlayback&) = delete;

    // Playing from the first frame, or from where a Seek given before asked; false when the file
    // cannot be decoded.
    bool Start();
    void Stop();   // ends the thread; never hangs on a blocking listener

    int Pause();
    int Resume();
    bool IsPlaying() const;
    int SetSpeed(double speed);
    int RenderLastFrame();
    // The presentation time of the frame on screen (INT64_MIN before the first), as a function that
    // stays valid on any thread for as long as it is held.
    std::function<std::int64_t()> PresentedPts() const;
    // The picture on screen, null before the first; it is never written to again.
    std::shared_ptr<const DecodedPicture> LastPicture() const;
    void SetPacing(bool paced);
    // Shown at half the picture's size or less: decoded without deblocking.
    void SetShownSmall(bool small);  // unpaced: every frame as fast as it decodes (tools, benchmarks)
    // Backward needs the file's index; the caller checks that it is complete.
    void SetDirection(bool forward);
    // To the frame shown at `seconds` of stream time (from the first frame); the frame is handed
    // out even while paused. Without `showNow`, play hands it out when it is due instead (a member
    // that joins its group before the group's clock reaches its file).
    void Seek(double seconds, bool showNow = true);
    // Pauses, then shows the next or the previous frame. With the file's frame count known
    // (nonzero), 0 when the step would leave the file.
    int Step(bool forward, std::size_t frames);
    // Sound plays only forward at 1X with pacing; its clock then paces the pictures. Null: none.
    void SetSound(std::shared_ptr<ISoundOutput> sound);
    // In a play group, frames are due by the group's clock (wall-clock seconds; `startWallClock`
    // is this file's first frame). Null: this playback's own clock again, from where it is.
    void SetGroupClock(std::shared_ptr<CGroupClock> clock, double startWallClock);
    // Makes the thread look at the clocks again (the group's changed).
    void Nudge();

    // Pictures shown, passed over and decoded, the time decoding took and the relief now.
    void CountsInto(MV_PLAY_STATS* stats) const;
    double CurrentStreamSeconds() const;
    int CurrentFrameNumber() const;
    int FrameWidth() const;
    int FrameHeight() const;
    void OverrideFrameSize(int width, int height);

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<CDecodingWindow> m_decoding;  // while the thread runs
    CEngineThread m_thread;
};

}  // namespace MOVRA
