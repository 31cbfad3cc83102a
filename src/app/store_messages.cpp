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
            return "la foto è stata eliminata, rinumerata o sostituita da un altro programma";
        case store::err::TextChanged:
            return "il testo è stato cambiato da un altro programma";
        case store::err::DuplicateKey:
            return "un'altra foto del DataBase ha lo stesso numero";
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

QString ReadOnlyCauseText(store::ReadOnlyCause cause) {
    switch (cause) {
        case store::ReadOnlyCause::OldFormat:
            return "il DataBase è di sola lettura perché è nel formato delle versioni precedenti";
        case store::ReadOnlyCause::Triggers:
            return "il DataBase è di sola lettura perché contiene trigger";
        case store::ReadOnlyCause::FileOrMedium:
            break;
    }
    return StoreErrorCause(store::err::ReadOnlyDatabase);
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
