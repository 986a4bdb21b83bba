#include "Toolkit/SkinArt/SkinPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace SkinArt {

namespace {

bool IsChecked(Look look) { return look >= Look::Checked; }

QColor Background(Look look) {
    switch (look) {
        case Look::Over: return Colors::kRaised;
        case Look::Down: return Colors::kPressed;
        case Look::Checked: return QColor(0x38, 0xb6, 0xff, 60);
        case Look::CheckedOver: return QColor(0x38, 0xb6, 0xff, 95);
        case Look::CheckedDown: return QColor(0x38, 0xb6, 0xff, 130);
        default: return Qt::transparent;
    }
}

QColor SymbolColor(Look look) {
    switch (look) {
        case Look::Normal: return Colors::kText;
        case Look::Over: return Qt::white;
        case Look::Down: return Colors::kAccent;
        case Look::Disabled:
        case Look::CheckedDisabled: return Colors::kDim;
        default: return Colors::kAccent;
    }
}

void FaceShape(QPainter& p, const QRectF& r, Shape shape) {
    switch (shape) {
        case Shape::Flat: p.drawRect(r); break;
        case Shape::Round: p.drawRoundedRect(r, 4, 4); break;
        case Shape::Circle: p.drawEllipse(r); break;
    }
}

}  // namespace

QImage Canvas(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QImage Face(int width, int height, Glyph glyph, Look look, Shape shape, const QColor& symbol) {
    QImage image = Canvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Background(look));
    FaceShape(p, r, shape);
    if (IsChecked(look) && look != Look::CheckedDisabled) {
        p.setPen(QPen(Colors::kAccent, 1));
        p.setBrush(Qt::NoBrush);
        FaceShape(p, r, shape);
    }
    // The symbol takes about three fifths of the face's smaller side.
    const double side = std::min(width, height) * (shape == Shape::Circle ? 0.55 : 0.6);
    const QRectF box(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
    DrawGlyph(p, glyph, box, symbol.isValid() && look != Look::Disabled && look != Look::CheckedDisabled ? symbol : SymbolColor(look));
    return image;
}

QImage TextFace(int width, int height, Look look) {
    QImage image = Canvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = look == Look::Down ? Colors::kPressed : look == Look::Over ? QColor(0x44, 0x4b, 0x5a) : Colors::kRaised;
    p.setPen(QPen(look == Look::Down ? Colors::kAccent : Colors::kBorder, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    return image;
}

QImage Bar(int width, int height, const QColor& top, const QColor& bottom, const QColor& line) {
    QImage image = Canvas(width, height);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.fillRect(image.rect(), gradient);
    if (line.isValid()) p.fillRect(QRect(0, height - 1, width, 1), line);
    return image;
}

QImage LayoutFace(int width, int height, int windows, bool checked) {
    QImage image = Face(width, height, Glyph::None, checked ? Look::Checked : Look::Normal, Shape::Round);
    QPainter p(&image);
    const double side = std::min(width, height) * 0.62;
    const QRectF box((width - side) / 2, (height - side) / 2, side, side);
    const QColor color = checked ? Colors::kAccent : Colors::kText;
    if (windows > 0) DrawLayoutIcon(p, windows, box, color);
    else DrawGlyph(p, Glyph::Custom, box, color);
    return image;
}

QImage Tab(int width, int height, bool selected, bool closable) {
    QImage image = Canvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(selected ? Colors::kRaised : Colors::kPanel);
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height + 4), 4, 4);
    if (selected) p.fillRect(QRect(2, 0, width - 4, 2), Colors::kAccent);
    if (closable) DrawGlyph(p, Glyph::Close, QRectF(85, 3, 12, 12), selected ? Colors::kText : QColor(0x99, 0x99, 0x99));
    return image;
}

void Label(QImage& image, const QRect& area, const QString& text, int pixelSize, const QColor& color, int flags, bool bold) {
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    p.setFont(font);
    p.setPen(color);
    p.drawText(area, flags, text);
}

}  // namespace SkinArt
