#include "support/albums.h"

#include <QBuffer>
#include <QFile>
#include <stdexcept>

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

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation) {
    // APP1 "Exif": a big-endian TIFF header and one IFD with one SHORT entry.
    const char tiff[] = {'M',  'M',
                         0,    42,
                         0,    0,
                         0,    8,  // header
                         0,    1,  // one entry
                         0x01, 0x12,
                         0,    3,
                         0,    0,
                         0,    1,  // Orientation, SHORT, 1
                         0,    static_cast<char>(orientation),
                         0,    0,  // value
                         0,    0,
                         0,    0};  // no next IFD
    QByteArray payload = QByteArray("Exif\0\0", 6) + QByteArray(tiff, sizeof tiff);
    const int length = payload.size() + 2;
    QByteArray segment;
    segment.append(char(0xFF)).append(char(0xE1));
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    segment.append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
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
