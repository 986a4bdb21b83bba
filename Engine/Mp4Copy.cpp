#include "Engine/Mp4Copy.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "Base/ReplaceFile.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/InputFile.h"

namespace MOVRA {

namespace {

bool VideoFits(AVCodecID id) { return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC; }
bool SoundFits(AVCodecID id) { return id == AV_CODEC_ID_AAC || id == AV_CODEC_ID_MP3; }

}  // namespace

Mp4Copy CopyIntoMp4(const std::string& clip, const std::string& mp4, double wallStart, std::string* droppedSound,
                    std::string* why) {
    AVFormatContext* raw = nullptr;
    if (OpenRecordingInput(clip, &raw) < 0) return (*why = "the clip cannot be read", Mp4Copy::kNotPossible);
    InputPtr input(raw);
    if (FindRecordingStreams(input.get()) < 0) return (*why = "the clip cannot be read", Mp4Copy::kNotPossible);
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return (*why = "the clip has no video", Mp4Copy::kNotPossible);
    const AVCodecParameters* v = input->streams[video]->codecpar;
    if (!VideoFits(v->codec_id))
        return (*why = std::string("its video (") + avcodec_get_name(v->codec_id) + ") goes into MP4 only re-encoded", Mp4Copy::kNotPossible);
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
    if (audio >= 0 && !SoundFits(input->streams[audio]->codecpar->codec_id))
        *droppedSound = std::string("its sound (") + avcodec_get_name(input->streams[audio]->codecpar->codec_id) +
                        ") is not carried in MP4 without re-encoding; the native clip has it";

    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "mp4", nullptr) < 0) return (*why = "cannot create an MP4", Mp4Copy::kNotPossible);
    OutputPtr output(out);
    int map[2] = {video, audio >= 0 && droppedSound->empty() ? audio : -1};
    int outIndex[2] = {-1, -1};
    for (int i = 0; i < 2; ++i) {
        if (map[i] < 0) continue;
        AVStream* s = avformat_new_stream(out, nullptr);
        if (!s || avcodec_parameters_copy(s->codecpar, input->streams[map[i]]->codecpar) < 0)
            return (*why = "out of memory", Mp4Copy::kNotPossible);
        // hvc1: the tag the players that are pickiest about H.265 in MP4 want.
        s->codecpar->codec_tag = s->codecpar->codec_id == AV_CODEC_ID_HEVC ? MKTAG('h', 'v', 'c', '1') : 0;
        s->time_base = input->streams[map[i]]->time_base;
        outIndex[i] = s->index;
    }
    TagWallClock(out, std::llround(wallStart * 1000));

    KX_SOFT_BASE::CFilePart part;
    if (!part.Create(mp4)) return (*why = std::strerror(errno), Mp4Copy::kWriteFailed);
    int rc = avio_open(&out->pb, part.Temporary().c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) return (*why = AvErrorText(rc), Mp4Copy::kWriteFailed);
    if ((rc = avformat_write_header(out, nullptr)) < 0) return (*why = "the MP4 muxer refused the clip: " + AvErrorText(rc), Mp4Copy::kNotPossible);

    // Every stream starts where the clip starts: the earliest time of any packet is zero.
    const std::int64_t start = input->start_time == AV_NOPTS_VALUE ? 0 : input->start_time;
    PacketPtr packet(av_packet_alloc());
    for (;;) {
        rc = av_read_frame(input.get(), packet.get());
        if (rc == AVERROR(EAGAIN)) continue;
        if (rc < 0) break;
        const int which = packet->stream_index == map[0] ? 0 : (map[1] >= 0 && packet->stream_index == map[1]) ? 1 : -1;
        if (which < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVRational inBase = input->streams[packet->stream_index]->time_base;
        const std::int64_t offset = av_rescale_q(start, AV_TIME_BASE_Q, inBase);
        if (packet->pts != AV_NOPTS_VALUE) packet->pts -= offset;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts -= offset;
        av_packet_rescale_ts(packet.get(), inBase, out->streams[outIndex[which]]->time_base);
        packet->stream_index = outIndex[which];
        packet->pos = -1;
        rc = av_interleaved_write_frame(out, packet.get());
        av_packet_unref(packet.get());
        if (rc < 0) return (*why = AvErrorText(rc), Mp4Copy::kWriteFailed);
    }
    if ((rc = av_write_trailer(out)) < 0) return (*why = AvErrorText(rc), Mp4Copy::kWriteFailed);
    if ((rc = avio_closep(&out->pb)) < 0) return (*why = AvErrorText(rc), Mp4Copy::kWriteFailed);
    if (!part.Commit()) return (*why = std::strerror(errno), Mp4Copy::kWriteFailed);
    return Mp4Copy::kWritten;
}

}  // namespace MOVRA
