#include "support/albums.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <stdexcept>

#include "pictora-album/exif.h"
#include "store/album_file.h"

namespace {

void InsertRows(SQLite::Database& db, long long count,
                const std::function<PhotoRow(long long)>& row) {
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO datab VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (long long i = 1; i <= count; ++i) {
        const PhotoRow r = row(i);
        insert.bind(1, static_cast<std::int64_t>(r.id));
        int column = 2;
        for (const QString* text :
             {&r.titolo, &r.data_scatto, &r.luogo, &r.persone, &r.note, &r.file, &r.folder})
            insert.bind(column++, text->toStdString());
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

std::function<PhotoRow(long long)> RowsOf(const std::vector<PhotoRow>& rows) {
    return [&rows](long long i) { return rows[static_cast<std::size_t>(i - 1)]; };
}

}  // namespace

void WriteAlbum(const QString& path, long long count,
                const std::function<PhotoRow(long long)>& row) {
    store::CreateAlbum(path.toStdString());
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    InsertRows(db, count, row);
}

void WriteAlbum(const QString& path, const std::vector<PhotoRow>& rows) {
    WriteAlbum(path, static_cast<long long>(rows.size()), RowsOf(rows));
}

void WriteLooseAlbum(const QString& path, const std::vector<PhotoRow>& rows) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(std::string("CREATE TABLE datab (") + store::kAlbumColumnList + ")");
    InsertRows(db, static_cast<long long>(rows.size()), RowsOf(rows));
}

void ExecuteSql(const QString& path, const char* sql) {
    // Waits, as other programs do, for the program's short reads (the word
    // index is read from the album on a thread of its own).
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE, 3000);
    db.exec(sql);
}

std::vector<long long> AlbumIds(const QString& path) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT id FROM datab ORDER BY id");
    std::vector<long long> ids;
    while (query.executeStep()) ids.push_back(query.getColumn(0).getInt64());
    return ids;
}

QStringList AlbumRow(const QString& path, long long id) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(
        db, std::string("SELECT ") + store::kAlbumColumnList + " FROM datab WHERE id = ?");
    query.bind(1, static_cast<std::int64_t>(id));
    if (!query.executeStep()) return {};
    QStringList row;
    for (int i = 0; i < query.getColumnCount(); ++i)
        row << QString::fromStdString(query.getColumn(i).getString());
    return row;
}

void WriteCutShortAlbum(const QString& path, const std::vector<PhotoRow>& rows) {
    const QString source = path + ".scritto";
    WriteAlbum(source, rows);
    // Enough rows that the change spills into the file before it commits.
    ExecuteSql(source,
               "WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
               "INSERT INTO datab (id, titolo, note) SELECT i, 'Foto', "
               "replace(hex(zeroblob(1000)), '0', 'x') FROM n");
    {
        SQLite::Database writer(source.toStdString(), SQLite::OPEN_READWRITE);
        writer.exec("PRAGMA cache_size = 1");
        writer.exec("BEGIN");
        writer.exec("UPDATE datab SET titolo = 'A metà', note = ''");
        if (!QFile::copy(source, path) || !QFile::copy(source + "-journal", path + "-journal"))
            throw std::runtime_error("cannot copy the album cut short");
        writer.exec("ROLLBACK");
    }
    QFile::remove(source);
}

void DamageTablePage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) throw std::runtime_error("cannot damage the album");
    QByteArray bytes = file.readAll();
    const int pageSize = (static_cast<uchar>(bytes[16]) << 8) | static_cast<uchar>(bytes[17]);
    bytes.replace(pageSize, pageSize, QByteArray(pageSize, '\0'));
    bytes[27] = static_cast<char>(bytes[27] + 1);
    file.seek(0);
    file.write(bytes);
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

void WritePhotoLikeJpeg(const QString& path, int width, int height, bool progressive, int shapes) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(40, 90, 200));
    sky.setColorAt(1, QColor(250, 200, 120));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < shapes; ++i) {
        painter.setBrush(QColor::fromHsv((i * 37) % 360, 180, 220));
        painter.drawEllipse((i * 997) % width, (i * 613) % height, width / 20 + i, height / 20 + i);
    }
    painter.end();
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) throw std::runtime_error("cannot write picture");
}
