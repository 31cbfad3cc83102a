#pragma once

#include <QString>

#include "store/store_error.h"

// What a store error means to the user, in the words of the program's
// messages: "il DataBase è bloccato da un altro programma", ... Lower case and
// without a full stop, to be set in a sentence; Sentence() starts one with it.
QString StoreErrorCause(int number);
// Why the album may only be read, in the same words: "il DataBase è di sola
// lettura", and why where it is not its file or medium.
QString ReadOnlyCauseText(store::ReadOnlyCause cause);
QString Sentence(const QString& cause);

// A store failure told as its cause, then what it left undone: "Il DataBase è
// bloccato da un altro programma: la foto successiva non è stata mostrata."
// `notDone` is lower case and ends with its full stop.
QString FailureMessage(const store::StoreError& e, const QString& notDone);
