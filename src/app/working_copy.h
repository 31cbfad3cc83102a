#pragma once

#include <QString>

// Working copies of albums that cannot be read where they are: an album on
// CD, and an album whose last write was cut short in a folder that may not
// be written, so its journal cannot be played back there.

// Whether what a write cut short leaves (a journal, a write-ahead log) lies
// beside the album at `album`.
bool HasJournal(const QString& album);

// Whether `path` holds an album in the Access format of the earlier
// versions: one the store only ever opens for reading.
bool IsAccessFormat(const QString& path);

// Removes the working copy at `copy` and what a write left beside it (which
// would be played into the next copy). One left write-protected is
// released first. Failures are of no matter: the next copy reports its own.
void RemoveWorkingCopy(const QString& copy);

// Copies the album at `source` to `copy`, with its journal or log, which is
// then played back into the copy; the copy is made writable, so that it can
// be replaced and played back into. Empty on success, else why the copy
// failed; a failure of the playing back is raised as the store raises it.
QString CopyToWorkingCopy(const QString& source, const QString& copy);

// The album at `source`, whose last write was cut short where its journal
// cannot be played back, as a working copy at `copy` in which the write is
// undone. The copy there is kept while the album and its journal are as they
// were when it was made. Raises 3000 when it cannot be made.
void MakeRolledBackCopy(const QString& source, const QString& copy);
