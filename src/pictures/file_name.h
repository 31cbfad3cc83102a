#pragma once

// Pictures named by bytes that are not UTF-8. Files copied from old Windows
// disks and CDs keep their names in Windows-1252, while the album holds them
// as text: "caffè.bmp" is then the bytes "caff\xe8.bmp" on disk.
#include <QByteArray>
#include <QString>
#include <optional>

struct stat;

namespace pictures {

// `text` in Windows-1252, or nothing when it holds a character that code
// page lacks.
std::optional<QByteArray> Windows1252(const QString& text);

// Stats the file at `path` as stat(2) does, by its UTF-8 name or, when no
// file has that one, by the Windows-1252 bytes of its name, then of its whole
// path; `name` is the one that answered (the UTF-8 one when none did).
int StatByName(const QString& path, struct stat& st, QByteArray& name);

}  // namespace pictures
