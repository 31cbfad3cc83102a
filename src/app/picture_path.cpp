#include "app/picture_path.h"

#include "base/utf8.h"
#include "store/relink_names.h"

QString ComposePicturePath(bool cdMode, const QString& cdRoot, const QString& folder,
                           const QString& name) {
    QString path = folder;
    path.replace('\\', '/');
    if (cdMode) {
        // The CD's folders are stored from its root, as "\Foto".
        QString root = cdRoot;
        while (root.endsWith('/')) root.chop(1);
        path = root + (path.startsWith('/') ? path : "/" + path);
    }
    // One copy of a name of any length.
    path.reserve(path.size() + 1 + name.size());
    path += '/';
    path += name;
    return path;
}

QString StoredPicturePath(bool cdMode, const QString& cdRoot, const std::string& folder,
                          const std::string& name) {
    using store::relink::IsUtf8;
    if (IsUtf8(folder) && IsUtf8(name)) {
        return ComposePicturePath(cdMode, cdRoot, QString::fromStdString(folder),
                                  QString::fromStdString(name));
    }
    return ComposePicturePath(cdMode, cdRoot,
                              QString::fromStdString(base::Windows1252ToUtf8(folder)),
                              QString::fromStdString(base::Windows1252ToUtf8(name)));
}
