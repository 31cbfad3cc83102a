#pragma once

// What an entry of the thumbnail cache says of the file it was made from,
// and whether that is the file as it is now.
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

#include "pictures/picture_reader.h"

namespace pictures {

// Writes into `entry` the keys of the file `uri` as the read the entry was
// made from stamped it: the standard's (its URI, its time in seconds, its
// size) and Pictora's own (its time in nanoseconds, its inode and its change
// time), which tell a file rewritten with its size and time kept.
void StampEntry(QImage& entry, const QString& uri, const FileStamp& stamp);

// Whether an entry whose texts are `keys`, itself last written at
// `entryWritten` (nanoseconds), stands for the file of `stamp`: the
// standard's time and size match it, and so do Pictora's keys when the entry
// has them. Another program's entry, without them, counts only when the file
// has not changed since the entry was written (`sameTimeCounts`: nor at the
// same time, as on a CD whose files all bear the time it was made).
bool StandsFor(const QHash<QString, QString>& keys, const FileStamp& stamp, qint64 entryWritten,
               bool sameTimeCounts);

// Whether an entry of `pixels` has the shape of the picture of `natural`
// upright pixels it claims to stand for, within a pixel of rounding.
bool ShapeMatches(QSize pixels, QSize natural);

}  // namespace pictures
