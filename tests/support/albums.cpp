#include "support/albums.h"

#include <QBuffer>
#include <QFile>
#include <stdexcept>

#include "pictora-album/exif.h"
#include "store/album_file.h"
#include "store/data_control.h"

void WriteAlbum(const QString& path, const std::vector<PhotoRow>& rows) {
    store::CreateAlbum(path.toStdString());
    store::DataControl data;
    data.DatabaseName = path.toStdString();
    data.RecordSource = store::kAlbumQuery;
    data.Refresh();
    for (const PhotoRow& r : rows) {
        data.Database().Execute(
            "INSERT INTO datab VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
            {store::Value(static_cast<std::int64_t>(r.id)), r.titolo.toStdString(),
             r.data_scatto.toStdString(), r.luogo.toStdString(), r.persone.toStdString(),
             r.note.toStdString(), r.file.toStdString(), r.folder.toStdString()});
    }
}

std::vector<long long> AlbumIds(const QString& path) {
    store::DataControl data;
    data.DatabaseName = path.toStdString();
    data.RecordSource = store::kIdQuery;
    data.ReadOnly = true;
    data.Refresh();
    std::vector<long long> ids;
    for (auto& rs = data.Recordset(); !rs.Eof(); rs.MoveNext())
        ids.push_back(static_cast<long long>(rs.Fields("id").toNumber()));
    return ids;
}

void WritePicture(const QString& path, int width, int height, QColor color, int exifOrientation) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    const bool jpeg = !path.endsWith(".bmp", Qt::CaseInsensitive);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, jpeg ? "JPG" : "BMP")) throw std::runtime_error("cannot encode");
    if (jpeg && exifOrientation) bytes = WithExifOrientation(bytes, exifOrientation);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write picture");
    file.write(bytes);
}
