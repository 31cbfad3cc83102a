#include "app/picture_path.h"

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
