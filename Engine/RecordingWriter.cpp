#include "Engine/RecordingWriter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "Engine/FfmpegSupport.h"
#include "Engine/FramePattern.h"

namespace MOVRA {

namespace {

constexpr int kAudioRate = 8000;

class Muxer {
public:
    ~Muxer() {
        if (m_format) {
            if (m_format->pb && !(m_format->oformat->flags & AVFMT_NOFILE)) avio_closep(&m_format->pb);
            avformat_free_context(m_format);
        }
    }

    bool Write(const std::string& path, const SynthOptions& o, int channel, std::int64_t startMs, int frames,
               std::string* error) {
        const bool tsFits = o.codec != "mjpeg" && (o.audio == "none" || o.audio == "aac");
        if (avformat_alloc_output_context2(&m_format, nullptr, tsFits ? "mpegts" : "matroska", path.c_str()) < 0)
            return Fail(error, "cannot create a container");
        m_format->flags |= AVFMT_FLAG_BITEXACT;
        TagWallClock(m_format, startMs);
        if (tsFits) av_dict_set(&m_format->metadata, "service_name", (o.device + " ch" + std::to_string(channel)).c_str(), 0);
        if (!OpenVideo(o, error)) return false;
        if (o.audio != "none" && !OpenAudio(o, error)) return false;
        int rc = avio_open(&m_format->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (rc < 0) return Fail(error, "cannot write " + path + ": " + AvErrorText(rc));
        if ((rc = avformat_write_header(m_format, nullptr)) < 0) return Fail(error, AvErrorText(rc));

        const double audioPerFrame = static_cast<double>(kAudioRate) / o.fps;
        for (int n = 0; n < frames; ++n) {
            if (!EncodeVideo(o, n, channel, startMs, error)) return false;
            if (m_audio) {
                const std::int64_t due = static_cast<std::int64_t>(std::llround((n + 1) * audioPerFrame));
                while (m_audioSamples < due)
                    if (!EncodeAudio(channel, error)) return false;
            }
        }
        if (!Flush(m_video.get(), m_videoStream, nullptr, error)) return false;
        if (m_audio && !Flush(m_audio.get(), m_audioStream, nullptr, error)) return false;
        if ((rc = av_write_trailer(m_format)) < 0) return Fail(error, AvErrorText(rc));
        return true;
    }

private:
    static bool Fail(std::string* error, const std::string& what) {
        if (error) *error = what;
        return false;
    }

    bool OpenVideo(const SynthOptions& o, std::string* error) {
        const char* name = o.codec == "h264" ? "libx264" : o.codec == "hevc" ? "libx265" : "mjpeg";
        const AVCodec* codec = avcodec_find_encoder_by_name(name);
        if (!codec) return Fail(error, std::string("no ") + name + " encoder in this FFmpeg");
        m_video.reset(avcodec_alloc_context3(codec));
        AVCodecContext* c = m_video.get();
        c->width = o.width;
        c->height = o.height;
        c->time_base = AVRational{1, o.fps};
        c->framerate = AVRational{o.fps, 1};
        c->gop_size = o.gop;
        c->max_b_frames = o.bframes;
        c->pix_fmt = o.codec == "mjpeg" ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
        c->thread_count = 1;  // one thread: the same input gives the same bytes
        c->flags |= AV_CODEC_FLAG_BITEXACT;
        if (m_format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* opts = nullptr;
        const std::string keyint = std::to_string(o.gop);
        if (o.codec == "h264") {
            av_dict_set(&opts, "preset", "veryfast", 0);
            av_dict_set(&opts, "x264-params",
                        ("keyint=" + keyint + ":min-keyint=" + keyint + ":scenecut=0:bframes=" +
                         std::to_string(o.bframes)).c_str(), 0);
        } else if (o.codec == "hevc") {
            av_dict_set(&opts, "preset", "veryfast", 0);
            av_dict_set(&opts, "x265-params",
                        ("keyint=" + keyint + ":min-keyint=" + keyint + ":scenecut=0:bframes=" +
                         std::to_string(o.bframes) + ":pools=1:frame-threads=1:log-level=error").c_str(), 0);
        } else {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * 3;
        }
        const int rc = avcodec_open2(c, codec, &opts);
        av_dict_free(&opts);
        if (rc < 0) return Fail(error, std::string("cannot open the ") + name + " encoder: " + AvErrorText(rc));
        m_videoStream = avformat_new_stream(m_format, nullptr);
        avcodec_parameters_from_context(m_videoStream->codecpar, c);
        m_videoStream->time_base = c->time_base;
        m_videoStream->avg_frame_rate = c->framerate;
        m_frame.reset(av_frame_alloc());
        m_frame->format = c->pix_fmt;
        m_frame->width = c->width;
        m_frame->height = c->height;
        if (av_frame_get_buffer(m_frame.get(), 0) < 0) return Fail(error, "out of memory");
        m_packet.reset(av_packet_alloc());
        return true;
    }

    bool OpenAudio(const SynthOptions& o, std::string* error) {
        const char* name = o.audio == "mulaw" ? "pcm_mulaw" : o.audio == "alaw" ? "pcm_alaw" : "aac";
        const AVCodec* codec = avcodec_find_encoder_by_name(name);
        if (!codec) return Fail(error, std::string("no ") + name + " encoder in this FFmpeg");
        m_audio.reset(avcodec_alloc_context3(codec));
        AVCodecContext* c = m_audio.get();
        c->sample_rate = kAudioRate;
        av_channel_layout_default(&c->ch_layout, o.audioChannels == 2 ? 2 : 1);
        c->sample_fmt = o.audio == "aac" ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
        c->bit_rate = 32000;
        c->time_base = AVRational{1, kAudioRate};
        c->flags |= AV_CODEC_FLAG_BITEXACT;
        if (m_format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int rc = avcodec_open2(c, codec, nullptr);
        if (rc < 0) return Fail(error, std::string("cannot open the ") + name + " encoder: " + AvErrorText(rc));
        m_audioStream = avformat_new_stream(m_format, nullptr);
        avcodec_parameters_from_context(m_audioStream->codecpar, c);
        m_audioStream->time_base = c->time_base;
        m_audioFrame.reset(av_frame_alloc());
        m_audioFrame->format = c->sample_fmt;
        m_audioFrame->sample_rate = kAudioRate;
        av_channel_layout_copy(&m_audioFrame->ch_layout, &c->ch_layout);
        m_audioFrame->nb_samples = c->frame_size > 0 ? c->frame_size : 160;
        if (av_frame_get_buffer(m_audioFrame.get(), 0) < 0) return Fail(error, "out of memory");
        return true;
    }

    bool EncodeVideo(const SynthOptions& o, int n, int channel, std::int64_t startMs, std::string* error) {
        AVFrame* f = m_frame.get();
        if (av_frame_make_writable(f) < 0) return Fail(error, "out of memory");
        const std::int64_t wall = (startMs + static_cast<std::int64_t>(n) * 1000 / o.fps) / 1000;
        DrawSynthFrame(f->data[0], f->linesize[0], f->data[1], f->data[2], f->linesize[1], o.width, o.height, n,
                       channel, wall);
        f->pts = n;
        return Flush(m_video.get(), m_videoStream, f, error);
    }

    // A tone whose pitch tells the channel: 400 Hz for channel 1, 100 Hz more per channel.
    bool EncodeAudio(int channel, std::string* error) {
        AVFrame* f = m_audioFrame.get();
        if (av_frame_make_writable(f) < 0) return Fail(error, "out of memory");
        const double hz = 400.0 + 100.0 * ((channel - 1) % 8);
        const int channels = f->ch_layout.nb_channels;
        for (int i = 0; i < f->nb_samples; ++i) {
            const double s = 0.3 * std::sin(2 * M_PI * hz * static_cast<double>(m_audioSamples + i) / kAudioRate);
            for (int c = 0; c < channels; ++c) {
                const double v = c == 0 ? s : s / 2;
                if (f->format == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(f->data[c])[i] = static_cast<float>(v);
                else
                    reinterpret_cast<std::int16_t*>(f->data[0])[i * channels + c] = static_cast<std::int16_t>(v * 32767);
            }
        }
        f->pts = m_audioSamples;
        m_audioSamples += f->nb_samples;
        return Flush(m_audio.get(), m_audioStream, f, error);
    }

    // Sends a frame (null: the end) and writes every packet the encoder has ready.
    bool Flush(AVCodecContext* c, AVStream* stream, AVFrame* frame, std::string* error) {
        int rc = avcodec_send_frame(c, frame);
        if (rc < 0) return Fail(error, "encoding failed: " + AvErrorText(rc));
        for (;;) {
            rc = avcodec_receive_packet(c, m_packet.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) return Fail(error, "encoding failed: " + AvErrorText(rc));
            av_packet_rescale_ts(m_packet.get(), c->time_base, stream->time_base);
            m_packet->stream_index = stream->index;
            if ((rc = av_interleaved_write_frame(m_format, m_packet.get())) < 0)
                return Fail(error, "cannot write: " + AvErrorText(rc));
        }
    }

    AVFormatContext* m_format = nullptr;
    CodecContextPtr m_video, m_audio;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    FramePtr m_frame, m_audioFrame;
    PacketPtr m_packet;
    std::int64_t m_audioSamples = 0;
};

std::string Stamp(std::int64_t t) {
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(t);
    localtime_r(&tt, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm);
    return text;
}

std::string Day(std::int64_t t) {
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(t);
    localtime_r(&tt, &tm);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
    return text;
}

}  // namespace

bool WriteSynthRecording(const std::string& path, const SynthOptions& options, int channel, std::int64_t startMs,
                         int frames, std::string* error) {
    QuietFfmpegOnce();
    Muxer muxer;
    if (muxer.Write(path, options, channel, startMs, frames, error)) return true;
    std::remove(path.c_str());  // never leave a half-written recording behind
    return false;
}

bool WriteSynthRecordings(const std::string& outDir, const SynthOptions& o, std::vector<std::string>* written,
                          std::string* error) {
    const int frames = std::max(1, static_cast<int>(std::llround(o.seconds * o.fps)));
    const std::int64_t lengthMs = static_cast<std::int64_t>(frames) * 1000 / o.fps;
    for (int channel = 1; channel <= o.channels; ++channel)
        for (const std::string& stream : o.streams)
            for (int file = 0; file < o.files; ++file) {
                const std::int64_t startMs = o.start * 1000 + file * lengthMs;
                const std::int64_t first = startMs / 1000;
                const std::int64_t last = std::max(first + 1, (startMs + lengthMs + 999) / 1000);
                std::string folder = outDir;
                if (o.dateFolders) {
                    folder += "/" + Day(first);
                    ::mkdir(folder.c_str(), 0755);
                }
                const std::string tag = stream == "main" ? std::string() : stream + "_";
                const std::string path = folder + "/" + o.device + "_ch" + std::to_string(channel) + "_" + tag +
                                         Stamp(first) + "_" + Stamp(last) + ".rvf";
                if (!WriteSynthRecording(path, o, channel, startMs, frames, error)) return false;
                if (written) written->push_back(path);
            }
    return true;
}

}  // namespace MOVRA
