#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
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

// The ids of the album at `path`, in order, read straight from the file.
std::vector<long long> AlbumIds(const QString& path);

// Writes a picture of `width` x `height` pixels filled with `color`; "jpg" or
// "bmp" by the path's ending. A JPEG can carry an EXIF orientation (1-8).
void WritePicture(const QString& path, int width, int height, QColor color = Qt::blue,
                  int exifOrientation = 0);
