#include "Toolkit/SkinArt/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <array>

namespace SkinArt {

namespace {

// Points are given in a 24 x 24 design grid and scaled into the box.
struct Grid {
    QRectF box;
    QPointF P(double x, double y) const {
        const double s = std::min(box.width(), box.height()) / 24.0;
        const QPointF origin = box.center() - QPointF(12 * s, 12 * s);
        return origin + QPointF(x * s, y * s);
    }
    double S(double v) const { return v * std::min(box.width(), box.height()) / 24.0; }
};

void Polygon(QPainter& p, const Grid& g, std::initializer_list<QPointF> points) {
    QPolygonF polygon;
    for (const QPointF& pt : points) polygon << g.P(pt.x(), pt.y());
    p.drawPolygon(polygon);
}

void Box(QPainter& p, const Grid& g, double x, double y, double w, double h) {
    p.drawRect(QRectF(g.P(x, y), g.P(x + w, y + h)));
}

void Line(QPainter& p, const Grid& g, double x1, double y1, double x2, double y2) {
    p.drawLine(g.P(x1, y1), g.P(x2, y2));
}

void Speaker(QPainter& p, const Grid& g) { Polygon(p, g, {{3, 9}, {7, 9}, {12, 5}, {12, 19}, {7, 15}, {3, 15}}); }

void Gear(QPainter& p, const Grid& g) {
    QPainterPath gear;
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        QPainterPath tooth;
        tooth.addEllipse(g.P(12 + 8.5 * std::cos(a), 12 + 8.5 * std::sin(a)), g.S(2.3), g.S(2.3));
        gear = gear.united(tooth);
    }
    QPainterPath body, hole;
    body.addEllipse(g.P(12, 12), g.S(7.5), g.S(7.5));
    hole.addEllipse(g.P(12, 12), g.S(3), g.S(3));
    p.drawPath(gear.united(body).subtracted(hole));
}

}  // namespace

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& c) {
    const Grid g{box};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    const QPen stroke(c, std::max(1.0, g.S(2)), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (glyph) {
        case Glyph::None: break;
        case Glyph::Play: Polygon(p, g, {{7, 4}, {20, 12}, {7, 20}}); break;
        case Glyph::Pause: Box(p, g, 6, 4, 4, 16); Box(p, g, 14, 4, 4, 16); break;
        case Glyph::Stop: Box(p, g, 5, 5, 14, 14); break;
        case Glyph::Previous: Box(p, g, 4, 5, 3, 14); Polygon(p, g, {{20, 5}, {8, 12}, {20, 19}}); break;
        case Glyph::Next: Box(p, g, 17, 5, 3, 14); Polygon(p, g, {{4, 5}, {16, 12}, {4, 19}}); break;
        case Glyph::StepBackward: Polygon(p, g, {{16, 4}, {6, 12}, {16, 20}}); break;
        case Glyph::StepForward: Polygon(p, g, {{8, 4}, {18, 12}, {8, 20}}); break;
        case Glyph::Reverse: Polygon(p, g, {{12, 5}, {3, 12}, {12, 19}}); Polygon(p, g, {{21, 5}, {12, 12}, {21, 19}}); break;
        case Glyph::Repeat:
        case Glyph::RepeatOne: {
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(g.P(4, 5), g.P(20, 19)), 30 * 16, 300 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            Polygon(p, g, {{15, 3}, {21, 7}, {15, 10}});
            if (glyph == Glyph::RepeatOne) Box(p, g, 11, 9, 2, 6);
            break;
        }
        case Glyph::Sync:
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            for (double y : {6.0, 12.0, 18.0}) Line(p, g, 4, y, 20, y);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            Box(p, g, 10, 3, 4, 18);
            break;
        case Glyph::Volume:
            Speaker(p, g);
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(g.P(10, 8), g.P(18, 16)), -50 * 16, 100 * 16);
            p.drawArc(QRectF(g.P(9, 5), g.P(21, 19)), -50 * 16, 100 * 16);
            break;
        case Glyph::Mute:
            Speaker(p, g);
            p.setPen(stroke);
            Line(p, g, 15, 9, 21, 15);
            Line(p, g, 21, 9, 15, 15);
            break;
        case Glyph::Close:
            p.setPen(QPen(c, std::max(1.2, g.S(2.6)), Qt::SolidLine, Qt::RoundCap));
            Line(p, g, 6, 6, 18, 18);
            Line(p, g, 18, 6, 6, 18);
            break;
        case Glyph::Camera:
            p.drawRoundedRect(QRectF(g.P(3, 7), g.P(21, 19)), g.S(2), g.S(2));
            Box(p, g, 8, 5, 8, 3);
            p.setBrush(QColor(0, 0, 0, 150));
            p.drawEllipse(g.P(12, 13), g.S(4), g.S(4));
            break;
        case Glyph::Info:
            p.drawEllipse(g.P(12, 6), g.S(2), g.S(2));
            Box(p, g, 10.5, 10, 3, 10);
            break;
        case Glyph::Record: p.drawEllipse(g.P(12, 12), g.S(7), g.S(7)); break;
        case Glyph::AddFile:
            Polygon(p, g, {{3, 6}, {9, 6}, {11, 8}, {21, 8}, {21, 19}, {3, 19}});
            p.setPen(QPen(QColor(0x1b, 0x1f, 0x26), std::max(1.0, g.S(2.2))));
            Line(p, g, 12, 10.5, 12, 17);
            Line(p, g, 8.75, 13.75, 15.25, 13.75);
            break;
        case Glyph::DigitalZoom:
            p.setPen(QPen(c, std::max(1.0, g.S(1.5)), Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            Box(p, g, 3, 3, 12, 12);
            p.setPen(stroke);
            p.drawEllipse(g.P(15, 15), g.S(4), g.S(4));
            Line(p, g, 18, 18, 21, 21);
            break;
        case Glyph::Select: Polygon(p, g, {{6, 3}, {6, 19}, {10, 15}, {13, 21}, {15, 20}, {12, 14}, {18, 14}}); break;
        case Glyph::Drag:
            p.setPen(stroke);
            Line(p, g, 12, 3, 12, 21);
            Line(p, g, 3, 12, 21, 12);
            p.setPen(Qt::NoPen);
            Polygon(p, g, {{12, 1}, {15, 5}, {9, 5}});
            Polygon(p, g, {{12, 23}, {15, 19}, {9, 19}});
            Polygon(p, g, {{1, 12}, {5, 9}, {5, 15}});
            Polygon(p, g, {{23, 12}, {19, 9}, {19, 15}});
            break;
        case Glyph::FullScreen:
            p.setPen(stroke);
            for (auto [x, y, dx, dy] : {std::array<double, 4>{4, 4, 1, 1}, {20, 4, -1, 1}, {4, 20, 1, -1}, {20, 20, -1, -1}}) {
                Line(p, g, x, y, x + 5 * dx, y);
                Line(p, g, x, y, x, y + 5 * dy);
            }
            break;
        case Glyph::Config: Gear(p, g); break;
        case Glyph::Minimize: Box(p, g, 5, 16, 14, 3); break;
        case Glyph::Maximize:
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            Box(p, g, 5, 5, 14, 14);
            break;
        case Glyph::Restore:
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            Box(p, g, 4, 9, 11, 11);
            Line(p, g, 9, 4, 20, 4);
            Line(p, g, 20, 4, 20, 15);
            break;
        case Glyph::Trash:
            Box(p, g, 5, 5, 14, 2);
            Box(p, g, 10, 3, 4, 2);
            Polygon(p, g, {{6, 8}, {18, 8}, {17, 21}, {7, 21}});
            break;
        case Glyph::Check:
            p.setPen(QPen(c, std::max(1.2, g.S(3)), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(QPolygonF() << g.P(5, 12) << g.P(10, 17) << g.P(19, 7));
            break;
        case Glyph::ArrowUp: Polygon(p, g, {{4, 16}, {12, 7}, {20, 16}}); break;
        case Glyph::ArrowDown: Polygon(p, g, {{4, 8}, {12, 17}, {20, 8}}); break;
        case Glyph::ArrowLeft: Polygon(p, g, {{16, 4}, {7, 12}, {16, 20}}); break;
        case Glyph::ArrowRight: Polygon(p, g, {{8, 4}, {17, 12}, {8, 20}}); break;
        case Glyph::NoVideo:
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(g.P(3, 7), g.P(16, 17)), g.S(1.5), g.S(1.5));
            Polygon(p, g, {{16, 11}, {21, 8}, {21, 16}, {16, 13}});
            Line(p, g, 3, 3, 21, 21);
            break;
        case Glyph::Logo:
            // A lens in a frame: the mark of the player.
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(g.P(2, 4), g.P(22, 20)), g.S(3), g.S(3));
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(g.P(12, 12), g.S(5), g.S(5));
            p.setBrush(QColor(0x1b, 0x1f, 0x26));
            p.drawEllipse(g.P(12, 12), g.S(2.2), g.S(2.2));
            break;
        case Glyph::Pin:
            Polygon(p, g, {{8, 3}, {16, 3}, {15, 10}, {18, 14}, {6, 14}, {9, 10}});
            Box(p, g, 11, 14, 2, 7);
            break;
        case Glyph::Hide:
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(g.P(3, 7), g.P(21, 19)), 20 * 16, 140 * 16);
            Line(p, g, 4, 4, 20, 20);
            break;
        case Glyph::Clear:
            p.setPen(stroke);
            Line(p, g, 5, 7, 19, 7);
            Line(p, g, 5, 12, 15, 12);
            Line(p, g, 5, 17, 11, 17);
            Line(p, g, 15, 15, 20, 20);
            Line(p, g, 20, 15, 15, 20);
            break;
        case Glyph::Custom:
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            Box(p, g, 3, 3, 18, 18);
            Line(p, g, 3, 10, 21, 10);
            Line(p, g, 12, 10, 12, 21);
            Line(p, g, 9, 3, 9, 10);
            break;
    }
    p.restore();
}

void DrawLayoutIcon(QPainter& p, int windows, const QRectF& box, const QColor& color) {
    // Rows and columns of the grid, and the large window's span (in cells) where there is one.
    struct Shape { int cells, big; } shape{2, 1};
    switch (windows) {
        case 1: shape = {1, 1}; break;
        case 4: shape = {2, 1}; break;
        case 6: shape = {3, 2}; break;
        case 8: shape = {4, 3}; break;
        case 9: shape = {3, 1}; break;
        case 13: shape = {4, 2}; break;
        case 16: shape = {4, 1}; break;
        case 25: shape = {5, 1}; break;
        case 36: shape = {6, 1}; break;
        default: break;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(box.width(), box.height());
    const QRectF area(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    const double cell = side / shape.cells, gap = std::max(1.0, side / 24);
    // 13 has its large window in the middle; the others at the top left.
    const int bigAt = windows == 13 ? 1 : 0;
    auto inBig = [&](int r, int c) { return r >= bigAt && r < bigAt + shape.big && c >= bigAt && c < bigAt + shape.big; };
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (int r = 0; r < shape.cells; ++r)
        for (int c = 0; c < shape.cells; ++c) {
            if (shape.big > 1 && inBig(r, c)) continue;
            p.drawRect(QRectF(area.left() + c * cell + gap / 2, area.top() + r * cell + gap / 2, cell - gap, cell - gap));
        }
    if (shape.big > 1)
        p.drawRect(QRectF(area.left() + bigAt * cell + gap / 2, area.top() + bigAt * cell + gap / 2,
                          shape.big * cell - gap, shape.big * cell - gap));
    p.restore();
}

}  // namespace SkinArt
