// "Copia immagine" of the photo menu: the whole picture, read on a worker,
// to the clipboard.
#include <QClipboard>
#include <QGuiApplication>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/whole_pictures.h"

void Form1::CopyPicture(const QString& path) {
    if (!wholePictures_) {
        wholePictures_ = new pictures::WholePictures(this);
        connect(wholePictures_, &pictures::WholePictures::Done, this,
                [this](const QString& read, const pictures::Picture& picture) {
                    if (picture.ok())
                        QGuiApplication::clipboard()->setImage(picture.image);
                    else
                        module.Tell(PictureNotice(read, picture.failure));
                });
    }
    wholePictures_->Read(path);
}
