#include "Toolkit/Qt/FrameConverter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace KXQt {

CFrameConverter::~CFrameConverter() { sws_freeContext(m_context); }

QImage CFrameConverter::Convert(const std::uint8_t* yvu, int width, int height, const QSize& target, const QRectF& crop) {
    if (!yvu || width < 2 || height < 2 || target.width() < 1 || target.height() < 1) return QImage();
    const int chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
    const std::uint8_t* y = yvu;
    const std::uint8_t* v = y + static_cast<std::size_t>(width) * height;
    const std::uint8_t* u = v + static_cast<std::size_t>(chromaWidth) * chromaHeight;

    // The part shown, on even pixels so that the chroma planes line up.
    int left = 0, top = 0, partWidth = width, partHeight = height;
    if (crop.isValid()) {
        const QRectF part = crop.intersected(QRectF(0, 0, 1, 1));
        left = std::clamp(static_cast<int>(part.left() * width) & ~1, 0, width - 2);
        top = std::clamp(static_cast<int>(part.top() * height) & ~1, 0, height - 2);
        partWidth = std::clamp(static_cast<int>(part.width() * width), 2, width - left);
        partHeight = std::clamp(static_cast<int>(part.height() * height), 2, height - top);
    }
    const std::uint8_t* planes[3] = {y + static_cast<std::size_t>(top) * width + left,
                                     u + static_cast<std::size_t>(top / 2) * chromaWidth + left / 2,
                                     v + static_cast<std::size_t>(top / 2) * chromaWidth + left / 2};
    const int strides[3] = {width, chromaWidth, chromaWidth};

    // Bilinear: as sharp as the small sub-windows need, and quick enough for 36 of them.
    m_context = sws_getCachedContext(m_context, partWidth, partHeight, AV_PIX_FMT_YUV420P, target.width(),
                                     target.height(), AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (!m_context) return QImage();
    QImage image(target, QImage::Format_RGB32);
    if (image.isNull()) return image;
    std::uint8_t* out[1] = {image.bits()};
    const int outStride[1] = {static_cast<int>(image.bytesPerLine())};
    sws_scale(m_context, planes, strides, 0, partHeight, out, outStride);
    return image;
}

}  // namespace KXQt
