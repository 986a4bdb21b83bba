#include "Engine/PacketReader.h"

#include <algorithm>
#include <cstring>

namespace MOVRA {

bool CPacketReader::Open(const std::string& path, bool keepAudio) {
    QuietFfmpegOnce();
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
    m_input.reset(raw);
    // Enough to know the streams and their start; the decoder learns the rest from the packets.
    raw->max_analyze_duration = AV_TIME_BASE / 5;
    if (avformat_find_stream_info(raw, nullptr) < 0) return false;
    m_video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_video < 0) return false;
    m_audio = keepAudio ? av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) : -1;
    if (m_audio < 0) m_audio = -1;
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != m_video && static_cast<int>(i) != m_audio) raw->streams[i]->discard = AVDISCARD_ALL;
    // Matroska's clusters and MP4's boxes are sought by time.
    m_byteSeek = std::strcmp(raw->iformat->name, "mpegts") == 0;
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

bool CPacketReader::SeekToKeyframe(std::int64_t position, std::int64_t pts) {
    if (!m_byteSeek || position < 0) return SeekBefore(pts);
    Forget();
    if (av_seek_frame(m_input.get(), m_video, position, AVSEEK_FLAG_BYTE) < 0) return SeekBefore(pts);
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
        if (packet->stream_index == m_video || packet->stream_index == m_audio) return true;
        av_packet_unref(packet);
    }
}

}  // namespace MOVRA
