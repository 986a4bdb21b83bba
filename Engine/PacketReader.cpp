#include "Engine/PacketReader.h"

#include <algorithm>
#include <cstring>

#include "Engine/InputFile.h"

namespace MOVRA {

namespace {

// Plenty to meet the first keyframe and two timed packets, without reading a broken file through.
constexpr int kProbePackets = 2000;

bool IsProgramStream(const AVInputFormat* format) { return std::strcmp(format->name, "mpeg") == 0; }

}  // namespace

bool IsTimedByDecodeOrder(const AVInputFormat* format) {
    return format && (std::strcmp(format->name, "avi") == 0 || IsProgramStream(format));
}

DecodeTiming ProbeDecodeTiming(const std::string& path, int video) {
    DecodeTiming timing;
    AVFormatContext* raw = nullptr;
    if (OpenRecordingInput(path, &raw) < 0) return timing;
    InputPtr input(raw);
    PacketPtr packet(av_packet_alloc());
    std::int64_t firstDts = AV_NOPTS_VALUE;
    int firstAt = 0, count = 0;
    bool haveFrame = false, haveDelay = false;
    for (int read = 0; read < kProbePackets && !(haveFrame && haveDelay); ++read) {
        const int rc = av_read_frame(input.get(), packet.get());
        if (rc == AVERROR(EAGAIN)) continue;
        if (rc < 0) break;
        if (packet->stream_index == video) {
            ++count;
            if (packet->dts != AV_NOPTS_VALUE && !(packet->flags & AV_PKT_FLAG_CORRUPT)) {
                if (firstDts == AV_NOPTS_VALUE) {
                    firstDts = packet->dts;
                    firstAt = count;
                } else if (!haveFrame && packet->dts > firstDts) {
                    timing.frame = std::max<std::int64_t>(1, (packet->dts - firstDts) / (count - firstAt));
                    haveFrame = true;
                }
                // A keyframe shows in the slot it decodes in: what separates its two times
                // separates every frame's.
                if (!haveDelay && (packet->flags & AV_PKT_FLAG_KEY)) {
                    if (packet->pts != AV_NOPTS_VALUE && packet->pts >= packet->dts) timing.delay = packet->pts - packet->dts;
                    haveDelay = true;
                }
            }
        }
        av_packet_unref(packet.get());
    }
    if (!haveFrame && video < static_cast<int>(input->nb_streams)) {
        const AVStream* stream = input->streams[video];
        const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
        if (rate.num > 0 && rate.den > 0)
            timing.frame = std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(rate), stream->time_base));
    }
    return timing;
}

bool CPacketReader::Open(const std::string& path, bool keepAudio, bool decodeTimes) {
    QuietFfmpegOnce();
    AVFormatContext* raw = nullptr;
    if (OpenRecordingInput(path, &raw) < 0) return false;
    m_input.reset(raw);
    // Enough to know the streams and their start; the decoder learns the rest from the packets.
    raw->max_analyze_duration = AV_TIME_BASE / 5;
    if (FindRecordingStreams(raw) < 0) return false;
    m_video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_video < 0) return false;
    m_audio = keepAudio ? av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) : -1;
    if (m_audio < 0) m_audio = -1;
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != m_video && static_cast<int>(i) != m_audio) raw->streams[i]->discard = AVDISCARD_ALL;
    // Matroska's clusters and MP4's boxes are sought by time.
    m_byteSeek = std::strcmp(raw->iformat->name, "mpegts") == 0;
    m_timed = decodeTimes && IsTimedByDecodeOrder(raw->iformat);
    if (m_timed) {
        m_timing = ProbeDecodeTiming(path, m_video);
        m_clock = CDecodeClock(m_timing.frame);
        m_awaitKey = true;  // as the index counts them: from the first keyframe on
        // The index gives a program stream's keyframes the place of the pack to read them from.
        if (IsProgramStream(raw->iformat)) m_byteSeek = true;
    }
    return true;
}

std::int64_t CPacketReader::VideoStartPts() const {
    const std::int64_t start = Video()->start_time;
    return start == AV_NOPTS_VALUE ? 0 : start;
}

void CPacketReader::Forget() {
    if (m_holding) av_packet_unref(m_held.get());
    m_holding = false;
}

bool CPacketReader::SeekBefore(std::int64_t pts) {
    if (m_timed) return SeekBeforeDecodeTime(pts - m_timing.delay, AV_NOPTS_VALUE);
    // One second, then twice as far back each time the landing is still after the target.
    std::int64_t back = av_rescale_q(1, AVRational{1, 1}, Video()->time_base);
    std::int64_t target = pts;
    const std::int64_t start = VideoStartPts();
    for (int attempt = 0; attempt < 12; ++attempt) {
        Forget();
        if (av_seek_frame(m_input.get(), m_video, target, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(m_input.get(), m_video, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            return false;
        // Look at the first video packet, and keep it (and nothing before it) for the reader.
        std::int64_t landed = AV_NOPTS_VALUE;
        while (av_read_frame(m_input.get(), m_held.get()) >= 0) {
            if (m_held->stream_index == m_video) {
                m_holding = true;
                landed = m_held->pts != AV_NOPTS_VALUE ? m_held->pts : m_held->dts;
                break;
            }
            av_packet_unref(m_held.get());
        }
        if (landed == AV_NOPTS_VALUE || landed <= pts || target <= start) return true;
        target = std::max(start, target - back);
        back *= 2;
    }
    return true;
}

bool CPacketReader::SeekBeforeDecodeTime(std::int64_t dts, std::int64_t keyDts) {
    // As SeekBefore, in decode times (which these containers seek by), judged by the first
    // keyframe read after the landing.
    std::int64_t back = av_rescale_q(1, AVRational{1, 1}, Video()->time_base);
    std::int64_t target = dts;
    const std::int64_t start = VideoStartPts() - m_timing.delay;
    for (int attempt = 0; attempt < 12; ++attempt) {
        Forget();
        if (av_seek_frame(m_input.get(), m_video, target, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(m_input.get(), m_video, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            return false;
        m_clock.Restart();
        m_awaitKey = true;
        m_keyDts = keyDts;
        std::int64_t landed = AV_NOPTS_VALUE;
        while (av_read_frame(m_input.get(), m_held.get()) >= 0) {
            if (m_held->stream_index == m_video && TimeVideo(m_held.get())) {
                m_holding = true;
                landed = m_held->dts;
                break;
            }
            av_packet_unref(m_held.get());
        }
        if (landed == AV_NOPTS_VALUE || landed <= dts || target <= start) return true;
        target = std::max(start, target - back);
        back *= 2;
    }
    return true;
}

bool CPacketReader::SeekToKeyframe(std::int64_t position, std::int64_t pts) {
    if (m_timed) {
        const std::int64_t keyDts = pts - m_timing.delay;
        if (m_byteSeek && position >= 0) {
            Forget();
            if (av_seek_frame(m_input.get(), m_video, position, AVSEEK_FLAG_BYTE) >= 0) {
                m_clock.Restart();
                m_awaitKey = true;
                m_keyDts = keyDts;
                return true;
            }
        }
        return SeekBeforeDecodeTime(keyDts, keyDts);
    }
    if (!m_byteSeek || position < 0) return SeekBefore(pts);
    Forget();
    if (av_seek_frame(m_input.get(), m_video, position, AVSEEK_FLAG_BYTE) < 0) return SeekBefore(pts);
    return true;
}

bool CPacketReader::TimeVideo(AVPacket* packet) {
    std::int64_t t = m_clock.Next(*packet);
    if (m_awaitKey) {
        // Frames before the keyframe cannot be decoded, and their times would take slots the
        // keyframe's GOP shows in.
        if (!(packet->flags & AV_PKT_FLAG_KEY)) return false;
        if (m_keyDts != AV_NOPTS_VALUE) {
            // The packets from the place sought to the keyframe may be counted differently from
            // the scan that built the index (a pack read from its middle): the keyframe's time
            // is the index's. More than half a frame away, it is another keyframe.
            if (t != AV_NOPTS_VALUE && 2 * (m_keyDts - t) > m_timing.frame) return false;
            if (t == AV_NOPTS_VALUE || 2 * (t - m_keyDts) <= m_timing.frame) {
                t = m_keyDts;
                m_clock.Set(t);
            }
        }
        if (t == AV_NOPTS_VALUE) return false;
        m_awaitKey = false;
        m_keyDts = AV_NOPTS_VALUE;
    }
    if (t == AV_NOPTS_VALUE) return false;
    packet->dts = t;
    return true;
}

bool CPacketReader::Read(AVPacket* packet) {
    if (m_holding) {
        m_holding = false;
        av_packet_move_ref(packet, m_held.get());
        return true;
    }
    for (;;) {
        const int rc = av_read_frame(m_input.get(), packet);
        if (rc == AVERROR(EAGAIN)) continue;
        if (rc < 0) return false;
        if (packet->stream_index == m_video) {
            if (!m_timed || TimeVideo(packet)) return true;
        } else if (packet->stream_index == m_audio) {
            return true;
        }
        av_packet_unref(packet);
    }
}

}  // namespace MOVRA
