#include "Engine/PictureFile.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstring>
#include <vector>

#include "Base/ReplaceFile.h"
#include "Engine/FfmpegSupport.h"

namespace MOVRA {

namespace {

// JPEG's quantiser scale for quality about 90 (2 is the finest FFmpeg's encoder takes in
// practice, 31 the coarsest).
constexpr int kJpegScale = 2;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Our planes as libswscale sees YUV 4:2:0: Y, U (our third plane), V (our second).
void SourcePlanes(const DecodedPicture& p, const std::uint8_t* planes[4], int strides[4]) {
    const int cw = (p.width + 1) / 2, ch = (p.height + 1) / 2;
    const std::uint8_t* y = p.planes.data();
    const std::uint8_t* v = y + static_cast<std::size_t>(p.width) * p.height;
    const std::uint8_t* u = v + static_cast<std::size_t>(cw) * ch;
    planes[0] = y;
    planes[1] = u;
    planes[2] = v;
    planes[3] = nullptr;
    strides[0] = p.width;
    strides[1] = strides[2] = cw;
    strides[3] = 0;
}

bool Convert(const DecodedPicture& p, AVPixelFormat format, std::uint8_t* const dst[4], const int dstStrides[4]) {
    SwsContext* sws = sws_getContext(p.width, p.height, AV_PIX_FMT_YUV420P, p.width, p.height, format, SWS_BICUBIC,
                                     nullptr, nullptr, nullptr);
    if (!sws) return false;
    const std::uint8_t* src[4];
    int srcStrides[4];
    SourcePlanes(p, src, srcStrides);
    sws_scale(sws, src, srcStrides, 0, p.height, dst, dstStrides);
    sws_freeContext(sws);
    return true;
}

bool EncodeBmp(const DecodedPicture& p, std::vector<std::uint8_t>* out) {
    const int rowBytes = (p.width * 3 + 3) & ~3;
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(rowBytes) * p.height);
    // Written bottom-up by pointing libswscale at the last row with a negative stride.
    std::uint8_t* dst[4] = {bgr.data() + static_cast<std::size_t>(rowBytes) * (p.height - 1), nullptr, nullptr, nullptr};
    const int strides[4] = {-rowBytes, 0, 0, 0};
    if (!Convert(p, AV_PIX_FMT_BGR24, dst, strides)) return false;
    const std::uint32_t headers = 14 + 40;
    out->clear();
    out->push_back('B');
    out->push_back('M');
    Put32(*out, headers + static_cast<std::uint32_t>(bgr.size()));
    Put32(*out, 0);
    Put32(*out, headers);
    Put32(*out, 40);
    Put32(*out, static_cast<std::uint32_t>(p.width));
    Put32(*out, static_cast<std::uint32_t>(p.height));  // positive: bottom-up
    Put16(*out, 1);
    Put16(*out, 24);
    Put32(*out, 0);  // no compression
    Put32(*out, static_cast<std::uint32_t>(bgr.size()));
    Put32(*out, 2835);  // 72 dpi
    Put32(*out, 2835);
    Put32(*out, 0);
    Put32(*out, 0);
    out->insert(out->end(), bgr.begin(), bgr.end());
    return true;
}

bool EncodeJpeg(const DecodedPicture& p, std::vector<std::uint8_t>* out, std::string* error) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) return (*error = "no JPEG encoder in this FFmpeg", false);
    CodecContextPtr c(avcodec_alloc_context3(codec));
    c->width = p.width;
    c->height = p.height;
    c->pix_fmt = AV_PIX_FMT_YUVJ420P;
    c->time_base = AVRational{1, 25};
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * kJpegScale;
    if (avcodec_open2(c.get(), codec, nullptr) < 0) return (*error = "cannot open the JPEG encoder", false);
    FramePtr frame(av_frame_alloc());
    frame->format = c->pix_fmt;
    frame->width = p.width;
    frame->height = p.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return (*error = "out of memory", false);
    frame->quality = c->global_quality;
    // Full-range YUV, as JPEG's is.
    if (!Convert(p, AV_PIX_FMT_YUVJ420P, frame->data, frame->linesize)) return (*error = "cannot convert the picture", false);
    PacketPtr packet(av_packet_alloc());
    if (avcodec_send_frame(c.get(), frame.get()) < 0 || avcodec_send_frame(c.get(), nullptr) < 0 ||
        avcodec_receive_packet(c.get(), packet.get()) < 0)
        return (*error = "JPEG encoding failed", false);
    out->assign(packet->data, packet->data + packet->size);
    return true;
}

}  // namespace

bool WritePictureFile(const DecodedPicture& picture, const std::string& path, bool jpeg, std::string* error) {
    if (picture.width <= 0 || picture.height <= 0 || picture.planes.size() < PlanarSize(picture.width, picture.height))
        return (*error = "no picture", false);
    std::vector<std::uint8_t> bytes;
    if (jpeg ? !EncodeJpeg(picture, &bytes, error) : !EncodeBmp(picture, &bytes)) {
        if (error->empty()) *error = "cannot convert the picture";
        return false;
    }
    if (!KX_SOFT_BASE::ReplaceFile(path, {{bytes.data(), bytes.size()}})) return (*error = std::strerror(errno), false);
    return true;
}

}  // namespace MOVRA
