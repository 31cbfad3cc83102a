#include "pictures/file_name.h"

#include <sys/stat.h>
#include <QFile>

#include <cerrno>

namespace pictures {

namespace {

// Windows-1252's bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr char16_t kHighBytes[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

}  // namespace

std::optional<QByteArray> Windows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes += static_cast<char>(u);
            continue;
        }
        int high = 0;
        while (high < 32 && kHighBytes[high] != u) ++high;
        if (high == 32) return std::nullopt;
        bytes += static_cast<char>(0x80 + high);
    }
    return bytes;
}

int StatByName(const QString& path, struct stat& st, QByteArray& name) {
    name = QFile::encodeName(path);
    const int result = ::stat(name.constData(), &st);
    if (result == 0 || errno != ENOENT || IsAscii(path)) return result;
    // The name alone as an old disk wrote it, in a folder named as today;
    // then the whole path so.
    const qsizetype slash = path.lastIndexOf('/') + 1;
    const std::optional<QByteArray> tail = Windows1252(path.mid(slash));
    const std::optional<QByteArray> whole = Windows1252(path);
    for (const std::optional<QByteArray>& other :
         {tail ? std::optional(QFile::encodeName(path.left(slash)) + *tail) : std::nullopt,
          whole}) {
        if (other && *other != name && ::stat(other->constData(), &st) == 0) {
            name = *other;
            return 0;
        }
    }
    errno = ENOENT;
    return result;
}

}  // namespace pictures
