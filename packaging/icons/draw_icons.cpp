// Draws the program's icon for the desktop's icon theme at each size, with
// the very drawing of the artwork generator (the book of pictora.ico and
// pictora.png), so the menu's icon and the window's icon stay one picture.
//   draw_icons OUTPUT_FOLDER   writes OUTPUT_FOLDER/pictora-SIZE.png
#define main generate_artwork_main
#include "../../resources/generator/generate_artwork.cpp"
#undef main

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon =
            glyphImage(size, [](QPainter& p) { drawBook(p, QRectF(0.5, 2.5, 31, 27.5)); });
        const QString file = QStringLiteral("%1/pictora-%2.png").arg(folder).arg(size);
        if (!icon.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
