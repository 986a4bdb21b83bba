#include "PlayManager/PlayObject.h"

#include <boost/make_shared.hpp>

#include <cstdlib>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "PlayManager/FrameConversion.h"

namespace TarvexPlay {

using TarvexBase::ML_MAIN;
using TarvexBase::ML_PLAY;

namespace {
// The planar path's first buffer: room for a 2560 x 1920 picture.
constexpr std::size_t kDefaultImageBytes = 0x12C0000;
}  // namespace

boost::shared_ptr<CPlayObject> CPlayObject::Create() { return boost::shared_ptr<CPlayObject>(new CPlayObject); }

CPlayObject::CPlayObject()
    : m_renderToken(boost::make_shared<std::atomic<int>>(1)), m_renderDone(boost::make_shared<KX_SOFT_BASE::CKXEvent>()) {
    m_renderDone->Create(1, 1);  // signalled: no render in flight
    m_engine = boost::make_shared<MOVRA::CMovra>(this);
}

CPlayObject::~CPlayObject() {
    // An AVI clip still running is completed; its feeding stops before the engine's threads end.
    if (m_aviActive) StopDataRecord();
    // A decoding thread waiting for a render goes on; the engine's own end stops its threads.
    m_stopped = 1;
    CloseFrameToReaders();
    m_renderDone->Set();
    // The engine's threads call back into this object, reading m_engine, until they end: they
    // are ended first, and only then does the pointer change.
    m_engine->Close();
    m_engine.reset();
    m_renderDone->Close();
}

int CPlayObject::Open(const std::string& path) {
    m_stopped = 0;
    m_stepsToReport = 0;
    m_renderToken->store(1);
    return m_engine->Open(path.c_str());
}

int CPlayObject::Stop() {
    m_stopped = 1;
    // A render task still queued for the UI must not read the engine's buffer any more, and the
    // decoding thread waiting for it must not wait for the UI: closing a file never hangs. A draw
    // that is reading the frame now finishes first: the engine frees the frame once stopped.
    CloseFrameToReaders();
    m_renderDone->Set();
    return m_engine->Stop();
}

void CPlayObject::CloseFrameToReaders() {
    int value = m_renderToken->load();
    while (value != 0) {
        if (value == 1) {
            if (m_renderToken->compare_exchange_weak(value, 0)) return;
            continue;
        }
        KX_SOFT_BASE::SleepMs(1);  // a draw or a conversion of one frame: a few milliseconds
        value = m_renderToken->load();
    }
}

int CPlayObject::Close() { return m_engine->Close(); }

int CPlayObject::Seek(unsigned int wallClockSecond) {
    m_preSeekTime = m_engine->GetCurrentPlayTime();
    const int result = m_engine->Seek(wallClockSecond);
    if (!result) m_preSeekTime = 0;
    return result;
}

int CPlayObject::Seek(float percent) {
    m_preSeekTime = m_engine->GetCurrentPlayTime();
    const int result = m_engine->Seek(percent);
    if (!result) m_preSeekTime = 0;
    return result;
}

int CPlayObject::StartDataRecord(const char* path, int type) {
    // A second start would take the running clip's type: that clip would never be stopped, and an
    // AVI would be left without its index.
    if (!path || m_recordType != -1 || (type != 0 && type != 1)) return 0;
    if (type == 1) {
        if (!m_recorder) m_recorder = std::make_shared<AVIRecorder>();
        if (!m_recorder->Start(path)) return 0;
        m_recordType = 1;
        // The push runs all along; restarted, it begins again with the stream's tables and the
        // keyframe at or before the picture on screen, so the clip holds what the user saw when
        // recording began, as a native clip does, and not only what follows the next keyframe.
        m_engine->EnableStreamPush(0);
        m_aviActive = 1;
        m_engine->EnableStreamPush(1);
        return 1;
    }
    if (!m_engine->StartDataRecord(const_cast<char*>(path), 0)) return 0;
    m_recordType = 0;
    return 1;
}

int CPlayObject::StopDataRecord() {
    const int type = m_recordType;
    m_recordType = -1;
    if (type == 1) {
        m_aviActive = 0;
        return m_recorder ? m_recorder->Stop() : 0;
    }
    if (type == 0) return m_engine->StopDataRecord();
    return 0;
}

bool CPlayObject::IsRenderDone() { return m_renderDone->Wait(0) == 0; }

int CPlayObject::StepForward() { return ReportStep(m_engine->StepForward()); }

int CPlayObject::StepBackward() { return ReportStep(m_engine->StepBackward()); }

int CPlayObject::ReportStep(int result) {
    // A step moves the picture while paused, when no timer tick reports it. The engine steps on
    // its decoding thread: the position is the stepped frame's, reported once it is shown.
    // The frame on screen now may still be on its way through the listener: only a frame of
    // another number is the step's.
    if (result) {
        if (m_stepsToReport.load() == 0) m_stepFrom = ShownFrameNumber();
        ++m_stepsToReport;
    }
    return result;
}

int CPlayObject::ShownFrameNumber() {
    int number = -1, returned = 0;
    m_engine->QueryInfo(MOVRA::MV_QUERY_FRAME_NUMBER, &number, sizeof(number), &returned);
    return number;
}

void CPlayObject::ReportStepShown() {
    if (m_stepsToReport.load() <= 0) return;
    const int shown = ShownFrameNumber();
    if (shown == m_stepFrom.load()) return;
    m_stepFrom = shown;
    int pending = m_stepsToReport.load();
    while (pending > 0 && !m_stepsToReport.compare_exchange_weak(pending, pending - 1)) {
    }
    if (pending <= 0) return;
    // On the decoding thread inside its callback, where the engine's file cannot change.
    const unsigned int now = m_engine->GetCurrentPlayTime();
    if (m_engine->IsGetFileTimeInfo() && now != 0)
        if (auto listener = Listener())
            KX_POST_TASK(ML_MAIN, listener.get(), &IPlayObjectListener::OnPlayPositionChanged, Handle(), now);
}

void CPlayObject::MonitorPlayTimeChange() {
    if (!m_engine->IsPlaying() || m_stopped) return;
    const unsigned int now = m_engine->GetCurrentPlayTime();
    if (now == m_preSeekTime) return;
    if (auto listener = Listener())
        KX_POST_TASK_LEVEL(3, ML_MAIN, listener.get(), &IPlayObjectListener::OnPlayPositionChanged, Handle(), now);
}

template <class F>
void CPlayObject::PostToPlayLoop(F&& task) {
    boost::weak_ptr<CPlayObject> self = weak_from_this();
    KX_POST_FUNCTION(ML_PLAY, ([self, task = std::forward<F>(task)] {
        if (auto object = self.lock()) task(*object);
    }));
}

void CPlayObject::OnFileRefFinished(void*, int result) {
    PostToPlayLoop([result](CPlayObject& object) { object.Task_OnFileRefFinished(result); });
}

void CPlayObject::OnFileEnd(void*) {
    PostToPlayLoop([](CPlayObject& object) { object.Task_OnFileEnd(); });
}

void CPlayObject::OnDataRecordStopped(void*, int reason) {
    PostToPlayLoop([reason](CPlayObject& object) {
        if (auto listener = object.Listener())
            KX_POST_TASK(ML_MAIN, listener.get(), &IPlayObjectListener::OnRecordStopped, object.Handle(), reason);
    });
}

void CPlayObject::OnStreamData(void*, char* data, int length, MOVRA::MV_STREAM_RECORD* record, void*) {
    if (m_aviActive) m_recorder->InputData(record, data, length);
}

void CPlayObject::OnFileTimeDone(void*, unsigned int start, unsigned int end) {
    // The engine is called on ML_PLAY, where it is opened and closed; on the UI thread the call
    // would race a close, and the task could be where the object's last reference goes.
    PostToPlayLoop([start, end](CPlayObject& object) { object.Task_OnPlayTimeInfoChanged(start, end); });
}

void CPlayObject::Task_OnFileRefFinished(int result) {
    if (auto listener = Listener())
        KX_POST_TASK(ML_MAIN, listener.get(), &IPlayObjectListener::OnFileRefFinished, Handle(), result);
}

void CPlayObject::Task_OnFileEnd() {
    if (auto listener = Listener()) KX_POST_TASK(ML_MAIN, listener.get(), &IPlayObjectListener::OnFileEnd, Handle());
}

void CPlayObject::Task_OnPlayTimeInfoChanged(unsigned int start, unsigned int end) {
    m_engine->SetFileTimeInfo(start, end);
    if (auto listener = Listener())
        KX_POST_TASK(ML_MAIN, listener.get(), &IPlayObjectListener::OnPlayTimeInfoChanged, Handle(), start, end);
}

void CPlayObject::OnFrameVisible(int, int kind, unsigned char* buffer, void*, MOVRA::MV_FRAME_RECORD* frame) {
    // Only a complete picture is drawn.
    if (!frame || frame->type != 3 || !buffer) return;
    if (kind == MOVRA::MV_FRAME_DIRECTDRAW) DDrawRender(buffer, frame->width, frame->height, frame->byGroupClock != 0);
    else if (kind == MOVRA::MV_FRAME_PLANAR) QTRender(buffer, frame->width, frame->height);
    ReportStepShown();
}

void CPlayObject::WaitForRender() {
    // Someone besides us holds the render token: a render task is in flight.
    if (m_renderToken.use_count() > 1 && !m_stopped) m_renderDone->Wait(KX_SOFT_BASE::KX_INFINITE);
}

void CPlayObject::DDrawRender(unsigned char* buffer, int width, int height, bool byGroupClock) {
    if (!m_renderToken || m_stopped) return;
    if (auto listener = Listener()) {
        CFrameInfo info;
        info.byGroupClock = byGroupClock;
        int returned = 0;
        m_engine->QueryInfo(MOVRA::MV_QUERY_FRAME_NUMBER, &info.frame, sizeof(info.frame), &returned);
        m_engine->QueryInfo(MOVRA::MV_QUERY_WALL_CLOCK, &info.wallClock, sizeof(info.wallClock), &returned);
        m_renderDone->Reset();
        if (m_stopped) {  // stopped meanwhile: its Set must not be undone
            m_renderDone->Set();
            return;
        }
        auto done = boost::make_shared<CCompletionToken>(m_renderDone);
        KX_POST_TASK_LEVEL(3, ML_MAIN, listener.get(), &IPlayObjectListener::OnDDRenderSubWinEx, Handle(), buffer,
                           width, height, m_ivs, info, m_renderToken, done);
    }
    WaitForRender();
}

void CPlayObject::QTRender(const unsigned char* buffer, int width, int height) {
    if (m_stopped) return;
    const int rows = std::abs(height);
    // The size the image was made for is kept here: the engine rewrites its own with every frame
    // it shows, and would hide a change.
    if (width != m_imageWidth || rows != m_imageHeight) {
        m_image = boost::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(width) * rows * 4, 0);
        m_imageWidth = width;
        m_imageHeight = rows;
        m_engine->SetCurrentPlayingVideoFrameWidth(width);
        m_engine->SetCurrentPlayingVideoFrameHeight(rows);
    }
    if (!m_image) m_image = boost::make_shared<std::vector<std::uint8_t>>(kDefaultImageBytes, 0);
    if (m_image->size() < static_cast<std::size_t>(width) * rows * 4) return;
    ConvertPlanarToRgba(buffer, width, height, m_image->data());
    if (auto listener = Listener()) {
        m_renderDone->Reset();
        auto done = boost::make_shared<CCompletionToken>(m_renderDone);
        KX_POST_TASK_LEVEL(3, ML_MAIN, listener.get(), &IPlayObjectListener::OnQTRenderSubWin, Handle(), width, rows,
                           m_image, done);
        done.reset();  // only the task's copy may keep the frame in flight
        // The image is reused for the next frame: wait until the UI has it.
        if (!m_stopped) m_renderDone->Wait(KX_SOFT_BASE::KX_INFINITE);
    }
}

}  // namespace TarvexPlay
