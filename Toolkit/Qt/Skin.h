#pragma once
// The skin folder's images, loaded once each, and the few ways the toolkit draws them.
#include <QColor>
#include <QPixmap>
#include <QRect>

#include <initializer_list>
#include <string>

class QPainter;

namespace KXQt {

void SetSkinFolder(const std::wstring& folder);
std::wstring SkinFolder();
// A null pixmap when the name is empty or the image is missing or unreadable.
QPixmap SkinImage(const std::wstring& name);

// The first of the names whose image exists, in order; null when none does.
QPixmap FirstImage(std::initializer_list<std::wstring> names);

enum class FillMode { Stretch, Tile, Center };
FillMode ParseMode(const std::wstring& mode);
// "x,y,width,height"; an invalid rectangle when the text is not four whole numbers.
QRect ParseRect(const std::wstring& text);
// "RRGGBB" (a leading "#" is allowed); the fallback otherwise.
QColor ParseColor(const std::wstring& text, const QColor& fallback);

// Draws the source part of the image (the whole image for an invalid source) into the target.
void DrawImage(QPainter& painter, const QRect& target, const QPixmap& image, const QRect& source, FillMode mode);

// The flat dark look of everything drawn without an image.
namespace Theme {
QColor Window();
QColor Panel();
QColor Raised();
QColor Pressed();
QColor Border();
QColor Text();
QColor DimText();
QColor Accent();
}  // namespace Theme

}  // namespace KXQt
