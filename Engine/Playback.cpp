#include "Engine/Playback.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "Engine/BackwardFrames.h"
#include "Engine/PlayClock.h"
#include "Engine/VideoDecoder.h"

namespace MOVRA {

namespace {

using Clock = std::chrono::steady_clock;
using Picture = std::shared_ptr<const DecodedPicture>;

// How far behind the clock a frame may fall before it is not shown, and how long the screen may
// go without a new frame all the same (a slow machine still sees pictures).
constexpr double kLateFrames = 2.0;
constexpr auto kMaxGapWithoutFrame = std::chrono::milliseconds(250);
// Behind by more than this (a listener that blocked, a slow disk), the clock starts again from
// the frame at hand instead of racing to catch up.
constexpr auto kResyncAfter = std::chrono::seconds(1);
// A member of a group this many seconds behind the group's clock jumps to a keyframe near it.
constexpr double kGroupCatchUp = 1.0;
constexpr auto kIdleWait = std::chrono::milliseconds(50);
// The sound clock leads the pictures; smaller differences are the sound device's granularity.
constexpr double kSoundDrift = 0.04;
// A jump in stream time from one frame to the next is waited for only when it is shorter than the
// whole file lasts (its frames times the frame interval), and never shorter than this.
constexpr double kShortestImplausibleJump = 1.0;

int SkipLevelFor(double speed) { return speed >= 16 ? 2 : speed >= 4 ? 1 : 0; }
// Backward, the decoder skips more when decoding a frame takes most of the time the clock gives
// it (the machine cannot sustain the speed), and less again once it takes little of it for a
// while. Forward play keeps up by how late its pictures are (KeepUp.h).
constexpr double kSkipMoreAt = 0.9, kSkipLessAt = 0.35;
constexpr int kSamplesToDecide = 12;
constexpr auto kSteadyToSkipLess = std::chrono::seconds(3);

Clock::duration Seconds(double s) { return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s)); }

}  // namespace

struct CPlayback::Shared {
    std::shared_ptr<OpenFileState> file;
    IMovraListener* listener = nullptr;
    void* context = nullptr;

    mutable std::mutex mutex;
    std::condition_variable cv;
    // Commands. Each one bumps `generation`, which ends any wait of the thread.
    std::uint64_t generation = 0;
    bool stop = false;
    bool playing = true;
    bool forward = true;
    double speed = 1;
    bool paced = true;
    bool clockReset = true;
    bool represent = false;
    bool shownSmall = false;
    bool seekPending = false;
    double seekSeconds = 0;
    bool seekShows = true;
    int steps = 0;  // pending steps: positive forward, negative backward
    std::shared_ptr<ISoundOutput> sound;
    std::shared_ptr<CGroupClock> group;
    double groupOffset = 0;  // the wall clock of the file's first frame
    // What is on screen.
    Picture last;
    unsigned int presented = 0, passedOver = 0, decoded = 0;
    double decodeSeconds = 0;
    int relief = 0;
    double seconds = 0;  // from the first frame
    int frameNumber = 0;
    int width = 0, height = 0;

    void Command() {
        ++generation;
        cv.notify_all();
    }
};

namespace {

struct Commands {
    std::uint64_t generation = 0;
    bool playing = true, forward = true, paced = true, clockReset = false, represent = false, shownSmall = false;
    double speed = 1;
    bool seek = false;
    double seekSeconds = 0;
    bool seekShows = true;
    int steps = 0;
    std::shared_ptr<ISoundOutput> sound;
    std::shared_ptr<CGroupClock> group;
    double groupOffset = 0;
};

class Worker {
public:
    // `decoder` is open on the file, at its start.
    Worker(CPlayback::Shared& s, const std::atomic<bool>& stop, CVideoDecoder& decoder)
        : m_s(s), m_stop(stop), m_decoder(decoder) {}

    void Run() {
        m_timeBase = static_cast<double>(m_decoder.TimeBaseNum()) / m_decoder.TimeBaseDen();
        m_firstPts = m_decoder.StartPts();
        while (!Stopping()) {
            const Commands c = Take();
            if (c.sound != m_sound) {
                HaltSound();
                m_sound = c.sound;
            }
            if (c.forward != m_forward) {
                m_forward = c.forward;
                m_atEnd = false;
                m_forwardReady = false;  // a picture decoded ahead belongs to the other way
                ResetClock();
            }
            if (c.clockReset) ResetClock();
            m_decoder.SetShownSmall(c.shownSmall);
            if (c.seek || c.steps != 0 || c.clockReset || !c.playing || !c.forward || !IsNormalSpeed(c.speed) || !c.paced)
                HaltSound();
            if (c.seek) {
                SeekTo(c);
                continue;
            }
            if (c.steps != 0) {
                Steps(c.steps);
                continue;
            }
            if (c.represent) {
                Represent();
                continue;
            }
            if (!c.playing || m_atEnd) {
                Idle(c.generation);
                continue;
            }
            PlayOne(c);
        }
        HaltSound();
    }

private:
    bool Stopping() const {
        if (m_stop.load()) return true;
        std::lock_guard<std::mutex> lock(m_s.mutex);
        return m_s.stop;
    }

    Commands Take() {
        std::lock_guard<std::mutex> lock(m_s.mutex);
        Commands c;
        c.generation = m_s.generation;
        c.playing = m_s.playing;
        c.forward = m_s.forward;
        c.paced = m_s.paced;
        c.speed = m_s.speed;
        c.clockReset = m_s.clockReset;
        c.represent = m_s.represent;
        c.shownSmall = m_s.shownSmall;
        c.seek = m_s.seekPending;
        c.seekSeconds = m_s.seekSeconds;
        c.seekShows = m_s.seekShows;
        c.steps = m_s.steps;
        c.sound = m_s.sound;
        c.group = m_s.group;
        c.groupOffset = m_s.groupOffset;
        m_s.clockReset = m_s.represent = m_s.seekPending = false;
        m_s.steps = 0;
        return c;
    }

    bool Interrupted(std::uint64_t generation) const { return m_s.generation != generation || m_s.stop || m_stop.load(); }

    // Nothing to show: decodes ahead backward when that is where the user is going, else waits
    // for a command.
    void Idle(std::uint64_t generation) {
        if (m_backwardUsed && m_backward && m_backward->ReadAhead()) return;
        // Paused: the frames before the one on screen are decoded meanwhile, so that the first
        // step back is as quick as the next ones.
        if (m_lastPts != kNone && !Playing()) {
            const FileIndex* index = Index();
            // Nothing comes before the first frame: a file paused there (a day's next file,
            // waiting for its turn) needs no second decoder.
            const std::size_t at = index ? index->FrameAt(m_lastPts) : 0;
            CBackwardFrames* backward = at > 0 ? Backward() : nullptr;
            if (backward && backward->Prefetch(at)) return;
        }
        std::unique_lock<std::mutex> lock(m_s.mutex);
        m_s.cv.wait_for(lock, kIdleWait, [&] { return Interrupted(generation); });
    }

    bool Playing() const {
        std::lock_guard<std::mutex> lock(m_s.mutex);
        return m_s.playing;
    }

    // The index, once it is complete; it does not change after that.
    const FileIndex* Index() {
        std::lock_guard<std::mutex> lock(m_s.file->mutex);
        return m_s.file->indexReady ? &m_s.file->index : nullptr;
    }

    CBackwardFrames* Backward() {
        if (!m_backward) {
            const FileIndex* index = Index();
            if (!index) return nullptr;
            // A decoder of its own, so that going backward leaves forward play where it was.
            auto decoder = std::make_unique<CVideoDecoder>();
            if (!decoder->Open(m_s.file->path)) return nullptr;
            m_backDecoder = std::move(decoder);
            m_backward = std::make_unique<CBackwardFrames>(*m_backDecoder, *index, m_s.file->media.width, m_s.file->media.height);
        }
        return m_backward.get();
    }

    // To the keyframe at or before `pts`: exactly where the index knows it.
    bool SeekDecoderBefore(std::int64_t pts) {
        if (const FileIndex* index = Index()) {
            const IndexEntry& key = index->frames[index->KeyframeAtOrBefore(index->FrameAt(pts))];
            return m_decoder.SeekToKeyframe(key.position, key.pts);
        }
        return m_decoder.SeekBefore(pts);
    }

    // --- Forward ---

    void PositionForward(int level) {
        m_backwardUsed = false;
        if (level != m_skip) {
            m_skip = level;
            m_forwardReady = false;
        }
        if (m_forwardReady) return;
        // From the keyframe before the frame after the one on screen; what comes before that
        // frame is passed over.
        m_pending.reset();
        m_decoder.SetSkip(level);
        SeekDecoderBefore(m_lastPts == kNone ? m_firstPts : m_lastPts + 1);
        m_decoder.DiscardThrough(m_lastPts);
        m_forwardReady = true;
    }

    Picture NextForward() {
        if (m_pending) return std::move(m_pending);
        std::shared_ptr<DecodedPicture> picture = m_pool.Acquire();
        if (!m_decoder.Next(picture.get())) return nullptr;
        return picture;
    }

    // --- Backward ---

    // The frame before the position; its number in `number`.
    Picture NextBackward(int level, std::size_t* number) {
        CBackwardFrames* backward = Backward();
        if (!backward) return PreviousWithoutIndex(number);
        backward->SetSkip(level);
        m_forwardReady = false;  // the position moves backward
        m_backwardUsed = true;
        const FileIndex* index = Index();
        const std::size_t before = m_lastPts == kNone ? index->frames.size() : index->FrameAt(m_lastPts);
        return backward->Previous(before, number);
    }

    // A step back before the index is complete: decode the GOP before the frame on screen and
    // keep its last picture.
    Picture PreviousWithoutIndex(std::size_t* number) {
        if (m_lastPts == kNone) return nullptr;
        m_forwardReady = false;
        m_skip = 0;
        m_decoder.SetSkip(0);
        if (!SeekDecoderBefore(m_lastPts - 1)) return nullptr;
        std::shared_ptr<DecodedPicture> best;
        for (;;) {
            auto picture = std::make_shared<DecodedPicture>();
            if (!m_decoder.Next(picture.get()) || picture->pts >= m_lastPts) break;
            best = std::move(picture);
        }
        if (best) *number = static_cast<std::size_t>(FrameNumberOf(best->pts));
        return best;
    }

    // --- Commands ---

    // The skip level for a speed; backward, raised while the decoder cannot keep up with the clock.
    int LevelFor(double speed, bool forward) const { return forward ? SkipLevelFor(speed) : std::min(2, SkipLevelFor(speed) + m_boost); }

    void ResetClock() {
        m_clock.Reset();
        m_beatShown = kNoBeat;
        m_keepUp.Reset();
        SetRelief(Relief::kNone);
    }

    void SetRelief(Relief relief) {
        if (relief == m_relief) return;  // asked after every picture; it changes seldom
        m_relief = relief;
        m_decoder.SetRelief(relief);
        std::lock_guard<std::mutex> lock(m_s.mutex);
        m_s.relief = static_cast<int>(relief);
    }

    // One frame's decoding time against the time the clock allows it.
    void SampleDecoding(double seconds, double budget) {
        m_decodeCost = m_samples == 0 ? seconds : 0.8 * m_decodeCost + 0.2 * seconds;
        if (++m_samples < kSamplesToDecide) return;
        const auto now = Clock::now();
        if (m_decodeCost > kSkipMoreAt * budget && m_boost < 2) {
            ++m_boost;
            m_samples = 0;
            m_boostChanged = now;
        } else if (m_decodeCost < kSkipLessAt * budget && m_boost > 0 && now - m_boostChanged > kSteadyToSkipLess) {
            --m_boost;
            m_samples = 0;
            m_boostChanged = now;
        }
    }

    void PlayOne(const Commands& c) {
        const int level = LevelFor(c.speed, c.forward);
        Picture picture;
        std::size_t number = 0;
        const auto decodeStart = Clock::now();
        const bool fresh = !m_pending;
        if (c.forward) {
            PositionForward(level);
            picture = NextForward();
            if (picture) number = static_cast<std::size_t>(FrameNumberOf(picture->pts));
        } else {
            picture = NextBackward(level, &number);
        }
        if (!picture) {
            ReportEnd();
            return;
        }
        const double decodeSeconds = std::chrono::duration<double>(Clock::now() - decodeStart).count();
        if (fresh) {
            std::lock_guard<std::mutex> lock(m_s.mutex);
            ++m_s.decoded;
            m_s.decodeSeconds += decodeSeconds;
        }
        if (fresh && !c.forward && (c.paced || c.group)) SampleDecoding(decodeSeconds, FrameInterval() / c.speed);
        const double seconds = SecondsOf(picture->pts);
        if (c.forward && c.paced && IsNormalSpeed(c.speed) && m_sound && !m_soundOn) {
            m_sound->Start(seconds);
            m_soundOn = true;
        }
        const Due due = c.group ? WaitForGroup(seconds, c) : c.paced ? WaitUntilDue(seconds, c) : Due::Show;
        if (due == Due::Interrupted) {
            if (c.forward) m_pending = std::move(picture);  // shown after the command
            return;
        }
        if (fresh && c.forward && (c.paced || c.group)) {
            SetRelief(m_keepUp.Note(m_late, FrameInterval() / c.speed, Clock::now()));
            if (c.group && due == Due::Drop && m_late > kGroupCatchUp) CatchUpWithGroup(c);
        }
        if (due == Due::Show) {
            Present(picture, number, seconds, c.group != nullptr);
        } else {
            m_lastPts = picture->pts;  // passed over: the position moves on all the same
            std::lock_guard<std::mutex> lock(m_s.mutex);
            ++m_s.passedOver;
        }
    }

    void SeekTo(const Commands& c) {
        m_atEnd = false;
        ResetClock();  // anchored again at the frame sought
        std::int64_t target = m_firstPts + std::llround(std::max(0.0, c.seekSeconds) / m_timeBase);
        const FileIndex* index = Index();
        std::size_t n = 0;
        if (index) {
            n = index->FrameAt(target);
            target = index->frames[n].pts;
        }
        const int level = c.playing ? LevelFor(c.speed, c.forward) : 0;
        // Positioned only: play, once on, decodes the frame sought first and shows it when it
        // is due.
        const bool quiet = !c.seekShows;
        Picture picture;
        std::size_t number = n;
        if (c.forward || !index) {
            m_skip = level;
            m_decoder.SetSkip(level);
            SeekDecoderBefore(target);
            m_pending.reset();
            m_decoder.DiscardThrough(target - 1);
            m_forwardReady = true;
            m_backwardUsed = false;
            if (quiet) {
                m_lastPts = target - 1;
                return;
            }
            picture = NextForward();
            if (picture) number = static_cast<std::size_t>(FrameNumberOf(picture->pts));
        } else {
            m_lastPts = n + 1 < index->frames.size() ? index->frames[n + 1].pts : kNone;
            if (quiet) return;
            picture = NextBackward(level, &number);
        }
        if (!picture) {
            if (c.playing) ReportEnd();
            else m_atEnd = true;
            return;
        }
        const double seconds = SecondsOf(picture->pts);
        Present(picture, number, seconds);
        m_clock.Anchor(seconds, Clock::now());  // play goes on from the frame sought
    }

    void Steps(int steps) {
        m_clock.Reset();
        m_beatShown = kNoBeat;
        for (; steps != 0 && !Stopping(); steps += steps > 0 ? -1 : 1) {
            Picture picture;
            std::size_t number = 0;
            if (steps > 0) {
                // Stepping forward after backward: the frame may still be in memory.
                if (m_backwardUsed && m_backward && m_lastPts != kNone) {
                    const FileIndex* index = Index();
                    const std::size_t next = index->FrameAt(m_lastPts) + 1;
                    if (next < index->frames.size() && (picture = m_backward->Find(next))) number = next;
                }
                if (!picture) {
                    m_backwardUsed = false;
                    PositionForward(0);
                    picture = NextForward();
                    if (picture) number = static_cast<std::size_t>(FrameNumberOf(picture->pts));
                }
            } else {
                picture = NextBackward(0, &number);
            }
            if (!picture) return;  // at an end: the frame on screen stays
            m_atEnd = false;
            Present(picture, number, SecondsOf(picture->pts));
        }
    }

    // Drop: too late to show; Skip: another frame of the same beat was shown.
    enum class Due { Show, Drop, Skip, Interrupted };

    // Waits for the frame's time on the clock, decoding backward ahead meanwhile.
    Due WaitUntilDue(double seconds, const Commands& c) {
        auto now = Clock::now();
        m_clock.AnchorIfNeeded(seconds, now);
        if (ImplausibleJump(seconds, c.forward)) {
            // A damaged time (hours ahead, or past a wrap of the 33-bit clock), or the seam where
            // two recordings meet: the frame follows the one before at once, and the sound starts
            // again from it.
            HaltSound();
            m_clock.Anchor(seconds, now);
        }
        FollowSound(now, c);
        auto due = m_clock.Due(seconds, c.speed, c.forward);
        m_late = std::chrono::duration<double>(now - due).count();
        if (now > due + kResyncAfter) {
            m_clock.Anchor(seconds, now);
            return Due::Show;
        }
        if (now > due + Seconds(kLateFrames * FrameInterval() / c.speed) && now - m_lastPresented < kMaxGapWithoutFrame)
            return Due::Drop;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_s.mutex);
                if (Interrupted(c.generation)) return Due::Interrupted;
                now = Clock::now();
                if (now >= due) return Due::Show;
                if (!(m_backwardUsed && m_backward)) m_s.cv.wait_until(lock, std::min(due, now + kIdleWait));
            }
            if (m_backwardUsed && m_backward && !m_backward->ReadAhead()) {
                std::unique_lock<std::mutex> lock(m_s.mutex);
                if (!Interrupted(c.generation)) m_s.cv.wait_until(lock, std::min(due, Clock::now() + kIdleWait));
            }
            now = Clock::now();
            if (FollowSound(now, c)) due = m_clock.Due(seconds, c.speed, c.forward);
        }
    }

    // In a group: waits until the group's clock reaches the frame. Nothing re-anchors here, so
    // every member keeps to the one clock. Faster than recorded, the group's beat decides: the
    // first frame of each beat is shown when the beat begins, the others of it are passed over,
    // so every member changes its picture at the same moment, for the same moment.
    Due WaitForGroup(double seconds, const Commands& c) {
        const double wall = c.groupOffset + seconds;
        const double beat = c.group->BeatSeconds();
        double dueWall = wall;
        auto lateAfter = Seconds(kLateFrames * FrameInterval() / c.speed);
        std::int64_t beatIndex = kNoBeat;
        if (beat > FrameInterval()) {
            // A frame exactly on a beat belongs to it in either direction, whatever the rounding.
            beatIndex = static_cast<std::int64_t>(c.forward ? std::floor(wall / beat + 1e-6) : std::ceil(wall / beat - 1e-6));
            if (beatIndex == m_beatShown && c.forward == m_beatForward && beat == m_beatLength) {
                m_late = LateForGroup(c, wall, Clock::now());
                return Due::Skip;
            }
            dueWall = static_cast<double>(beatIndex) * beat;
            lateAfter = Seconds(beat / c.speed);  // it missed its beat: the next one's frame is due
        }
        bool first = true;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_s.mutex);
                if (Interrupted(c.generation)) return Due::Interrupted;
                const auto due = c.group->Due(dueWall);
                const auto now = Clock::now();
                // How late against the frame's own time, which is what keeping up is about.
                if (first) m_late = LateForGroup(c, wall, now);
                if (now >= due) {
                    const bool late = now > due + lateAfter;
                    if (first && late && now - m_lastPresented < kMaxGapWithoutFrame) return Due::Drop;
                    m_beatShown = beatIndex;
                    m_beatForward = c.forward;
                    m_beatLength = beat;
                    return Due::Show;
                }
                first = false;
                // The members of a group are all due at once: each stops decoding ahead half a
                // frame before its time, so that none is kept from the core by the others' work.
                const auto quiet = Seconds(0.5 * FrameInterval() / c.speed);
                if (!(m_backwardUsed && m_backward) || due - now < quiet) {
                    m_s.cv.wait_until(lock, std::min(due, now + kIdleWait));
                    continue;
                }
            }
            if (!m_backward->ReadAhead()) {
                std::unique_lock<std::mutex> lock(m_s.mutex);
                if (!Interrupted(c.generation))
                    m_s.cv.wait_until(lock, std::min(c.group->Due(dueWall), Clock::now() + kIdleWait));
            }
        }
    }

    // Seconds the frame at `wall` is late by the group's clock; -1 while the clock is held.
    static double LateForGroup(const Commands& c, double wall, Clock::time_point now) {
        const auto due = c.group->Due(wall);
        return due == Clock::time_point::max() ? -1.0 : std::chrono::duration<double>(now - due).count();
    }

    // A member this far behind the group's clock (the others took its core for a while) would
    // decode every frame in between to get back: it goes on from the keyframe before the group's
    // time instead, where that is ahead of its own.
    void CatchUpWithGroup(const Commands& c) {
        const FileIndex* index = Index();
        if (!index || !c.group->Known()) return;
        const double target = c.group->Now() - c.groupOffset;
        const std::int64_t pts = m_firstPts + std::llround(std::max(0.0, target) / m_timeBase);
        const IndexEntry& key = index->frames[index->KeyframeAtOrBefore(index->FrameAt(pts))];
        if (m_lastPts != kNone && key.pts <= m_lastPts) return;
        m_pending.reset();
        if (!m_decoder.SeekToKeyframe(key.position, key.pts)) {
            m_forwardReady = false;  // the next picture positions the decoder again
            return;
        }
        m_lastPts = key.pts - 1;
    }

    // The frame at `seconds` lies further from the position, the way play goes, than the file
    // could span.
    bool ImplausibleJump(double seconds, bool forward) {
        if (m_lastPts == kNone) return false;
        const double jump = forward ? seconds - SecondsOf(m_lastPts) : SecondsOf(m_lastPts) - seconds;
        double span = 0;
        if (const FileIndex* index = Index()) span = static_cast<double>(index->frames.size()) * FrameInterval();
        return jump > std::max(kShortestImplausibleJump, span);
    }

    // While sound plays, the clock follows it. True when the clock moved.
    bool FollowSound(Clock::time_point now, const Commands& c) {
        if (!m_soundOn || c.group) return false;
        const double heard = m_sound->Position();
        if (heard < 0) return false;
        if (std::abs(m_clock.Now(c.speed, true, now) - heard) < kSoundDrift) return false;
        m_clock.Anchor(heard, now);
        return true;
    }

    void HaltSound() {
        if (m_soundOn && m_sound) m_sound->Halt();
        m_soundOn = false;
    }

    double SecondsOf(std::int64_t pts) const { return (pts - m_firstPts) * m_timeBase; }

    double FrameInterval() {
        if (const FileIndex* index = Index()) return index->frameDuration * m_timeBase;
        const MediaDescription& m = m_s.file->media;
        return m.fpsNum > 0 ? static_cast<double>(m.fpsDen) / m.fpsNum : 0.04;
    }

    int FrameNumberOf(std::int64_t pts) {
        if (const FileIndex* index = Index()) {
            // A file still being written has frames past the end of its index: they count on
            // from its last frame, a frame interval each.
            const std::int64_t last = index->frames.back().pts;
            if (pts > last && index->frameDuration > 0)
                return static_cast<int>(index->frames.size() - 1 +
                                        std::llround(static_cast<double>(pts - last) / index->frameDuration));
            return static_cast<int>(index->FrameAt(pts));
        }
        const MediaDescription& m = m_s.file->media;
        const double fps = m.fpsNum > 0 ? static_cast<double>(m.fpsNum) / m.fpsDen : 25;
        return static_cast<int>(std::lround(SecondsOf(pts) * fps));
    }

    void Present(const Picture& picture, std::size_t number, double seconds, bool byGroupClock = false) {
        {
            std::lock_guard<std::mutex> lock(m_s.mutex);
            m_s.last = picture;
            m_s.seconds = seconds;
            m_s.frameNumber = static_cast<int>(number);
            m_s.width = picture->width;
            m_s.height = picture->height;
            ++m_s.presented;
        }
        m_lastPts = picture->pts;
        m_lastPresented = Clock::now();
        Hand(picture, byGroupClock);
    }

    void Represent() {
        Picture last;
        {
            std::lock_guard<std::mutex> lock(m_s.mutex);
            last = m_s.last;
        }
        if (last) Hand(last);
    }

    void Hand(const Picture& picture, bool byGroupClock = false) {
        if (!m_s.listener || Stopping()) return;
        MV_FRAME_RECORD record;
        record.width = picture->width;
        record.height = picture->height;
        record.byGroupClock = byGroupClock ? 1 : 0;
        // The listener only reads the buffer (it may be a frame kept for stepping back).
        m_s.listener->OnFrameVisible(static_cast<int>(picture->planes.size()), MV_FRAME_DIRECTDRAW,
                                     const_cast<unsigned char*>(picture->planes.data()), m_s.context, &record);
    }

    void ReportEnd() {
        HaltSound();
        if (m_atEnd) return;
        m_atEnd = true;
        if (m_s.listener && !Stopping()) m_s.listener->OnFileEnd(m_s.context);
    }

    static constexpr std::int64_t kNone = INT64_MIN;
    static constexpr std::int64_t kNoBeat = INT64_MIN;

    CPlayback::Shared& m_s;
    const std::atomic<bool>& m_stop;
    CVideoDecoder& m_decoder;
    std::unique_ptr<CVideoDecoder> m_backDecoder;
    std::unique_ptr<CBackwardFrames> m_backward;
    std::shared_ptr<ISoundOutput> m_sound;
    bool m_soundOn = false;
    CPicturePool m_pool;
    Picture m_pending;  // decoded forward, waiting for its time
    double m_timeBase = 0;
    std::int64_t m_firstPts = 0;
    std::int64_t m_lastPts = kNone;  // the position: the frame last shown or passed over
    int m_skip = 0;
    int m_boost = 0;  // backward: skip levels added while the decoder cannot keep up
    CKeepUp m_keepUp;  // forward: what is given up to keep to the clock
    Relief m_relief = Relief::kNone;  // what the decoder was last told
    double m_late = 0;  // seconds the last picture was ready after it was due
    double m_decodeCost = 0;  // seconds per frame, smoothed
    int m_samples = 0;
    Clock::time_point m_boostChanged;
    bool m_forward = true;
    bool m_forwardReady = true;   // the decoder's next picture follows the position
    bool m_backwardUsed = false;  // the user went backward last: decode ahead that way
    bool m_atEnd = false;
    CPlayClock m_clock;
    Clock::time_point m_lastPresented;
    // The group's beat whose picture this member showed last; any other command starts afresh.
    std::int64_t m_beatShown = kNoBeat;
    bool m_beatForward = true;
    double m_beatLength = 0;
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
    // Counted before the decoder opens, so that it takes its share with itself among the windows.
    auto decoding = std::make_unique<CDecodingWindow>();
    auto decoder = std::make_shared<CVideoDecoder>();
    if (!decoder->Open(m_shared->file->path)) return false;
    m_decoding = std::move(decoding);
    std::shared_ptr<Shared> shared = m_shared;
    m_thread.Start([shared, decoder](const std::atomic<bool>& stop) { Worker(*shared, stop, *decoder).Run(); });
    return true;
}

void CPlayback::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stop = true;
        m_shared->Command();
    }
    m_thread.Stop();
    m_decoding.reset();
}

int CPlayback::Pause() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->playing = false;
    m_shared->Command();
    return 1;
}

int CPlayback::Resume() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->playing = true;
    m_shared->clockReset = true;
    m_shared->Command();
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
    m_shared->Command();
    return 1;
}

int CPlayback::RenderLastFrame() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (!m_shared->last) return 0;
    m_shared->represent = true;
    m_shared->Command();
    return 1;
}

std::function<std::int64_t()> CPlayback::PresentedPts() const {
    std::shared_ptr<Shared> shared = m_shared;
    return [shared] {
        std::lock_guard<std::mutex> lock(shared->mutex);
        return shared->last ? shared->last->pts : INT64_MIN;
    };
}

std::shared_ptr<const DecodedPicture> CPlayback::LastPicture() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->last;
}

void CPlayback::SetPacing(bool paced) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->paced = paced;
    m_shared->clockReset = true;
    m_shared->Command();
}

void CPlayback::SetShownSmall(bool small) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->shownSmall = small;  // taken with the next frame's commands
}

void CPlayback::SetDirection(bool forward) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->forward == forward) return;
    m_shared->forward = forward;
    m_shared->clockReset = true;
    m_shared->Command();
}

void CPlayback::Seek(double seconds, bool showNow) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->seekPending = true;
    m_shared->seekSeconds = seconds;
    m_shared->seekShows = showNow;
    m_shared->steps = 0;  // the seek decides what is shown next
    m_shared->Command();
}

int CPlayback::Step(bool forward, std::size_t frames) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    const long long target = static_cast<long long>(m_shared->frameNumber) + m_shared->steps + (forward ? 1 : -1);
    if (frames > 0 && m_shared->last && (target < 0 || target >= static_cast<long long>(frames))) return 0;
    m_shared->playing = false;
    m_shared->steps += forward ? 1 : -1;
    m_shared->Command();
    return 1;
}

void CPlayback::SetGroupClock(std::shared_ptr<CGroupClock> clock, double startWallClock) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->group = std::move(clock);
    m_shared->groupOffset = startWallClock;
    m_shared->clockReset = true;
    m_shared->Command();
}

void CPlayback::Nudge() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->Command();
}

void CPlayback::SetSound(std::shared_ptr<ISoundOutput> sound) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->sound = std::move(sound);
    m_shared->Command();
}

void CPlayback::CountsInto(MV_PLAY_STATS* stats) const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    stats->presented = m_shared->presented;
    stats->passedOver = m_shared->passedOver;
    stats->decoded = m_shared->decoded;
    stats->decodeSeconds = m_shared->decodeSeconds;
    stats->relief = m_shared->relief;
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
