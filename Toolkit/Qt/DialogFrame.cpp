#include "Toolkit/Qt/DialogFrame.h"

#include <QPainter>
#include <QStringList>

#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"

namespace KXQt {

namespace {

constexpr int kCaptionHeight = 28;  // the toolkit's own caption
constexpr int kResizeBorder = 5;

int ParseInt(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : fallback;
}

// A piece's thickness across its edge: its height for top and bottom, width for the sides.
int Thickness(const KXEdgeSkin& edge, bool horizontal) {
    for (const auto* rect : {&edge.middleRect, &edge.firstRect, &edge.lastRect}) {
        const QRect r = ParseRect(*rect);
        if (r.isValid()) return horizontal ? r.height() : r.width();
    }
    return 0;
}

// One edge: the first piece, the middle one repeated or stretched, the last piece.
void PaintEdge(QPainter& painter, const QPixmap& image, const KXEdgeSkin& edge, const QRect& along, bool horizontal) {
    const QRect first = ParseRect(edge.firstRect), middle = ParseRect(edge.middleRect), last = ParseRect(edge.lastRect);
    const int firstLength = first.isValid() ? (horizontal ? first.width() : first.height()) : 0;
    const int lastLength = last.isValid() ? (horizontal ? last.width() : last.height()) : 0;
    QRect firstAt = along, middleAt = along, lastAt = along;
    if (horizontal) {
        firstAt.setWidth(firstLength);
        lastAt.setLeft(along.right() + 1 - lastLength);
        middleAt.setLeft(along.left() + firstLength);
        middleAt.setRight(along.right() - lastLength);
    } else {
        firstAt.setHeight(firstLength);
        lastAt.setTop(along.bottom() + 1 - lastLength);
        middleAt.setTop(along.top() + firstLength);
        middleAt.setBottom(along.bottom() - lastLength);
    }
    if (middle.isValid()) DrawImage(painter, middleAt, image, middle, ParseMode(edge.middleMode));
    if (first.isValid()) DrawImage(painter, firstAt, image, first, ParseMode(edge.firstMode));
    if (last.isValid()) DrawImage(painter, lastAt, image, last, ParseMode(edge.lastMode));
}

}  // namespace

void CDialogFrame::SetSkin(const KXDialogSkin& skin) {
    m_skin = skin;
    m_kind = Kind::Skin;
}

void CDialogFrame::SetFrameImage(const std::wstring& image) {
    m_skin = KXDialogSkin();
    m_skin.frameImage = image;
    m_kind = Kind::FrameImage;
}

QMargins CDialogFrame::Insets() const {
    switch (m_kind) {
        case Kind::Desktop: return QMargins();
        case Kind::FrameImage: return QMargins(1, kCaptionHeight, 1, 1);
        case Kind::Skin:
            return QMargins(Thickness(m_skin.left, false), Thickness(m_skin.top, true), Thickness(m_skin.right, false),
                            Thickness(m_skin.bottom, true));
    }
    return QMargins();
}

QRect CDialogFrame::CaptionArea(const QSize& window) const {
    switch (m_kind) {
        case Kind::Desktop: return QRect();
        case Kind::FrameImage: return QRect(0, 0, window.width(), kCaptionHeight);
        case Kind::Skin: return ParseRect(m_skin.captionArea);
    }
    return QRect();
}

QRect CDialogFrame::CloseBox(const QSize& window) const {
    return m_kind == Kind::FrameImage ? QRect(window.width() - 24, 6, 16, 16) : QRect();
}

Qt::Edges CDialogFrame::ResizeEdges(const QPoint& at, const QSize& window) const {
    if (m_kind != Kind::Skin || m_skin.resizeArea.empty()) return Qt::Edges();
    // "x,y,width,height" within the window, -1 reaching the far edge.
    const QStringList parts = ToQString(m_skin.resizeArea).split(',');
    if (parts.size() != 4) return Qt::Edges();
    const int x = ParseInt(parts[0], 0), y = ParseInt(parts[1], 0);
    const int w = ParseInt(parts[2], -1), h = ParseInt(parts[3], -1);
    const QRect area(x, y, w < 0 ? window.width() - x : w, h < 0 ? window.height() - y : h);
    if (!area.contains(at)) return Qt::Edges();
    Qt::Edges edges;
    if (at.x() < area.left() + kResizeBorder) edges |= Qt::LeftEdge;
    if (at.x() > area.right() - kResizeBorder) edges |= Qt::RightEdge;
    if (at.y() < area.top() + kResizeBorder) edges |= Qt::TopEdge;
    if (at.y() > area.bottom() - kResizeBorder) edges |= Qt::BottomEdge;
    return edges;
}

void CDialogFrame::PaintEdges(QPainter& painter, const QRect& window) const {
    const QPixmap image = SkinImage(m_skin.frameImage);
    const QMargins in = Insets();
    if (image.isNull()) {
        // No frame image: a plain border, never a frameless window.
        painter.setPen(Theme::Border());
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(window.adjusted(0, 0, -1, -1));
        return;
    }
    if (m_kind == Kind::FrameImage) {
        // Nine parts: corners kept, edges and middle stretched.
        const int m = 8;
        const QRect s = image.rect();
        if (s.width() <= 2 * m || s.height() <= kCaptionHeight + m) {
            DrawImage(painter, window, image, QRect(), FillMode::Stretch);
            return;
        }
        const int xs[4] = {0, m, s.width() - m, s.width()}, ys[4] = {0, kCaptionHeight, s.height() - m, s.height()};
        const int xd[4] = {window.left(), window.left() + m, window.right() + 1 - m, window.right() + 1};
        const int yd[4] = {window.top(), window.top() + kCaptionHeight, window.bottom() + 1 - m, window.bottom() + 1};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                DrawImage(painter, QRect(QPoint(xd[c], yd[r]), QPoint(xd[c + 1] - 1, yd[r + 1] - 1)), image,
                          QRect(QPoint(xs[c], ys[r]), QPoint(xs[c + 1] - 1, ys[r + 1] - 1)), FillMode::Stretch);
        return;
    }
    PaintEdge(painter, image, m_skin.top, QRect(window.left(), window.top(), window.width(), in.top()), true);
    PaintEdge(painter, image, m_skin.bottom,
              QRect(window.left(), window.bottom() + 1 - in.bottom(), window.width(), in.bottom()), true);
    const QRect sides(window.left(), window.top() + in.top(), window.width(), window.height() - in.top() - in.bottom());
    PaintEdge(painter, image, m_skin.left, QRect(sides.left(), sides.top(), in.left(), sides.height()), false);
    PaintEdge(painter, image, m_skin.right,
              QRect(sides.right() + 1 - in.right(), sides.top(), in.right(), sides.height()), false);
}

void CDialogFrame::Paint(QPainter& painter, const QRect& window, const QRect& client, const QString& title,
                         bool active) const {
    painter.fillRect(window, ParseColor(m_skin.backgroundColor, Theme::Window()));
    DrawImage(painter, client, SkinImage(m_skin.backgroundImage), QRect(), ParseMode(m_skin.backgroundMode));
    if (m_kind == Kind::Desktop) return;
    PaintEdges(painter, window);

    const QRect caption = CaptionArea(window.size());
    if (caption.isEmpty() || title.isEmpty()) return;
    QFont font = painter.font();
    if (!m_skin.fontFace.empty()) font.setFamily(ToQString(m_skin.fontFace));
    if (const int size = ParseInt(ToQString(m_skin.fontSize), 0); size > 0) font.setPixelSize(size);
    painter.setFont(font);
    painter.setPen(ParseColor(active ? m_skin.captionColor : m_skin.captionInactiveColor,
                              active ? Theme::Text() : Theme::DimText()));
    const int align = m_skin.captionAlign == L"center" ? Qt::AlignHCenter
                      : m_skin.captionAlign == L"right" ? Qt::AlignRight
                                                         : Qt::AlignLeft;
    const QRect closeBox = CloseBox(window.size());
    painter.drawText(caption.adjusted(10, 0, closeBox.isValid() ? -closeBox.width() - 16 : -10, 0),
                     align | Qt::AlignVCenter | Qt::TextSingleLine, title);
    if (closeBox.isValid()) {
        painter.setPen(QPen(Theme::Text(), 2));
        painter.setRenderHint(QPainter::Antialiasing);
        const QRect x = closeBox.adjusted(4, 4, -4, -4);
        painter.drawLine(x.topLeft(), x.bottomRight());
        painter.drawLine(x.topRight(), x.bottomLeft());
    }
}

}  // namespace KXQt
