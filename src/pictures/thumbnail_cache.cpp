#include "pictures/thumbnail_cache.h"

#include "base/regular_file.h"
#include "pictures/entry_keys.h"
#include "pictures/inflate.h"
#include "pictures/private_file.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace pictures {
namespace {

struct Folder {
    const char* name;
    int size;
};
constexpr std::array<Folder, 4> kFolders{
    {{"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}}};

QString FileUri(const QString& path) {
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

QString Md5(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QString FailFolder() {
    return QStringLiteral("fail/pictora-") + QStringLiteral(PICTORA_VERSION);
}

// What an entry's file says of itself before any pixel is decoded.
struct PngHead {
    QSize size;
    QHash<QString, QString> texts;
    qint64 written = 0;  // the entry file's time, in nanoseconds
};

// Opens a regular file only, without waiting and not through a link: a FIFO
// put in place of an entry cannot hold the window.
bool OpenRegular(const QString& path, QFile& file, qint64* written = nullptr) {
    const int fd = base::OpenRegularFile(QFile::encodeName(path).toStdString(), O_NOFOLLOW);
    if (fd < 0) return false;
    struct stat st {};
    if (written && ::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    if (written) *written = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    file.setFileName(path);
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
    ::close(fd);
    return false;
}

quint32 BigEndian(const char* p) {
    const auto* u = reinterpret_cast<const uchar*>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | u[3];
}

// The keys' values are short: a text that inflates to more is no entry's.
QByteArray Inflate(const QByteArray& deflated) {
    return InflateAtMost(deflated, 65536).value_or(QByteArray());
}

// A tEXt, zTXt or iTXt chunk whose key is one the cache looks at.
void ReadText(const QByteArray& type, const QByteArray& data, PngHead& head) {
    const qsizetype nul = data.indexOf('\0');
    if (nul <= 0) return;
    const QByteArray key = data.left(nul);
    if (!key.startsWith("Thumb::") && !key.startsWith("Pictora::")) return;
    const QByteArray rest = data.mid(nul + 1);
    QString value;
    if (type == "tEXt") {
        value = QString::fromLatin1(rest);
    } else if (type == "zTXt") {
        if (rest.isEmpty() || rest.at(0) != 0) return;
        value = QString::fromLatin1(Inflate(rest.mid(1)));
    } else {
        if (rest.size() < 2 || (rest.at(0) != 0 && rest.at(1) != 0)) return;
        const qsizetype language = rest.indexOf('\0', 2);
        const qsizetype translated = language < 0 ? -1 : rest.indexOf('\0', language + 1);
        if (translated < 0) return;
        const QByteArray text = rest.mid(translated + 1);
        value = QString::fromUtf8(rest.at(0) != 0 ? Inflate(text) : text);
    }
    head.texts.insert(QString::fromLatin1(key), value);
}

// The header and the text keys, reading chunk headers only and skipping the
// pixel data: texts written before the pixels (as the standard's writers
// do) are read without touching the rest of the file.
bool ReadHead(QFile& file, PngHead& head) {
    if (file.read(8) != QByteArray("\x89PNG\r\n\x1a\n", 8)) return false;
    qint64 at = 8;
    for (int chunk = 0; chunk < 10000; ++chunk) {
        const QByteArray header = file.read(8);
        if (header.size() != 8) break;
        const quint32 length = BigEndian(header.constData());
        const QByteArray type = header.mid(4);
        if (length > 0x7fffffff || (chunk == 0 && (type != "IHDR" || length != 13))) return false;
        if (type == "IHDR") {
            const QByteArray data = file.read(13);
            if (data.size() != 13) return false;
            head.size =
                QSize(int(BigEndian(data.constData())), int(BigEndian(data.constData() + 4)));
        } else if ((type == "tEXt" || type == "zTXt" || type == "iTXt") && length <= 65536) {
            ReadText(type, file.read(length), head);
        } else if (type == "IEND" ||
                   (type == "IDAT" && head.texts.contains(QStringLiteral("Thumb::MTime")))) {
            break;
        }
        at += 12 + qint64(length);
        if (!file.seek(at)) break;
    }
    return head.size.width() > 0 && head.size.height() > 0;
}

// The picture's file and the names its entries go by.
struct Subject {
    FileStamp file;
    QString uri;       // absolute, as the personal cache names it
    QString relative;  // the file's name as a URI, as a `.sh_thumbnails` names it
    QString name;      // the entry's file name in the personal cache
    QString localName;
};

Subject SubjectOf(const FileStamp& file) {
    Subject s{file, FileUri(file.path), {}, {}, {}};
    s.relative = s.uri.section(QLatin1Char('/'), -1);
    s.name = Md5(s.uri.toUtf8()) + QStringLiteral(".png");
    s.localName = Md5(s.relative.toUtf8()) + QStringLiteral(".png");
    return s;
}

// Whether an entry stands for the file as it is now, and names it: a
// `.sh_thumbnails` entry by its relative URI, if at all.
bool Matches(const PngHead& head, const Subject& s, bool shared) {
    const QString uri = head.texts.value(QStringLiteral("Thumb::URI"));
    if (shared ? !uri.isEmpty() && uri != s.relative && uri != s.uri : uri != s.uri) return false;
    return StandsFor(head.texts, s.file, head.written, shared);
}

// The entry's head when it is a PNG of at most twice its folder's size (no
// entry of a huge header is ever decoded) that matches the file.
bool Look(const QString& entry, int nominal, const Subject& s, bool shared, PngHead& head,
          QFile& file) {
    if (!OpenRegular(entry, file, &head.written) || !ReadHead(file, head)) return false;
    if (head.size.width() > 2 * nominal || head.size.height() > 2 * nominal) return false;
    return Matches(head, s, shared);
}

// The pixels of the entry whose head was read from `file`, as that head told
// them: the file looked at is the one decoded.
QImage Decode(QFile& file, QSize size) {
    if (!file.seek(0)) return {};
    QImageReader reader(&file, "png");
    if (reader.size() != size) return {};
    QImage image;
    if (!reader.read(&image) || image.size() != size) return {};
    return image;
}

QSize Natural(const PngHead& head) {
    const QSize natural(head.texts.value(QStringLiteral("Thumb::Image::Width")).toInt(),
                        head.texts.value(QStringLiteral("Thumb::Image::Height")).toInt());
    return natural.width() > 0 && natural.height() > 0 ? natural : QSize();
}

const char* CauseName(Failure cause) {
    switch (cause) {
        case Failure::NotAPicture:
            return "NotAPicture";
        case Failure::TooLarge:
            return "TooLarge";
        default:
            return nullptr;
    }
}

Failure CauseOf(const QString& name) {
    for (const Failure cause : {Failure::NotAPicture, Failure::TooLarge})
        if (name == QLatin1String(CauseName(cause))) return cause;
    return Failure::None;
}

// Written whole under another name, then renamed over the entry, into real
// folders of the user's own only.
bool Save(const QString& root, const QString& sub, const QString& name, const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // zlib's fastest level: a third of the default's time for a photo, the
    // entry a little larger. A grid writes one for every tile it makes.
    writer.setQuality(80);
    return writer.write(image) && WritePrivateFile(root, sub, name, bytes);
}

}  // namespace

ThumbnailCache::ThumbnailCache(QString root) : root_(std::move(root)) {}

QString ThumbnailCache::DefaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/thumbnails");
}

QString ThumbnailCache::EntryName(const QString& absolutePath) {
    return Md5(QUrl::fromLocalFile(absolutePath).toEncoded()) + QStringLiteral(".png");
}

int ThumbnailCache::FolderSize(const QString& folder) {
    for (const Folder& f : kFolders)
        if (folder == QLatin1String(f.name)) return f.size;
    return 0;
}

ThumbnailEntry ThumbnailCache::Find(const FileStamp& file, const SideFor& side,
                                    Places places) const {
    return Scan(file, side, false, places);
}

ThumbnailEntry ThumbnailCache::Find(const FileStamp& file, int side) const {
    return Scan(
        file,
        [side](QSize natural) {
            return std::min(side, std::max(natural.width(), natural.height()));
        },
        false, Places::Everywhere);
}

ThumbnailEntry ThumbnailCache::Largest(const FileStamp& file, Places places) const {
    return Scan(file, {}, true, places);
}

ThumbnailEntry ThumbnailCache::Scan(const FileStamp& file, const SideFor& side, bool largest,
                                    Places places) const {
    const Subject s = SubjectOf(file);
    const QString local = QFileInfo(file.path).absolutePath() + QStringLiteral("/.sh_thumbnails/");
    for (int i = 0; i < int(kFolders.size()); ++i) {
        const Folder& f = kFolders[largest ? kFolders.size() - 1 - i : i];
        for (const bool shared : {false, true}) {
            if (shared ? places == Places::Personal : !Enabled()) continue;
            const QString entry =
                shared
                    ? local + QLatin1String(f.name) + QLatin1Char('/') + s.localName
                    : root_ + QLatin1Char('/') + QLatin1String(f.name) + QLatin1Char('/') + s.name;
            PngHead head;
            QFile opened;
            if (!Look(entry, f.size, s, shared, head, opened)) continue;
            const QSize natural = Natural(head);
            // An entry of another shape than the picture it names is another
            // picture's.
            if (natural.isEmpty() || !ShapeMatches(head.size, natural)) continue;
            if (!largest && std::max(head.size.width(), head.size.height()) < side(natural))
                continue;
            QImage image = Decode(opened, head.size);
            if (!image.isNull()) return {image, natural, false, Failure::None};
        }
    }
    PngHead head;
    QFile opened;
    if (largest || !Enabled() ||
        !Look(root_ + QLatin1Char('/') + FailFolder() + QLatin1Char('/') + s.name, 16, s, false,
              head, opened))
        return {};
    const Failure cause = CauseOf(head.texts.value(QStringLiteral("Pictora::Cause")));
    if (cause == Failure::None) return {};
    return {{}, {}, true, cause};
}

bool ThumbnailCache::Write(const FileStamp& file, const QString& folder, const QImage& upright,
                           QSize natural) const {
    const int size = FolderSize(folder);
    if (!Enabled() || size == 0 || upright.isNull() || file.path.isEmpty()) return false;
    QImage image = upright.width() > size || upright.height() > size
                       ? upright.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       : upright;
    image.setDevicePixelRatio(1);
    StampEntry(image, FileUri(file.path), file);
    image.setText(QStringLiteral("Thumb::Image::Width"), QString::number(natural.width()));
    image.setText(QStringLiteral("Thumb::Image::Height"), QString::number(natural.height()));
    return Save(root_, folder, EntryName(file.path), image);
}

bool ThumbnailCache::WriteFailure(const FileStamp& file, Failure cause) const {
    const char* name = CauseName(cause);
    if (!Enabled() || !name || file.path.isEmpty()) return false;
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    StampEntry(image, FileUri(file.path), file);
    image.setText(QStringLiteral("Pictora::Cause"), QString::fromLatin1(name));
    return Save(root_, FailFolder(), EntryName(file.path), image);
}

}  // namespace pictures
