// tarvex-skins FOLDER: paints the player's skin and writes each image into FOLDER as PNG. Run by
// the build, so the skin is made from this source and never stored as pictures.
// tarvex-skins --icons FOLDER: the program's icon in the desktop's sizes, as an icon theme lays
// them out (FOLDER/NxN/apps/tarvex-player.png).
#include <QDir>
#include <QGuiApplication>

#include <cstdio>

#include "Toolkit/SkinArt/SkinCatalog.h"

int WriteIcons(const QDir& folder) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString dir = folder.filePath(QStringLiteral("%1x%1/apps").arg(size));
        if (!QDir().mkpath(dir) || !SkinArt::AppIcon(size).save(dir + "/tarvex-player.png", "PNG")) {
            std::fprintf(stderr, "tarvex-skins: cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    return 0;
}

int main(int argc, char** argv) {
    const bool icons = argc == 3 && QByteArray(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: tarvex-skins FOLDER | tarvex-skins --icons FOLDER\n");
        return 2;
    }
    // Painting needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (icons) return WriteIcons(QDir(QString::fromLocal8Bit(argv[2])));
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.absolutePath())) {
        std::fprintf(stderr, "tarvex-skins: cannot create %s\n", argv[1]);
        return 1;
    }
    int written = 0;
    for (const SkinArt::SkinImage& image : SkinArt::SkinCatalog()) {
        if (!image.image.save(folder.filePath(image.name), "PNG")) {
            std::fprintf(stderr, "tarvex-skins: cannot write %s\n", qPrintable(image.name));
            return 1;
        }
        ++written;
    }
    std::printf("tarvex-skins: %d images in %s\n", written, qPrintable(folder.absolutePath()));
    return 0;
}
