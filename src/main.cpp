// Pictora: assembles the program from its rooms (the album store, the album
// object, the windows) and runs it.
#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

#include "album_window/form1.h"
#include "app/module1.h"
#include "app/platform.h"
#include "store/access_engine.h"
#include "widgets/qt_dialogs.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pictora");
    QApplication::setApplicationVersion("1.00");
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
    Form1 form(module);

    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    form.move(screen.center() - form.rect().center());
    form.show();
    return QApplication::exec();
}
