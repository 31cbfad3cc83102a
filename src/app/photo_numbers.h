#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <optional>

#include "store/value.h"

class QIODevice;

// The photo number a person typed at the jump prompt, read in `locale`: blanks
// around it allowed, the locale's decimal and group separators and signs. A
// whole number comes back as a whole number, exactly at any size a photo
// number can have ("9223372036854775807", "-5", "-0" is 0, "7,0" in Italian is
// 7); any other number as a floating-point one ("2,5"), or as not-a-number,
// which equals no photo, when its fraction is too fine for a floating-point
// number of its size. Nothing for an empty answer, for text that is not a
// number, and for infinities and not-a-number typed as such.
std::optional<store::Value> PhotoNumberFromAnswer(const QString& answer,
                                                  const QLocale& locale = QLocale());

// The photo number an entry of the photo list starts with: what stands before
// the first blank (the whole entry when there is none), read with Val; plain
// digits that make a 64-bit whole number are read exactly, as the list wrote
// them.
store::Value PhotoNumberOfEntry(const QString& entry);

// The album path a "pathdb" file holds: its first line without the line end
// (CR LF, or LF alone), read as UTF-8; an empty file reads as an empty path.
// At most kPathdbLineLimit bytes are read, so a file that is no "pathdb" (a
// huge one, one without a line end) cannot hold the program up: a longer line
// names no file anyway, and the user is asked.
inline constexpr qint64 kPathdbLineLimit = 64 * 1024;
QString PathFromPathdb(QIODevice& pathdb);
