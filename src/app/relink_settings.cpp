#include "app/relink_settings.h"

#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

#include "store/album_identity.h"

namespace {

// One group per album: "CartelleRitrovate/<identity>", holding "album" (the
// path) and the array "mappe" of "vecchia" and "nuova". Folders are kept as
// their very bytes: a folder copied from an old disk may not be UTF-8.
const QString kGroup = "CartelleRitrovate/";

QString GroupOf(const std::string& identity) {
    return kGroup + QString::fromStdString(identity);
}

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString DefaultSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/Pictora/Pictora.conf";
}

RelinkAlbum RelinkAlbumOf(const QString& albumPath) {
    const std::string path = albumPath.toStdString();
    return {store::AlbumIdentity(path), QString::fromStdString(store::CanonicalPath(path))};
}

std::vector<store::RelinkMapping> ReadRelinkMappings(const QString& settingsFile,
                                                     const std::string& identity) {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.beginGroup(GroupOf(identity));
    std::vector<store::RelinkMapping> mappings;
    const int count = settings.beginReadArray("mappe");
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        const QByteArray from = settings.value("vecchia").toByteArray();
        const QByteArray to = settings.value("nuova").toByteArray();
        if (!from.isEmpty() && !to.isEmpty())
            mappings.push_back({from.toStdString(), to.toStdString()});
    }
    settings.endArray();
    return mappings;
}

bool KeepRelinkMappings(const QString& settingsFile, const RelinkAlbum& album,
                        const std::vector<store::RelinkMapping>& learned) {
    std::vector<store::RelinkMapping> kept = ReadRelinkMappings(settingsFile, album.identity);
    for (const store::RelinkMapping& mapping : learned) {
        const auto same = std::find_if(kept.begin(), kept.end(), [&](const auto& k) {
            return k.oldPrefix == mapping.oldPrefix;
        });
        if (same != kept.end())
            same->newPrefix = mapping.newPrefix;
        else
            kept.push_back(mapping);
    }
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.remove(GroupOf(album.identity));
    settings.beginGroup(GroupOf(album.identity));
    settings.setValue("album", album.path);
    settings.beginWriteArray("mappe", static_cast<int>(kept.size()));
    for (std::size_t i = 0; i < kept.size(); ++i) {
        settings.setArrayIndex(static_cast<int>(i));
        settings.setValue("vecchia", Bytes(kept[i].oldPrefix));
        settings.setValue("nuova", Bytes(kept[i].newPrefix));
    }
    settings.endArray();
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool ForgetRelinkMappings(const QString& settingsFile, const std::string& identity) {
    QSettings settings(settingsFile, QSettings::IniFormat);
    if (!settings.contains(GroupOf(identity) + "/mappe/size")) return false;
    settings.remove(GroupOf(identity));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
