// Finding the album at start-up and on every return to the album window.
#include <QFile>

#include "album_window/form1.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/store_messages.h"
#include "app/platform.h"
#include "store/album_file.h"

namespace {

const char* const kAlbumPrompt =
    "Attenzione non è stato trovato il percorso del DataBase, specificare il nuovo percorso: "
    "(es. c:\\Programmi\\Pictora\\database.mdb)";

// The first line of "pathdb" without its line end (CR LF, or LF alone); an
// empty file reads as an empty path. False when there is no "pathdb".
bool ReadPathdb(const QString& file, QString& path) {
    QFile pathdb(file);
    if (!pathdb.open(QIODevice::ReadOnly)) return false;
    QByteArray line = pathdb.readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    path = QString::fromUtf8(line);
    return true;
}

}  // namespace

// Asks for the album's path and remembers the answer, whatever it is, as the
// one line of "pathdb". The file is rewritten once the answer is in, so a
// prompt left open never leaves it empty; one that cannot be written does not
// stop the answer being used for this run.
static void AskForAlbumPath(Module1& m) {
    m.DatabasePath = m.dialogs.Input(kAlbumPrompt);
    QFile pathdb(m.platform.PathdbPath());
    if (pathdb.open(QIODevice::WriteOnly | QIODevice::Truncate))
        pathdb.write(m.DatabasePath.toUtf8() + "\r\n");
}

void Module1::OpenAlbum() {
    Form1& f = *form1;
    f.Data1.ReadOnly = false;
    f.Image6->SetEnabled(true);
    DatabasePath = platform.DefaultAlbumPath();

    // The usual album, else the path remembered in "pathdb", else the user's
    // answer, asked until it names an existing file.
    if (!FileExists(DatabasePath) && !ReadPathdb(platform.PathdbPath(), DatabasePath))
        AskForAlbumPath(*this);
    for (;;) {
        while (!FileExists(DatabasePath)) AskForAlbumPath(*this);

        try {
            f.Data1.DatabaseName = DatabasePath.toStdString();
            f.Data1.RecordSource = store::kAlbumQuery;
            f.Data1.Refresh();
            break;
        } catch (const store::StoreError& e) {
            if (e.number() == store::err::CannotOpenForWriting && !f.Data1.ReadOnly) {
                // An album on a medium that may not be written: shown, not changed.
                f.Data1.ReadOnly = true;
                f.Image6->SetEnabled(false);
                continue;
            }
            // Not an album, or it failed again: say so and let the user name
            // another file, which gets its own chance to be written.
            dialogs.Message(e.number() == store::err::Locked
                                ? Sentence(StoreErrorCause(e.number())) + "."
                                : "File non valido");
            f.Data1.ReadOnly = false;
            f.Image6->SetEnabled(true);
            AskForAlbumPath(*this);
        }
    }
    ShowPhoto();
}
