// The rectangle a user draws over one sub-window's picture, and what it covers of the frame.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/VideoGrid.h"

namespace KXQt {

namespace {
// A smaller drag is taken for a click: it chooses nothing.
constexpr int kLeastSide = 6;
}  // namespace

void CVideoGridWidget::BeginRegion(int window, const std::wstring& hint) {
    const int old = regionWindow;
    regionWindow = Valid(window) ? window : -1;
    regionOutline = QRect();
    regionChosen = false;
    regionHint = hint;
    m_pressWindow = -1;
    m_dragging = false;
    if (old >= 0 && old != regionWindow) Repaint(old);
    if (regionWindow < 0) return;
    setCursor(Qt::CrossCursor);
    setFocus(Qt::OtherFocusReason);
    Repaint(regionWindow);
}

void CVideoGridWidget::EndRegion() {
    const int old = regionWindow;
    regionWindow = -1;
    regionOutline = QRect();
    regionChosen = false;
    unsetCursor();
    if (old >= 0) Repaint(old);
}

void CVideoGridWidget::RegionEnded(bool chosen) {
    const int window = regionWindow;
    double x = 0, y = 0, w = 0, h = 0;
    const QRect picture = PictureRect(window);
    const QRect drawn = regionOutline.intersected(picture);
    if (chosen && drawn.width() >= kLeastSide && drawn.height() >= kLeastSide && picture.width() > 0 && picture.height() > 0) {
        // The picture shows `crop` of the frame stretched over its rectangle.
        const QRectF base = windows[window].crop.isValid() ? windows[window].crop : QRectF(0, 0, 1, 1);
        x = base.left() + base.width() * (drawn.left() - picture.left()) / picture.width();
        y = base.top() + base.height() * (drawn.top() - picture.top()) / picture.height();
        w = base.width() * drawn.width() / picture.width();
        h = base.height() * drawn.height() / picture.height();
        regionChosen = true;
        unsetCursor();
        Repaint(window);
    } else {
        EndRegion();
    }
    NotifySink(Owner(), [&](IKXVideoWindowEvent* s, int id) { s->OnRegionChosen(window, x, y, w, h, id); });
}

bool CVideoGridWidget::RegionPress(QMouseEvent* e) {
    if (regionWindow < 0 || regionChosen) return false;
    if (e->button() == Qt::RightButton) {
        RegionEnded(false);
        return true;
    }
    const QPoint at = e->position().toPoint();
    if (e->button() != Qt::LeftButton || !PictureRect(regionWindow).contains(at)) return true;
    m_pressAt = at;
    m_dragging = true;
    regionOutline = QRect(at, at);
    Repaint(regionWindow);
    return true;
}

bool CVideoGridWidget::RegionMove(QMouseEvent* e) {
    if (regionWindow < 0 || regionChosen) return false;
    if (m_dragging) {
        const QRect picture = PictureRect(regionWindow);
        QPoint at = e->position().toPoint();
        at.setX(std::clamp(at.x(), picture.left(), picture.right()));
        at.setY(std::clamp(at.y(), picture.top(), picture.bottom()));
        regionOutline = QRect(m_pressAt, at).normalized();
        Repaint(regionWindow);
    }
    return true;
}

bool CVideoGridWidget::RegionRelease(QMouseEvent* e) {
    if (regionWindow < 0 || regionChosen) return false;
    if (e->button() != Qt::LeftButton || !m_dragging) return true;
    m_dragging = false;
    if (regionOutline.width() < kLeastSide || regionOutline.height() < kLeastSide) {
        regionOutline = QRect();  // a click: draw again
        Repaint(regionWindow);
        return true;
    }
    RegionEnded(true);
    return true;
}

void CVideoGridWidget::keyPressEvent(QKeyEvent* e) {
    if (regionWindow >= 0 && !regionChosen && e->key() == Qt::Key_Escape) return RegionEnded(false);
    QWidget::keyPressEvent(e);
}

void CVideoGridWidget::PaintRegion(QPainter& p, int window) {
    const QRect picture = PictureRect(window);
    p.save();
    p.setClipRect(picture);
    if (!regionChosen && !regionHint.empty()) {
        const QString text = ToQString(regionHint);
        const int height = p.fontMetrics().height() + 8;
        const QRect band(picture.left(), picture.bottom() - height, picture.width(), height);
        p.fillRect(band, QColor(0, 0, 0, 170));
        p.setPen(QColor(255, 214, 0));
        p.drawText(band, Qt::AlignCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, band.width() - 8)));
    }
    if (!regionOutline.isEmpty()) {
        // Dark under light: the outline shows over any picture.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 0, 0), 3));
        p.drawRect(regionOutline);
        p.setPen(QPen(QColor(255, 214, 0), 1, Qt::DashLine));
        p.drawRect(regionOutline);
    }
    p.restore();
}

}  // namespace KXQt
