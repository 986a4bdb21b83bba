#pragma once
// The presentation side of one engine: a decoding thread that paces frames by a steady clock
// times the speed, and the commands that steer it. Every listener call comes from that thread,
// with no engine lock held. Frames that fall behind the clock are not presented; at high speeds
// the decoder skips frames nothing refers to, then all but keyframes, so the clock keeps the
// requested speed and the frames shown stay in order.
#include <cstdint>
#include <memory>

#include "Engine/Movra.h"
#include "Engine/MovraImpl.h"

namespace MOVRA {

constexpr double kMinSpeed = 1.0 / 64, kMaxSpeed = 64;

class CPlayback {
public:
    CPlayback(std::shared_ptr<OpenFileState> file, IMovraListener* listener, void* context);
    ~CPlayback();
    CPlayback(const CPlayback&) = delete;
    CPlayback& operator=(const CPlayback&) = delete;

    bool Start();  // playing forward from the first frame; false when the file cannot be decoded
    void Stop();   // ends the thread; never hangs on a blocking listener

    int Pause();
    int Resume();
    bool IsPlaying() const;
    int SetSpeed(double speed);
    int RenderLastFrame();
    void SetPacing(bool paced);  // unpaced: every frame as fast as it decodes (tools, benchmarks)

    double CurrentStreamSeconds() const;
    int CurrentFrameNumber() const;
    int FrameWidth() const;
    int FrameHeight() const;
    void OverrideFrameSize(int width, int height);

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    CEngineThread m_thread;
};

}  // namespace MOVRA
