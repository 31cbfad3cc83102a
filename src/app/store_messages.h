#pragma once

#include <QString>

// What a store error means to the user, in the words of the program's
// messages: "il DataBase è bloccato da un altro programma", ... Lower case and
// without a full stop, to be set in a sentence; Sentence() starts one with it.
QString StoreErrorCause(int number);
QString Sentence(const QString& cause);
