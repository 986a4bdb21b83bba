#include "Toolkit/Qt/Skin.h"

#include <QDir>
#include <QHash>
#include <QPainter>
#include <QStringList>

#include "Toolkit/Qt/Text.h"

namespace KXQt {

namespace {

struct SkinStore {
    std::wstring folder;
    QHash<QString, QPixmap> cache;  // a missing image is cached as a null pixmap
};

SkinStore& Store() {
    static auto* store = new SkinStore;  // UI thread only; lives to the process's end
    return *store;
}

}  // namespace

void SetSkinFolder(const std::wstring& folder) {
    Store().folder = folder;
    Store().cache.clear();
}

std::wstring SkinFolder() { return Store().folder; }

QPixmap SkinImage(const std::wstring& name) {
    if (name.empty()) return QPixmap();
    const QString key = ToQString(name);
    auto it = Store().cache.find(key);
    if (it != Store().cache.end()) return *it;
    // A name is a file in the folder, never a path elsewhere.
    QPixmap image;
    if (!key.contains('/') && key != ".." && !Store().folder.empty())
        image.load(QDir(PathToQString(Store().folder)).filePath(key));
    Store().cache.insert(key, image);
    return image;
}

QPixmap FirstImage(std::initializer_list<std::wstring> names) {
    for (const auto& name : names) {
        QPixmap image = SkinImage(name);
        if (!image.isNull()) return image;
    }
    return QPixmap();
}

FillMode ParseMode(const std::wstring& mode) {
    if (mode == L"tile") return FillMode::Tile;
    if (mode == L"center") return FillMode::Center;
    return FillMode::Stretch;
}

QRect ParseRect(const std::wstring& text) {
    const QStringList parts = ToQString(text).split(',');
    if (parts.size() != 4) return QRect();
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) return QRect();
    }
    return QRect(v[0], v[1], v[2], v[3]);
}

QColor ParseColor(const std::wstring& text, const QColor& fallback) {
    QString hex = ToQString(text).trimmed();
    if (hex.startsWith('#')) hex.remove(0, 1);
    bool ok = false;
    const uint rgb = hex.toUInt(&ok, 16);
    if (!ok || hex.size() != 6) return fallback;
    return QColor::fromRgb(rgb);
}

void DrawImage(QPainter& painter, const QRect& target, const QPixmap& image, const QRect& source, FillMode mode) {
    if (image.isNull() || target.isEmpty()) return;
    const QRect from = source.isValid() ? source.intersected(image.rect()) : image.rect();
    if (from.isEmpty()) return;
    switch (mode) {
        case FillMode::Stretch:
            painter.drawPixmap(target, image, from);
            break;
        case FillMode::Center: {
            QRect at(QPoint(0, 0), from.size());
            at.moveCenter(target.center());
            painter.drawPixmap(at.topLeft(), image, from);
            break;
        }
        case FillMode::Tile:
            painter.save();
            painter.setClipRect(target, Qt::IntersectClip);
            for (int y = target.top(); y <= target.bottom(); y += from.height())
                for (int x = target.left(); x <= target.right(); x += from.width())
                    painter.drawPixmap(QPoint(x, y), image, from);
            painter.restore();
            break;
    }
}

namespace Theme {
QColor Window() { return QColor(0x1b, 0x1f, 0x26); }
QColor Panel() { return QColor(0x26, 0x2b, 0x33); }
QColor Raised() { return QColor(0x35, 0x3b, 0x48); }
QColor Pressed() { return QColor(0x5c, 0x65, 0x76); }
QColor Border() { return QColor(0x41, 0x44, 0x4c); }
QColor Text() { return QColor(0xe6, 0xe9, 0xef); }
QColor DimText() { return QColor(0x99, 0x99, 0x99); }
QColor Accent() { return QColor(0x38, 0xb6, 0xff); }
}  // namespace Theme

}  // namespace KXQt
