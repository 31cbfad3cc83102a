// Finding the album at start-up and on every return to the album window.
#include <QFile>
#include <QFileInfo>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/photo_numbers.h"
#include "app/picture_path.h"
#include "app/platform.h"
#include "app/store_messages.h"

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
        const auto first = Data1.PeekFirstPhoto(album.toStdString());
        // At start-up no album on CD is shown.
        if (first)
            return ComposePicturePath(false, {}, QString::fromStdString(first->texts.percorso_file),
                                      QString::fromStdString(first->texts.nome_file));
    } catch (const store::StoreError&) {
        // Not an album, or locked: OpenAlbum will say so in its own time.
    }
    return {};
}

void Module1::OpenAlbum() {
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
            RefreshAlbum();
            break;
        } catch (const store::StoreError& e) {
            // Not an album, or it failed again: say so and let the user name
            // another file, which gets its own chance to be written.
            dialogs.Message(e.number() == store::err::Locked
                                ? Sentence(StoreErrorCause(e.number())) + "."
                                : "File non valido");
            SetReadOnly(false);
            AskForAlbumPath();
        }
    }
    ShowPhoto();
}
