// Putting the current row's picture in the album window's photo frame, and
// reading its neighbours' pictures ahead.
#include "album_window/show_photo.h"

#include <QFileInfo>
#include <QLabel>
#include <QWindow>
#include <optional>
#include <utility>

#include "album_window/form1.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "viewer/full_screen.h"
#include "widgets/twips.h"

QSizeF FitToFrame(QSize natural) {
    const float w = static_cast<float>(PixelsToTwips(natural.width()));
    const float h = static_cast<float>(PixelsToTwips(natural.height()));
    if (h >= w) return QSizeF(w * kPhotoFrameWidth / h, kPhotoFrameHeight);
    return QSizeF(kPhotoFrameWidth, h * kPhotoFrameHeight / w);
}

pictures::FrameSize PhotoFrameSize(qreal devicePixelRatio) {
    return [devicePixelRatio](QSize natural) {
        const QSizeF fit = FitToFrame(natural);
        return QSize(qMax(1, qRound(TwipsToPixels(fit.width()) * devicePixelRatio)),
                     qMax(1, qRound(TwipsToPixels(fit.height()) * devicePixelRatio)));
    };
}

const char* const kEmptyAlbumHint =
    "L'album è vuoto: trascina qui le foto o una cartella, oppure premi Ctrl+Maiusc+A";

QString PictureNotice(const QString& path, pictures::Failure failure) {
    const QString cause = failure == pictures::Failure::NotFound   ? "Immagine non trovata"
                          : failure == pictures::Failure::TooLarge ? "Immagine troppo grande"
                                                                   : "Immagine non leggibile";
    // A view of the name: a name of megabytes is not copied.
    const QStringView name = QStringView(path).mid(path.lastIndexOf('/') + 1);
    if (name.isEmpty()) return cause;
    // A name too long for the frame is shown by its two ends.
    constexpr qsizetype kHead = 60, kTail = 40;
    if (name.size() <= kHead + kTail + 1) return cause + ": " + name.toString();
    qsizetype head = kHead, tail = name.size() - kTail;
    if (name[head - 1].isHighSurrogate()) --head;
    if (name[tail].isLowSurrogate()) ++tail;
    return cause + ": " + name.left(head).toString() + QChar(0x2026) + name.mid(tail).toString();
}

void Form1::ShowPhoto(const QString& path) {
    // With no current row (an empty album, a CD's root) the path names a
    // folder, and the frame stays exactly as it was; an empty album that
    // may be written says there how to fill it.
    if (!module.CurrentPhoto() && QFileInfo(path).isDir()) {
        if (!module.ReadOnly() && module.AlbumEmpty()) {
            PictureNoticeLabel->setText(kEmptyAlbumHint);
            PictureNoticeLabel->show();
        }
        return;
    }
    // Full screen shows the photos it steps through; the frame shows the
    // one it comes back on.
    if (FullScreen && FullScreen->isVisible()) return;

    FollowScreen();
    // Ready at once when it was read ahead, or when the file cannot be read;
    // else read on a worker while the fields already show this row, and the
    // frame stays empty until it is there: never another photo's picture.
    // A path longer than any file's names none: told at once (the loader
    // does not look), and not made absolute for nothing.
    wantedPicture_ =
        path.size() > pictures::kLongestPath ? path : QFileInfo(path).absoluteFilePath();
    if (const std::optional<pictures::Picture> picture = loader.Want(path)) {
        ShowPicture(*picture);
    } else {
        PictureNoticeLabel->hide();
        OfferFindMoved(false);
        Image1->ClearPicture();
        Image1->SetTwipsSize(kPhotoFrameWidth, kPhotoFrameHeight);
    }

    // The photos a step away, read while the user looks at this one: once
    // the window has painted it, so the reads do not hold the painting up.
    readAhead_ = module.NeighbourPicturePaths();
    if (!isVisible()) ReadAhead();
}

void Form1::PictureLoaded(const QString& path, const pictures::Picture& picture) {
    if (path != wantedPicture_) return;
    ShowPicture(picture);
}

void Form1::ShowPicture(const pictures::Picture& picture) {
    // Whatever it shows, the frame is Image1, which opens the photo list on a
    // click; only the right button drags the window by it.
    Image1->show();
    if (!picture.ok() || picture.natural.isEmpty()) {
        Image1->ClearPicture();
        Image1->SetTwipsSize(kPhotoFrameWidth, kPhotoFrameHeight);
        PictureNoticeLabel->setText(PictureNotice(wantedPicture_, picture.failure));
        PictureNoticeLabel->show();
        OfferFindMoved(picture.failure == pictures::Failure::NotFound && module.CurrentPhoto());
    } else {
        PictureNoticeLabel->hide();
        OfferFindMoved(false);
        Image1->SetPicture(picture.image, picture.natural);
        Image1->SetStretch(true);
        const QSizeF fit = FitToFrame(picture.natural);
        Image1->SetTwipsSize(static_cast<float>(fit.width()), static_cast<float>(fit.height()));
    }
    wantedPicture_.clear();
}

void Form1::ReadAhead() {
    const QStringList paths = std::exchange(readAhead_, {});
    for (const QString& path : paths) loader.Preload(path);
}

bool Form1::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // The window's pending painting is done and on screen.
    if (event->type() == QEvent::UpdateRequest && !readAhead_.isEmpty()) ReadAhead();
    return handled;
}

void Form1::ClearPhoto() {
    wantedPicture_.clear();
    Image1->ClearPicture();
    PictureNoticeLabel->hide();
    OfferFindMoved(false);
}

void Form1::BuildPictureFrame() {
    connect(&loader, &pictures::PictureLoader::Loaded, this, &Form1::PictureLoaded);
    PictureNoticeLabel = new QLabel(this);
    PictureNoticeLabel->setGeometry(TwipsRect(180, 630, 6345, 6180));
    PictureNoticeLabel->setAlignment(Qt::AlignCenter);
    PictureNoticeLabel->setWordWrap(true);
    // A file's name as it is, never read as markup.
    PictureNoticeLabel->setTextFormat(Qt::PlainText);
    // Pointer events go to the frame, Image1, beneath.
    PictureNoticeLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    PictureNoticeLabel->setFont(QFont("Arial", 10, QFont::Bold));
    QPalette palette = PictureNoticeLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(128, 0, 128));
    PictureNoticeLabel->setPalette(palette);
    PictureNoticeLabel->hide();
    BuildFindMoved();
}

void Form1::FollowScreen() {
    const qreal ratio = devicePixelRatioF();
    if (ratio == frameRatio_) return;
    frameRatio_ = ratio;
    loader.SetFrame(PhotoFrameSize(ratio), ratio);
}

void Form1::ScreenChanged() {
    const qreal before = frameRatio_;
    FollowScreen();
    // A picture read for the old screen's density is read again for the new.
    if (frameRatio_ != before && Image1->HasPicture() && module.CurrentPhoto()) module.ShowPhoto();
}
