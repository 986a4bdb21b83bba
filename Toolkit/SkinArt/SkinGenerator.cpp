// tarvex-skins FOLDER: paints the player's skin and writes each image into FOLDER as PNG. Run by
// the build, so the skin is made from this source and never stored as pictures.
#include <QDir>
#include <QGuiApplication>

#include <cstdio>

#include "Toolkit/SkinArt/SkinCatalog.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvex-skins FOLDER\n");
        return 2;
    }
    // Painting needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
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
