// The photo frame's menu: a right click on the frame.
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QUrl>

#include "album_window/form1.h"
#include "app/module1.h"
#include "widgets/twips.h"

void Form1::BuildPhotoMenu() {
    // Right clicks anywhere in the window come here; only the frame's open
    // the menu.
    setContextMenuPolicy(Qt::CustomContextMenu);
    // The photo keeps its clicks to itself: it asks for the menu on its own.
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Image1, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { emit customContextMenuRequested(Image1->mapTo(this, at)); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        if (!TwipsRect(180, 630, 6345, 6180).contains(at)) return;
        // The press that opened the menu starts no drag of the window; a
        // right button pressed elsewhere still drags it.
        DragActive = false;
        QMenu* menu = PhotoMenu();
        connect(menu, &QMenu::aboutToHide, this, [this, menu] {
            DragActive = false;
            // After the chosen item has run.
            menu->deleteLater();
        });
        menu->popup(mapToGlobal(at));
    });
}

QMenu* Form1::PhotoMenu() {
    auto* menu = new QMenu(this);
    const auto& photo = module.CurrentPhoto();
    const QString path = photo ? module.PicturePathOf(photo->texts) : QString();
    const QFileInfo file(path);
    // A picture the frame shows; a CD not inserted leaves the folder missing
    // and the frame saying so.
    const bool shown = photo && Image1->HasPicture() && !PictureNoticeLabel->isVisible();
    const bool isFile = photo && file.isFile();

    menu->addAction("Schermo intero", this, &Form1::ShowFullScreen)->setEnabled(photo.has_value());
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
    return menu;
}
