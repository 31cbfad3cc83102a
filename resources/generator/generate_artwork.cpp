// Draws every picture of Pictora's windows (backgrounds, button glyphs,
// field captions, icons and the hand cursor) and writes them into the folder
// given on the command line.
//
// The output is reproducible: textures come from fixed seeds, and the only
// outside input is the script font used for the lettering.

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

QString outDir;
QStringList written;               // every file written, checked at the end
QHash<QString, int> maskedPixels;  // transparent pixels in the first image of each icon
int failures = 0;
// Device pixels per pixel of the window: 1, then 2 for the "@2x" pictures
// that high-density screens show.
int density = 1;
QHash<QString, QString> twinOf;  // each "@2x" picture's 1x picture

// ---------------------------------------------------------------- palette

const QColor kLavender(200, 190, 230);
const QColor kPanelBlue(205, 225, 245);
const QColor kCream(250, 243, 220);
const QColor kTitleSquare(30, 30, 50);
const QColor kCaptionInk(62, 30, 112);
const QColor kHeadingViolet(110, 40, 150);

// Shades for one glyph: a light top, a body colour and an outline.
struct Ink {
    QColor light, fill, dark;
};
const Ink kGrey{QColor(222, 222, 228), QColor(148, 148, 158), QColor(70, 70, 82)};
const Ink kViolet{QColor(222, 190, 255), QColor(140, 70, 215), QColor(66, 22, 120)};
const Ink kGreen{QColor(170, 240, 185), QColor(40, 170, 100), QColor(18, 88, 50)};
const Ink kMagenta{QColor(255, 160, 195), QColor(215, 40, 105), QColor(115, 10, 55)};
const Ink kTeal{QColor(160, 236, 240), QColor(20, 150, 170), QColor(8, 78, 95)};

// ---------------------------------------------------------------- texture

// Smooth value noise in several octaves plus a fine grain, around `base`.
QImage paperTexture(QSize size, QColor base, double amplitude, quint32 seed) {
    QRandomGenerator rng(seed);
    size *= density;
    const int w = size.width(), h = size.height();
    std::vector<double> field(size_t(w) * size_t(h), 0.0);
    struct Octave {
        int cell;
        double weight;
    };
    for (const auto [baseCell, weight] : {Octave{60, 0.45}, Octave{18, 0.3}, Octave{5, 0.15}}) {
        const int cell = baseCell * density;
        const int gw = w / cell + 2, gh = h / cell + 2;
        std::vector<double> grid(size_t(gw) * size_t(gh));
        for (double& g : grid) g = rng.generateDouble() * 2.0 - 1.0;
        for (int y = 0; y < h; ++y) {
            const double fy = double(y) / cell;
            const int iy = int(fy);
            const double ty = (fy - iy) * (fy - iy) * (3 - 2 * (fy - iy));
            for (int x = 0; x < w; ++x) {
                const double fx = double(x) / cell;
                const int ix = int(fx);
                const double tx = (fx - ix) * (fx - ix) * (3 - 2 * (fx - ix));
                auto at = [&](int gx, int gy) { return grid[size_t(gy) * gw + gx]; };
                const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
                const double bot = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
                field[size_t(y) * w + x] += weight * (top + (bot - top) * ty);
            }
        }
    }
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double v =
                amplitude * (field[size_t(y) * w + x] + 0.1 * (rng.generateDouble() * 2 - 1));
            line[x] = qRgb(std::clamp(int(std::lround(base.red() + v)), 0, 255),
                           std::clamp(int(std::lround(base.green() + v)), 0, 255),
                           std::clamp(int(std::lround(base.blue() + v * 0.8)), 0, 255));
        }
    }
    img.setDevicePixelRatio(density);
    return img;
}

// ---------------------------------------------------------------- fonts

QString scriptFamily;  // chosen once in main()

QFont scriptFont(double pixelSize) {
    QFont f(scriptFamily);
    f.setPixelSize(int(std::lround(pixelSize)));
    if (!scriptFamily.startsWith(QLatin1String("Z003"))) f.setItalic(true);
    return f;
}

// Text as a path whose tight bounds are centred on `centre`, scaled to fit `fit`.
QPainterPath fittedText(const QString& text, const QFont& font, QPointF centre, QSizeF fit) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF b = path.boundingRect();
    const double s = std::min({1.0, fit.width() / b.width(), fit.height() / b.height()});
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.scale(s, s);
    t.translate(-b.center().x(), -b.center().y());
    return t.map(path);
}

// ---------------------------------------------------------------- file writers

void put16(QByteArray& a, quint16 v) {
    v = qToLittleEndian(v);
    a.append(reinterpret_cast<const char*>(&v), 2);
}
void put32(QByteArray& a, quint32 v) {
    v = qToLittleEndian(v);
    a.append(reinterpret_cast<const char*>(&v), 4);
}

// The file a picture named `name` at 1x is written to at the current density:
// "stem@2x.ext" at 2x, icons and cursors as PNG (with their soft edges).
QString named(const QString& name) {
    if (density == 1) return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QString ext = name.mid(dot + 1);
    if (ext == QLatin1String("ico") || ext == QLatin1String("cur")) ext = QStringLiteral("png");
    const QString twin = name.left(dot) + QStringLiteral("@%1x.").arg(density) + ext;
    twinOf[twin] = name;
    return twin;
}

void saveBytes(const QString& fileName, const QByteArray& bytes) {
    const QString name = named(fileName);
    QFile f(outDir + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        ++failures;
    }
    written << name;
}

// JPEG or PNG through Qt's writers.
void saveEncoded(const QString& name, const QImage& img, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    if (!img.save(&buf, format, quality)) ++failures;
    saveBytes(name, bytes);
}

void putInfoHeader(QByteArray& a, int w, int h, int bpp, int colours, int imageBytes) {
    put32(a, 40);
    put32(a, quint32(w));
    put32(a, quint32(h));
    put16(a, 1);
    put16(a, quint16(bpp));
    put32(a, 0);
    put32(a, quint32(imageBytes));
    put32(a, 2835);
    put32(a, 2835);
    put32(a, quint32(colours));
    put32(a, 0);
}

// Uncompressed 24-bit BMP, bottom-up rows padded to 4 bytes.
void saveBmp24(const QString& name, const QImage& src) {
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    const int stride = (img.width() * 3 + 3) & ~3;
    const int imageBytes = stride * img.height();
    QByteArray a;
    a.append("BM");
    put32(a, quint32(54 + imageBytes));
    put32(a, 0);
    put32(a, 54);
    putInfoHeader(a, img.width(), img.height(), 24, 0, imageBytes);
    for (int y = img.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray row(stride, '\0');
        for (int x = 0; x < img.width(); ++x) {
            row[3 * x] = char(qBlue(line[x]));
            row[3 * x + 1] = char(qGreen(line[x]));
            row[3 * x + 2] = char(qRed(line[x]));
        }
        a.append(row);
    }
    saveBytes(name, a);
}

// One icon image as a DIB: header with doubled height, colour rows and the
// 1-bit AND mask (1 = transparent). Pixels less than half covered become
// transparent; the others are blended over `matte` (the colour the picture is
// shown on) so that the hard mask edge does not leave a dark fringe.
// Transparent pixels are pure black in the colour rows and no visible pixel
// is: Qt's ico reader ignores the AND mask of 24-bit images, so the program
// restores their transparency by keying out black.
QByteArray iconDib(const QImage& src, int bpp, std::optional<QColor> matte, int* masked = nullptr) {
    const QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    std::vector<QRgb> colour(size_t(w) * h);
    std::vector<bool> clear(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            const int a = qAlpha(p);
            const size_t i = size_t(y) * w + x;
            clear[i] = a < 128;
            if (clear[i]) {
                colour[i] = qRgb(0, 0, 0);
                continue;
            }
            auto mix = [&](int c, int m) { return matte ? (c * a + m * (255 - a)) / 255 : c; };
            colour[i] = qRgb(mix(qRed(p), matte ? matte->red() : 0),
                             mix(qGreen(p), matte ? matte->green() : 0),
                             mix(qBlue(p), matte ? matte->blue() : 0));
            if (bpp == 24 && colour[i] == qRgb(0, 0, 0))
                colour[i] = qRgb(1, 1, 1);  // pure black is kept for the transparent pixels
        }
    if (masked) *masked = int(std::count(clear.begin(), clear.end(), true));
    const int stride = ((w * bpp + 31) / 32) * 4, maskStride = ((w + 31) / 32) * 4;
    QByteArray a;
    putInfoHeader(a, w, 2 * h, bpp, bpp == 4 ? 16 : 0, (stride + maskStride) * h);
    if (bpp == 4)  // 4-bit pictures are grey: sixteen even steps
        for (int i = 0; i < 16; ++i) a.append(QByteArray(3, char(i * 17)) + '\0');
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb c = colour[size_t(y) * w + x];
            if (bpp == 24) {
                row[3 * x] = char(qBlue(c));
                row[3 * x + 1] = char(qGreen(c));
                row[3 * x + 2] = char(qRed(c));
            } else {
                const int index = clear[size_t(y) * w + x] ? 0 : (qGray(c) * 15 + 127) / 255;
                row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
            }
        }
        a.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (clear[size_t(y) * w + x]) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        a.append(row);
    }
    return a;
}

// ICO (type 1) or, with a hot spot, CUR (type 2) holding the given images.
void saveIcon(const QString& name, const QList<QImage>& images, int bpp,
              std::optional<QColor> matte, std::optional<QPoint> hotSpot = std::nullopt) {
    if (density > 1) {  // the largest image, as PNG
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        if (!images.last().save(&buf, "PNG")) ++failures;
        saveBytes(name, bytes);
        return;
    }
    QByteArray head, body;
    put16(head, 0);
    put16(head, hotSpot ? 2 : 1);
    put16(head, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (const QImage& img : images) {
        const QByteArray dib =
            iconDib(img, bpp, matte, body.isEmpty() ? &maskedPixels[name] : nullptr);
        head.append(char(img.width() & 0xff));
        head.append(char(img.height() & 0xff));
        head.append(char(bpp == 4 ? 16 : 0));
        head.append('\0');
        put16(head, hotSpot ? quint16(hotSpot->x()) : 1);
        put16(head, hotSpot ? quint16(hotSpot->y()) : quint16(bpp));
        put32(head, quint32(dib.size()));
        put32(head, offset);
        offset += quint32(dib.size());
        body.append(dib);
    }
    saveBytes(name, head + body);
}

// ---------------------------------------------------------------- drawing helpers

QImage transparentCanvas(int w, int h) {
    QImage img(w * density, h * density, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(density);
    img.fill(Qt::transparent);
    return img;
}

// At least one device pixel wide, so that lines survive the 16-pixel icons.
double hair(const QPainter& p, double width) {
    return std::max(width, 1.0 / p.transform().m11());
}

// Fills a shape with a top-lit gradient of the ink and outlines it.
void inkShape(QPainter& p, const QPainterPath& path, const Ink& ink, double pen = 1.2) {
    const QRectF r = path.boundingRect();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, ink.light);
    g.setColorAt(0.5, ink.fill);
    g.setColorAt(1, ink.fill.darker(125));
    p.setBrush(g);
    p.setPen(QPen(ink.dark, hair(p, pen), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

// A triangle pointing left, tip at tipX, flat side at baseX.
QPainterPath leftTriangle(double tipX, double baseX, double top, double bottom) {
    QPainterPath t;
    t.moveTo(tipX, (top + bottom) / 2);
    t.lineTo(baseX, top);
    t.lineTo(baseX, bottom);
    t.closeSubpath();
    return t;
}

// The open photo album: two pages on a plum cover, lines of writing on the
// left page and a small landscape photo on the right one.
void drawBook(QPainter& p, const QRectF& box) {
    const double unit = box.width() / 36.0;
    const QRectF in = box.adjusted(0.6 * unit, 0.6 * unit, -0.6 * unit,
                                   -0.6 * unit);  // outline stays inside `box`
    auto at = [&](double u, double v) {
        return QPointF(in.x() + u * in.width(), in.y() + v * in.height());
    };
    p.save();
    QPainterPath cover;
    cover.moveTo(at(0.5, 0.26));
    cover.quadTo(at(0.26, 0.08), at(0.0, 0.12));
    cover.lineTo(at(0.0, 0.86));
    cover.quadTo(at(0.28, 0.84), at(0.5, 1.0));
    cover.quadTo(at(0.72, 0.84), at(1.0, 0.86));
    cover.lineTo(at(1.0, 0.12));
    cover.quadTo(at(0.74, 0.08), at(0.5, 0.26));
    cover.closeSubpath();
    inkShape(p, cover, Ink{QColor(170, 60, 130), QColor(120, 30, 95), QColor(55, 10, 45)},
             1.1 * unit);

    auto page = [&](double side, double drop, QColor paper) {  // side -1 left, +1 right
        auto s = [&](double u, double v) { return at(0.5 + side * (0.5 - u), v + drop); };
        QPainterPath pg;
        pg.moveTo(s(0.5, 0.88));
        pg.quadTo(s(0.3, 0.74), s(0.06, 0.77));
        pg.lineTo(s(0.06, 0.05));
        pg.quadTo(s(0.3, 0.0), s(0.5, 0.14));
        pg.closeSubpath();
        p.setBrush(paper);
        p.setPen(QPen(QColor(95, 70, 95), hair(p, 0.8 * unit), Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawPath(pg);
    };
    for (double side : {-1.0, 1.0}) {
        page(side, 0.05, QColor(225, 215, 200));
        page(side, 0.0, QColor(253, 250, 240));
    }
    p.setPen(QPen(QColor(150, 135, 175), hair(p, 0.9 * unit), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        const double v = 0.27 + 0.14 * i;
        QPainterPath line;
        line.moveTo(at(0.13, v));
        line.quadTo(at(0.3, v - 0.04), at(0.43, v + 0.06));
        p.drawPath(line);
    }
    const QRectF photo(at(0.59, 0.28), at(0.87, 0.66));
    p.setPen(QPen(QColor(80, 70, 100), hair(p, 0.7 * unit)));
    p.setBrush(QColor(120, 175, 235));
    p.drawRect(photo);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 215, 60));
    p.drawEllipse(QPointF(photo.right() - photo.width() * 0.28, photo.top() + photo.height() * 0.3),
                  photo.width() * 0.14, photo.width() * 0.14);
    QPainterPath hill;
    hill.moveTo(photo.bottomLeft());
    hill.lineTo(photo.left(), photo.top() + photo.height() * 0.65);
    hill.quadTo(photo.left() + photo.width() * 0.45, photo.top() + photo.height() * 0.35,
                photo.right(), photo.top() + photo.height() * 0.7);
    hill.lineTo(photo.bottomRight());
    p.setBrush(QColor(70, 150, 70));
    p.setClipRect(photo.adjusted(0.5, 0.5, -0.5, -0.5));
    p.drawPath(hill);
    p.restore();
}

// A small landscape photo with a white border, grey in the normal glyphs.
void drawPhoto(QPainter& p, const QRectF& r, bool colour) {
    p.setPen(QPen(colour ? QColor(70, 60, 90) : QColor(80, 80, 92), hair(p, 1.0)));
    p.setBrush(QColor(250, 250, 252));
    p.drawRect(r);
    const QRectF in = r.adjusted(2.5, 2.5, -2.5, -2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(colour ? QColor(125, 180, 240) : QColor(190, 190, 198));
    p.drawRect(in);
    p.setBrush(colour ? QColor(250, 210, 50) : QColor(235, 235, 240));
    p.drawEllipse(QPointF(in.right() - 4, in.top() + 3.5), 2.2, 2.2);
    QPainterPath hill;
    hill.moveTo(in.bottomLeft());
    hill.lineTo(in.left(), in.bottom() - 4);
    hill.lineTo(in.left() + in.width() * 0.4, in.top() + in.height() * 0.45);
    hill.lineTo(in.left() + in.width() * 0.7, in.bottom() - 5);
    hill.lineTo(in.right(), in.bottom() - 3);
    hill.lineTo(in.bottomRight());
    p.setBrush(colour ? QColor(60, 145, 75) : QColor(125, 125, 135));
    p.drawPath(hill);
}

// A thick stroke with a dark rim: drawn twice, wide in the outline colour first.
void rimmedLine(QPainter& p, QPointF a, QPointF b, const Ink& ink, double width) {
    p.setPen(QPen(ink.dark, width + 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
    p.setPen(QPen(ink.fill, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
}

// ---------------------------------------------------------------- button glyphs (32-unit grid)

void glyphFirst(QPainter& p, const Ink& ink) {
    QPainterPath bar;
    bar.addRoundedRect(QRectF(3.5, 7, 4, 18), 1, 1);
    inkShape(p, bar, ink);
    inkShape(p, leftTriangle(17.5, 28.5, 7, 25), ink);
    inkShape(p, leftTriangle(8.5, 19.5, 7, 25), ink);
}

void glyphPrev(QPainter& p, const Ink& ink) {
    inkShape(p, leftTriangle(2.5, 13.5, 1.5, 14.5), ink, 1.0);
}

void mirrored(QPainter& p, int size, void (*glyph)(QPainter&, const Ink&), const Ink& ink) {
    p.save();
    p.translate(size, 0);
    p.scale(-1, 1);
    glyph(p, ink);
    p.restore();
}

void glyphAdd(QPainter& p, const Ink& ink, bool colour) {
    drawPhoto(p, QRectF(2.5, 4.5, 20, 17), colour);
    QPainterPath badge;
    badge.addEllipse(QPointF(22.5, 22.5), 8, 8);
    inkShape(p, badge, ink, 1.2);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(22.5, 17.5), QPointF(22.5, 27.5));
    p.drawLine(QPointF(17.5, 22.5), QPointF(27.5, 22.5));
}

void glyphDelete(QPainter& p, const Ink& ink, bool colour) {
    if (p.transform().m11() < 1) {  // 16 pixels: a plain frame and a bolder cross
        p.setPen(QPen(ink.dark, 2));
        p.setBrush(colour ? QColor(125, 180, 240) : QColor(205, 205, 212));
        p.drawRect(QRectF(3, 5, 26, 22));
        p.setPen(QPen(colour ? ink.fill : ink.dark, 4.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 9), QPointF(23, 23));
        p.drawLine(QPointF(23, 9), QPointF(9, 23));
        return;
    }
    drawPhoto(p, QRectF(3.5, 6.5, 25, 20), colour);
    rimmedLine(p, QPointF(7, 6), QPointF(25, 26), ink, 3.2);
    rimmedLine(p, QPointF(25, 6), QPointF(7, 26), ink, 3.2);
}

void glyphJump(QPainter& p, const Ink& ink) {
    const QPointF c(13, 13);
    rimmedLine(p, QPointF(19.5, 19.5), QPointF(27.5, 27.5), ink, 4);
    QPainterPath ring;
    ring.addEllipse(c, 10.5, 10.5);
    ring.addEllipse(c, 7, 7);
    inkShape(p, ring, ink, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 248, 255));
    p.drawEllipse(c, 6.6, 6.6);
    p.setPen(QPen(ink.dark, 1.5, Qt::SolidLine, Qt::FlatCap));
    for (double d : {-2.0, 2.0}) {
        p.drawLine(QPointF(c.x() + d - 0.7, c.y() - 4.5),
                   QPointF(c.x() + d + 0.3, c.y() + 4.5));  // slanted '#'
        p.drawLine(QPointF(c.x() - 4.5, c.y() + d), QPointF(c.x() + 4.5, c.y() + d));
    }
}

void glyphDisc(QPainter& p, bool colour) {
    const QPointF c(16, 16);
    QConicalGradient sheen(c, 30);
    const QList<QColor> bands =
        colour ? QList<QColor>{QColor(175, 140, 235), QColor(120, 215, 225), QColor(250, 245, 255),
                               QColor(235, 150, 210), QColor(140, 200, 240), QColor(175, 140, 235)}
               : QList<QColor>{QColor(175, 175, 182), QColor(215, 215, 220), QColor(250, 250, 252),
                               QColor(165, 165, 172), QColor(225, 225, 230), QColor(175, 175, 182)};
    for (int i = 0; i < bands.size(); ++i)
        sheen.setColorAt(double(i) / (bands.size() - 1), bands[i]);
    p.setPen(QPen(colour ? QColor(70, 40, 120) : QColor(80, 80, 92), 1.2));
    p.setBrush(sheen);
    p.drawEllipse(c, 13.7, 13.7);
    p.setPen(QPen(colour ? QColor(120, 100, 160) : QColor(130, 130, 140), 1.0));
    p.setBrush(colour ? QColor(225, 230, 245) : QColor(228, 228, 232));
    p.drawEllipse(c, 5.5, 5.5);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 2.6, 2.6);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void glyphOk(QPainter& p, QColor ink) {
    const QPainterPath text =
        fittedText(QStringLiteral("OK"), scriptFont(26), QPointF(16, 16), QSizeF(29, 23));
    p.setPen(QPen(ink, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(ink);
    p.drawPath(text);
}

// Renders a glyph drawn on the 32-unit grid into a size x size picture.
template <typename Draw>
QImage glyphImage(int size, Draw draw) {
    QImage img = transparentCanvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    draw(p);
    return img;
}

// ---------------------------------------------------------------- windows

// The two glyphs in the dark square at the top right of the album window.
void drawWindowControls(QPainter& p, bool minimiseOn, bool closeOn) {
    p.fillRect(QRect(585, 3, 30, 18), kTitleSquare);
    const QColor dim(70, 175, 80), bright(175, 255, 70);
    p.fillRect(QRect(589, 13, 8, 3), minimiseOn ? bright : dim);
    p.setPen(QPen(closeOn ? bright : dim, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(604, 8), QPointF(612, 16));
    p.drawLine(QPointF(612, 8), QPointF(604, 16));
}

QImage albumBackground() {
    QImage img = paperTexture(QSize(621, 466), kLavender, 14, 1);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Photo frame: plain, slightly darker, with an engraved edge.
    p.fillRect(QRect(12, 42, 424, 413), QColor(188, 178, 220));
    p.setPen(QColor(238, 232, 250));
    p.drawRect(QRectF(11.5, 41.5, 425, 414));
    p.setPen(QColor(135, 120, 180));
    p.drawRect(QRectF(12.5, 42.5, 423, 412));

    // Pale blue panel behind the fields and the buttons.
    const QRectF panel(446, 26, 171, 427);
    QPainterPath shape;
    shape.addRoundedRect(panel, 7, 7);
    p.save();
    p.setClipPath(shape);
    p.drawImage(panel.topLeft(), paperTexture(panel.size().toSize(), kPanelBlue, 9, 2));
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 110, 170), 1));
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    QLinearGradient bevel(panel.topLeft(), panel.bottomRight());  // lit from the top left
    bevel.setColorAt(0, QColor(255, 255, 255, 230));
    bevel.setColorAt(0.5, QColor(255, 255, 255, 0));
    bevel.setColorAt(0.5, QColor(130, 150, 200, 0));
    bevel.setColorAt(1, QColor(130, 150, 200, 230));
    p.setPen(QPen(QBrush(bevel), 2));
    p.drawRoundedRect(panel.adjusted(2, 2, -2, -2), 6, 6);

    drawBook(p, QRectF(6, 6, 36, 32));

    // Title in yellow script, baseline at y 32, over a dark shadow that keeps
    // the thin script strokes legible on the lavender.
    QPainterPath title;
    title.addText(46, 32, scriptFont(38), QStringLiteral("Pictora"));
    p.setPen(QPen(QColor(60, 30, 90, 220), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(60, 30, 90, 220));
    p.drawPath(title.translated(1.2, 1.2));
    QLinearGradient gold(0, 8, 0, 32);
    gold.setColorAt(0, QColor(255, 250, 150));
    gold.setColorAt(1, QColor(255, 205, 20));
    p.setPen(QPen(QBrush(gold), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(gold);
    p.drawPath(title);
    std::printf("Title spans x %.0f..%.0f, y %.0f..%.0f\n", title.boundingRect().left(),
                title.boundingRect().right(), title.boundingRect().top(),
                title.boundingRect().bottom());

    drawWindowControls(p, false, false);
    return img;
}

QImage pickerBackground() {
    QImage img = paperTexture(QSize(299, 360), kCream, 6, 3);
    QPainter p(&img);
    // Raised edge, four lines from the outside in: light top and left, shadow bottom and right.
    const QColor lit[4] = {QColor(234, 226, 198), QColor(255, 255, 250), QColor(255, 252, 242),
                           QColor(253, 249, 234)};
    const QColor shade[4] = {QColor(110, 95, 68), QColor(155, 140, 105), QColor(192, 180, 148),
                             QColor(222, 212, 184)};
    for (int i = 0; i < 4; ++i) {
        p.setPen(lit[i]);
        p.drawLine(i, i, 298 - i, i);
        p.drawLine(i, i, i, 359 - i);
        p.setPen(shade[i]);
        p.drawLine(i + 1, 359 - i, 298 - i, 359 - i);
        p.drawLine(298 - i, i + 1, 298 - i, 359 - i);
    }
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath heading = fittedText(QStringLiteral("Seleziona l'immagine"), scriptFont(30),
                                            QPointF(149.5, 26), QSizeF(260, 34));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 185, 150));
    p.drawPath(heading.translated(1, 1));
    p.setBrush(kHeadingViolet);
    p.setPen(QPen(kHeadingViolet, 0.4));
    p.drawPath(heading);
    const QRectF hb = heading.boundingRect();
    std::printf("Picker heading spans x %.0f..%.0f, y %.0f..%.0f\n", hb.left(), hb.right(),
                hb.top(), hb.bottom());
    return img;
}

QImage caption(const QImage& background, int y, const QString& text) {
    QImage img = background.copy(452 * density, y * density, 150 * density, 20 * density);
    img.setDevicePixelRatio(density);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 255, 255, 150));
    p.drawText(QRect(5, 1, 146, 20), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.setPen(kCaptionInk);
    p.drawText(QRect(4, 0, 146, 20), Qt::AlignLeft | Qt::AlignVCenter, text);
    return img;
}

// Hand cursor, fingertip at (12, 1): X outline, o fill, . transparent.
const char* const kHand[32] = {
    "................................", "...........XXX..................",
    "..........XoooX.................", "..........XoooX.................",
    "..........XoooX.................", "..........XoooX.................",
    "..........XoooX.................", "..........XoooXXXX..............",
    "..........XoooXoooX.............", "..........XoooXoooXXXX..........",
    "..........XoooXoooXoooX.........", "..........XoooXoooXoooXXXX......",
    "..........XoooXoooXoooXoooX.....", "..........XoooXoooXoooXoooX.....",
    ".....XXXXXXoooXoooXoooXoooX.....", "....XoooooooooXoooXoooXoooX.....",
    "....XoooooooooooooooooooooX.....", "....XoooooooooooooooooooooX.....",
    ".....XooooooooooooooooooooX.....", "......XoooooooooooooooooooX.....",
    ".......XooooooooooooooooooX.....", "........XoooooooooooooooooX.....",
    ".........XooooooooooooooooX.....", ".........XoooooooooooooooX......",
    "..........XooooooooooooooX......", "..........XooooooooooooooX......",
    "..........XooooooooooooooX......", "..........XXXXXXXXXXXXXXXX......",
    "................................", "................................",
    "................................", "................................",
};

QImage handImage() {
    QImage img = transparentCanvas(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (kHand[y][x] != '.')
                img.setPixel(x, y, kHand[y][x] == 'X' ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return img;
}

// ---------------------------------------------------------------- checks

void check(const QString& name, const QList<QSize>& sizes) {
    QImageReader reader(outDir + QLatin1Char('/') + name);
    QList<QSize> got;
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToNextImage()) break;
        const QImage img = reader.read();
        if (img.isNull()) break;
        got << img.size();
    }
    bool ok = got == sizes;
    if (ok && maskedPixels.contains(name)) {  // transparency: alpha from the mask, or black key
        const QImage first = QImageReader(outDir + QLatin1Char('/') + name)
                                 .read()
                                 .convertToFormat(QImage::Format_ARGB32);
        int clear = 0, black = 0;
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x) {
                clear += qAlpha(first.pixel(x, y)) < 128;
                black += first.pixel(x, y) == qRgb(0, 0, 0);
            }
        if (clear == 0) clear = black;
        ok = clear == maskedPixels[name];
    }
    if (!ok) ++failures;
    QStringList text;
    for (const QSize& s : got) text << QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
    std::printf("  %-24s %-8s %s\n", qPrintable(name), qPrintable(text.join(QLatin1Char(' '))),
                ok ? "ok" : "WRONG");
}

// Every picture of the windows, at the current density.
void drawAll() {
    // Album window.
    const QImage album = albumBackground();
    saveEncoded(QStringLiteral("form1_background.jpg"), album, "JPG", 90);
    {
        QImage controls(40 * density, 24 * density, QImage::Format_RGB32);
        controls.setDevicePixelRatio(density);
        QPainter p(&controls);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-580, 0);
        drawWindowControls(p, true, true);
        p.end();
        auto cut = [&](int x, int y, int w, int h) {
            QImage part = controls.copy(x * density, y * density, w * density, h * density);
            part.setDevicePixelRatio(density);
            return part;
        };
        saveEncoded(QStringLiteral("minimise_on.jpg"), cut(587 - 580, 4, 13, 14), "JPG", 95);
        saveEncoded(QStringLiteral("close_on.jpg"), cut(602 - 580, 5, 13, 13), "JPG", 95);
    }

    // Buttons: the normal picture in greys, the highlighted one in colour.
    const std::optional<QColor> onPanel = kPanelBlue;
    auto pair = [&](const QString& stem, int size, auto draw, const Ink& on) {
        saveIcon(stem + QStringLiteral("_off.ico"),
                 {glyphImage(size, [&](QPainter& p) { draw(p, kGrey, false); })}, 24, onPanel);
        saveIcon(stem + QStringLiteral("_on.ico"),
                 {glyphImage(size, [&](QPainter& p) { draw(p, on, true); })}, 24, onPanel);
    };
    pair(
        QStringLiteral("first"), 32, [](QPainter& p, const Ink& i, bool) { glyphFirst(p, i); },
        kViolet);
    pair(
        QStringLiteral("last"), 32,
        [](QPainter& p, const Ink& i, bool) { mirrored(p, 32, glyphFirst, i); }, kViolet);
    pair(
        QStringLiteral("prev"), 16,
        [](QPainter& p, const Ink& i, bool) {
            p.scale(2, 2);
            glyphPrev(p, i);
        },
        kViolet);
    pair(
        QStringLiteral("next"), 16,
        [](QPainter& p, const Ink& i, bool) {
            p.scale(2, 2);
            mirrored(p, 16, glyphPrev, i);
        },
        kViolet);
    pair(
        QStringLiteral("add"), 32, [](QPainter& p, const Ink& i, bool c) { glyphAdd(p, i, c); },
        kGreen);
    pair(
        QStringLiteral("jump"), 32, [](QPainter& p, const Ink& i, bool) { glyphJump(p, i); },
        kTeal);
    pair(
        QStringLiteral("otherdb"), 32, [](QPainter& p, const Ink&, bool c) { glyphDisc(p, c); },
        kViolet);
    saveIcon(QStringLiteral("delete_off.ico"),
             {glyphImage(16, [](QPainter& p) { glyphDelete(p, kGrey, false); }),
              glyphImage(32, [](QPainter& p) { glyphDelete(p, kGrey, false); })},
             4, onPanel);
    saveIcon(QStringLiteral("delete_on.ico"),
             {glyphImage(32, [](QPainter& p) { glyphDelete(p, kMagenta, true); })}, 24, onPanel);

    // Field captions, cut from the panel where each one is shown.
    const QList<std::pair<QString, QString>> captions = {
        {QStringLiteral("id"), QStringLiteral("Numero foto")},
        {QStringLiteral("titolo"), QStringLiteral("Titolo")},
        {QStringLiteral("data"), QStringLiteral("Data dello scatto")},
        {QStringLiteral("luogo"), QStringLiteral("Luogo")},
        {QStringLiteral("persone"), QStringLiteral("Persone presenti")},
        {QStringLiteral("note"), QStringLiteral("Note")}};
    const int captionTops[] = {68, 116, 164, 212, 260, 328};
    for (int i = 0; i < captions.size(); ++i)
        saveBmp24(QStringLiteral("caption_%1.bmp").arg(captions[i].first),
                  caption(album, captionTops[i], captions[i].second));

    // Program icon and cursor: the icon's 128-pixel picture serves dense
    // screens, and the cursor keeps its pixels.
    if (density == 1) {
        saveIcon(QStringLiteral("pictora.ico"),
                 {glyphImage(32, [](QPainter& p) { drawBook(p, QRectF(0.5, 2.5, 31, 27.5)); })}, 24,
                 std::nullopt);
        saveEncoded(QStringLiteral("pictora.png"),
                    glyphImage(128, [](QPainter& p) { drawBook(p, QRectF(0.5, 2.5, 31, 27.5)); }),
                    "PNG");
        saveIcon(QStringLiteral("hand.cur"), {handImage()}, 4, std::nullopt, QPoint(12, 1));
    }
    // The picker window.
    saveEncoded(QStringLiteral("form2_background.jpg"), pickerBackground(), "JPG", 90);
    saveIcon(QStringLiteral("ok_off.ico"),
             {glyphImage(32, [](QPainter& p) { glyphOk(p, QColor(118, 118, 128)); })}, 24, kCream);
    saveIcon(QStringLiteral("ok_on.ico"),
             {glyphImage(32, [](QPainter& p) { glyphOk(p, kHeadingViolet); })}, 24, kCream);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);

    // Z003 (Debian fonts-urw-base35) is listed once per foundry, e.g. "Z003 [urw]".
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families)
        if (scriptFamily.isEmpty() &&
            (f == QLatin1String("Z003") || f.startsWith(QLatin1String("Z003 ["))))
            scriptFamily = f;
    if (scriptFamily.isEmpty()) {
        for (const char* serif : {"P052", "DejaVu Serif", "Liberation Serif", "Serif"})
            if (scriptFamily.isEmpty() && QFontDatabase::hasFamily(QLatin1String(serif)))
                scriptFamily = QLatin1String(serif);
        std::printf(
            "Z003 not installed (Debian package fonts-urw-base35): falling back to an italic "
            "serif.\n");
    }
    std::printf("Script lettering: %s\n",
                qPrintable(QFontInfo(scriptFont(30)).family() +
                           (scriptFont(30).italic() ? QStringLiteral(" Italic") : QString())));
    QFont captionFont(QStringLiteral("Liberation Sans"));
    captionFont.setBold(true);
    std::printf("Captions: %s Bold\n", qPrintable(QFontInfo(captionFont).family()));

    for (density = 1; density <= 2; ++density) drawAll();

    std::printf("Checking what Qt reads back:\n");
    const QSize s16(16, 16), s32(32, 32);
    for (const QString& written2x : std::as_const(written)) {
        // A "@2x" picture is twice its 1x twin's largest size.
        const QString name = twinOf.value(written2x, written2x);
        QList<QSize> sizes{s32};
        if (name == QLatin1String("form1_background.jpg"))
            sizes = {QSize(621, 466)};
        else if (name == QLatin1String("form2_background.jpg"))
            sizes = {QSize(299, 360)};
        else if (name == QLatin1String("minimise_on.jpg"))
            sizes = {QSize(13, 14)};
        else if (name == QLatin1String("close_on.jpg"))
            sizes = {QSize(13, 13)};
        else if (name.startsWith(QLatin1String("caption_")))
            sizes = {QSize(150, 20)};
        else if (name == QLatin1String("pictora.png"))
            sizes = {QSize(128, 128)};
        else if (name == QLatin1String("delete_off.ico"))
            sizes = {s16, s32};
        else if (name.startsWith(QLatin1String("prev")) || name.startsWith(QLatin1String("next")))
            sizes = {s16};
        if (name != written2x) sizes = {sizes.last() * 2};
        check(written2x, sizes);
    }
    std::printf("%lld files written to %s, %d problem(s)\n", qlonglong(written.size()),
                qPrintable(outDir), failures);
    return failures == 0 ? 0 : 1;
}
