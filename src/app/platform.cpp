#include "app/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include "app/relink_settings.h"
#include "store/access_engine.h"

QString Platform::DefaultAlbumPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/Pictora/database.mdb";
}

QString Platform::PathdbPath() const {
    return QDir::current().absoluteFilePath("pathdb");
}

QString Platform::LocalCopyPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/Pictora/_database.mdb";
}

QString Platform::RolledBackCopyPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/Pictora/_database_ripristinato.mdb";
}

QString Platform::AccessCacheFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/Pictora/access";
}

QString Platform::SearchIndexFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/Pictora/search";
}

QString Platform::AlbumToolPath() const {
    return QString::fromStdString(
        store::FindAlbumTool(QCoreApplication::applicationDirPath().toStdString()));
}

QString Platform::SettingsFile() const {
    return DefaultSettingsFile();
}

QString Platform::VolumeRoot(const QString& path) const {
    QStorageInfo volume(path);
    if (!volume.isValid()) return QString();
    return volume.rootPath();
}

QStringList Platform::Drives() const {
    QStringList drives{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = volume.rootPath();
        if (!drives.contains(root)) drives << root;
    }
    return drives;
}

bool FileExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}
