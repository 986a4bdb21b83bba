#include "Engine/Movra.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Base/DateTime.h"
#include "Engine/ClipRecorder.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/MovraImpl.h"
#include "Engine/PictureFile.h"
#include "Engine/PlayGroup.h"
#include "Engine/Playback.h"
#include "Engine/RawStreamPush.h"
#include "Engine/SoundPlayer.h"

namespace MOVRA {

namespace {

unsigned int ToSeconds(double t) { return t <= 0 ? 0u : static_cast<unsigned int>(std::llround(std::floor(t))); }

}  // namespace

int CMovra::Impl::Open(const char* path) {
    Close();
    if (!path || !*path) return 0;
    auto file = std::make_shared<OpenFileState>();
    file->path = path;
    if (!ProbeMedia(file->path, &file->media, nullptr) || !ReadFileIdentity(file->path, &file->identity)) {
        m_pendingRef.clear();
        return 0;
    }
    if (!m_pendingRef.empty())
        file->indexReady = ParseIndex(m_pendingRef.data(), m_pendingRef.size(), file->identity, &file->index);
    m_pendingRef.clear();

    const double duration = file->indexReady ? file->index.DurationSeconds() : file->media.durationEstimate;
    const double start = ResolveStartTime(file->path, file->media, duration);
    file->start = ToSeconds(start);
    file->startExact = start;
    // Rounded: a container's estimate of the duration runs a little long or short.
    file->end = std::max(file->start, ToSeconds(std::round(start + duration)));
    file->timeKnown = true;
    m_file = file;

    // Both reports come from the engine's thread, as every listener call does; an index given
    // by SetRefValue completes at once.
    IMovraListener* listener = m_listener;
    void* context = m_owner;
    m_indexThread.Start([file, listener, context](const std::atomic<bool>& stop) {
        unsigned int start, end;
        {
            std::lock_guard<std::mutex> lock(file->mutex);
            start = file->start;
            end = file->end;
        }
        if (listener && !stop) listener->OnFileTimeDone(context, start, end);
        bool ready;
        {
            std::lock_guard<std::mutex> lock(file->mutex);
            ready = file->indexReady;
        }
        if (!ready) {
            FileIndex built;
            ready = BuildFileIndex(file->path, &built, stop);
            if (ready) {
                std::lock_guard<std::mutex> lock(file->mutex);
                file->index = std::move(built);
                file->indexReady = true;
            }
        }
        if (listener && !stop) listener->OnFileRefFinished(context, ready ? 1 : 0);
    });
    return 1;
}

std::string WhyNotPlayable(const char* path) {
    if (!path || !*path) return "no file named";
    MediaDescription media;
    std::string why;
    return ProbeMedia(path, &media, &why) ? std::string() : why.empty() ? "not a recording" : why;
}

CMovra::Impl::Impl(CMovra* owner, IMovraListener* listener) : m_owner(owner), m_listener(listener) {
    // A group engine's members read its clock from their threads: it exists from the start.
    if (!listener) m_group = std::make_shared<CPlayGroup>();
}
CMovra::Impl::~Impl() { Close(); }

int CMovra::Impl::Close() {
    if (auto group = m_memberOf.lock()) group->Forget(m_owner);
    m_memberOf.reset();
    m_groupClock.reset();
    StopDataRecord();
    StopStreamPush();
    CloseAudio();
    // The thread ends before the pointer changes: a listener may be asking this engine about
    // its frame (QueryInfo) until then.
    if (m_playback) m_playback->Stop();
    m_playback.reset();
    m_forward = true;
    m_startSeconds = -1;
    m_startPaused = false;
    m_indexThread.Stop();
    const bool wasOpen = m_file != nullptr;
    m_file.reset();
    return wasOpen ? 1 : 0;
}

int CMovra::Impl::SetRefValue(const unsigned char* data, unsigned int length) {
    if (!data || length == 0) return 0;
    m_pendingRef.assign(data, data + length);
    return 1;
}

int CMovra::Impl::GetRefValue(unsigned char* data, unsigned int* length) {
    if (!m_file || !length) return 0;
    std::vector<unsigned char> blob;
    {
        std::lock_guard<std::mutex> lock(m_file->mutex);
        if (!m_file->indexReady) return 0;
        blob = SerializeIndex(m_file->index, m_file->identity);
    }
    if (!data) {
        *length = static_cast<unsigned int>(blob.size());
        return 1;
    }
    if (*length < blob.size()) return 0;
    std::memcpy(data, blob.data(), blob.size());
    *length = static_cast<unsigned int>(blob.size());
    return 1;
}

unsigned int CMovra::Impl::GetFileStartTime() {
    if (!m_file) return 0;
    std::lock_guard<std::mutex> lock(m_file->mutex);
    return m_file->start;
}

unsigned int CMovra::Impl::GetFileEndTime() {
    if (!m_file) return 0;
    std::lock_guard<std::mutex> lock(m_file->mutex);
    return m_file->end;
}

int CMovra::Impl::IsGetFileTimeInfo() {
    if (!m_file) return 0;
    std::lock_guard<std::mutex> lock(m_file->mutex);
    return m_file->timeKnown ? 1 : 0;
}

int CMovra::Impl::SetFileTimeInfo(unsigned int start, unsigned int end) {
    if (!m_file || end < start) return 0;
    std::lock_guard<std::mutex> lock(m_file->mutex);
    // The span usually comes back as the engine reported it, in whole seconds: the first frame's
    // exact time, which wall-clock seeks and group joins use, stays when its second is the same.
    if (ToSeconds(m_file->startExact) != start) m_file->startExact = start;
    m_file->start = start;
    m_file->end = end;
    m_file->timeKnown = true;
    return 1;
}

int CMovra::Impl::GetMediaInfo(MEDIA_INFO* info) {
    if (!m_file || !info) return 0;
    info->width = m_file->media.width;
    info->height = m_file->media.height;
    info->frameRate = FrameRateCode(m_file->media.fpsNum, m_file->media.fpsDen);
    return 1;
}

int CMovra::Impl::DescribeFile(MV_FILE_DESCRIPTION* d) {
    if (!m_file || !d) return 0;
    const MediaDescription& m = m_file->media;
    d->container = m.container;
    d->videoCodec = m.videoCodec;
    d->audioCodec = m.audioCodec;
    d->audioRate = m.audioRate;
    d->audioChannels = m.audioChannels;
    d->framesPerSecond = m.fpsNum > 0 ? static_cast<double>(m.fpsNum) / m.fpsDen : 0;
    std::lock_guard<std::mutex> lock(m_file->mutex);
    d->indexComplete = m_file->indexReady;
    d->duration = m_file->indexReady ? m_file->index.DurationSeconds() : m.durationEstimate;
    d->frames = m_file->indexReady ? static_cast<long>(m_file->index.frames.size()) : 0;
    d->keyframes = m_file->indexReady ? static_cast<long>(m_file->index.KeyframeCount()) : 0;
    return 1;
}

int CMovra::Impl::Play() {
    if (!m_file) return 0;
    if (!m_playback) {
        m_playback = std::make_unique<CPlayback>(m_file, m_listener, m_owner);
        m_playback->SetSpeed(m_speed);
        m_playback->SetPacing(m_paced);
        m_playback->SetShownSmall(m_shownSmall);
        m_playback->SetDirection(m_forward);
        m_playback->SetSound(m_sound);
        if (m_groupClock) m_playback->SetGroupClock(m_groupClock, StartWallClock());
        // Starting paused still shows where play would start.
        if (m_startPaused && m_startSeconds < 0) m_startSeconds = 0;
        if (m_startPaused) m_playback->Pause();
        if (m_startSeconds >= 0) m_playback->Seek(m_startSeconds);
        const double start = m_startSeconds;
        m_startSeconds = -1;
        m_startPaused = false;
        if (!m_playback->Start()) {
            m_playback.reset();
            return 0;
        }
        UpdateStreamPush(start);
        return 1;
    }
    return m_playback->Resume();
}

int CMovra::Impl::Stop() {
    if (!m_playback) return 0;
    StopDataRecord();
    StopStreamPush();
    m_playback->Stop();  // before the pointer changes, as in Close
    m_playback.reset();
    return 1;
}

int CMovra::Impl::Pause() {
    if (m_playback) return m_playback->Pause();
    if (!m_file) return 0;
    m_startPaused = true;
    return 1;
}
int CMovra::Impl::Resume() { return m_playback ? m_playback->Resume() : 0; }
int CMovra::Impl::IsPlaying() { return m_playback && m_playback->IsPlaying() ? 1 : 0; }

int CMovra::Impl::SetSpeed(float speed) {
    if (!(speed >= kMinSpeed * 0.999 && speed <= kMaxSpeed * 1.001)) return 0;
    m_speed = speed;
    const int result = m_playback ? m_playback->SetSpeed(speed) : 1;
    UpdateStreamPush();
    return result;
}

int CMovra::Impl::SetPresentationPacing(int paced) {
    m_paced = paced != 0;
    if (m_playback) m_playback->SetPacing(m_paced);
    return 1;
}

int CMovra::Impl::SetShownSize(int width, int height) {
    if (!m_file || width <= 0 || height <= 0) return 0;
    const MediaDescription& m = m_file->media;
    m_shownSmall = 2 * width <= m.width && 2 * height <= m.height;
    if (m_playback) m_playback->SetShownSmall(m_shownSmall);
    return 1;
}

unsigned int CMovra::Impl::GetCurrentPlayTime() {
    if (!m_file || !m_playback) return 0;
    double start;
    {
        std::lock_guard<std::mutex> lock(m_file->mutex);
        start = m_file->startExact;
    }
    return ToSeconds(start + m_playback->CurrentStreamSeconds());
}

int CMovra::Impl::QueryInfo(int type, void* buffer, int size, int* returned) {
    if (!buffer || !m_playback || size < 0) return 0;
    auto give = [&](const auto& value) {
        if (static_cast<std::size_t>(size) < sizeof value) return 0;
        std::memcpy(buffer, &value, sizeof value);
        if (returned) *returned = sizeof value;
        return 1;
    };
    switch (type) {
        case MV_QUERY_FRAME_NUMBER: return give(m_playback->CurrentFrameNumber());
        case MV_QUERY_STREAM_SECONDS: return give(m_playback->CurrentStreamSeconds());
        case MV_QUERY_WALL_CLOCK: return give(StartWallClock() + m_playback->CurrentStreamSeconds());
        case MV_QUERY_PLAY_STATS: {
            MV_PLAY_STATS stats;
            {
                std::lock_guard<std::mutex> lock(m_file->mutex);
                const MediaDescription& m = m_file->media;
                std::snprintf(stats.codec, sizeof stats.codec, "%s", m.videoCodec.c_str());
                stats.width = m.width;
                stats.height = m.height;
                stats.frameRate = m.fpsNum > 0 ? static_cast<double>(m.fpsNum) / m.fpsDen : 0;
                const double seconds = m_file->indexReady ? m_file->index.DurationSeconds() : 0;
                if (seconds > 0) stats.bitRate = 8.0 * static_cast<double>(m_file->identity.size) / seconds;
            }
            m_playback->CountsInto(&stats);
            return give(stats);
        }
        default: return 0;
    }
}

int CMovra::Impl::FrameWidth() { return m_playback ? m_playback->FrameWidth() : 0; }
int CMovra::Impl::FrameHeight() { return m_playback ? m_playback->FrameHeight() : 0; }

int CMovra::Impl::SetFrameSize(int width, int height) {
    if (!m_playback) return 0;
    m_playback->OverrideFrameSize(width, height);
    return 1;
}

int CMovra::Impl::RenderLastFrame() { return m_playback ? m_playback->RenderLastFrame() : 0; }

int CMovra::Impl::PlayForward() {
    if (!m_file) return 0;
    m_forward = true;
    if (m_playback) m_playback->SetDirection(true);
    UpdateStreamPush();
    return 1;
}

int CMovra::Impl::PlayBackward() {
    if (!m_file) return 0;
    {
        // Going backward needs every keyframe's place.
        std::lock_guard<std::mutex> lock(m_file->mutex);
        if (!m_file->indexReady) return 0;
    }
    m_forward = false;
    if (m_playback) m_playback->SetDirection(false);
    UpdateStreamPush();
    return 1;
}

int CMovra::Impl::Step(bool forward) {
    if (!m_playback) return 0;
    std::size_t frames = 0;
    {
        std::lock_guard<std::mutex> lock(m_file->mutex);
        if (m_file->indexReady) frames = m_file->index.frames.size();
    }
    return m_playback->Step(forward, frames);
}

double CMovra::Impl::DurationSeconds() {
    std::lock_guard<std::mutex> lock(m_file->mutex);
    return m_file->indexReady ? m_file->index.DurationSeconds() : m_file->media.durationEstimate;
}

int CMovra::Impl::SeekToStreamTime(double seconds, bool showNow) {
    // The last frame starts one frame before the end; without the index the duration is an
    // estimate, so a target past the last frame is taken as the last frame's time.
    const MediaDescription& m = m_file->media;
    const double frame = m.fpsNum > 0 ? static_cast<double>(m.fpsDen) / m.fpsNum : 0.04;
    seconds = std::max(0.0, std::min(seconds, DurationSeconds() - frame));
    if (!m_playback) {
        m_startSeconds = seconds;
        return 1;
    }
    m_playback->Seek(seconds, showNow);
    if (m_push || m_rawPush) UpdateStreamPush(seconds);
    return 1;
}

int CMovra::Impl::SeekToWallClock(unsigned int second) {
    if (!m_file) return 0;
    double start;
    {
        std::lock_guard<std::mutex> lock(m_file->mutex);
        if (second < m_file->start || second > m_file->end) return 0;
        start = m_file->startExact;
    }
    return SeekToStreamTime(second - start);
}

int CMovra::Impl::SeekToPercent(float percent) {
    if (!m_file || !(percent >= 0 && percent <= 100)) return 0;
    return SeekToStreamTime(percent / 100.0 * DurationSeconds());
}

int CMovra::Impl::OpenAudio() {
    if (!m_file) return 0;
    if (m_sound) return 1;
    std::string why;
    m_sound = CSoundPlayer::Open(m_file->path, &why);
    if (!m_sound) return 0;  // no sound in the file, or no device: the pictures play on
    m_sound->SetVolume(m_volume);
    m_sound->SetChannel(m_channel);
    if (m_playback) m_playback->SetSound(m_sound);
    return 1;
}

int CMovra::Impl::CloseAudio() {
    if (!m_sound) return 0;
    m_sound->Halt();  // silent now, even while the decoding thread still holds it
    if (m_playback) m_playback->SetSound(nullptr);
    m_sound.reset();
    return 1;
}

int CMovra::Impl::AdjustWaveAudio(int volume) {
    if (volume < 0 || volume > 100) return 0;
    m_volume = volume;
    if (m_sound) m_sound->SetVolume(volume);
    return 1;
}

int CMovra::Impl::ChooseSoundChannel(unsigned long channel) {
    if (channel > 2) return 0;
    m_channel = static_cast<int>(channel);
    if (m_sound) m_sound->SetChannel(m_channel);
    return 1;
}

int CMovra::Impl::SnapPicture(const char* path, MV_IMAGE_TYPE type) {
    if (!path || !*path || !m_playback || (type != MV_IMAGE_BMP && type != MV_IMAGE_JPEG)) return 0;
    const std::shared_ptr<const DecodedPicture> picture = m_playback->LastPicture();
    if (!picture) return 0;  // nothing shown yet
    std::string error;
    return WritePictureFile(*picture, path, type == MV_IMAGE_JPEG, &error) ? 1 : 0;
}

int CMovra::Impl::StartDataRecord(const char* path, bool whole) {
    // A clip is what the user watches at its pace: forward at 1X only.
    if (!path || !*path || m_clip || !m_playback || !m_playback->IsPlaying() || !m_forward || !IsNormalSpeed(m_speed)) return 0;
    const std::function<std::int64_t()> position = m_playback->PresentedPts();
    const std::int64_t from = position();
    if (from == INT64_MIN) return 0;
    std::string why;
    CClipRecorder::Target target;
    target.path = path;
    target.whole = whole;
    if (m_listener && !whole) {
        IMovraListener* listener = m_listener;
        void* context = m_owner;
        target.stopped = [listener, context](int error) {
            listener->OnDataRecordStopped(context, error == ENOSPC || error == EFBIG || error == EDQUOT
                                                       ? MV_RECORD_NO_SPACE
                                                       : MV_RECORD_WRITE_FAILED);
        };
    }
    m_clip = CClipRecorder::Start(m_file, std::move(target), from, position, &why);
    return m_clip ? 1 : 0;
}

int CMovra::Impl::StopDataRecord() {
    if (!m_clip) return 0;
    const bool complete = m_clip->Stop();
    m_clip.reset();
    return complete ? 1 : 0;
}

void CMovra::Impl::UpdateStreamPush(double fromSeconds) {
    const bool wanted = m_pushEnabled && m_listener && m_playback && m_forward && IsNormalSpeed(m_speed);
    if (!wanted) {
        StopStreamPush();
        return;
    }
    if ((m_push || m_rawPush) && fromSeconds < 0) return;
    StopStreamPush();
    IMovraListener* listener = m_listener;
    void* context = m_owner;
    CClipRecorder::Target target;
    target.fromSeconds = fromSeconds;
    target.push = [listener, context](const std::uint8_t* data, int length, double wallClock) {
        MV_STREAM_RECORD record;
        KX_SOFT_BASE::DateTime t;
        t.FromTimeT(static_cast<std::int64_t>(std::floor(wallClock)));
        const int fields[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
        std::copy(fields, fields + 6, record.fields + 7);
        listener->OnStreamData(context, reinterpret_cast<char*>(const_cast<std::uint8_t*>(data)), length, &record, nullptr);
    };
    const std::function<std::int64_t()> position = m_playback->PresentedPts();
    std::int64_t from = position();
    if (fromSeconds >= 0) {
        std::lock_guard<std::mutex> lock(m_file->mutex);
        if (m_file->indexReady)
            from = m_file->index.FirstPts() +
                   std::llround(fromSeconds * m_file->index.timeBaseDen / m_file->index.timeBaseNum);
    }
    m_rawPush = CRawStreamPush::Start(m_file, from, position, target.push);
    if (m_rawPush) return;
    std::string why;
    m_push = CClipRecorder::Start(m_file, std::move(target), position(), position, &why);
}

void CMovra::Impl::StopStreamPush() {
    m_rawPush.reset();
    m_push.reset();
}

int CMovra::Impl::EnableStreamPush(int on) {
    m_pushEnabled = on != 0;
    UpdateStreamPush();
    return 1;
}

void CMovra::Impl::JoinGroup(std::shared_ptr<CGroupClock> clock, std::weak_ptr<CPlayGroup> group) {
    m_groupClock = std::move(clock);
    m_memberOf = std::move(group);
    if (m_playback) m_playback->SetGroupClock(m_groupClock, StartWallClock());
}

void CMovra::Impl::LeaveGroup() {
    m_groupClock.reset();
    m_memberOf.reset();
    if (m_playback) m_playback->SetGroupClock(nullptr, 0);
}

void CMovra::Impl::NudgePlayback() {
    if (m_playback) m_playback->Nudge();
}

double CMovra::Impl::CurrentWallClock() {
    if (!m_file) return 0;
    return StartWallClock() + (m_playback ? m_playback->CurrentStreamSeconds() : 0);
}

double CMovra::Impl::StartWallClock() {
    std::lock_guard<std::mutex> lock(m_file->mutex);
    return m_file->startExact;
}

int CMovra::Impl::SeekToWallClockNearest(double wallClock, bool showNow) {
    if (!m_file) return 0;
    double start;
    {
        std::lock_guard<std::mutex> lock(m_file->mutex);
        start = m_file->startExact;
    }
    return SeekToStreamTime(wallClock - start, showNow);  // clamped to the file's first and last frames
}

std::shared_ptr<CPlayGroup> CMovra::Impl::Group() {
    if (!m_group) m_group = std::make_shared<CPlayGroup>();
    return m_group;
}

CMovra::CMovra(IMovraListener* listener) : m_impl(std::make_unique<Impl>(this, listener)) { QuietFfmpegOnce(); }
CMovra::~CMovra() = default;

int CMovra::Open(const char* path) { return m_impl->Open(path); }
int CMovra::Close() { return m_impl->Close(); }
int CMovra::SetRefValue(const unsigned char* data, unsigned int length) { return m_impl->SetRefValue(data, length); }
int CMovra::GetRefValue(unsigned char* data, unsigned int* length) { return m_impl->GetRefValue(data, length); }
unsigned int CMovra::GetFileStartTime() { return m_impl->GetFileStartTime(); }
unsigned int CMovra::GetFileEndTime() { return m_impl->GetFileEndTime(); }
int CMovra::IsGetFileTimeInfo() { return m_impl->IsGetFileTimeInfo(); }
int CMovra::SetFileTimeInfo(unsigned int start, unsigned int end) { return m_impl->SetFileTimeInfo(start, end); }
int CMovra::GetMediaInfo(MEDIA_INFO* info) { return m_impl->GetMediaInfo(info); }
int CMovra::DescribeFile(MV_FILE_DESCRIPTION* description) { return m_impl->DescribeFile(description); }
int CMovra::Play(void*) { return m_impl->Play(); }
int CMovra::Stop() { return m_impl->Stop(); }
int CMovra::Pause() { return m_impl->Pause(); }
int CMovra::Resume() { return m_impl->Resume(); }
int CMovra::IsPlaying() { return m_impl->IsPlaying(); }
int CMovra::SetSpeed(float speed) { return m_impl->SetSpeed(speed); }
int CMovra::SetPresentationPacing(int paced) { return m_impl->SetPresentationPacing(paced); }
int CMovra::SetShownSize(int width, int height) { return m_impl->SetShownSize(width, height); }
unsigned int CMovra::GetCurrentPlayTime() { return m_impl->GetCurrentPlayTime(); }
int CMovra::QueryInfo(int type, void* buffer, int size, int* returned) {
    return m_impl->QueryInfo(type, buffer, size, returned);
}
int CMovra::GetCurrentPlayingVideoFrameWidth() { return m_impl->FrameWidth(); }
int CMovra::GetCurrentPlayingVideoFrameHeight() { return m_impl->FrameHeight(); }
int CMovra::SetCurrentPlayingVideoFrameWidth(int width) { return m_impl->SetFrameSize(width, 0); }
int CMovra::SetCurrentPlayingVideoFrameHeight(int height) { return m_impl->SetFrameSize(0, height); }
int CMovra::RenderLastFrame() { return m_impl->RenderLastFrame(); }
int CMovra::OpenAudio() { return m_impl->OpenAudio(); }
int CMovra::CloseAudio() { return m_impl->CloseAudio(); }
int CMovra::AdjustWaveAudio(int volume) { return m_impl->AdjustWaveAudio(volume); }
int CMovra::ChooseSoundChannel(unsigned long channel) { return m_impl->ChooseSoundChannel(channel); }
int CMovra::SnapPicture(char* path, MV_IMAGE_TYPE type) { return m_impl->SnapPicture(path, type); }
int CMovra::StartDataRecord(char* path, int mode) { return m_impl->StartDataRecord(path, mode == 1); }
int CMovra::StopDataRecord() { return m_impl->StopDataRecord(); }
int CMovra::EnableStreamPush(int on) { return m_impl->EnableStreamPush(on); }
int CMovra::GroupPlay_Open() { return m_impl->Group()->Open(); }
int CMovra::GroupPlay_AddToPlayGroup(CMovra* member) { return member == this ? 0 : m_impl->Group()->Add(member); }
int CMovra::GroupPlay_AddAhead(CMovra* member) { return member == this ? 0 : m_impl->Group()->Add(member, true); }
int CMovra::GroupPlay_DelFromPlayGroup(CMovra* member) { return m_impl->Group()->Remove(member); }
int CMovra::GroupPlay_PlayForward() { return m_impl->Group()->PlayForward(); }
int CMovra::GroupPlay_PlayBackward() { return m_impl->Group()->PlayBackward(); }
int CMovra::GroupPlay_SetPlaySpeed(float speed) { return m_impl->Group()->SetSpeed(speed); }
int CMovra::GroupPlay_Pause() { return m_impl->Group()->Pause(); }
int CMovra::GroupPlay_Resume() { return m_impl->Group()->Resume(); }
int CMovra::GroupPlay_Seek(unsigned int wallClockSecond) { return m_impl->Group()->Seek(wallClockSecond); }
int CMovra::GroupPlay_Close() { return m_impl->Group()->Close(); }
int CMovra::GroupPlay_QueryGroupPlayingTime(__DATETIME_INFO* time) { return m_impl->Group()->QueryTime(time); }
double CMovra::GroupPlay_ClockSeconds() { return m_impl->Group()->Now(); }
int CMovra::PlayForward() { return m_impl->PlayForward(); }
int CMovra::PlayBackward() { return m_impl->PlayBackward(); }
int CMovra::StepForward() { return m_impl->Step(true); }
int CMovra::StepBackward() { return m_impl->Step(false); }
int CMovra::Seek(unsigned int wallClockSecond) { return m_impl->SeekToWallClock(wallClockSecond); }
int CMovra::Seek(float percent) { return m_impl->SeekToPercent(percent); }

}  // namespace MOVRA
