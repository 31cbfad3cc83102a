// The photo frame's menu: a right click on the frame, or the menu key.
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

#include "album_window/form1.h"
#include "app/module1.h"
#include "pictures/picture_reader.h"
#include "widgets/twips.h"

void Form1::BuildPhotoMenu() {
    // A right press on the photo drags the window as on its background; the
    // menu opens on a right click that did not drag (EndDrag), and on the
    // menu key.
    Image1->installEventFilter(this);
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
    // A right click opens the menu on its release, once it is known not to
    // be a drag.
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) OpenPhotoMenuByKey();
}

void Form1::OpenPhotoMenuByKey() {
    OpenPhotoMenu(Image1->geometry().center());
}

void Form1::OpenPhotoMenu(QPoint at) {
    if (!TwipsRect(180, 630, 6345, 6180).contains(at)) return;
    QMenu* menu = PhotoMenu();
    // After the chosen item has run.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(mapToGlobal(at));
}

QMenu* Form1::PhotoMenu() {
    auto* menu = new QMenu(this);
    const auto& photo = module.CurrentPhoto();
    const QString path = photo ? module.PicturePathOf(photo->texts) : QString();
    const QFileInfo file(path);
    // A picture the frame shows; a CD not inserted leaves the folder missing
    // and the frame saying so.
    const bool shown = photo && Image1->HasPicture() && !PictureNoticeLabel->isVisible();
    // Found as the frame finds it, by an old disk's name too.
    pictures::FileStamp stamp;
    const bool isFile = photo && pictures::StampOf(path, stamp) == pictures::Failure::None;

    menu->addAction("Schermo intero", this, &Form1::ShowFullScreen)->setEnabled(photo.has_value());
    menu->addAction("Provini", this, &Form1::ShowGrid)->setEnabled(photo.has_value());
    menu->addAction(
            "Apri la cartella della foto", this,
            [this, file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath())); })
        ->setEnabled(photo && file.absoluteDir().exists() && !file.isDir());
    menu->addAction("Copia immagine", this, [this, path] { CopyPicture(path); })
        ->setEnabled(shown && isFile);
    menu->addAction(
            "Copia percorso", this,
            [path] { QGuiApplication::clipboard()->setText(QDir::toNativeSeparators(path)); })
        ->setEnabled(photo && !file.isDir());
    menu->addAction("Cerca le foto spostate…", this, &Form1::FindMoved)
        ->setEnabled(photo.has_value());
    menu->addSeparator();
    // Enabled on an album that may only be read too: it says why it refuses.
    // The key is the window's; the menu only names it.
    menu->addAction("Aggiungi una cartella…", this, &Form1::AddFolder)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    return menu;
}
