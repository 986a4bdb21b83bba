#pragma once
// The symbols drawn on the skin's buttons, each in a box of any size and one colour. They are
// drawn as vector shapes, so one symbol serves every size the skin needs.
#include <QColor>
#include <QRectF>

class QPainter;

namespace SkinArt {

enum class Glyph {
    None, Play, Pause, Stop, Previous, Next, Repeat, RepeatOne, Sync, Reverse, Volume, Mute, Close, Camera, Info,
    Record, AddFile, DigitalZoom, Select, Drag, FullScreen, Config, Minimize, Maximize, Restore, Trash, Check,
    ArrowUp, ArrowDown, ArrowLeft, ArrowRight, StepBackward, StepForward, NoVideo, Logo, Pin, Hide, Clear, Custom
};

void DrawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, const QColor& color);

// The arrangement of a built-in layout with `windows` sub-windows, drawn as cells.
void DrawLayoutIcon(QPainter& painter, int windows, const QRectF& box, const QColor& color);

}  // namespace SkinArt
