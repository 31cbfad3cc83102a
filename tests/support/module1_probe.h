#pragma once

#include <QString>

#include "app/module1.h"

// What a test sees of the album object beyond its operations: the album and
// the program-wide values, to look at or to set a state up.
struct Module1Probe {
    static store::DataControl& Data1(Module1& m) { return m.Data1; }
    static QString& DatabasePath(Module1& m) { return m.DatabasePath; }
    static bool& CdMode(Module1& m) { return m.CdMode; }
    static QString& CdDatabasePath(Module1& m) { return m.CdDatabasePath; }
    static QString& CdDriveLetter(Module1& m) { return m.CdDriveLetter; }
};
