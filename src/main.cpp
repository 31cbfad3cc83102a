// Pictora: assembles the program from its rooms (the album store, the album
// object, the windows) and runs it.
#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

#include <cstdio>
#include <cstring>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "app/platform.h"
#include "pictures/picture_loader.h"
#include "pictures/thumbnail_cache.h"
#include "store/access_engine.h"
#include "widgets/qt_dialogs.h"

int main(int argc, char* argv[]) {
    // Answered before any window system is reached, so it works without a
    // display too.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pictora %s\n", PICTORA_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictora");
    QApplication::setApplicationVersion(PICTORA_VERSION);
    // Ties the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName("pictora");

    // Italian standard buttons: "Sì", "No", "OK", "Annulla".
    QTranslator qtTranslations;
    if (qtTranslations.load(QLocale(QLocale::Italian), "qtbase", "_",
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslations);
    }

    QtDialogs dialogs;
    Platform platform;
    // Albums of the earlier versions' Access format are read through
    // pictora-album into copies kept in the cache folder; native ones as they are.
    Module1 module(dialogs, platform,
                   store::MakeAlbumEngine({platform.AccessCacheFolder().toStdString(),
                                           platform.AlbumToolPath().toStdString()}));
    // The first photo's picture is read while the window is being built.
    const qreal ratio = QApplication::primaryScreen()->devicePixelRatio();
    pictures::PictureLoader pictures(PhotoFrameSize(ratio), ratio);
    pictures.SetThumbnailFolder(pictures::ThumbnailCache::DefaultRoot());
    if (const QString first = module.StartupPicturePath(); !first.isEmpty())
        pictures.Preload(first);
    Form1 form(module, pictures);

    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    return QApplication::exec();
}
