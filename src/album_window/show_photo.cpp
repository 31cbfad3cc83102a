// Putting the current row's picture in the album window's photo frame.
#include "album_window/show_photo.h"

#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

#include "album_window/form1.h"
#include "widgets/twips.h"

QSizeF FitToFrame(QSize natural) {
    const float w = static_cast<float>(PixelsToTwips(natural.width()));
    const float h = static_cast<float>(PixelsToTwips(natural.height()));
    if (h >= w) return QSizeF(w * kPhotoFrameWidth / h, kPhotoFrameHeight);
    return QSizeF(kPhotoFrameWidth, h * kPhotoFrameHeight / w);
}

FramedPicture ReadFramedPicture(const QString& path, qreal devicePixelRatio) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Smooth scaling when the reader shrinks the picture.
    reader.setQuality(100);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) return {};

    const bool quarterTurn = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize natural = quarterTurn ? stored.transposed() : stored;
    const QSizeF fit = FitToFrame(natural);
    const QSize shown(qMax(1, qRound(TwipsToPixels(fit.width()) * devicePixelRatio)),
                      qMax(1, qRound(TwipsToPixels(fit.height()) * devicePixelRatio)));
    // Decode no more pixels than the frame shows. The reader scales before it
    // turns the picture upright, so it is asked for the stored orientation.
    if (shown.width() < natural.width() && shown.height() < natural.height())
        reader.setScaledSize(quarterTurn ? shown.transposed() : shown);

    QImage image = reader.read();
    if (image.isNull()) return {};
    image.setDevicePixelRatio(devicePixelRatio);
    return {image, natural};
}

void Form1::ShowPhoto(const QString& path) {
    // A folder (an empty row gives "/", a CD row its root) leaves the frame
    // exactly as it was.
    if (QFileInfo(path).isDir()) return;

    // Any other failure keeps the picture already shown and fits it again.
    FramedPicture picture = ReadFramedPicture(path, devicePixelRatioF());
    if (!picture.image.isNull()) Image1->SetPicture(picture.image, picture.natural);

    Image1->hide();
    const QSize natural = Image1->NaturalSize();
    if (!Image1->HasPicture() || natural.isEmpty()) return;
    Image1->SetStretch(true);
    const QSizeF fit = FitToFrame(natural);
    Image1->SetTwipsSize(static_cast<float>(fit.width()), static_cast<float>(fit.height()));
    Image1->show();
}
