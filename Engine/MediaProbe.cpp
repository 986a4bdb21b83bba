#include "Engine/MediaProbe.h"

extern "C" {
#include <libavutil/parseutils.h>
}

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Base/File.h"
#include "Base/StreamConvert.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/InputFile.h"
#include "Files/NamingRules.h"

namespace MOVRA {

namespace {

bool ParseWallClock(const char* text, double* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || v <= 0) return false;
    *out = v;
    return true;
}

void ReadWallClock(AVFormatContext* input, MediaDescription* d) {
    if (const AVDictionaryEntry* e = av_dict_get(input->metadata, kWallClockTag, nullptr, 0))
        d->hasWallClock = ParseWallClock(e->value, &d->wallClock);
    const std::size_t prefix = std::strlen(kWallClockProviderPrefix);
    for (unsigned p = 0; !d->hasWallClock && p < input->nb_programs; ++p)
        if (const AVDictionaryEntry* e = av_dict_get(input->programs[p]->metadata, "service_provider", nullptr, 0))
            if (std::strncmp(e->value, kWallClockProviderPrefix, prefix) == 0)
                d->hasWallClock = ParseWallClock(e->value + prefix, &d->wallClock);
    if (const AVDictionaryEntry* e = av_dict_get(input->metadata, "creation_time", nullptr, 0)) {
        std::int64_t us = 0;
        if (av_parse_time(&us, e->value, 0) == 0 && us > 0) {
            d->hasCreationTime = true;
            d->creationTime = us / 1000000;
        }
    }
}

bool DecodesAPicture(AVFormatContext* input, int video, std::string* error) {
    const AVCodecParameters* par = input->streams[video]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        *error = "no decoder for its video";
        return false;
    }
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    BoundPictureSize(decoder.get());
    if (avcodec_parameters_to_context(decoder.get(), par) < 0 || avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        *error = "its video decoder does not open";
        return false;
    }
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    // A damaged start may hide the first picture for a while; a few hundred packets is plenty.
    for (int packets = 0; packets < 600;) {
        const int rc = av_read_frame(input, packet.get());
        if (rc < 0) {
            avcodec_send_packet(decoder.get(), nullptr);
        } else if (packet->stream_index != video) {
            av_packet_unref(packet.get());
            continue;
        } else {
            ++packets;
            avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
        }
        if (avcodec_receive_frame(decoder.get(), frame.get()) == 0 && frame->width > 0) return true;
        if (rc < 0) break;
    }
    *error = "no picture decodes";
    return false;
}

}  // namespace

bool ProbeMedia(const std::string& path, MediaDescription* d, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (const char* kind = KX_SOFT_BASE::SpecialFileKind(path.c_str())) {
        *error = std::string(kind) + ", not a recording";
        return false;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_size == 0) {
        *error = "an empty file";
        return false;
    }
    AVFormatContext* raw = nullptr;
    int rc = OpenRecordingInput(path, &raw);
    if (rc < 0) {
        *error = AvErrorText(rc);
        return false;
    }
    InputPtr input(raw);
    if ((rc = FindRecordingStreams(input.get())) < 0) {
        *error = AvErrorText(rc);
        return false;
    }
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) {
        *error = "no video stream";
        return false;
    }
    AVStream* stream = input->streams[video];
    if (stream->codecpar->width <= 0 || stream->codecpar->height <= 0) {
        *error = "no picture size";
        return false;
    }
    if (!PictureSizeAllowed(stream->codecpar->width, stream->codecpar->height)) {
        *error = "its pictures of " + std::to_string(stream->codecpar->width) + "x" +
                 std::to_string(stream->codecpar->height) + " are larger than any recorder writes (at most " +
                 std::to_string(kMaxPictureSide) + " on a side and " + std::to_string(kMaxPicturePixels / 1000000) +
                 " megapixels)";
        return false;
    }
    d->container = input->iformat->name;
    d->videoCodec = avcodec_get_name(stream->codecpar->codec_id);
    d->width = stream->codecpar->width;
    d->height = stream->codecpar->height;
    const AVRational fps = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    d->fpsNum = fps.num > 0 && fps.den > 0 ? fps.num : 0;
    d->fpsDen = fps.num > 0 && fps.den > 0 ? fps.den : 1;
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
    if (audio >= 0) {
        const AVCodecParameters* a = input->streams[audio]->codecpar;
        d->audioCodec = avcodec_get_name(a->codec_id);
        d->audioRate = a->sample_rate;
        d->audioChannels = a->ch_layout.nb_channels;
    }
    if (input->duration > 0) d->durationEstimate = static_cast<double>(input->duration) / AV_TIME_BASE;
    ReadWallClock(input.get(), d);
    return DecodesAPicture(input.get(), video, error);
}

double ResolveStartTime(const std::string& path, const MediaDescription& d, double durationSeconds) {
    if (d.hasWallClock) return d.wallClock;
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    CNamingRuleParser parser;
    if (ParseFileName(KX_SOFT_BASE::NativeToWide(name), parser)) return static_cast<double>(parser.startTime.ToTimeT());
    if (d.hasCreationTime) return static_cast<double>(d.creationTime);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return static_cast<double>(st.st_mtime) - durationSeconds;
    return 0;
}

int FrameRateCode(int fpsNum, int fpsDen) {
    if (fpsNum <= 0 || fpsDen <= 0) return 0;
    const double fps = static_cast<double>(fpsNum) / fpsDen;
    if (fps >= 1 && std::fabs(fps - std::round(fps)) < 0.01) return static_cast<int>(std::lround(fps));
    return -static_cast<int>(std::lround(10000.0 / fps));
}

}  // namespace MOVRA
