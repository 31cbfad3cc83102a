// Finding the album at start-up and on every return to the album window.
#include <QFile>
#include <QFileInfo>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/photo_numbers.h"
#include "app/picture_path.h"
#include "app/platform.h"
#include "app/shown_conversion.h"
#include "app/store_messages.h"
#include "store/access_engine.h"

namespace {

const char* const kAlbumPrompt =
    "Attenzione non è stato trovato il percorso del DataBase, specificare il nuovo percorso: "
    "(es. c:\\Programmi\\Pictora\\database.mdb)";

// The album path "pathdb" holds; false when there is no "pathdb" or it cannot
// be read. Only a regular file is opened: a FIFO would wait for a writer.
bool ReadPathdb(const QString& file, QString& path) {
    if (!QFileInfo(file).isFile()) return false;
    QFile pathdb(file);
    if (!pathdb.open(QIODevice::ReadOnly)) return false;
    path = PathFromPathdb(pathdb);
    return true;
}

// What to tell when the album at `path` cannot be opened through no fault of
// its being an album: it is damaged, the reader of older albums or its cache
// folder cannot be used, or its reading was stopped. Empty for the other
// failures, which have their own words.
QString CannotOpen(const store::StoreError& e, const QString& path) {
    const QString cause = QString::fromStdString(e.what());
    switch (e.number()) {
        case store::err::AlbumDamaged:
            return "Il DataBase " + path + " è danneggiato e non può essere aperto (" + cause +
                   ").";
        case store::err::General:
            return "Impossibile aprire il DataBase " + path + ": " + cause + ".";
        default:
            return {};
    }
}

// An opening under way, for as long as it lives: the progress box lets
// events through, and none of them may start another.
class Opening {
public:
    Opening() : started_(!underWay_) { underWay_ = true; }
    ~Opening() {
        if (started_) underWay_ = false;
    }
    Opening(const Opening&) = delete;
    Opening& operator=(const Opening&) = delete;
    bool Started() const { return started_; }

private:
    static inline bool underWay_ = false;
    bool started_;
};

}  // namespace

// Asks for the album's path and remembers the answer, whatever it is, as the
// one line of "pathdb". The file is rewritten once the answer is in, so a
// prompt left open never leaves it empty; one that cannot be written does not
// stop the answer being used for this run.
void Module1::AskForAlbumPath() {
    DatabasePath = dialogs.Input(kAlbumPrompt);
    // Nor is a FIFO or a device of that name opened, which could wait.
    const QFileInfo info(platform.PathdbPath());
    if (info.exists() && !info.isFile()) return;
    QFile pathdb(info.filePath());
    if (pathdb.open(QIODevice::WriteOnly | QIODevice::Truncate))
        pathdb.write(DatabasePath.toUtf8() + "\r\n");
}

QString Module1::StartupPicturePath() const {
    QString album = platform.DefaultAlbumPath();
    if (!FileExists(album) && !ReadPathdb(platform.PathdbPath(), album)) return {};
    if (!FileExists(album)) return {};
    try {
        // An album of the earlier versions not yet read is read once, by
        // OpenAlbum, where its progress is shown.
        const store::ConversionScope noReading(nullptr);
        // Nor is a locked album waited for: OpenAlbum waits, once, and says so.
        const store::NoLockWaitScope noWait;
        const auto first = Data1.PeekFirstPhoto(album.toStdString());
        // At start-up no album on CD is shown.
        if (first)
            return StoredPicturePath(false, {}, first->texts.percorso_file, first->texts.nome_file);
    } catch (const store::StoreError&) {
        // Not an album, or locked: OpenAlbum will say so in its own time.
    }
    return {};
}

void Module1::OpenAlbum() {
    const Opening opening;
    if (!opening.Started()) return;
    SetReadOnly(false);
    DatabasePath = platform.DefaultAlbumPath();

    // The usual album, else the path remembered in "pathdb", else the user's
    // answer, asked until it names an existing file.
    if (!FileExists(DatabasePath) && !ReadPathdb(platform.PathdbPath(), DatabasePath))
        AskForAlbumPath();
    for (;;) {
        while (!FileExists(DatabasePath)) AskForAlbumPath();

        try {
            Data1.DatabaseName = DatabasePath.toStdString();
            ShownConversion shown(dialogs);
            const store::ConversionScope scope(&shown);
            RefreshAlbum();
            break;
        } catch (const store::StoreError& e) {
            // Not an album, damaged, not read to its end, or it failed again:
            // the user is told why, and may name another file, which gets its
            // own chance to be written. A window left with no album could do
            // nothing at all.
            QString told = CannotOpen(e, DatabasePath);
            if (told.isEmpty())
                told = e.number() == store::err::Locked
                           ? Sentence(StoreErrorCause(e.number())) + "."
                           : "File non valido";
            dialogs.Message(told);
            emit PictureCleared();
            SetReadOnly(false);
            AskForAlbumPath();
        }
    }
    ShowPhoto();
}
