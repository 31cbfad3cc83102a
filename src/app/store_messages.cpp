#include "app/store_messages.h"

#include "store/store_error.h"

QString StoreErrorCause(int number) {
    switch (number) {
        case store::err::Locked:
            return "il DataBase è bloccato da un altro programma";
        case store::err::DiskFull:
            return "il disco è pieno";
        case store::err::FileNotFound:
            return "il file del DataBase non è stato trovato";
        case store::err::CannotOpenForWriting:
        case store::err::ReadOnlyDatabase:
            return "il DataBase è di sola lettura";
        case store::err::PhotoGone:
            return "la foto non è più nel DataBase";
        case store::err::NotValidAlbum:
            return "il file del DataBase non è valido";
        case store::err::ObjectClosed:
            return "il DataBase non è aperto";
        case store::err::AlbumDamaged:
            return "il DataBase è danneggiato";
        case store::err::AlbumReplaced:
            return "il file del DataBase è stato svuotato o sostituito da un altro programma";
        default:
            return QString("errore %1 del DataBase").arg(number);
    }
}

QString Sentence(const QString& cause) {
    return cause.isEmpty() ? cause : cause.left(1).toUpper() + cause.mid(1);
}

QString FailureMessage(const store::StoreError& e, const QString& notDone) {
    // A failure with no number of its own is told with what the engine said.
    const QString cause = e.number() == store::err::General
                              ? "errore del DataBase (" + QString::fromStdString(e.what()) + ")"
                              : StoreErrorCause(e.number());
    return Sentence(cause) + ": " + notDone;
}
