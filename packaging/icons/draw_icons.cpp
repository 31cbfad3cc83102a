// Draws the program's icon for the desktop's icon theme at each size, with
// the very drawing of the artwork generator (the book of pictora.ico and
// pictora.png), so the menu's icon and the window's icon stay one picture.
//   draw_icons OUTPUT_FOLDER   writes OUTPUT_FOLDER/pictora-SIZE.png and
//                              OUTPUT_FOLDER/pictora.svg
#include <QSvgGenerator>

#define main generate_artwork_main
#include "../../resources/generator/generate_artwork.cpp"
#undef main

namespace {

void drawIcon(QPainter& p) {
    drawBook(p, QRectF(0.5, 2.5, 31, 27.5));
}

// The scalable icon: the same drawing in SVG, on the canvas of the largest
// picture, so its lines are as fine as there.
bool saveScalable(const QString& file) {
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("Pictora"));
    QPainter p;
    if (!p.begin(&svg)) return false;
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(256 / 32.0, 256 / 32.0);
    drawIcon(p);
    return p.end();
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon = glyphImage(size, drawIcon);
        const QString file = QStringLiteral("%1/pictora-%2.png").arg(folder).arg(size);
        if (!icon.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    if (!saveScalable(folder + QStringLiteral("/pictora.svg"))) {
        std::fprintf(stderr, "cannot write %s/pictora.svg\n", qPrintable(folder));
        return 1;
    }
    return 0;
}
