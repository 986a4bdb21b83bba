#pragma once
// What a play object tells the UI, all on ML_MAIN. The render operations receive what they must
// release (the frame's completion token: its last copy lets the decoding thread go on); their
// defaults release it at once. A listener is held weakly: one that has gone gets nothing.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <atomic>
#include <cstdint>
#include <vector>

#include "Base/Event.h"

namespace TarvexPlay {

// Travels with a frame to the UI. When its last copy goes (the render task has run, or was
// dropped), the decoding thread that waits for it goes on.
class CCompletionToken {
public:
    explicit CCompletionToken(const boost::shared_ptr<KX_SOFT_BASE::CKXEvent>& done) : m_done(done) {}
    ~CCompletionToken() {
        if (auto done = m_done.lock()) done->Set();
    }
    CCompletionToken(const CCompletionToken&) = delete;
    CCompletionToken& operator=(const CCompletionToken&) = delete;

private:
    boost::weak_ptr<KX_SOFT_BASE::CKXEvent> m_done;
};

// Odd while the frame buffer a render task carries may be read (1, plus 2 for every read under
// way); the play object turns it to 0 when it stops, before it lets its decoding thread go, so a
// late task draws nothing. A reader of the engine's frame brackets its read with BeginFrameRead
// and EndFrameRead: the stop waits for a read under way before the engine may free the frame.
using RenderToken = boost::shared_ptr<std::atomic<int>>;

// False when the frame may not be read (stopped): then nothing is read and nothing ended.
inline bool BeginFrameRead(const RenderToken& token) {
    if (!token) return false;
    int value = token->load();
    while (value & 1)
        if (token->compare_exchange_weak(value, value + 2)) return true;
    return false;
}
inline void EndFrameRead(const RenderToken& token) {
    if (token) token->fetch_sub(2);
}
using ImageBuffer = boost::shared_ptr<std::vector<std::uint8_t>>;
// Which picture a frame is: its number in the file and its wall-clock time (seconds, with their
// fraction; 0 when the file's clock is unknown).
struct CFrameInfo {
    int frame = 0;
    double wallClock = 0;
    bool byGroupClock = false;  // shown because a play group's clock reached it
};
using CompletionToken = boost::shared_ptr<CCompletionToken>;

class IPlayObjectListener : public boost::enable_shared_from_this<IPlayObjectListener> {
public:
    virtual ~IPlayObjectListener() = default;
    // A converted 32-bit picture (bytes R, G, B, 255).
    virtual int OnQTRenderSubWin(void* handle, int width, int height, ImageBuffer image, CompletionToken done) {
        done.reset();
        return 1;
    }
    virtual void OnReserved2(int, int, int, int, boost::shared_ptr<void>) {}
    // The engine's own planar frame (Y, V, U): read it between BeginFrameRead and EndFrameRead on
    // the render token, while `done` is held.
    virtual int OnDDRenderSubWinEx(void* handle, unsigned char* frame, int width, int height, int ivs, CFrameInfo info,
                                   RenderToken renderToken, CompletionToken done) {
        done.reset();
        return 1;
    }
    virtual void OnReserved4(int, int, int) {}
    virtual void OnFileRefFinished(void* handle, int result) {}
    virtual void OnFileEnd(void* handle) {}
    virtual void OnPlayTimeInfoChanged(void* handle, unsigned int start, unsigned int end) {}
    // handle null: the play group's time.
    virtual void OnPlayPositionChanged(void* handle, unsigned int seconds) {}
    virtual void OnReserved9(int, int, int) {}
    virtual void OnSeekSuccess(int) {}
    // A clip being recorded stopped by itself: 1 the disk is full (or the file may grow no
    // further), 2 another write failed. What it wrote stays, playable.
    virtual void OnRecordStopped(void* handle, int reason) {}
};

}  // namespace TarvexPlay
