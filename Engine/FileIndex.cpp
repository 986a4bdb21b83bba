#include "Engine/FileIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "Engine/FfmpegSupport.h"
#include "Engine/InputFile.h"
#include "Engine/PacketReader.h"

namespace MOVRA {

namespace {

constexpr char kMagic[8] = {'T', 'V', 'X', 'I', 'N', 'D', 'E', 'X'};
// 2: AVI and MPEG-PS frames by decoding order, damaged packets that fit kept; an older blob
// describes those files' frames otherwise, and is rebuilt.
constexpr std::uint32_t kVersion = 2;
constexpr std::size_t kHeadBytes = 64 * 1024;
constexpr std::size_t kHeaderSize = 8 + 4 + 8 + 8 + 4 + 4 + 8 + 8;  // up to the frame count
constexpr std::size_t kEntrySize = 8 + 8 + 1;
constexpr std::uint64_t kMaxFrames = 50'000'000;  // days of video at high frame rates
constexpr int kPlausibleGapSeconds = 10;

void Put(std::vector<unsigned char>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

std::uint64_t Get(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace

std::uint64_t Fnv1a(const unsigned char* data, std::size_t length, std::uint64_t h) {
    for (std::size_t i = 0; i < length; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

bool ReadFileIdentity(const std::string& path, FileIdentity* identity) {
    const int fd = OpenRegularFile(path);
    if (fd < 0) return false;
    struct stat st;
    std::vector<unsigned char> head(kHeadBytes);
    ssize_t got = 0;
    const bool ok = ::fstat(fd, &st) == 0 && (got = ::pread(fd, head.data(), head.size(), 0)) >= 0;
    ::close(fd);
    if (!ok) return false;
    identity->size = static_cast<std::uint64_t>(st.st_size);
    identity->headHash = Fnv1a(head.data(), static_cast<std::size_t>(got));
    return true;
}

double FileIndex::DurationSeconds() const {
    return frames.empty() ? 0.0 : static_cast<double>(EndPts() - FirstPts()) * timeBaseNum / timeBaseDen;
}

std::size_t FileIndex::KeyframeCount() const {
    return static_cast<std::size_t>(std::count_if(frames.begin(), frames.end(), [](const IndexEntry& e) { return e.keyframe; }));
}

std::size_t FileIndex::FrameAt(std::int64_t pts) const {
    auto it = std::upper_bound(frames.begin(), frames.end(), pts,
                               [](std::int64_t p, const IndexEntry& e) { return p < e.pts; });
    return it == frames.begin() ? 0 : static_cast<std::size_t>(it - frames.begin()) - 1;
}

std::size_t FileIndex::KeyframeAtOrBefore(std::size_t n) const {
    if (frames.empty()) return 0;
    n = std::min(n, frames.size() - 1);
    for (std::size_t i = n + 1; i-- > 0;)
        if (frames[i].keyframe) return i;
    return 0;
}

bool BuildFileIndex(const std::string& path, FileIndex* index, const std::atomic<bool>& cancel) {
    AVFormatContext* raw = nullptr;
    if (OpenRecordingInput(path, &raw) < 0) return false;
    InputPtr input(raw);
    // Packets need no codec parameters: most containers name their streams in the header, and
    // probing them (which decodes frames) would cost more than the whole scan. Only a container
    // that does not is probed.
    int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        if (FindRecordingStreams(input.get()) < 0) return false;
        video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    }
    if (video < 0) return false;
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (static_cast<int>(i) != video) input->streams[i]->discard = AVDISCARD_ALL;
    AVStream* stream = input->streams[video];

    FileIndex built;
    built.timeBaseNum = stream->time_base.num;
    built.timeBaseDen = stream->time_base.den;
    // Frames timed by decoding order get the times the decoder will give them (PacketReader.h),
    // from the first keyframe on, as the decoder shows them.
    const bool timed = IsTimedByDecodeOrder(input->iformat);
    const DecodeTiming timing = timed ? ProbeDecodeTiming(path, video) : DecodeTiming();
    CDecodeClock clock(timing.frame);
    bool keySeen = false;
    std::int64_t place = -1;  // the latest packet's place in the file: where a keyframe is read from
    // A packet with damage in it still decodes to a picture when its data mostly survived, and is
    // shown then: it is a frame when its times fit among its neighbours' (a continuity break where
    // two recordings meet marks an intact packet as damaged).
    const std::int64_t plausible = av_rescale_q(kPlausibleGapSeconds, AVRational{1, 1}, stream->time_base);
    PacketPtr packet(av_packet_alloc());
    std::int64_t lastDts = AV_NOPTS_VALUE;
    while (!cancel.load(std::memory_order_relaxed)) {
        const int rc = av_read_frame(input.get(), packet.get());
        if (rc == AVERROR(EAGAIN)) continue;
        if (rc < 0) break;  // the end, or damage past which nothing more can be read
        if (packet->stream_index == video && timed) {
            const std::int64_t dts = clock.Next(*packet);
            const bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            if (packet->pos >= 0) place = packet->pos;
            keySeen = keySeen || key;
            if (keySeen && dts != AV_NOPTS_VALUE) {
                built.frames.push_back(IndexEntry{dts + timing.delay, key ? place : packet->pos, key});
                if (packet->duration > 0) built.frameDuration = packet->duration;
            }
        } else if (packet->stream_index == video) {
            std::int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (pts == AV_NOPTS_VALUE && lastDts != AV_NOPTS_VALUE) pts = lastDts + std::max<std::int64_t>(1, packet->duration);
            const std::int64_t dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : pts;
            const bool fits = lastDts != AV_NOPTS_VALUE && dts >= lastDts && dts - lastDts <= plausible && pts >= dts &&
                              pts - dts <= plausible;
            if (pts != AV_NOPTS_VALUE && (!(packet->flags & AV_PKT_FLAG_CORRUPT) || fits)) {
                built.frames.push_back(IndexEntry{pts, packet->pos, (packet->flags & AV_PKT_FLAG_KEY) != 0});
                if (packet->duration > 0) built.frameDuration = packet->duration;
                lastDts = dts;
            }
        }
        av_packet_unref(packet.get());
    }
    if (cancel.load() || built.frames.empty()) return false;
    std::stable_sort(built.frames.begin(), built.frames.end(),
                     [](const IndexEntry& a, const IndexEntry& b) { return a.pts < b.pts; });
    built.frames.erase(std::unique(built.frames.begin(), built.frames.end(),
                                   [](const IndexEntry& a, const IndexEntry& b) { return a.pts == b.pts; }),
                       built.frames.end());
    if (built.frameDuration <= 0) {
        // The typical spacing of neighbouring frames, else the stream's nominal rate.
        std::vector<std::int64_t> gaps;
        for (std::size_t i = 1; i < built.frames.size(); ++i) gaps.push_back(built.frames[i].pts - built.frames[i - 1].pts);
        if (!gaps.empty()) {
            std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
            built.frameDuration = gaps[gaps.size() / 2];
        } else if (stream->avg_frame_rate.num > 0) {
            built.frameDuration = av_rescale_q(1, av_inv_q(stream->avg_frame_rate), stream->time_base);
        }
        if (built.frameDuration <= 0) built.frameDuration = 1;
    }
    if (!built.frames.front().keyframe) built.frames.front().keyframe = true;  // decoding starts there anyway
    *index = std::move(built);
    return true;
}

std::vector<unsigned char> SerializeIndex(const FileIndex& index, const FileIdentity& identity) {
    std::vector<unsigned char> out(kMagic, kMagic + 8);
    Put(out, kVersion, 4);
    Put(out, identity.size, 8);
    Put(out, identity.headHash, 8);
    Put(out, static_cast<std::uint32_t>(index.timeBaseNum), 4);
    Put(out, static_cast<std::uint32_t>(index.timeBaseDen), 4);
    Put(out, static_cast<std::uint64_t>(index.frameDuration), 8);
    Put(out, index.frames.size(), 8);
    for (const IndexEntry& e : index.frames) {
        Put(out, static_cast<std::uint64_t>(e.pts), 8);
        Put(out, static_cast<std::uint64_t>(e.position), 8);
        out.push_back(e.keyframe ? 1 : 0);
    }
    Put(out, Fnv1a(out.data(), out.size()), 8);
    return out;
}

bool ParseIndex(const unsigned char* data, std::size_t length, const FileIdentity& identity, FileIndex* index) {
    if (!data || length < kHeaderSize + 8 || std::memcmp(data, kMagic, 8) != 0) return false;
    if (Get(data + 8, 4) != kVersion) return false;
    if (Get(data + length - 8, 8) != Fnv1a(data, length - 8)) return false;
    if (FileIdentity{Get(data + 12, 8), Get(data + 20, 8)} != identity) return false;
    const auto num = static_cast<std::int32_t>(Get(data + 28, 4));
    const auto den = static_cast<std::int32_t>(Get(data + 32, 4));
    const auto duration = static_cast<std::int64_t>(Get(data + 36, 8));
    const std::uint64_t count = Get(data + 44, 8);
    if (num <= 0 || den <= 0 || duration <= 0 || count == 0 || count > kMaxFrames) return false;
    if (length != kHeaderSize + count * kEntrySize + 8) return false;
    FileIndex parsed;
    parsed.timeBaseNum = num;
    parsed.timeBaseDen = den;
    parsed.frameDuration = duration;
    parsed.frames.resize(static_cast<std::size_t>(count));
    const unsigned char* p = data + kHeaderSize;
    for (IndexEntry& e : parsed.frames) {
        e.pts = static_cast<std::int64_t>(Get(p, 8));
        e.position = static_cast<std::int64_t>(Get(p + 8, 8));
        e.keyframe = p[16] != 0;
        p += kEntrySize;
    }
    for (std::size_t i = 1; i < parsed.frames.size(); ++i)
        if (parsed.frames[i].pts <= parsed.frames[i - 1].pts) return false;  // must be in order
    *index = std::move(parsed);
    return true;
}

}  // namespace MOVRA
