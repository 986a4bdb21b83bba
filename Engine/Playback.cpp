#include "Engine/Playback.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "Engine/VideoDecoder.h"

namespace MOVRA {

namespace {

using Clock = std::chrono::steady_clock;

// How far behind the clock a frame may fall before it is not shown, and how long the screen may
// go without a new frame all the same (a slow machine still sees pictures).
constexpr double kLateFrames = 2.0;
constexpr auto kMaxGapWithoutFrame = std::chrono::milliseconds(250);
// Behind by more than this (a listener that blocked, a slow disk), the clock starts again from
// the frame at hand instead of racing to catch up.
constexpr auto kResyncAfter = std::chrono::seconds(1);
constexpr auto kIdleWait = std::chrono::milliseconds(50);

int SkipLevelFor(double speed) { return speed >= 16 ? 2 : speed >= 4 ? 1 : 0; }

}  // namespace

struct CPlayback::Shared {
    std::shared_ptr<OpenFileState> file;
    IMovraListener* listener = nullptr;
    void* context = nullptr;

    mutable std::mutex mutex;
    std::condition_variable cv;
    // Commands, read by the thread.
    bool stop = false;
    bool playing = true;
    double speed = 1;
    bool paced = true;
    bool clockReset = true;
    bool represent = false;
    // What is on screen.
    std::shared_ptr<DecodedPicture> last;
    double seconds = 0;  // from the first frame
    int frameNumber = 0;
    int width = 0, height = 0;
};

namespace {

class Worker {
public:
    // `decoder` is open on the file.
    Worker(CPlayback::Shared& s, const std::atomic<bool>& stop, CVideoDecoder& decoder)
        : m_s(s), m_stop(stop), m_decoder(decoder) {}

    void Run() {
        m_timeBase = static_cast<double>(m_decoder.TimeBaseNum()) / m_decoder.TimeBaseDen();
        m_firstPts = m_decoder.StartPts();
        while (!Stopping()) {
            bool playing, paced, reset, represent;
            double speed;
            {
                std::unique_lock<std::mutex> lock(m_s.mutex);
                playing = m_s.playing;
                paced = m_s.paced;
                speed = m_s.speed;
                reset = m_s.clockReset;
                represent = m_s.represent;
                m_s.clockReset = false;
                m_s.represent = false;
                if (!represent && (!playing || m_atEnd)) {
                    m_s.cv.wait_for(lock, kIdleWait);
                    continue;
                }
            }
            if (represent) {
                Represent();
                continue;
            }
            if (reset) m_anchorValid = false;
            const int level = SkipLevelFor(speed);
            if (level != m_skip) {
                // The decoder's next picture is undefined after a change: start again from the
                // keyframe before the frame on screen.
                m_pending.reset();
                m_decoder.SetSkip(level);
                m_decoder.SeekBefore(m_lastPts + 1);
                m_skip = level;
                m_skipUntil = m_lastPts;
            }
            std::shared_ptr<DecodedPicture> picture = std::move(m_pending);
            if (!picture) {
                picture = std::make_shared<DecodedPicture>();
                if (!NextPicture(picture.get())) {
                    ReportEnd();
                    continue;
                }
            }
            const double seconds = (picture->pts - m_firstPts) * m_timeBase;
            const Due due = paced ? WaitUntilDue(seconds, speed) : Due::Show;
            if (due == Due::Interrupted) m_pending = std::move(picture);  // shown after the command
            if (due == Due::Show) Present(picture, seconds);
        }
    }

private:
    bool Stopping() const {
        if (m_stop.load()) return true;
        std::lock_guard<std::mutex> lock(m_s.mutex);
        return m_s.stop;
    }

    // The next picture after the one on screen (pictures a skip level change replays are passed).
    bool NextPicture(DecodedPicture* picture) {
        for (;;) {
            if (!m_decoder.Next(picture)) return false;
            if (m_skipUntil == kNone || picture->pts > m_skipUntil) {
                m_skipUntil = kNone;
                return true;
            }
        }
    }

    enum class Due { Show, Drop, Interrupted };

    // Waits for the frame's time on the clock.
    Due WaitUntilDue(double seconds, double speed) {
        const auto now = Clock::now();
        if (!m_anchorValid) {
            m_anchorTime = now;
            m_anchorSeconds = seconds;
            m_anchorValid = true;
        }
        const auto due = m_anchorTime + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>((seconds - m_anchorSeconds) / speed));
        if (now > due + kResyncAfter) {
            m_anchorTime = now;
            m_anchorSeconds = seconds;
            return Due::Show;
        }
        const double interval = FrameInterval() / speed;
        if (now > due + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kLateFrames * interval)) &&
            now - m_lastPresented < kMaxGapWithoutFrame) {
            return Due::Drop;
        }
        std::unique_lock<std::mutex> lock(m_s.mutex);
        while (Clock::now() < due) {
            if (m_s.stop || m_s.clockReset || m_s.represent || !m_s.playing || m_stop.load()) return Due::Interrupted;
            m_s.cv.wait_until(lock, std::min(due, Clock::now() + kIdleWait));
        }
        return Due::Show;
    }

    double FrameInterval() {
        std::lock_guard<std::mutex> lock(m_s.file->mutex);
        if (m_s.file->indexReady) return m_s.file->index.frameDuration * m_timeBase;
        const MediaDescription& m = m_s.file->media;
        return m.fpsNum > 0 ? static_cast<double>(m.fpsDen) / m.fpsNum : 0.04;
    }

    int FrameNumberOf(std::int64_t pts) {
        std::lock_guard<std::mutex> lock(m_s.file->mutex);
        if (m_s.file->indexReady) return static_cast<int>(m_s.file->index.FrameAt(pts));
        const MediaDescription& m = m_s.file->media;
        const double fps = m.fpsNum > 0 ? static_cast<double>(m.fpsNum) / m.fpsDen : 25;
        return static_cast<int>(std::lround((pts - m_firstPts) * m_timeBase * fps));
    }

    void Present(const std::shared_ptr<DecodedPicture>& picture, double seconds) {
        const int number = FrameNumberOf(picture->pts);
        {
            std::lock_guard<std::mutex> lock(m_s.mutex);
            m_s.last = picture;
            m_s.seconds = seconds;
            m_s.frameNumber = number;
            m_s.width = picture->width;
            m_s.height = picture->height;
        }
        m_lastPts = picture->pts;
        m_atEnd = false;
        m_lastPresented = Clock::now();
        Hand(picture);
    }

    void Represent() {
        std::shared_ptr<DecodedPicture> last;
        {
            std::lock_guard<std::mutex> lock(m_s.mutex);
            last = m_s.last;
        }
        if (last) Hand(last);
    }

    void Hand(const std::shared_ptr<DecodedPicture>& picture) {
        if (!m_s.listener || Stopping()) return;
        MV_FRAME_RECORD record;
        record.width = picture->width;
        record.height = picture->height;
        m_s.listener->OnFrameVisible(static_cast<int>(picture->planes.size()), MV_FRAME_DIRECTDRAW,
                                     picture->planes.data(), m_s.context, &record);
    }

    void ReportEnd() {
        if (m_atEnd) return;
        m_atEnd = true;
        if (m_s.listener && !Stopping()) m_s.listener->OnFileEnd(m_s.context);
    }

    static constexpr std::int64_t kNone = INT64_MIN;

    CPlayback::Shared& m_s;
    const std::atomic<bool>& m_stop;
    CVideoDecoder& m_decoder;
    std::shared_ptr<DecodedPicture> m_pending;  // decoded, waiting for its time
    double m_timeBase = 0;
    std::int64_t m_firstPts = 0;
    std::int64_t m_lastPts = kNone;
    std::int64_t m_skipUntil = kNone;
    int m_skip = 0;
    bool m_atEnd = false;
    bool m_anchorValid = false;
    Clock::time_point m_anchorTime;
    double m_anchorSeconds = 0;
    Clock::time_point m_lastPresented;
};

}  // namespace

CPlayback::CPlayback(std::shared_ptr<OpenFileState> file, IMovraListener* listener, void* context)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->file = std::move(file);
    m_shared->listener = listener;
    m_shared->context = context;
}

CPlayback::~CPlayback() { Stop(); }

bool CPlayback::Start() {
    if (m_thread.Running()) return true;
    // Opened here, so that a file that does not decode fails Play, and handed to the thread.
    auto decoder = std::make_shared<CVideoDecoder>();
    if (!decoder->Open(m_shared->file->path)) return false;
    std::shared_ptr<Shared> shared = m_shared;
    m_thread.Start([shared, decoder](const std::atomic<bool>& stop) { Worker(*shared, stop, *decoder).Run(); });
    return true;
}

void CPlayback::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stop = true;
        m_shared->cv.notify_all();
    }
    m_thread.Stop();
}

int CPlayback::Pause() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->playing = false;
    m_shared->cv.notify_all();
    return 1;
}

int CPlayback::Resume() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->playing = true;
    m_shared->clockReset = true;
    m_shared->cv.notify_all();
    return 1;
}

bool CPlayback::IsPlaying() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->playing && !m_shared->stop;
}

int CPlayback::SetSpeed(double speed) {
    if (!(speed >= kMinSpeed * 0.999 && speed <= kMaxSpeed * 1.001)) return 0;
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->speed = speed;
    m_shared->clockReset = true;
    m_shared->cv.notify_all();
    return 1;
}

int CPlayback::RenderLastFrame() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (!m_shared->last) return 0;
    m_shared->represent = true;
    m_shared->cv.notify_all();
    return 1;
}

void CPlayback::SetPacing(bool paced) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->paced = paced;
    m_shared->clockReset = true;
    m_shared->cv.notify_all();
}

double CPlayback::CurrentStreamSeconds() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->seconds;
}

int CPlayback::CurrentFrameNumber() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->frameNumber;
}

int CPlayback::FrameWidth() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->width;
}

int CPlayback::FrameHeight() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->height;
}

void CPlayback::OverrideFrameSize(int width, int height) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (width > 0) m_shared->width = width;
    if (height > 0) m_shared->height = height;
}

}  // namespace MOVRA
