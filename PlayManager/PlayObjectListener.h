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

// 1 while the frame buffer a render task carries may be read; the play object turns it to 0 when
// it stops, before it lets its decoding thread go, so a late task draws nothing.
using RenderToken = boost::shared_ptr<std::atomic<int>>;
using ImageBuffer = boost::shared_ptr<std::vector<std::uint8_t>>;
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
    // The engine's own planar frame (Y, V, U): valid while *renderToken is 1 and `done` is held.
    virtual int OnDDRenderSubWinEx(void* handle, unsigned char* frame, int width, int height, int ivs, int info,
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
};

}  // namespace TarvexPlay
