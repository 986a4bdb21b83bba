#pragma once
// Planar Y, V, U 4:2:0 frames (tightly packed, chroma planes of half the size rounded up) into
// 32-bit RGB images of the size a sub-window shows them at, optionally from a part of the frame.
// One converter keeps its scaler between frames of the same sizes; use one per thread.
#include <QImage>
#include <QRectF>
#include <QSize>

#include <cstdint>

struct SwsContext;

namespace KXQt {

class CFrameConverter {
public:
    CFrameConverter() = default;
    ~CFrameConverter();
    CFrameConverter(const CFrameConverter&) = delete;
    CFrameConverter& operator=(const CFrameConverter&) = delete;

    // crop: the part of the frame to show, in fractions of its width and height (an invalid
    // rectangle: the whole frame). A null image for a frame or target that makes no sense.
    QImage Convert(const std::uint8_t* yvu, int width, int height, const QSize& target, const QRectF& crop = QRectF());

private:
    SwsContext* m_context = nullptr;
};

}  // namespace KXQt
