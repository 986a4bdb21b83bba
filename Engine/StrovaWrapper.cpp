#include "Engine/StrovaWrapper.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Base/ReplaceFile.h"
#include "Engine/EngineThread.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/InputFile.h"

namespace MOVRA {

namespace {

constexpr std::uint64_t kDefaultSplit = std::uint64_t(1) << 30;
constexpr int kReadBuffer = 32 * 1024;

struct CustomInputDeleter {
    void operator()(AVFormatContext* f) const {
        if (!f) return;
        AVIOContext* pb = f->pb;
        avformat_close_input(&f);
        if (pb) {
            av_freep(&pb->buffer);
            avio_context_free(&pb);
        }
    }
};

}  // namespace

struct CStrovaWrapper::State {
    // The converter's thread may outlive the wrapper (its stop gives up on a slow disk and leaves
    // it to end by itself): it calls the listener only under this lock, and the wrapper's end
    // clears the listener under it, so a listener that is gone is never called.
    std::mutex listenerLock;
    IAVIConvertListener* listener = nullptr;
    std::uint64_t splitSize = kDefaultSplit;
    std::string path;

    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::uint8_t> ring;  // the input, circular
    std::size_t head = 0, stored = 0;
    bool open = false;
    bool eof = false;  // no more input: convert what is left and finish
    bool abort = false;  // finish now
    std::size_t pending = 0;  // bytes of the packet being written
    bool running = false, finished = false, failed = false;
    CEngineThread thread;

    // --- The input side, called by FFmpeg on the converter thread ---

    static int Read(void* opaque, std::uint8_t* out, int size) {
        auto* s = static_cast<State*>(opaque);
        std::unique_lock<std::mutex> lock(s->mutex);
        s->cv.wait(lock, [&] { return s->stored > 0 || s->eof || s->abort; });
        if (s->abort || s->stored == 0) return AVERROR_EOF;
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), s->stored);
        const std::size_t first = std::min(n, s->ring.size() - s->head);  // up to the ring's end, then from its start
        std::memcpy(out, s->ring.data() + s->head, first);
        std::memcpy(out + first, s->ring.data(), n - first);
        s->head = (s->head + n) % s->ring.size();
        s->stored -= n;
        return static_cast<int>(n);
    }

    // --- The output side ---

    struct Output {
        // Written under a temporary name, and given its own once complete: an AVI that cannot be
        // completed (a full disk) leaves nothing under its name.
        std::unique_ptr<KX_SOFT_BASE::CFilePart> part;
        OutputPtr format;
        std::map<int, int> streams;  // input stream index -> output stream index
        std::map<int, std::int64_t> lastDts;  // per output stream
        std::map<int, int> widths;  // the video's size when the file began, to see it change
        unsigned inputStreams = 0;  // streams the input had then; later ones are new parameters
        double zero = -1;  // input seconds that become this file's zero
    };

    static bool Fits(AVCodecID codec) {
        const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
        return avi && avformat_query_codec(avi, codec, FF_COMPLIANCE_NORMAL) == 1;
    }

    // A new AVI at `name` for the input's streams as they are now: the video stream `video` (or
    // the first), and the first sound AVI can hold.
    static bool Begin(AVFormatContext* in, const std::string& name, Output* out, int preferred = -1) {
        *out = Output();
        out->part = std::make_unique<KX_SOFT_BASE::CFilePart>();
        if (!out->part->Create(name)) return false;  // an existing file is never overwritten
        AVFormatContext* raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, "avi", name.c_str()) < 0) return false;
        out->format.reset(raw);
        out->inputStreams = in->nb_streams;
        bool video = false, audio = false;
        for (unsigned i = 0; i < in->nb_streams; ++i) {
            const AVStream* s = in->streams[i];
            const AVMediaType type = s->codecpar->codec_type;
            const bool wantedVideo = type == AVMEDIA_TYPE_VIDEO && !video && (preferred < 0 || static_cast<int>(i) == preferred);
            if (!(wantedVideo || (type == AVMEDIA_TYPE_AUDIO && !audio)) || !Fits(s->codecpar->codec_id)) continue;
            AVStream* o = avformat_new_stream(raw, nullptr);
            avcodec_parameters_copy(o->codecpar, s->codecpar);
            o->codecpar->codec_tag = 0;
            if (type == AVMEDIA_TYPE_VIDEO) {
                AVRational rate = s->avg_frame_rate.num > 0 ? s->avg_frame_rate : s->r_frame_rate;
                if (rate.num <= 0) rate = AVRational{25, 1};
                o->time_base = av_inv_q(rate);
                o->avg_frame_rate = rate;
                out->widths[static_cast<int>(i)] = s->codecpar->width * 100000 + s->codecpar->height;
                video = true;
            } else {
                o->time_base = AVRational{1, std::max(1, s->codecpar->sample_rate)};
                audio = true;
            }
            out->streams[static_cast<int>(i)] = o->index;
        }
        if (!video || avio_open(&raw->pb, out->part->Temporary().c_str(), AVIO_FLAG_WRITE) < 0 ||
            avformat_write_header(raw, nullptr) < 0) {
            out->format.reset();
            out->part.reset();
            return false;
        }
        return true;
    }

    static bool Finish(Output* out) {
        if (!out->format) return true;
        const bool ok = av_write_trailer(out->format.get()) >= 0 && avio_closep(&out->format->pb) >= 0 &&
                        out->part->Commit();
        out->format.reset();
        out->part.reset();
        return ok;
    }

    // Whether `packet` must start a new file: a keyframe past the split size, or a stream the
    // file was not made for (the parameters changed).
    bool NeedsSplit(AVFormatContext* in, const AVPacket* p, const Output& out) const {
        const AVStream* s = in->streams[p->stream_index];
        if (s->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || !(p->flags & AV_PKT_FLAG_KEY)) return false;
        auto known = out.widths.find(p->stream_index);
        if (known == out.widths.end()) return static_cast<unsigned>(p->stream_index) >= out.inputStreams;
        if (known->second != s->codecpar->width * 100000 + s->codecpar->height) return true;
        size_t extra = 0;
        if (av_packet_get_side_data(p, AV_PKT_DATA_NEW_EXTRADATA, &extra) && extra > 0) return true;
        return avio_tell(out.format->pb) >= static_cast<std::int64_t>(splitSize);
    }

    bool Write(AVFormatContext* in, AVPacket* p, Output* out) {
        auto mapped = out->streams.find(p->stream_index);
        if (mapped == out->streams.end()) return true;  // a stream AVI cannot hold
        const AVStream* is = in->streams[p->stream_index];
        AVStream* os = out->format->streams[mapped->second];
        const std::int64_t t = p->dts != AV_NOPTS_VALUE ? p->dts : p->pts;
        if (t == AV_NOPTS_VALUE) return true;
        if (out->zero < 0) {
            if (is->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return true;  // sound before the first picture
            out->zero = t * av_q2d(is->time_base);
        }
        const std::int64_t shift = std::llround(out->zero / av_q2d(is->time_base));
        if (p->pts != AV_NOPTS_VALUE) p->pts -= shift;
        if (p->dts != AV_NOPTS_VALUE) p->dts -= shift;
        av_packet_rescale_ts(p, is->time_base, os->time_base);
        // AVI counts frames and samples: times must rise strictly in each stream.
        std::int64_t& last = out->lastDts.emplace(os->index, -1).first->second;
        if (p->dts == AV_NOPTS_VALUE || p->dts <= last) p->dts = last + 1;
        if (p->pts != AV_NOPTS_VALUE && p->pts < p->dts) p->pts = p->dts;
        last = p->dts;
        p->stream_index = os->index;
        p->pos = -1;
        return av_interleaved_write_frame(out->format.get(), p) >= 0;
    }

    void Run() {
        auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBuffer));
        AVIOContext* io = buffer ? avio_alloc_context(buffer, kReadBuffer, 0, this, &State::Read, nullptr, nullptr) : nullptr;
        if (!io) {
            av_free(buffer);
            Done(false);
            return;
        }
        AVFormatContext* raw = avformat_alloc_context();
        raw->pb = io;
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "analyzeduration", "1000000", 0);  // start writing soon after the data
        const int opened = avformat_open_input(&raw, nullptr, nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) {  // avformat_open_input freed the context; the I/O context is ours
            av_freep(&io->buffer);
            avio_context_free(&io);
            Done(false);
            return;
        }
        std::unique_ptr<AVFormatContext, CustomInputDeleter> in(raw);
        if (FindRecordingStreams(in.get()) < 0) {
            Done(false);
            return;
        }
        Output out;
        bool ok = Begin(in.get(), path, &out);
        PacketPtr packet(av_packet_alloc());
        while (ok && av_read_frame(in.get(), packet.get()) >= 0) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                pending = static_cast<std::size_t>(packet->size);
                if (abort) break;
            }
            if (NeedsSplit(in.get(), packet.get(), out)) {
                ok = Finish(&out);
                std::string next;
                if (ok && !NextName(&next)) break;  // the listener ends the conversion here
                ok = ok && Begin(in.get(), next, &out, packet->stream_index);
            }
            ok = ok && Write(in.get(), packet.get(), &out);
            av_packet_unref(packet.get());
            std::lock_guard<std::mutex> lock(mutex);
            pending = 0;
        }
        av_packet_unref(packet.get());
        ok = Finish(&out) && ok;
        Done(ok);
    }

    // The next file's name from the listener; false when there is none (the conversion ends).
    bool NextName(std::string* name) {
        std::vector<char> text(kMaxAviNameLength, '\0');
        int flag = 1;
        {
            std::lock_guard<std::mutex> guard(listenerLock);
            if (!listener) return false;
            listener->OnGetNewFileName(nullptr, &flag, text.data());
        }
        text.back() = '\0';
        *name = text.data();
        return flag != 2 && !name->empty();
    }

    void Done(bool ok) {
        std::lock_guard<std::mutex> lock(mutex);
        // Nothing will take what is left: a caller draining the buffer must not wait for it.
        head = stored = 0;
        pending = 0;
        failed = !ok;
        finished = true;
        cv.notify_all();
    }
};

CStrovaWrapper::CStrovaWrapper() : m_state(std::make_shared<State>()) { QuietFfmpegOnce(); }

CStrovaWrapper::~CStrovaWrapper() {
    Stop();
    SetAVIConvertListener(nullptr);  // waits for a call under way on a thread that outlives us
    CloseStream();
}

int CStrovaWrapper::SetAVIConvertListener(IAVIConvertListener* listener) {
    std::lock_guard<std::mutex> guard(m_state->listenerLock);
    m_state->listener = listener;
    return 1;
}

int CStrovaWrapper::SetStreamOpenMode(int mode) { return mode == 1 ? 1 : 0; }

int CStrovaWrapper::OpenStream(unsigned int bufferSize) {
    if (bufferSize == 0) return 0;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->running) return 0;
    m_state->ring.assign(bufferSize, 0);
    m_state->head = m_state->stored = 0;
    m_state->open = true;
    m_state->eof = m_state->abort = false;
    return 1;
}

int CStrovaWrapper::StartAVIConvert(const char* path) {
    if (!path || !*path) return 0;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (!m_state->open || m_state->running) return 0;
    // The AVI is created when the stream's first packets are known; refuse now what would fail then.
    if (::access(path, F_OK) == 0) return 0;
    const std::string p = path;
    const std::string folder = p.find('/') == std::string::npos ? "." : p.substr(0, p.rfind('/') + 1);
    if (::access(folder.c_str(), W_OK) != 0) return 0;
    m_state->path = p;
    return 1;
}

int CStrovaWrapper::Play(void*) {
    std::shared_ptr<State> s = m_state;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        if (!s->open || s->path.empty() || s->running) return 0;
        s->running = true;
        s->finished = s->failed = false;
    }
    s->thread.Start([s](const std::atomic<bool>&) { s->Run(); });
    return 1;
}

int CStrovaWrapper::InputData(const unsigned char* data, unsigned int length) {
    if (!data && length) return 0;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State& s = *m_state;
    if (!s.open || s.eof || s.abort) return 0;
    if (s.finished) return 1;  // the conversion has ended (see StopAVIConvert's result): dropped
    if (length > s.ring.size() - s.stored) return 0;  // no room yet: the caller tries again
    const std::size_t tail = (s.head + s.stored) % s.ring.size();
    const std::size_t first = std::min<std::size_t>(length, s.ring.size() - tail);
    std::memcpy(s.ring.data() + tail, data, first);
    std::memcpy(s.ring.data(), data + first, length - first);
    s.stored += length;
    s.cv.notify_all();
    return 1;
}

unsigned int CStrovaWrapper::GetBufferValue(int type) {
    if (type != MV_BUFFER_PENDING) return 0;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return static_cast<unsigned int>(m_state->pending);
}

unsigned int CStrovaWrapper::GetSourceBufferRemain() {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return static_cast<unsigned int>(m_state->stored);
}

int CStrovaWrapper::StopAVIConvert() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (!m_state->running) return 0;
        m_state->eof = true;
        m_state->cv.notify_all();
    }
    m_state->thread.Stop(std::chrono::milliseconds(30000));
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->running = false;
    return m_state->finished && !m_state->failed ? 1 : 0;
}

int CStrovaWrapper::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (!m_state->running) return 1;
        m_state->abort = true;
        m_state->cv.notify_all();
    }
    m_state->thread.Stop();
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->running = false;
    return 1;
}

int CStrovaWrapper::CloseStream() {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->running) return 0;
    m_state->ring.clear();
    m_state->ring.shrink_to_fit();
    m_state->head = m_state->stored = 0;
    m_state->open = false;
    m_state->path.clear();
    return 1;
}

int CStrovaWrapper::SetSplitSize(std::uint64_t bytes) {
    if (bytes == 0) return 0;
    m_state->splitSize = bytes;
    return 1;
}

}  // namespace MOVRA
