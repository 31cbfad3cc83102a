// Switching to an album kept on CD, and back.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <stdexcept>

#include "app/dialogs.h"
#include "app/module1.h"
#include "app/platform.h"
#include "app/shown_conversion.h"
#include "app/store_messages.h"
#include "app/working_copy.h"

namespace {

const char* const kCdPrompt =
    "Specificare il nuovo percorso del DataBase su CD: (es. e:\\database.mdb). Cliccando su "
    "ANNULLA si ritornerà al DataBase iniziale.";

// File errors of the switch, numbered as the program has always numbered them.
constexpr int kBadFileName = 52;
constexpr int kFileAccess = 75;

class FileError : public std::runtime_error {
public:
    FileError(int number, const QString& cause)
        : std::runtime_error(cause.toStdString()), number_(number), cause_(cause) {}
    int number() const { return number_; }
    const QString& cause() const { return cause_; }

private:
    int number_;
    QString cause_;
};

// A typed path must name a file that can be read: 52 when it cannot name a
// file at all (a NUL, too long) or names something that is no readable file
// (a pipe or a device, a file without read permission). Only called on paths
// that exist, or that cannot be valid names.
void CheckNameUsable(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    bool usable = !path.contains(QChar(0)) && encoded.size() < PATH_MAX;
    for (const QByteArray& part : encoded.split('/')) usable = usable && part.size() <= NAME_MAX;
    if (!usable) throw FileError(kBadFileName, "nome di file non valido");
}

void CheckReadable(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw FileError(kBadFileName, "file non leggibile");
}

// Two paths naming the same existing file.
bool SameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// The cause of a failure, for the message that ends a switch that failed twice.
QString CauseOf(const store::StoreError& e) {
    if (e.number() == store::err::FileNotFound) return "la copia di lavoro non esiste più";
    if (e.number() == store::err::Locked || e.number() == store::err::DiskFull)
        return StoreErrorCause(e.number());
    return StoreErrorCause(e.number()) + " (" + QString::fromStdString(e.what()) + ")";
}

// What a failed round of the switch does next, by the failure's number. Any
// number not here opens the CD's album once more, then gives up.
struct Reaction {
    int number;
    const char* message;  // told first, when there is one
    bool readOnly;        // the add button is disabled before asking again
};
constexpr Reaction kReactions[] = {
    {kBadFileName, "Impossibile accedere al file", false},
    {store::err::NotValidAlbum, "File non valido", false},
    {store::err::CannotOpenForWriting, nullptr, true},
};

const Reaction* ReactionTo(int number) {
    for (const Reaction& reaction : kReactions)
        if (reaction.number == number) return &reaction;
    return nullptr;
}

}  // namespace

void Module1::DeleteLocalCopy() {
    // A copy left write-protected (by hand, or by an older run) never blocks
    // the next switch.
    RemoveWorkingCopy(platform.LocalCopyPath());
}

void Module1::SwitchCdAlbum() {
    SetReadOnly(false);
    CdStep step = CdMode ? CdStep::Return : CdStep::Ask;
    // A failure with no reaction of its own sends the opening round once more.
    bool openedAgain = false;
    readingStopped_ = false;
    for (;;) {
        int number = 0;
        QString cause;
        try {
            step = RunCdStep(step);
            if (step == CdStep::Done) return;
            continue;
        } catch (const store::StoreError& e) {
            number = e.number();
            cause = CauseOf(e);
        } catch (const FileError& e) {
            number = e.number();
            cause = e.cause();
        }
        if (const Reaction* reaction = ReactionTo(number)) {
            if (reaction->message) dialogs.Message(reaction->message);
            if (reaction->readOnly) SetReadOnly(true);
            step = CdStep::Ask;
        } else if (!openedAgain && number != store::err::AlbumDamaged && !readingStopped_) {
            openedAgain = true;
            step = CdStep::Open;
        } else {
            dialogs.Message("Impossibile aprire il DataBase su CD: " + cause +
                            ". Si ritorna al DataBase iniziale.");
            BackToUsualAlbum();
            return;
        }
    }
}

Module1::CdStep Module1::RunCdStep(CdStep step) {
    switch (step) {
        case CdStep::Return:
            ReturnFromCd();
            return CdStep::Done;
        case CdStep::Ask:
            return AskCdPath();
        case CdStep::Open:
            OpenCdAlbum();
            return CdStep::Done;
        case CdStep::Done:
            break;
    }
    return CdStep::Done;
}

void Module1::ReturnFromCd() {
    // Reopening the working copy for writing tells whether it was left
    // write-protected. Any other failure there does not stop the way back:
    // the usual album needs no copy. An Access-format copy is never opened
    // for writing, so its refusal says nothing about its protection.
    try {
        Data1.Refresh();
    } catch (const store::StoreError& e) {
        if (e.number() == store::err::CannotOpenForWriting &&
            !IsAccessFormat(QString::fromStdString(Data1.DatabaseName)))
            throw;
    }
    BackToUsualAlbum();
}

void Module1::BackToUsualAlbum() {
    CdMode = false;
    emit PictureCleared();
    OpenAlbum();
}

Module1::CdStep Module1::AskCdPath() {
    CdDatabasePath = dialogs.Input(kCdPrompt);
    if (CdDatabasePath.isEmpty()) {
        CdMode = false;
        OpenAlbum();
        return CdStep::Done;
    }
    CheckNameUsable(CdDatabasePath);
    if (!FileExists(CdDatabasePath)) return CdStep::Ask;
    CheckReadable(CdDatabasePath);
    return CdStep::Open;
}

void Module1::OpenCdAlbum() {
    CdMode = true;
    CdDriveLetter = platform.VolumeRoot(CdDatabasePath);
    const QString copy = platform.LocalCopyPath();
    // Typed as the CD's path, the working copy is already in place.
    if (!SameFile(CdDatabasePath, copy)) {
        // Its journal or log goes with it, else the copy would be half
        // written.
        QString failed;
        dialogs.WhileBusy([&] {
            DeleteLocalCopy();
            failed = CopyToWorkingCopy(CdDatabasePath, copy);
        });
        if (!failed.isEmpty()) throw FileError(kFileAccess, failed);
    }
    Data1.DatabaseName = copy.toStdString();
    // Nothing is ever added to an album on CD.
    SetReadOnly(true);
    // Repaints only: a click queued during the copy must not start another
    // command while the album is half switched.
    dialogs.Repaint();
    {
        // An Access-format album on CD is read with the same progress box as
        // at start-up.
        ShownConversion shown(dialogs);
        const store::ConversionScope scope(&shown);
        try {
            Data1.Refresh();
        } catch (const store::StoreError&) {
            // A reading the user stopped is not tried again.
            readingStopped_ = shown.Stopped();
            throw;
        }
    }
    emit PictureCleared();
    ShowPhoto();
}
