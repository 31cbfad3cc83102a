#include "widgets/artwork.h"

#include <QGuiApplication>
#include <QImageReader>

namespace {

// The 2x twin of the picture `name`, or nothing.
QImage TwiceArtwork(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    const QString stem = ":/" + name.left(dot) + "@2x.";
    for (const QString& ext : {name.mid(dot + 1), QString("png")}) {
        QImageReader reader(stem + ext);
        if (!reader.canRead()) continue;
        QImage image = reader.read();
        image.setDevicePixelRatio(2);
        return image;
    }
    return {};
}

}  // namespace

QImage Artwork(const QString& name, qreal devicePixelRatio) {
    if (devicePixelRatio <= 0 && qGuiApp) devicePixelRatio = qGuiApp->devicePixelRatio();
    if (devicePixelRatio > 1) {
        const QImage twice = TwiceArtwork(name);
        if (!twice.isNull()) return twice;
    }
    QImageReader reader(":/" + name);
    if (!name.endsWith(".ico")) return reader.read();

    QImage largest;
    for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
        if (!reader.jumpToImage(i)) break;
        const QImage image = reader.read();
        if (image.width() > largest.width()) largest = image;
    }
    if (largest.hasAlphaChannel() && largest.depth() == 32) {
        // A mask Qt did apply (4-bit icons) is already there.
        bool anyTransparent = false;
        for (int y = 0; y < largest.height() && !anyTransparent; ++y)
            for (int x = 0; x < largest.width() && !anyTransparent; ++x)
                anyTransparent = qAlpha(largest.pixel(x, y)) == 0;
        if (anyTransparent) return largest;
    }
    QImage image = largest.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == 0) line[x] = 0;
    }
    return image;
}
