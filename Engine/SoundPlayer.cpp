#include "Engine/SoundPlayer.h"

#include <SDL.h>

extern "C" {
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "Base/SignalStack.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/InputFile.h"

namespace MOVRA {

namespace {

constexpr double kQueuedSeconds = 0.25;
constexpr int kBytesPerFrame = 4;  // 16-bit stereo
constexpr auto kPoll = std::chrono::milliseconds(20);

// SDL's audio subsystem, initialised while any player exists.
std::mutex g_sdlMutex;
int g_sdlUsers = 0;

bool AcquireSdlAudio(std::string* why) {
    std::lock_guard<std::mutex> lock(g_sdlMutex);
    if (g_sdlUsers == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *why = std::string("no sound system: ") + SDL_GetError();
        return false;
    }
    ++g_sdlUsers;
    return true;
}

void ReleaseSdlAudio() {
    std::lock_guard<std::mutex> lock(g_sdlMutex);
    if (--g_sdlUsers == 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

struct SwrDeleter {
    void operator()(SwrContext* c) const { swr_free(&c); }
};

}  // namespace

struct CSoundPlayer::State {
    // Set up by Open, then used by the feeder thread only.
    InputPtr input;
    CodecContextPtr decoder;
    std::unique_ptr<SwrContext, SwrDeleter> resampler;
    int audio = -1;
    double timeBase = 0;
    double videoStart = 0;  // stream time 0 is the first video frame
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    bool sdlAcquired = false;

    std::mutex mutex;
    std::condition_variable cv;
    bool quit = false;
    bool playing = false;
    std::uint64_t generation = 0;  // bumped by Start and Halt
    double startSeconds = 0;
    std::uint64_t queuedBytes = 0;  // since the last Start
    bool ended = false;  // the stream has no more sound after what is queued
    int volume = 100;
    int channel = 0;
    std::thread feeder;

    ~State() {
        if (device) SDL_CloseAudioDevice(device);
        if (sdlAcquired) ReleaseSdlAudio();
    }

    void Feed() {
        std::uint64_t seen = ~0ull;
        PacketPtr packet(av_packet_alloc());
        FramePtr frame(av_frame_alloc());
        std::vector<std::uint8_t> out;
        std::int64_t trim = 0;  // output frames still to drop before the start time
        for (;;) {
            double start;
            {
                std::unique_lock<std::mutex> lock(mutex);
                // The device drains the queue without telling: look again now and then.
                while (!cv.wait_for(lock, kPoll, [&] {
                    if (quit) return true;
                    if (!playing) return false;
                    if (generation != seen) return true;
                    return !ended && SDL_GetQueuedAudioSize(device) < kQueuedSeconds * rate * kBytesPerFrame;
                })) {
                }
                if (quit) return;
                start = startSeconds;
                if (generation != seen) {
                    seen = generation;
                    const auto ts = static_cast<std::int64_t>((start + videoStart) / timeBase);
                    av_seek_frame(input.get(), audio, ts, AVSEEK_FLAG_BACKWARD);
                    avcodec_flush_buffers(decoder.get());
                    trim = -1;  // decided by the first frame's time
                }
            }
            // Decode one frame (outside the lock: it takes time).
            bool got = false;
            while (!got) {
                const int rc = avcodec_receive_frame(decoder.get(), frame.get());
                if (rc == 0) {
                    got = true;
                    break;
                }
                if (rc == AVERROR_EOF) break;
                if (av_read_frame(input.get(), packet.get()) < 0) {
                    avcodec_send_packet(decoder.get(), nullptr);
                    continue;
                }
                if (packet->stream_index == audio) avcodec_send_packet(decoder.get(), packet.get());
                av_packet_unref(packet.get());
            }
            if (!got) {
                std::lock_guard<std::mutex> lock(mutex);
                if (generation == seen) ended = true;
                continue;
            }
            if (trim < 0) {
                const std::int64_t pts = frame->best_effort_timestamp;
                const double t = pts == AV_NOPTS_VALUE ? start : pts * timeBase - videoStart;
                trim = std::max<std::int64_t>(0, static_cast<std::int64_t>((start - t) * rate));
            }
            const int capacity = swr_get_out_samples(resampler.get(), frame->nb_samples);
            out.resize(static_cast<std::size_t>(std::max(capacity, 0)) * kBytesPerFrame);
            std::uint8_t* dst = out.data();
            const int n = swr_convert(resampler.get(), &dst, capacity, const_cast<const std::uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
            av_frame_unref(frame.get());
            if (n <= 0) continue;
            std::int64_t first = std::min<std::int64_t>(trim, n);
            trim -= first;
            std::lock_guard<std::mutex> lock(mutex);
            if (generation != seen || quit) continue;  // halted or restarted meanwhile
            auto* samples = reinterpret_cast<std::int16_t*>(out.data());
            for (std::int64_t i = first; i < n; ++i) {
                std::int16_t& left = samples[2 * i];
                std::int16_t& right = samples[2 * i + 1];
                if (channel == 1) right = left;
                if (channel == 2) left = right;
                left = static_cast<std::int16_t>(left * volume / 100);
                right = static_cast<std::int16_t>(right * volume / 100);
            }
            const auto bytes = static_cast<Uint32>((n - first) * kBytesPerFrame);
            if (bytes > 0 && SDL_QueueAudio(device, out.data() + first * kBytesPerFrame, bytes) == 0) {
                queuedBytes += bytes;
                SDL_PauseAudioDevice(device, 0);
            }
        }
    }
};

namespace {

std::mutex g_currentMutex;
std::weak_ptr<CSoundPlayer::State> g_current;  // the one sound allowed to play

}  // namespace

std::shared_ptr<CSoundPlayer> CSoundPlayer::Open(const std::string& path, std::string* why) {
    QuietFfmpegOnce();
    auto s = std::make_shared<State>();
    AVFormatContext* raw = nullptr;
    if (OpenRecordingInput(path, &raw) < 0) {
        *why = "cannot read the file";
        return nullptr;
    }
    s->input.reset(raw);
    if (FindRecordingStreams(raw) < 0 ||
        (s->audio = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)) < 0) {
        *why = "the file has no sound";
        return nullptr;
    }
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != s->audio) raw->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = raw->streams[s->audio];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        *why = "no decoder for the file's sound";
        return nullptr;
    }
    s->decoder.reset(avcodec_alloc_context3(codec));
    if (avcodec_parameters_to_context(s->decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(s->decoder.get(), codec, nullptr) < 0) {
        *why = "the file's sound does not decode";
        return nullptr;
    }
    s->timeBase = av_q2d(stream->time_base);
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0 && raw->streams[video]->start_time != AV_NOPTS_VALUE)
        s->videoStart = raw->streams[video]->start_time * av_q2d(raw->streams[video]->time_base);

    if (!AcquireSdlAudio(why)) return nullptr;
    s->sdlAcquired = true;
    SDL_AudioSpec want{}, have{};
    want.freq = std::max(8000, s->decoder->sample_rate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    s->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (s->device == 0) {
        *why = std::string("no sound device: ") + SDL_GetError();
        return nullptr;
    }
    s->rate = have.freq;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* swr = nullptr;
    AVChannelLayout source;
    if (s->decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&source, s->decoder->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&source, &s->decoder->ch_layout);
    const int rc = swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, s->rate, &source, s->decoder->sample_fmt,
                                       s->decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&source);
    s->resampler.reset(swr);
    if (rc < 0 || swr_init(swr) < 0) {
        *why = "the file's sound cannot be converted";
        return nullptr;
    }
    State* state = s.get();
    s->feeder = std::thread([state] {
        KX_SOFT_BASE::CKXSignalStack signalStack;  // so that a stack overflow here is reported
        state->Feed();
    });
    std::shared_ptr<CSoundPlayer> player(new CSoundPlayer());
    player->m_state = std::move(s);
    return player;
}

CSoundPlayer::~CSoundPlayer() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->quit = true;
        m_state->cv.notify_all();
    }
    if (m_state->feeder.joinable()) m_state->feeder.join();
}

void CSoundPlayer::Start(double seconds) {
    {
        std::lock_guard<std::mutex> lock(g_currentMutex);
        std::shared_ptr<State> other = g_current.lock();
        if (other && other != m_state) {
            std::lock_guard<std::mutex> otherLock(other->mutex);
            other->playing = false;
            ++other->generation;
            SDL_PauseAudioDevice(other->device, 1);
            SDL_ClearQueuedAudio(other->device);
        }
        g_current = m_state;
    }
    State& s = *m_state;
    std::lock_guard<std::mutex> lock(s.mutex);
    SDL_PauseAudioDevice(s.device, 1);
    SDL_ClearQueuedAudio(s.device);
    s.playing = true;
    s.ended = false;
    s.startSeconds = std::max(0.0, seconds);
    s.queuedBytes = 0;
    ++s.generation;
    s.cv.notify_all();
}

void CSoundPlayer::Halt() {
    State& s = *m_state;
    std::lock_guard<std::mutex> lock(s.mutex);
    s.playing = false;
    ++s.generation;
    SDL_PauseAudioDevice(s.device, 1);
    SDL_ClearQueuedAudio(s.device);
    s.cv.notify_all();
}

double CSoundPlayer::Position() {
    State& s = *m_state;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.playing || s.queuedBytes == 0) return -1;
    const Uint32 waiting = SDL_GetQueuedAudioSize(s.device);
    if (waiting == 0 && s.ended) return -1;
    const double heard = static_cast<double>(s.queuedBytes - std::min<std::uint64_t>(waiting, s.queuedBytes));
    return s.startSeconds + heard / (static_cast<double>(s.rate) * kBytesPerFrame);
}

void CSoundPlayer::SetVolume(int volume) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->volume = std::clamp(volume, 0, 100);
}

void CSoundPlayer::SetChannel(int choice) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->channel = choice;
}

}  // namespace MOVRA
