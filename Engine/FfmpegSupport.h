#pragma once
// Ownership of FFmpeg objects, and its error text, for the engine's own files.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstdlib>

#include <memory>
#include <string>

namespace MOVRA {

struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
void CloseRecordingInput(AVFormatContext* input);  // InputFile.h
struct InputDeleter {
    void operator()(AVFormatContext* f) const { CloseRecordingInput(f); }
};

// A file being written: its writer closed (a file, or our own writer's buffer), then the context.
struct OutputDeleter {
    void operator()(AVFormatContext* f) const {
        if (f && f->pb) {
            if (f->flags & AVFMT_FLAG_CUSTOM_IO) {
                av_freep(&f->pb->buffer);
                avio_context_free(&f->pb);
            } else {
                avio_closep(&f->pb);
            }
        }
        avformat_free_context(f);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;

// Writes the header of a file whose every packet reaches the file as it is written, so that one
// cut short by a crash plays up to its last whole packet. What avformat_write_header returns.
inline int WriteHeaderFlushingPackets(AVFormatContext* output) {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flush_packets", "1", 0);
    const int result = avformat_write_header(output, &options);
    av_dict_free(&options);
    return result;
}

// The largest pictures a recorder writes. Larger ones are refused rather than decoded: a
// damaged or hostile header declaring 16000x16000 would take gigabytes for nothing to see.
constexpr int kMaxPictureSide = 8192;
constexpr std::int64_t kMaxPicturePixels = 36'000'000;
inline bool PictureSizeAllowed(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           static_cast<std::int64_t>(width) * height <= kMaxPicturePixels;
}
// A decoder about to be opened refuses pictures above that size.
inline void BoundPictureSize(AVCodecContext* decoder) { decoder->max_pixels = kMaxPicturePixels; }

inline std::string AvErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

// FFmpeg's own diagnostics are for developers: on only with TARVEX_FFMPEG_LOG set.
inline void QuietFfmpegOnce() {
    static const bool quiet = [] {
        av_log_set_level(std::getenv("TARVEX_FFMPEG_LOG") ? AV_LOG_INFO : AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
}

// The metadata key under which our writer stores the wall clock of the first frame, and the
// MPEG-TS service provider prefix that carries it there.
constexpr const char* kWallClockTag = "TARVEX_WALLCLOCK";
constexpr const char* kWallClockProviderPrefix = "TARVEX-WALLCLOCK:";

// Stores the wall clock of the first frame (local seconds, to the millisecond) in a file being
// written, where its container keeps it: MPEG-TS in the service provider, others as a tag.
void TagWallClock(AVFormatContext* output, std::int64_t startMs);

}  // namespace MOVRA
