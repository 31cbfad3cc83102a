#pragma once

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include "app/platform.h"

// A desktop of the test's own: the usual album, "pathdb", the working copy
// and the copies of Access-format albums all live in one temporary folder, and volume roots can be
// set by hand.
class TestPlatform : public Platform {
public:
    TestPlatform() {
        QDir(dir.path()).mkpath("data/Pictora");
        QDir(dir.path()).mkpath("cache/Pictora");
        QDir(dir.path()).mkpath("work");
    }

    QString Root() const { return dir.path(); }
    QString DefaultAlbumPath() const override { return dir.path() + "/data/Pictora/database.mdb"; }
    QString PathdbPath() const override { return dir.path() + "/work/pathdb"; }
    QString LocalCopyPath() const override { return dir.path() + "/cache/Pictora/_database.mdb"; }
    QString RolledBackCopyPath() const override {
        return dir.path() + "/cache/Pictora/_database_ripristinato.mdb";
    }
    QString AccessCacheFolder() const override { return dir.path() + "/cache/Pictora/access"; }
    QString SearchIndexFolder() const override { return dir.path() + "/cache/Pictora/search"; }
    QString SettingsFile() const override { return dir.path() + "/config/Pictora/Pictora.conf"; }
    QString VolumeRoot(const QString& path) const override {
        for (auto it = roots.begin(); it != roots.end(); ++it)
            if (path.startsWith(it.key())) return it.value();
        return Platform::VolumeRoot(path);
    }
    QStringList Drives() const override { return drives.isEmpty() ? Platform::Drives() : drives; }

    // Paths starting with the key lie on a volume whose root is the value.
    QMap<QString, QString> roots;
    // The volumes the picker offers, when set; else the desktop's own.
    QStringList drives;
    QTemporaryDir dir;
};
