#pragma once
// Every image of the player's skin, by file name, at the size its window or control draws it.
#include <QImage>
#include <QString>

#include <vector>

namespace SkinArt {

struct SkinImage {
    QString name;
    QImage image;
};

std::vector<SkinImage> SkinCatalog();
// The program's icon, size x size pixels: the mark on a rounded panel.
QImage AppIcon(int size);

}  // namespace SkinArt
