#include "Engine/ClipRecorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "Base/ReplaceFile.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/PacketReader.h"

namespace MOVRA {

namespace {

constexpr auto kFollow = std::chrono::milliseconds(40);

constexpr int kPushBuffer = 64 * 1024;

// What FFmpeg's MPEG-TS demuxer reads back as what it is (others come back as opaque data).
bool FitsMpegTs(AVCodecID codec) {
    switch (codec) {
        case AV_CODEC_ID_H264: case AV_CODEC_ID_HEVC: case AV_CODEC_ID_MPEG2VIDEO: case AV_CODEC_ID_MPEG4:
        case AV_CODEC_ID_AAC: case AV_CODEC_ID_MP2: case AV_CODEC_ID_MP3: case AV_CODEC_ID_AC3: case AV_CODEC_ID_EAC3:
            return true;
        default:
            return false;
    }
}

bool Fits(const AVOutputFormat* format, AVCodecID codec) {
    if (std::strcmp(format->name, "mpegts") == 0) return FitsMpegTs(codec);
    return avformat_query_codec(format, codec, FF_COMPLIANCE_NORMAL) != 0;  // 1, or not known to refuse
}

}  // namespace

struct CClipRecorder::State {
    CPacketReader reader;
    OutputPtr output;
    int outVideo = -1, outAudio = -1;
    Position position;
    double startSeconds = 0;  // the first packet's time, which becomes the clip's zero
    bool started = false;
    CClipRecorder::Target target;
    double wallAtZero = 0;  // the wall clock of the first video packet's time
    double latestWall = 0;  // of the latest video packet written
    std::atomic<bool> caughtUp{false};
    std::atomic<double> copied{0};

    KX_SOFT_BASE::CFilePart part;  // an export's file until it is complete
    std::atomic<bool> abandoned{false};  // Stop gave up waiting: the receiver is not called again

    static int Pushed(void* opaque, std::uint8_t* data, int length) {  // FFmpeg 5 passes the bytes as non-const
        auto* s = static_cast<State*>(opaque);
        if (!s->abandoned) s->target.push(data, length, s->latestWall);
        return length;
    }

    std::mutex mutex;
    std::condition_variable cv;
    bool stopping = false;
    bool done = false;
    bool failed = false;

    // The earlier of a packet's decoding and presentation times. Copying in file order while
    // this is not after the frame on screen takes every frame up to it with the references they
    // need (a reordered stream then ends a frame or two past it, never with a gap).
    double Seconds(const AVPacket* p) const {
        const AVStream* s = reader.Input()->streams[p->stream_index];
        std::int64_t t = p->dts != AV_NOPTS_VALUE ? p->dts : p->pts;
        if (p->pts != AV_NOPTS_VALUE && p->pts < t) t = p->pts;
        return t == AV_NOPTS_VALUE ? -1 : t * av_q2d(s->time_base);
    }

    double ShowSeconds(const AVPacket* p) const {
        const std::int64_t t = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        return t == AV_NOPTS_VALUE ? -1 : t * av_q2d(reader.Input()->streams[p->stream_index]->time_base);
    }

    // Writes one packet, rebased to the clip's zero. False when the disk refused it (`error`
    // says why).
    bool Write(AVPacket* p) {
        const bool isVideo = p->stream_index == reader.VideoIndex();
        if (!isVideo && outAudio < 0) return true;
        const AVStream* in = reader.Input()->streams[p->stream_index];
        AVStream* out = output->streams[isVideo ? outVideo : outAudio];
        const std::int64_t offset = std::llround(startSeconds / av_q2d(in->time_base));
        if (p->pts != AV_NOPTS_VALUE) p->pts -= offset;
        if (p->dts != AV_NOPTS_VALUE) p->dts -= offset;
        if ((p->dts != AV_NOPTS_VALUE && p->dts < 0) || (p->pts != AV_NOPTS_VALUE && p->pts < 0)) return true;  // sound before the first frame
        av_packet_rescale_ts(p, in->time_base, out->time_base);
        p->stream_index = out->index;
        p->pos = -1;
        const int rc = av_interleaved_write_frame(output.get(), p);
        if (rc < 0) error = rc == AVERROR_EOF || AVUNERROR(rc) <= 0 ? EIO : AVUNERROR(rc);
        return rc >= 0;
    }
    int error = 0;

    void Run() {
        PacketPtr packet(av_packet_alloc());
        bool pending = false;  // `packet` is read but after the position
        double latestShown = -1;  // the latest presentation time of a frame copied
        bool atEnd = false;
        for (;;) {
            bool finishing;
            {
                std::unique_lock<std::mutex> lock(mutex);
                cv.wait_for(lock, kFollow, [&] { return stopping; });
                finishing = stopping;
            }
            // `stop` is not looked at: a clip being stopped is completed first, never abandoned.
            const double limit = position() * av_q2d(reader.Video()->time_base);
            // While following, everything up to the frame on screen; when stopping, then the
            // reordered frames that come after in the file but show before the latest frame
            // copied (without them the clip would end with a hole).
            for (bool filling = false; !atEnd && !failed;) {
                if (!pending && !(pending = reader.Read(packet.get()))) {
                    atEnd = caughtUp = true;
                    break;
                }
                const bool isVideo = packet->stream_index == reader.VideoIndex();
                if (!filling && Seconds(packet.get()) > limit) {
                    if (!finishing) {
                        caughtUp = true;
                        break;  // not yet on screen
                    }
                    filling = true;
                }
                if (filling && !(isVideo ? ShowSeconds(packet.get()) < latestShown : ShowSeconds(packet.get()) <= latestShown))
                    break;
                if (!started && isVideo) {
                    started = true;
                    startSeconds = Seconds(packet.get());
                }
                if (started && isVideo) {
                    latestShown = std::max(latestShown, ShowSeconds(packet.get()));
                    latestWall = wallAtZero + (ShowSeconds(packet.get()) - startSeconds);
                    copied = latestShown - startSeconds;
                }
                if (started && !Write(packet.get())) {
                    failed = true;
                    // Said at once: nobody may stop the clip for a long while yet.
                    if (target.stopped && !abandoned) target.stopped(error);
                }
                av_packet_unref(packet.get());
                pending = false;
            }
            if (failed) caughtUp = true;  // nothing more will be copied
            if (finishing) break;
        }
        if (pending) av_packet_unref(packet.get());
        const bool trailer = av_write_trailer(output.get()) >= 0;
        bool closed = true;
        if (output->flags & AVFMT_FLAG_CUSTOM_IO)
            avio_flush(output->pb);
        else
            closed = avio_closep(&output->pb) >= 0;
        failed = failed || !trailer || !closed;
        if (target.whole && !failed) failed = !part.Commit();
        part.Discard();
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        cv.notify_all();
    }
};

std::unique_ptr<CClipRecorder> CClipRecorder::Start(std::shared_ptr<OpenFileState> file, Target target,
                                                    std::int64_t fromPts, Position position, std::string* why) {
    auto s = std::make_shared<State>();
    if (!s->reader.Open(file->path, true)) return (*why = "the recording cannot be read", nullptr);
    const AVCodecParameters* video = s->reader.Video()->codecpar;
    const AVStream* audio = s->reader.Audio();
    const bool tsFits = FitsMpegTs(video->codec_id) && (!audio || FitsMpegTs(audio->codecpar->codec_id));
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, tsFits ? "mpegts" : "matroska", nullptr) < 0)
        return (*why = "cannot create a container", nullptr);
    s->output.reset(raw);
    AVStream* v = avformat_new_stream(raw, nullptr);
    avcodec_parameters_copy(v->codecpar, video);
    v->codecpar->codec_tag = 0;
    v->time_base = s->reader.Video()->time_base;
    s->outVideo = v->index;
    if (audio && Fits(raw->oformat, audio->codecpar->codec_id)) {
        AVStream* a = avformat_new_stream(raw, nullptr);
        avcodec_parameters_copy(a->codecpar, audio->codecpar);
        a->codecpar->codec_tag = 0;
        a->time_base = audio->time_base;
        s->outAudio = a->index;
    }

    // Where the copy starts: the keyframe before the frame on screen.
    if (target.fromSeconds >= 0)
        fromPts = s->reader.VideoStartPts() + std::llround(target.fromSeconds / av_q2d(s->reader.Video()->time_base));
    if (fromPts == INT64_MIN) fromPts = s->reader.VideoStartPts();  // nothing shown yet: the start
    std::int64_t keyPts = fromPts, keyPosition = -1;
    double wallClock;
    {
        std::lock_guard<std::mutex> lock(file->mutex);
        if (file->indexReady && !file->index.frames.empty()) {
            const IndexEntry& key = file->index.frames[file->index.KeyframeAtOrBefore(file->index.FrameAt(fromPts))];
            keyPts = key.pts;
            keyPosition = key.position;
        }
        wallClock = file->startExact + (keyPts - s->reader.VideoStartPts()) * av_q2d(s->reader.Video()->time_base);
    }
    if (!s->reader.SeekToKeyframe(keyPosition, keyPts)) return (*why = "the recording cannot be read there", nullptr);
    TagWallClock(raw, std::llround(wallClock * 1000));
    av_dict_set(&raw->metadata, "service_name", "Tarvex Player clip", 0);
    s->wallAtZero = s->latestWall = wallClock;
    s->target = std::move(target);
    const std::string& path = s->target.path;

    if (path.empty()) {
        auto* buffer = static_cast<unsigned char*>(av_malloc(kPushBuffer));
        raw->pb = buffer ? avio_alloc_context(buffer, kPushBuffer, 1, s.get(), nullptr, &State::Pushed, nullptr) : nullptr;
        if (!raw->pb) {
            av_free(buffer);
            return (*why = "out of memory", nullptr);
        }
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else if (s->target.whole) {
        if (!s->part.Create(path)) return (*why = std::strerror(errno), nullptr);
        if (avio_open(&raw->pb, s->part.Temporary().c_str(), AVIO_FLAG_WRITE) < 0)
            return (*why = "cannot write the clip", nullptr);
    } else {
        // A new file only: an existing one (an earlier clip, evidence) is never overwritten.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) return (*why = std::strerror(errno), nullptr);
        ::close(fd);
        if (avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
            ::unlink(path.c_str());
            return (*why = "cannot write the clip", nullptr);
        }
    }
    if (WriteHeaderFlushingPackets(raw) < 0) {
        s->output.reset();
        if (!path.empty() && !s->target.whole) ::unlink(path.c_str());
        return (*why = "cannot write the clip", nullptr);
    }
    s->position = std::move(position);

    std::unique_ptr<CClipRecorder> recorder(new CClipRecorder());
    recorder->m_state = s;
    recorder->m_thread.Start([s](const std::atomic<bool>&) { s->Run(); });
    return recorder;
}

CClipRecorder::~CClipRecorder() { Stop(); }

bool CClipRecorder::CaughtUp() const { return m_state->caughtUp; }

double CClipRecorder::CopiedSeconds() const { return m_state->copied; }

bool CClipRecorder::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stopping = true;
        m_state->cv.notify_all();
    }
    if (!m_thread.Stop(std::chrono::milliseconds(10000))) m_state->abandoned = true;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->done && !m_state->failed;
}

}  // namespace MOVRA
