#include "Engine/VideoDecoder.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

#include "Engine/FfmpegSupport.h"

namespace MOVRA {

struct CVideoDecoder::Impl {
    InputPtr input;
    CodecContextPtr decoder;
    int video = -1;
    PacketPtr packet{av_packet_alloc()};
    FramePtr frame{av_frame_alloc()};
    SwsContext* scaler = nullptr;
    int scalerWidth = 0, scalerHeight = 0, scalerFormat = -1;
    bool draining = false;
    bool held = false;  // `packet` holds a video packet read while seeking, not yet decoded
    bool byteSeek = false;  // the container resumes cleanly at a packet's byte position
    std::int64_t discardThrough = INT64_MIN;

    // Reads up to the first video packet and keeps it for decoding; its time, or NOPTS at the end.
    std::int64_t PeekVideoTime() {
        while (av_read_frame(input.get(), packet.get()) >= 0) {
            if (packet->stream_index == video) {
                held = true;
                return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            }
            av_packet_unref(packet.get());
        }
        return AV_NOPTS_VALUE;
    }

    void Reset() {
        if (held) av_packet_unref(packet.get());
        held = false;
        draining = false;
        discardThrough = INT64_MIN;
        avcodec_flush_buffers(decoder.get());
    }

    ~Impl() { sws_freeContext(scaler); }

    bool Convert(const AVFrame* f, DecodedPicture* out) {
        const int w = f->width, h = f->height;
        if (!scaler || w != scalerWidth || h != scalerHeight || f->format != scalerFormat) {
            sws_freeContext(scaler);
            scaler = sws_getContext(w, h, static_cast<AVPixelFormat>(f->format), w, h, AV_PIX_FMT_YUV420P,
                                    SWS_POINT, nullptr, nullptr, nullptr);
            scalerWidth = w;
            scalerHeight = h;
            scalerFormat = f->format;
            if (!scaler) return false;
        }
        out->width = w;
        out->height = h;
        out->planes.resize(PlanarSize(w, h));
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        std::uint8_t* y = out->planes.data();
        std::uint8_t* v = y + static_cast<std::size_t>(w) * h;
        std::uint8_t* u = v + static_cast<std::size_t>(cw) * ch;
        // libswscale writes Y, U, V planes; pointing its U at our third plane gives Y, V, U.
        std::uint8_t* dst[4] = {y, u, v, nullptr};
        int strides[4] = {w, cw, cw, 0};
        sws_scale(scaler, f->data, f->linesize, 0, h, dst, strides);
        return true;
    }
};

CVideoDecoder::CVideoDecoder() : m_impl(std::make_unique<Impl>()) {}
CVideoDecoder::~CVideoDecoder() = default;

bool CVideoDecoder::Open(const std::string& path) {
    QuietFfmpegOnce();
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
    m_impl->input.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return false;
    m_impl->video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_impl->video < 0) return false;
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != m_impl->video) raw->streams[i]->discard = AVDISCARD_ALL;
    const AVCodecParameters* par = raw->streams[m_impl->video]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return false;
    m_impl->decoder.reset(avcodec_alloc_context3(codec));
    m_impl->decoder->thread_count = 1;  // one engine per file; many files share the cores
    // MPEG-TS resumes at any packet start; containers with their own structure (Matroska's
    // clusters, MP4's boxes) are sought by time.
    m_impl->byteSeek = std::strcmp(raw->iformat->name, "mpegts") == 0;
    return avcodec_parameters_to_context(m_impl->decoder.get(), par) >= 0 &&
           avcodec_open2(m_impl->decoder.get(), codec, nullptr) >= 0;
}

int CVideoDecoder::TimeBaseNum() const { return m_impl->input->streams[m_impl->video]->time_base.num; }
int CVideoDecoder::TimeBaseDen() const { return m_impl->input->streams[m_impl->video]->time_base.den; }

std::int64_t CVideoDecoder::StartPts() const {
    const std::int64_t start = m_impl->input->streams[m_impl->video]->start_time;
    return start == AV_NOPTS_VALUE ? 0 : start;
}

bool CVideoDecoder::SeekBefore(std::int64_t pts) {
    Impl& d = *m_impl;
    const AVStream* stream = d.input->streams[d.video];
    // One second, then twice as far back each time the landing is still after the target.
    std::int64_t back = av_rescale_q(1, AVRational{1, 1}, stream->time_base);
    std::int64_t target = pts;
    for (int attempt = 0; attempt < 12; ++attempt) {
        d.Reset();
        if (av_seek_frame(d.input.get(), d.video, target, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(d.input.get(), d.video, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            return false;
        const std::int64_t landed = d.PeekVideoTime();
        if (landed == AV_NOPTS_VALUE || landed <= pts || target <= StartPts()) return true;
        target = std::max(StartPts(), target - back);
        back *= 2;
    }
    return true;
}

bool CVideoDecoder::SeekToKeyframe(std::int64_t position, std::int64_t pts) {
    Impl& d = *m_impl;
    if (!d.byteSeek || position < 0) return SeekBefore(pts);
    d.Reset();
    if (av_seek_frame(d.input.get(), d.video, position, AVSEEK_FLAG_BYTE) < 0) return SeekBefore(pts);
    return true;
}

void CVideoDecoder::DiscardThrough(std::int64_t pts) { m_impl->discardThrough = pts; }

void CVideoDecoder::SetSkip(int level) {
    m_impl->decoder->skip_frame = level >= 2 ? AVDISCARD_NONKEY : level == 1 ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

bool CVideoDecoder::Next(DecodedPicture* picture) {
    Impl& d = *m_impl;
    for (;;) {
        const int got = avcodec_receive_frame(d.decoder.get(), d.frame.get());
        if (got == 0) {
            const std::int64_t pts = d.frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE && pts <= d.discardThrough) {
                av_frame_unref(d.frame.get());
                continue;
            }
            d.discardThrough = INT64_MIN;
            const bool ok = pts != AV_NOPTS_VALUE && d.Convert(d.frame.get(), picture);
            picture->pts = pts;
            av_frame_unref(d.frame.get());
            if (ok) return true;
            continue;
        }
        if (got == AVERROR_EOF || (got != AVERROR(EAGAIN) && d.draining)) return false;
        if (d.draining) return false;
        const int rc = d.held ? 0 : av_read_frame(d.input.get(), d.packet.get());
        d.held = false;
        if (rc < 0) {
            d.draining = true;
            avcodec_send_packet(d.decoder.get(), nullptr);
            continue;
        }
        if (d.packet->stream_index == d.video) avcodec_send_packet(d.decoder.get(), d.packet.get());
        av_packet_unref(d.packet.get());
    }
}

}  // namespace MOVRA
