#pragma once
// One opened recording bound to one engine instance. The engine calls it on its own threads; it
// turns every callback into a task on ML_PLAY or ML_MAIN, hands decoded frames to the UI and holds
// the decoding thread until the UI has drawn or dropped each one, and reports positions. Created,
// found (by its handle, the engine's address) and destroyed by the play manager on ML_PLAY.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <atomic>
#include <memory>
#include <string>

#include "Engine/Movra.h"
#include "PlayManager/AVIRecorder.h"
#include "PlayManager/PlayObjectListener.h"

namespace TarvexPlay {

class CPlayObject : public MOVRA::IMovraListener, public boost::enable_shared_from_this<CPlayObject> {
public:
    static boost::shared_ptr<CPlayObject> Create();
    ~CPlayObject() override;

    void* Handle() const { return m_engine.get(); }
    MOVRA::CMovra& Engine() { return *m_engine; }
    void SetListener(const boost::weak_ptr<IPlayObjectListener>& listener) { m_listener = listener; }

    int Open(const std::string& path);
    // A render that is in flight has not been drawn or dropped yet.
    bool IsRenderDone();
    // Stops playback and lets a decoding thread that waits for a render go on at once.
    int Stop();
    int Close();

    // The engine's time at the request is kept, so that no position is reported until it moved.
    int Seek(unsigned int wallClockSecond);
    int Seek(float percent);
    int StepForward();
    int StepBackward();
    // A clip from the picture on screen on: type 0 written by the engine in its own format, type
    // 1 as AVI by the recorder from the stream the engine pushes. Only one at a time: a start
    // while one runs is refused and the running clip goes on.
    int StartDataRecord(const char* path, int type);
    int StopDataRecord();
    // Every 300 ms from the manager's timer: the position while playing.
    void MonitorPlayTimeChange();
    unsigned int PreSeekTime() const { return m_preSeekTime; }

    // The engine's callbacks (engine threads).
    void OnFileRefFinished(void* context, int result) override;
    void OnFileEnd(void* context) override;
    void OnDataRecordStopped(void* context, int reason) override;
    void OnFrameVisible(int size, int kind, unsigned char* buffer, void* context, MOVRA::MV_FRAME_RECORD* frame) override;
    void OnFileTimeDone(void* context, unsigned int start, unsigned int end) override;
    void OnStreamData(void* context, char* data, int length, MOVRA::MV_STREAM_RECORD* record, void* reserved) override;

    // The tasks they become, all on ML_PLAY, where the engine is called and the object may go.
    void Task_OnFileRefFinished(int result);
    void Task_OnFileEnd();
    void Task_OnPlayTimeInfoChanged(unsigned int start, unsigned int end);

    // The two ways a frame reaches the UI (engine thread).
    void DDrawRender(unsigned char* buffer, int width, int height, bool byGroupClock);
    void QTRender(const unsigned char* buffer, int width, int height);

private:
    CPlayObject();
    boost::shared_ptr<IPlayObjectListener> Listener() const { return m_listener.lock(); }
    void WaitForRender();
    int ReportStep(int result);
    // The frame a step asked for is on screen: its position goes to the UI (engine thread).
    void ReportStepShown();
    int ShownFrameNumber();
    // Turns the render token to 0 once no reader holds the frame, so that the engine may free it.
    void CloseFrameToReaders();
    // Posts one of this object's tasks to ML_PLAY from an engine thread. Only a weak reference
    // travels: an engine thread must never hold the last one, and one that calls back while the
    // object is going finds nothing to post to.
    template <class F>
    void PostToPlayLoop(F&& task);

    boost::shared_ptr<MOVRA::CMovra> m_engine;
    boost::weak_ptr<IPlayObjectListener> m_listener;
    RenderToken m_renderToken;
    ImageBuffer m_image;
    boost::shared_ptr<KX_SOFT_BASE::CKXEvent> m_renderDone;
    std::shared_ptr<AVIRecorder> m_recorder;  // made for the first AVI clip, kept from then on
    int m_recordType = -1;  // -1 no clip, 0 native, 1 AVI
    std::atomic<int> m_aviActive{0};  // read by the engine's thread with each piece of stream
    int m_ivs = 0;  // no analysis track
    unsigned int m_preSeekTime = 0;
    std::atomic<int> m_stopped{0};
    std::atomic<int> m_stepsToReport{0};  // steps asked for whose frame has not been shown yet
    std::atomic<int> m_stepFrom{-1};      // the frame on screen when they were asked for
    int m_imageWidth = 0, m_imageHeight = 0;  // what the image buffer was made for (engine thread)
};

}  // namespace TarvexPlay
