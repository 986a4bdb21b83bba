#include "Engine/VideoDecoder.h"

#include <set>

extern "C" {
#include <libswscale/swscale.h>
}

#include "Engine/DecoderThreads.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/PacketReader.h"

namespace MOVRA {

struct CVideoDecoder::Impl {
    CPacketReader reader;
    CodecContextPtr decoder;
    PacketPtr packet{av_packet_alloc()};
    FramePtr frame{av_frame_alloc()};
    SwsContext* scaler = nullptr;
    int scalerWidth = 0, scalerHeight = 0, scalerFormat = -1;
    bool draining = false;
    std::int64_t discardThrough = INT64_MIN;
    std::int64_t lastPts = AV_NOPTS_VALUE;  // of the last picture out
    std::int64_t step = 1;  // between the last two pictures
    // A container timed by decoding order (see PacketReader.h): the presentation slots of the
    // packets sent and not yet taken by a picture, and whether only keyframes are sent.
    std::multiset<std::int64_t> slots;
    bool keysOnly = false;
    AVDiscard skipped = AVDISCARD_DEFAULT;  // the frames the skip level passes over
    Relief relief = Relief::kNone;
    bool shownSmall = false;
    int threads = 0;  // asked of the decoder when it was opened (a codec may use fewer)

    // A decoder with the threads its share of the cores allows now.
    bool OpenCodec() {
        const AVCodecParameters* par = reader.Video()->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) return false;
        CodecContextPtr c(avcodec_alloc_context3(codec));
        if (!c) return false;
        const int asked = DecoderThreads();
        c->thread_count = asked;
        BoundPictureSize(c.get());
        if (avcodec_parameters_to_context(c.get(), par) < 0 || avcodec_open2(c.get(), codec, nullptr) < 0) return false;
        threads = asked;
        decoder = std::move(c);
        return true;
    }

    // Set before each packet: a decoder reads these as it meets the packet's frame.
    void ApplySkipping() {
        AVCodecContext* c = decoder.get();
        const bool dropsFrames = relief >= Relief::kNonReference && !reader.TimedByDecodeOrder();
        c->skip_frame = dropsFrames && skipped < AVDISCARD_NONREF ? AVDISCARD_NONREF : skipped;
        c->skip_loop_filter = relief >= Relief::kCheaper || shownSmall ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
    }

    void Reset() {
        draining = false;
        lastPts = AV_NOPTS_VALUE;
        discardThrough = INT64_MIN;
        slots.clear();
        // A seek loses what the decoder holds anyway: the moment to follow the number of windows
        // decoding. A decoder that cannot be opened again keeps the one it had.
        if (DecoderThreads() != threads && OpenCodec()) return;
        avcodec_flush_buffers(decoder.get());
    }

    std::int64_t PictureTime() {
        if (!reader.TimedByDecodeOrder()) return frame->best_effort_timestamp;
        if (slots.empty()) return AV_NOPTS_VALUE;
        const std::int64_t t = *slots.begin();
        slots.erase(slots.begin());
        return t;
    }

    void Send(AVPacket* p) {
        ApplySkipping();
        if (!reader.TimedByDecodeOrder()) {
            avcodec_send_packet(decoder.get(), p);
            return;
        }
        // Which frames the decoder passes over at a skip level is not known here; sending only
        // keyframes, and all frames below that level, keeps every slot taken by its own picture.
        if (keysOnly && !(p->flags & AV_PKT_FLAG_KEY)) return;
        if (avcodec_send_packet(decoder.get(), p) < 0) return;  // refused: no picture will take its slot
        slots.insert(p->dts + reader.Timing().delay);
        // A decoder holds back a few pictures at most; slots older than that belong to frames
        // that never came out (damage).
        while (slots.size() > kMaxHeldPictures) slots.erase(slots.begin());
    }

    static constexpr std::size_t kMaxHeldPictures = 32;

    ~Impl() { sws_freeContext(scaler); }

    bool Convert(const AVFrame* f, DecodedPicture* out) {
        const int w = f->width, h = f->height;
        if (!PictureSizeAllowed(w, h)) return false;  // a size changed inside the stream
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
    return m_impl->reader.Open(path, false, true) && m_impl->OpenCodec();
}

int CVideoDecoder::TimeBaseNum() const { return m_impl->reader.Video()->time_base.num; }
int CVideoDecoder::TimeBaseDen() const { return m_impl->reader.Video()->time_base.den; }
std::int64_t CVideoDecoder::StartPts() const { return m_impl->reader.VideoStartPts(); }

bool CVideoDecoder::SeekBefore(std::int64_t pts) {
    m_impl->Reset();
    return m_impl->reader.SeekBefore(pts);
}

bool CVideoDecoder::SeekToKeyframe(std::int64_t position, std::int64_t pts) {
    m_impl->Reset();
    return m_impl->reader.SeekToKeyframe(position, pts);
}

void CVideoDecoder::DiscardThrough(std::int64_t pts) { m_impl->discardThrough = pts; }

void CVideoDecoder::SetSkip(int level) {
    // Frames timed by decoding order are all decoded at level 1: a skipped one would leave its
    // slot to the next picture.
    const bool timed = m_impl->reader.TimedByDecodeOrder();
    m_impl->keysOnly = timed && level >= 2;
    m_impl->skipped = level >= 2 ? AVDISCARD_NONKEY : level == 1 && !timed ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    m_impl->ApplySkipping();
}

void CVideoDecoder::SetRelief(Relief relief) { m_impl->relief = relief; }
void CVideoDecoder::SetShownSmall(bool small) { m_impl->shownSmall = small; }

bool CVideoDecoder::Next(DecodedPicture* picture) {
    Impl& d = *m_impl;
    for (;;) {
        const int got = avcodec_receive_frame(d.decoder.get(), d.frame.get());
        if (got == 0) {
            std::int64_t pts = d.PictureTime();
            // A picture without a time (damage) follows the one before.
            if (pts == AV_NOPTS_VALUE && d.lastPts != AV_NOPTS_VALUE)
                pts = d.lastPts + d.step;
            if (pts != AV_NOPTS_VALUE && d.lastPts != AV_NOPTS_VALUE && pts > d.lastPts) d.step = pts - d.lastPts;
            if (pts != AV_NOPTS_VALUE) d.lastPts = pts;
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
        if (!d.reader.Read(d.packet.get())) {
            d.draining = true;
            avcodec_send_packet(d.decoder.get(), nullptr);
            continue;
        }
        d.Send(d.packet.get());
        av_packet_unref(d.packet.get());
    }
}

}  // namespace MOVRA
