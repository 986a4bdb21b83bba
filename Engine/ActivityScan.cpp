#include "Engine/ActivityScan.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "Engine/FfmpegSupport.h"
#include "Engine/InputFile.h"
#include "Engine/MediaProbe.h"
#include "Engine/PacketReader.h"
#include "Engine/PictureFile.h"

namespace MOVRA {

namespace {

constexpr double kLongGopSeconds = 2.0;  // keyframes further apart than this time change too coarsely
constexpr double kSampleSpacing = 0.2;  // seconds between pictures looked at between keyframes
constexpr double kSizeGrowth = 1.3;  // pictures this much larger than their neighbours' are looked at
constexpr int kSizeNeighbours = 15;  // keyframe intervals either side that size is compared with
constexpr float kLookCloserScore = kActiveScore / 2;
constexpr int kThumbnailWidth = 320;
constexpr int kProgressPackets = 512;

struct KeyPacket {
    std::int64_t position = -1;
    std::int64_t time = 0;  // in the stream's time base
    double seconds = 0;  // since the first keyframe
    std::uint64_t bytes = 0;  // of the pictures after it, up to the next keyframe
    int pictures = 0;
};

struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

class CScan {
public:
    CScan(const std::atomic<bool>& cancel, const ActivityProgress& progress) : m_cancel(cancel), m_progress(progress) {}

    bool Open(const std::string& path, int threads, std::string* error);
    bool ReadKeyframes(std::vector<ActivitySample>* samples);
    // Decodes the pictures from keyframe `first` up to keyframe `last` (exclusive, or the end).
    bool LookBetween(std::size_t first, std::size_t last, bool background, std::vector<ActivitySample>* samples);
    // Flags the intervals after each keyframe worth decoding whole.
    std::vector<bool> Worth(const std::vector<ActivitySample>& keySamples, bool all) const;
    bool Thumbnail(double seconds, const std::string& file);
    bool LongGops() const;
    double Duration() const { return m_duration; }
    const std::vector<KeyPacket>& Keys() const { return m_keys; }
    GridShape Shape() const { return m_shape; }
    bool Cancelled() const { return m_cancel.load(std::memory_order_relaxed); }
    void Report(double done) const {
        if (m_progress) m_progress(std::clamp(done, 0.0, 1.0));
    }

private:
    double Seconds(std::int64_t t) const { return static_cast<double>(t - m_origin) * m_timeBase; }
    std::int64_t PacketTime(const AVPacket& p) const { return p.pts != AV_NOPTS_VALUE ? p.pts : p.dts; }
    bool Seek(std::size_t key);
    // The next packet into m_packet: false at the end, at damage nothing can be read past, or
    // when cancelled.
    bool Read() {
        while (!Cancelled()) {
            const int rc = av_read_frame(m_input.get(), m_packet.get());
            if (rc != AVERROR(EAGAIN)) return rc >= 0;
        }
        return false;
    }
    // The pictures still in the decoder to `drain`, and the decoder ready for another stretch.
    template <class Drain>
    void Finish(const Drain& drain) {
        avcodec_send_packet(m_decoder.get(), nullptr);
        drain();
        avcodec_flush_buffers(m_decoder.get());
    }
    bool Grid(const AVFrame& frame, std::vector<std::uint8_t>* cells);

    const std::atomic<bool>& m_cancel;
    const ActivityProgress& m_progress;
    InputPtr m_input;
    CodecContextPtr m_decoder;
    PacketPtr m_packet{av_packet_alloc()};
    FramePtr m_frame{av_frame_alloc()};
    std::unique_ptr<SwsContext, SwsDeleter> m_gray;
    std::vector<std::uint8_t> m_grayPlane;
    int m_video = -1;
    double m_timeBase = 0;
    std::int64_t m_origin = AV_NOPTS_VALUE;
    bool m_byteSeek = false, m_decodeOrder = false;
    double m_duration = 0;
    std::int64_t m_fileSize = 0;
    std::vector<KeyPacket> m_keys;
    GridShape m_shape;
    int m_width = 0, m_height = 0;
};

bool CScan::Open(const std::string& path, int threads, std::string* error) {
    AVFormatContext* raw = nullptr;
    if (OpenRecordingInput(path, &raw) < 0) {
        struct stat st;
        *error = ::stat(path.c_str(), &st) != 0 ? std::string("no such file")
                 : !S_ISREG(st.st_mode)        ? std::string("not a file")
                                               : std::string("not a recording, or too damaged to read");
        return false;
    }
    m_input.reset(raw);
    m_video = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_video < 0 || m_input->streams[m_video]->codecpar->codec_id == AV_CODEC_ID_NONE) {
        if (FindRecordingStreams(m_input.get()) >= 0)
            m_video = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    }
    if (m_video < 0) {
        *error = "has no video";
        return false;
    }
    for (unsigned i = 0; i < m_input->nb_streams; ++i)
        if (static_cast<int>(i) != m_video) m_input->streams[i]->discard = AVDISCARD_ALL;
    AVStream* stream = m_input->streams[m_video];
    m_timeBase = av_q2d(stream->time_base);
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    m_decoder.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!m_decoder || avcodec_parameters_to_context(m_decoder.get(), stream->codecpar) < 0) {
        *error = "its video cannot be decoded";
        return false;
    }
    BoundPictureSize(m_decoder.get());
    m_decoder->thread_count = std::max(1, threads);
    // A quarter of the picture or less still gives every cell of the grid several pixels.
    int lowres = 0;
    while (lowres < codec->max_lowres && (stream->codecpar->width >> (lowres + 1)) >= 4 * kGridColumns) ++lowres;
    m_decoder->lowres = lowres;
    if (avcodec_open2(m_decoder.get(), codec, nullptr) < 0) {
        *error = "its video cannot be decoded";
        return false;
    }
    const char* name = m_input->iformat->name;
    m_decodeOrder = IsTimedByDecodeOrder(m_input->iformat);
    // MPEG-TS and MPEG-PS resume at any packet start; other containers are sought by time.
    m_byteSeek = std::strcmp(name, "mpegts") == 0 || std::strcmp(name, "mpeg") == 0;
    m_fileSize = m_input->pb ? avio_size(m_input->pb) : 0;
    return true;
}

bool CScan::Grid(const AVFrame& frame, std::vector<std::uint8_t>* cells) {
    if (m_shape.columns == 0) {
        m_width = frame.width;
        m_height = frame.height;
        m_shape = GridFor(frame.width, frame.height);
    }
    if (frame.width != m_width || frame.height != m_height || m_shape.columns == 0) return false;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (!d) return false;
    const bool planarLuma = !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) && d->nb_components >= 1 &&
                            d->comp[0].plane == 0 && d->comp[0].step == 1 && d->comp[0].depth == 8 && d->comp[0].shift == 0;
    if (planarLuma) {
        ReduceToGrid(frame.data[0], frame.linesize[0], frame.width, frame.height, m_shape, cells);
        return true;
    }
    // Anything else is made grey first.
    m_gray.reset(sws_getCachedContext(m_gray.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                                      frame.width, frame.height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr));
    if (!m_gray) return false;
    m_grayPlane.resize(static_cast<std::size_t>(frame.width) * frame.height);
    std::uint8_t* dst[4] = {m_grayPlane.data(), nullptr, nullptr, nullptr};
    int strides[4] = {frame.width, 0, 0, 0};
    sws_scale(m_gray.get(), frame.data, frame.linesize, 0, frame.height, dst, strides);
    ReduceToGrid(m_grayPlane.data(), frame.width, frame.width, frame.height, m_shape, cells);
    return true;
}

bool CScan::ReadKeyframes(std::vector<ActivitySample>* samples) {
    m_decoder->skip_frame = AVDISCARD_NONKEY;
    m_decoder->skip_loop_filter = AVDISCARD_ALL;  // a keyframe is predicted from nothing
    std::int64_t end = AV_NOPTS_VALUE;
    int packets = 0;
    double lastSent = -1e9;
    auto drain = [&] {
        while (avcodec_receive_frame(m_decoder.get(), m_frame.get()) == 0) {
            ActivitySample s;
            s.seconds = Seconds(m_frame->best_effort_timestamp != AV_NOPTS_VALUE ? m_frame->best_effort_timestamp : m_origin);
            s.background = true;
            if (Grid(*m_frame, &s.cells)) samples->push_back(std::move(s));
            av_frame_unref(m_frame.get());
        }
    };
    while (Read()) {
        const AVPacket& p = *m_packet;
        const std::int64_t t = PacketTime(p);
        if (p.stream_index == m_video && t != AV_NOPTS_VALUE && !(p.flags & AV_PKT_FLAG_CORRUPT)) {
            if (p.flags & AV_PKT_FLAG_KEY) {
                if (m_origin == AV_NOPTS_VALUE) m_origin = t;
                m_keys.push_back(KeyPacket{p.pos, t, Seconds(t), 0, 0});
                // Files of keyframes alone (MJPEG) are looked at a few times a second, not at
                // every picture.
                if (m_keys.back().seconds - lastSent >= kSampleSpacing) {
                    lastSent = m_keys.back().seconds;
                    avcodec_send_packet(m_decoder.get(), m_packet.get());
                    drain();
                }
            } else if (!m_keys.empty()) {
                m_keys.back().bytes += static_cast<std::uint64_t>(p.size);
                ++m_keys.back().pictures;
            }
            if (m_origin != AV_NOPTS_VALUE) end = std::max(end, t + std::max<std::int64_t>(p.duration, 0));
        }
        const std::int64_t position = p.pos;
        av_packet_unref(m_packet.get());
        if (++packets % kProgressPackets == 0 && m_fileSize > 0 && position >= 0)
            Report(0.8 * static_cast<double>(position) / static_cast<double>(m_fileSize));
    }
    Finish(drain);
    if (Cancelled() || samples->empty()) return false;
    std::stable_sort(samples->begin(), samples->end(),
                     [](const ActivitySample& a, const ActivitySample& b) { return a.seconds < b.seconds; });
    m_duration = std::max(Seconds(end), samples->back().seconds);
    return true;
}

bool CScan::LongGops() const {
    if (m_keys.size() < 2) return true;
    std::vector<double> gaps;
    for (std::size_t i = 1; i < m_keys.size(); ++i) gaps.push_back(m_keys[i].seconds - m_keys[i - 1].seconds);
    std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
    return gaps[gaps.size() / 2] > kLongGopSeconds;
}

std::vector<bool> CScan::Worth(const std::vector<ActivitySample>& keySamples, bool all) const {
    const std::size_t n = m_keys.size();
    std::vector<bool> worth(n, all);
    if (all) return worth;
    // The score of each keyframe's picture, matched by time (a keyframe passed over for being too
    // close to the one before has that one's).
    std::vector<float> keyScore(n, 0);
    std::size_t s = 0;
    for (std::size_t k = 0; k < n; ++k) {
        while (s + 1 < keySamples.size() && keySamples[s + 1].seconds <= m_keys[k].seconds + 0.05) ++s;
        if (s < keySamples.size() && std::fabs(keySamples[s].seconds - m_keys[k].seconds) <= kSampleSpacing + 0.05)
            keyScore[k] = keySamples[s].score;
    }
    std::vector<double> size(n, 0);
    for (std::size_t k = 0; k < n; ++k)
        if (m_keys[k].pictures > 0) size[k] = static_cast<double>(m_keys[k].bytes) / m_keys[k].pictures;
    std::vector<double> around;
    for (std::size_t k = 0; k < n; ++k) {
        bool grown = false;
        if (size[k] > 0) {
            around.clear();
            const std::size_t from = k > static_cast<std::size_t>(kSizeNeighbours) ? k - kSizeNeighbours : 0;
            for (std::size_t j = from; j < std::min(n, k + kSizeNeighbours + 1); ++j)
                if (size[j] > 0) around.push_back(size[j]);
            std::nth_element(around.begin(), around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2), around.end());
            grown = size[k] > kSizeGrowth * around[around.size() / 2];
        }
        // Where activity begins or ends between two keyframes, the pictures between time it; where
        // it goes on across both, they would tell nothing new.
        const bool active = keyScore[k] >= kLookCloserScore;
        const bool nextActive = k + 1 < n ? keyScore[k + 1] >= kLookCloserScore : active;
        // A keyframe interval much longer than the others (the last, cut short by a recording
        // that ends long after its last keyframe) is looked at as a long GOP would be.
        const double length = (k + 1 < n ? m_keys[k + 1].seconds : m_duration) - m_keys[k].seconds;
        worth[k] = (grown && !(active && nextActive)) || active != nextActive || (active && k + 1 == n) ||
                   length > 2 * kLongGopSeconds;
    }
    return worth;
}

bool CScan::Seek(std::size_t key) {
    avcodec_flush_buffers(m_decoder.get());
    const KeyPacket& k = m_keys[key];
    if (m_byteSeek && k.position >= 0 && av_seek_frame(m_input.get(), -1, k.position, AVSEEK_FLAG_BYTE) >= 0) return true;
    return av_seek_frame(m_input.get(), m_video, k.time, AVSEEK_FLAG_BACKWARD) >= 0;
}

bool CScan::LookBetween(std::size_t first, std::size_t last, bool background, std::vector<ActivitySample>* samples) {
    if (first >= m_keys.size() || !Seek(first)) return false;
    const double from = m_keys[first].seconds - 0.001;
    const double until = last < m_keys.size() ? m_keys[last].seconds : m_duration + 1;
    m_decoder->skip_frame = m_decodeOrder ? AVDISCARD_DEFAULT : AVDISCARD_NONREF;
    // Pictures that others are predicted from are deblocked as the coder did, or the error of each
    // builds up over a long GOP into shapes that are not there.
    m_decoder->skip_loop_filter = AVDISCARD_NONREF;
    double lastSample = -1e9;
    bool started = false;
    int packets = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(m_decoder.get(), m_frame.get()) == 0) {
            const std::int64_t ts = m_frame->best_effort_timestamp;
            const double t = ts == AV_NOPTS_VALUE ? -1e9 : Seconds(ts);
            // Keyframes were looked at already.
            if (t >= from && t < until && !m_frame->key_frame && t - lastSample >= kSampleSpacing) {
                ActivitySample s;
                s.seconds = t;
                s.background = background;
                if (Grid(*m_frame, &s.cells)) {
                    samples->push_back(std::move(s));
                    lastSample = t;
                }
            }
            av_frame_unref(m_frame.get());
        }
    };
    while (Read()) {
        const AVPacket& p = *m_packet;
        bool past = false;
        if (p.stream_index == m_video) {
            started = started || (p.flags & AV_PKT_FLAG_KEY);
            const std::int64_t t = PacketTime(p);
            // Pictures shown before this packet's may still be coming out of the decoder.
            past = t != AV_NOPTS_VALUE && Seconds(t) >= until + 0.5;
            if (started && !past) {
                avcodec_send_packet(m_decoder.get(), m_packet.get());
                drain();
            }
        }
        const std::int64_t position = p.pos;
        av_packet_unref(m_packet.get());
        if (past) break;
        if (background && ++packets % kProgressPackets == 0 && m_fileSize > 0 && position >= 0)
            Report(0.8 + 0.2 * static_cast<double>(position) / static_cast<double>(m_fileSize));
    }
    Finish(drain);
    return !Cancelled();
}

bool CScan::Thumbnail(double seconds, const std::string& file) {
    std::size_t key = 0;
    while (key + 1 < m_keys.size() && m_keys[key + 1].seconds <= seconds + 0.001) ++key;
    if (m_keys.empty() || !Seek(key)) return false;
    m_decoder->skip_frame = AVDISCARD_DEFAULT;
    m_decoder->skip_loop_filter = AVDISCARD_DEFAULT;  // a picture to look at
    bool started = false, tried = false, written = false;
    auto take = [&] {
        while (!tried && avcodec_receive_frame(m_decoder.get(), m_frame.get()) == 0) {
            const std::int64_t ts = m_frame->best_effort_timestamp;
            if (ts != AV_NOPTS_VALUE && Seconds(ts) >= seconds - 0.001) {
                const AVFrame& f = *m_frame;
                DecodedPicture picture;
                picture.width = std::min(kThumbnailWidth, f.width) & ~1;
                picture.height = std::max(2, static_cast<int>(static_cast<std::int64_t>(f.height) * picture.width / std::max(1, f.width)) & ~1);
                picture.planes.resize(PlanarSize(picture.width, picture.height));
                const int cw = picture.width / 2, ch = picture.height / 2;
                std::uint8_t* y = picture.planes.data();
                std::uint8_t* v = y + static_cast<std::size_t>(picture.width) * picture.height;
                std::uint8_t* u = v + static_cast<std::size_t>(cw) * ch;
                std::uint8_t* dst[4] = {y, u, v, nullptr};
                int strides[4] = {picture.width, cw, cw, 0};
                SwsContext* sws = sws_getContext(f.width, f.height, static_cast<AVPixelFormat>(f.format), picture.width,
                                                 picture.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
                if (sws) {
                    sws_scale(sws, f.data, f.linesize, 0, f.height, dst, strides);
                    sws_freeContext(sws);
                    std::string ignored;
                    written = WritePictureFile(picture, file, true, &ignored);
                }
                tried = true;
            }
            av_frame_unref(m_frame.get());
        }
    };
    int packets = 0;
    while (!tried && ++packets < 100000 && Read()) {
        if (m_packet->stream_index == m_video) {
            started = started || (m_packet->flags & AV_PKT_FLAG_KEY);
            if (started) {
                avcodec_send_packet(m_decoder.get(), m_packet.get());
                take();
            }
        }
        av_packet_unref(m_packet.get());
    }
    Finish(take);
    return written;
}

std::string ThumbnailName(const std::string& folder, const std::string& path, std::size_t number) {
    const std::size_t slash = path.rfind('/');
    std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    std::string name = folder;
    if (!name.empty() && name.back() != '/') name += '/';
    return name + stem + "_" + std::to_string(number) + ".jpg";
}

}  // namespace

bool ScanActivity(const std::string& path, const ActivityScanOptions& options, const std::atomic<bool>& cancel,
                  const ActivityProgress& progress, ActivityResult* result, std::string* error) {
    QuietFfmpegOnce();
    if (!options.region.IsValid()) {
        *error = "the region is not inside the picture";
        return false;
    }
    CScan scan(cancel, progress);
    if (!scan.Open(path, options.decoderThreads, error)) return false;
    std::vector<ActivitySample> samples;
    if (!scan.ReadKeyframes(&samples)) {
        *error = scan.Cancelled() ? "cancelled" : "no picture of it decodes";
        return false;
    }
    CActivityModel model(scan.Shape(), options.region);
    const bool everywhere = scan.LongGops();
    const std::vector<KeyPacket>& keys = scan.Keys();
    if (!everywhere) {
        model.Learn(samples);
        for (ActivitySample& s : samples) s.score = model.Score(s);
    }
    const std::vector<bool> worth = scan.Worth(samples, everywhere);
    // Runs of intervals worth a closer look are decoded in one go each.
    std::vector<ActivitySample> closer;
    for (std::size_t k = 0; k < keys.size();) {
        if (!worth[k]) {
            ++k;
            continue;
        }
        std::size_t end = k;
        while (end < keys.size() && worth[end]) ++end;
        scan.LookBetween(k, end, everywhere, &closer);
        if (scan.Cancelled()) {
            *error = "cancelled";
            return false;
        }
        if (!everywhere) scan.Report(0.8 + 0.2 * static_cast<double>(end) / static_cast<double>(keys.size()));
        k = end;
    }
    samples.insert(samples.end(), std::make_move_iterator(closer.begin()), std::make_move_iterator(closer.end()));
    std::stable_sort(samples.begin(), samples.end(),
                     [](const ActivitySample& a, const ActivitySample& b) { return a.seconds < b.seconds; });
    if (everywhere) model.Learn(samples);
    model.ScoreAll(&samples);

    ActivityResult r;
    r.duration = scan.Duration();
    r.perSecond = ValuesPerSecond(samples, r.duration);
    r.spans = FindSpans(samples);
    MediaDescription description;
    std::string ignored;
    ProbeMedia(path, &description, &ignored);
    r.startWallClock = ResolveStartTime(path, description, r.duration);
    if (!options.thumbnailFolder.empty())
        for (std::size_t i = 0; i < r.spans.size(); ++i) {
            const std::string file = ThumbnailName(options.thumbnailFolder, path, i + 1);
            r.thumbnails.push_back(scan.Thumbnail(r.spans[i].peak, file) ? file : std::string());
        }
    scan.Report(1);
    *result = std::move(r);
    return true;
}

}  // namespace MOVRA
