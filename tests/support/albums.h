#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// One row of an album written by a test.
struct PhotoRow {
    long long id;
    QString titolo;
    QString folder;  // percorso_file
    QString file;    // nome_file
    QString data_scatto = "01/01/01";
    QString luogo = "Palermo";
    QString persone = "Anna";
    QString note = "";
};

// Writes a new album at `path` holding `rows`.
void WriteAlbum(const QString& path, const std::vector<PhotoRow>& rows);
// The same as another program may make it: no type and no key on the number,
// so two photos may share one.
void WriteLooseAlbum(const QString& path, const std::vector<PhotoRow>& rows);
// Writes a new album at `path` of `count` photos, photo i (from 1) made by
// `row(i)`, in one transaction: a million photos take a second or two.
void WriteAlbum(const QString& path, long long count,
                const std::function<PhotoRow(long long)>& row);

// The ids of the album at `path`, in order, read straight from the file.
std::vector<long long> AlbumIds(const QString& path);

// The eight values of photo `id` of the album at `path` as text, or none.
QStringList AlbumRow(const QString& path, long long id);

// Changes the album at `path` behind the program's back, as another program
// would.
void ExecuteSql(const QString& path, const char* sql);

// Writes at `path` an album holding `rows` (numbered below 10), then photos
// 10 to 400, as a write cut short leaves it: its pages already changed (every
// title "A metà"), the journal that undoes the change beside it.
void WriteCutShortAlbum(const QString& path, const std::vector<PhotoRow>& rows);

// Zeroes the page holding the album's table at `path`, with the file's
// change counter moved on, as another program's write would.
void DamageTablePage(const QString& path);

// Writes a picture of `width` x `height` pixels filled with `color`; "jpg" or
// "bmp" by the path's ending. A JPEG can carry an EXIF orientation (1-8).
void WritePicture(const QString& path, int width, int height, QColor color = Qt::blue,
                  int exifOrientation = 0);

// Writes a photo-like JPEG (gradients and shapes, so it compresses as a photo
// does), progressive when asked.
void WritePhotoLikeJpeg(const QString& path, int width, int height, bool progressive = false,
                        int shapes = 200);
