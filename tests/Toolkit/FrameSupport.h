#pragma once
// Frames for the grid's tests: a picture painted with a colour and a label, as the engine hands
// frames out (planar Y, then V, then U, 4:2:0, tightly packed, limited range).
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace TarvexTest {

inline std::vector<std::uint8_t> ToPlanarYVU(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width(), h = rgb.height(), cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(w * h + 2 * cw * ch));
    std::uint8_t* y = frame.data();
    std::uint8_t* v = y + w * h;
    std::uint8_t* u = v + cw * ch;
    auto clamp = [](double x) { return static_cast<std::uint8_t>(std::clamp(x + 0.5, 0.0, 255.0)); };
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const QRgb p = rgb.pixel(c, r);
            y[r * w + c] = clamp(16 + 0.257 * qRed(p) + 0.504 * qGreen(p) + 0.098 * qBlue(p));
            if (r % 2 == 0 && c % 2 == 0) {
                u[(r / 2) * cw + c / 2] = clamp(128 - 0.148 * qRed(p) - 0.291 * qGreen(p) + 0.439 * qBlue(p));
                v[(r / 2) * cw + c / 2] = clamp(128 + 0.439 * qRed(p) - 0.368 * qGreen(p) - 0.071 * qBlue(p));
            }
        }
    return frame;
}

// A camera's picture stand-in: a coloured field with the channel's name.
inline QImage ChannelPicture(int width, int height, const QColor& color, const QString& label) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(color);
    QPainter p(&picture);
    p.fillRect(QRect(0, height * 3 / 4, width, height / 4), color.darker(180));
    QFont font;
    font.setPixelSize(std::max(12, height / 5));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(picture.rect(), Qt::AlignCenter, label);
    return picture;
}

inline bool Near(QRgb a, QRgb b, int tolerance = 24) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace TarvexTest
