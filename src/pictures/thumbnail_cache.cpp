#include "pictures/thumbnail_cache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace pictures {
namespace {

struct Folder {
    const char* name;
    int size;
};
constexpr Folder kFolders[] = {
    {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

QString FileUri(const QString& path) {
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

QString Md5(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QString FailFolder() {
    return QStringLiteral("fail/pictora-") + QStringLiteral(PICTORA_VERSION);
}

// Reads an entry that matches the file; a null image when it does not count.
QImage ReadEntry(const QString& entry, const QFileInfo& file, int nominal, bool checkUri) {
    const QFileInfo info(entry);
    if (!info.isFile() || info.isSymLink()) return {};
    QImageReader reader(entry, "png");
    const QSize header = reader.size();
    if (!header.isValid() || header.width() > 2 * nominal || header.height() > 2 * nominal)
        return {};
    // The keys are read from the decoded entry: the reader's own text lookup
    // cuts keys at their first colon.
    QImage image;
    if (!reader.read(&image)) return {};
    bool ok = false;
    const qint64 mtime = image.text(QStringLiteral("Thumb::MTime")).toLongLong(&ok);
    if (checkUri && (image.text(QStringLiteral("Thumb::URI")) != FileUri(file.filePath()) || !ok ||
                     mtime != file.lastModified().toSecsSinceEpoch()))
        return {};
    const QString size = image.text(QStringLiteral("Thumb::Size"));
    if (!size.isEmpty() && size.toLongLong() != file.size()) return {};
    return image;
}

QSize Natural(const QImage& image) {
    return {image.text(QStringLiteral("Thumb::Image::Width")).toInt(),
            image.text(QStringLiteral("Thumb::Image::Height")).toInt()};
}

bool SaveAtomically(const QString& dir, const QString& name, const QImage& image) {
    if (!QDir().mkpath(dir)) return false;
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSaveFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QImageWriter writer(&file, "png");
    return writer.write(image) && file.commit();
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

ThumbnailEntry ThumbnailCache::Find(const QString& path, int side) const {
    const QFileInfo file(path);
    if (!file.isFile()) return {};
    const QString name = EntryName(file.absoluteFilePath());
    const QString local = file.absolutePath() + QStringLiteral("/.sh_thumbnails/");
    const QString localName = Md5(file.fileName().toUtf8()) + QStringLiteral(".png");
    for (const Folder& f : kFolders) {
        if (f.size < side) continue;
        QImage image;
        if (Enabled())
            image = ReadEntry(
                root_ + QLatin1Char('/') + QLatin1String(f.name) + QLatin1Char('/') + name, file,
                f.size, true);
        if (image.isNull())
            image = ReadEntry(local + QLatin1String(f.name) + QLatin1Char('/') + localName, file,
                              f.size, false);
        const QSize natural = Natural(image);
        if (!image.isNull() && natural.width() > 0 && natural.height() > 0 &&
            std::max(image.width(), image.height()) >=
                std::min(side, std::max(natural.width(), natural.height())))
            return {image, natural, false};
    }
    if (Enabled() &&
        !ReadEntry(root_ + QLatin1Char('/') + FailFolder() + QLatin1Char('/') + name, file, 1, true)
             .isNull())
        return {{}, {}, true};
    return {};
}

bool ThumbnailCache::Write(const QString& path, const QString& folder, const QImage& upright,
                           QSize natural) const {
    const int size = FolderSize(folder);
    const QFileInfo file(path);
    if (!Enabled() || size == 0 || upright.isNull() || !file.isFile()) return false;
    QImage image = upright.width() > size || upright.height() > size
                       ? upright.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       : upright;
    image.setText(QStringLiteral("Thumb::URI"), FileUri(path));
    image.setText(QStringLiteral("Thumb::MTime"),
                  QString::number(file.lastModified().toSecsSinceEpoch()));
    image.setText(QStringLiteral("Thumb::Size"), QString::number(file.size()));
    image.setText(QStringLiteral("Thumb::Image::Width"), QString::number(natural.width()));
    image.setText(QStringLiteral("Thumb::Image::Height"), QString::number(natural.height()));
    image.setText(QStringLiteral("Software"),
                  QStringLiteral("Pictora ") + QStringLiteral(PICTORA_VERSION));
    return SaveAtomically(root_ + QLatin1Char('/') + folder, EntryName(file.absoluteFilePath()),
                          image);
}

bool ThumbnailCache::WriteFailure(const QString& path) const {
    const QFileInfo file(path);
    if (!Enabled() || !file.isFile()) return false;
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setText(QStringLiteral("Thumb::URI"), FileUri(path));
    image.setText(QStringLiteral("Thumb::MTime"),
                  QString::number(file.lastModified().toSecsSinceEpoch()));
    image.setText(QStringLiteral("Software"),
                  QStringLiteral("Pictora ") + QStringLiteral(PICTORA_VERSION));
    return SaveAtomically(root_ + QLatin1Char('/') + FailFolder(),
                          EntryName(file.absoluteFilePath()), image);
}

}  // namespace pictures
