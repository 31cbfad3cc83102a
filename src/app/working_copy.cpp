#include "app/working_copy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "store/album_file.h"
#include "store/album_format.h"
#include "store/store_error.h"

namespace {

// What a write cut short leaves beside an album, and what a reader leaves.
const char* const kJournals[] = {"-journal", "-wal"};
const char* const kBeside[] = {"-journal", "-wal", "-shm"};

// Copies one file; the copy takes the source's permissions, and a CD's have
// no write permission, so it is given the owner's.
QString CopyFile(const QString& source, const QString& copy) {
    QFile file(source);
    if (!file.copy(copy))
        return "impossibile copiare il file in " + copy + " (" + file.errorString() + ")";
    QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOwner | QFile::WriteOwner);
    return {};
}

// The album and what lies beside it, as they are now: a copy made from them
// stays good while this stays the same.
QByteArray StateOf(const QString& album) {
    QByteArray state = QFileInfo(album).absoluteFilePath().toUtf8();
    for (const QString& path : {album, album + "-journal", album + "-wal"}) {
        const QFileInfo info(path);
        state += '\n' + QByteArray::number(info.size()) + ' ' +
                 QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ' ' +
                 QByteArray::number(info.metadataChangeTime().toMSecsSinceEpoch());
    }
    return state;
}

}  // namespace

bool HasJournal(const QString& album) {
    for (const char* suffix : kJournals)
        if (QFileInfo(album + suffix).size() > 0) return true;
    return false;
}

bool IsAccessFormat(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray start = file.read(store::kAlbumSniffBytes);
    return store::SniffAlbumFormat(reinterpret_cast<const unsigned char*>(start.constData()),
                                   static_cast<std::size_t>(start.size())) ==
           store::AlbumFormat::Access;
}

void RemoveWorkingCopy(const QString& copy) {
    if (QFileInfo(copy).isFile()) {
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);
        QFile::remove(copy);
    }
    for (const char* suffix : kBeside) QFile::remove(copy + suffix);
}

QString CopyToWorkingCopy(const QString& source, const QString& copy) {
    QDir().mkpath(QFileInfo(copy).absolutePath());
    if (QString why = CopyFile(source, copy); !why.isEmpty()) return why;
    bool journal = false;
    for (const char* suffix : kJournals) {
        if (QFileInfo(source + suffix).size() <= 0) continue;
        if (QString why = CopyFile(source + suffix, copy + suffix); !why.isEmpty()) return why;
        journal = true;
    }
    // Played back into the copy now, while it may be written: the copy is
    // then opened for reading only.
    if (journal && !IsAccessFormat(copy)) store::SettleAlbumFile(copy.toStdString());
    return {};
}

void MakeRolledBackCopy(const QString& source, const QString& copy) {
    // Beside the copy, what it was made from.
    const QString stampPath = copy + ".fonte";
    const QByteArray state = StateOf(source);
    QFile stamp(stampPath);
    if (QFileInfo(copy).isFile() && stamp.open(QIODevice::ReadOnly) && stamp.readAll() == state)
        return;
    stamp.close();
    QFile::remove(stampPath);
    RemoveWorkingCopy(copy);
    if (const QString why = CopyToWorkingCopy(source, copy); !why.isEmpty())
        throw store::StoreError(store::err::General, why.toStdString());
    // Written aside and renamed into place: never through a link left there.
    QSaveFile written(stampPath);
    if (written.open(QIODevice::WriteOnly)) {
        written.write(state);
        written.commit();
    }
}
