#pragma once
// The pieces the skin is made of: flat button faces in their looks, bars, tracks and boxes, in the
// theme's colours. Each returns a finished image of the size asked for.
#include <QColor>
#include <QImage>
#include <QString>

#include "Toolkit/SkinArt/Glyphs.h"

namespace SkinArt {

namespace Colors {
const QColor kWindow(0x1b, 0x1f, 0x26);
const QColor kPanel(0x26, 0x2b, 0x33);
const QColor kRaised(0x35, 0x3b, 0x48);
const QColor kPressed(0x5c, 0x65, 0x76);
const QColor kBorder(0x41, 0x44, 0x4c);
const QColor kText(0xe6, 0xe9, 0xef);
const QColor kDim(0x5a, 0x60, 0x6b);
const QColor kAccent(0x38, 0xb6, 0xff);
const QColor kGreen(0xa4, 0xc7, 0x46);
const QColor kRed(0xfa, 0x3c, 0x3c);
}  // namespace Colors

// A look of a control: its state and whether it is checked.
enum class Look { Normal, Over, Down, Disabled, Checked, CheckedOver, CheckedDown, CheckedDisabled };
enum class Shape { Flat, Round, Circle };

QImage Canvas(int width, int height, const QColor& fill = Qt::transparent);
// A button's face with its symbol.
QImage Face(int width, int height, Glyph glyph, Look look, Shape shape = Shape::Round, const QColor& symbol = QColor());
// A face without a symbol (buttons whose text the control draws).
QImage TextFace(int width, int height, Look look);
// A bar from one colour to another, top to bottom, with a line along its bottom edge.
QImage Bar(int width, int height, const QColor& top, const QColor& bottom, const QColor& line = QColor());
// A layout button: the arrangement of `windows` sub-windows (0: the custom layout's symbol).
QImage LayoutFace(int width, int height, int windows, bool checked);
// A tab with an optional close box at (85, 3)-(97, 15).
QImage Tab(int width, int height, bool selected, bool closable);
// Text in the theme's font.
void Label(QImage& image, const QRect& area, const QString& text, int pixelSize, const QColor& color, int flags, bool bold = false);

}  // namespace SkinArt
