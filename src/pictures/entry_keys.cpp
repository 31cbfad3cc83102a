#include "pictures/entry_keys.h"

#include <algorithm>
#include <cstdlib>

namespace pictures {
namespace {

const QString kUri = QStringLiteral("Thumb::URI");
const QString kTime = QStringLiteral("Thumb::MTime");
const QString kSize = QStringLiteral("Thumb::Size");
const QString kOwnTime = QStringLiteral("Pictora::MTime");
const QString kInode = QStringLiteral("Pictora::Inode");
const QString kChanged = QStringLiteral("Pictora::CTime");

qint64 Seconds(qint64 nanoseconds) {
    constexpr qint64 kBillion = 1000000000;
    return nanoseconds >= 0 ? nanoseconds / kBillion : -((-nanoseconds + kBillion - 1) / kBillion);
}

bool Equals(const QHash<QString, QString>& keys, const QString& key, qint64 value) {
    bool ok = false;
    return keys.value(key).toLongLong(&ok) == value && ok;
}

}  // namespace

void StampEntry(QImage& entry, const QString& uri, const FileStamp& stamp) {
    entry.setText(kUri, uri);
    entry.setText(kTime, QString::number(Seconds(stamp.modified)));
    entry.setText(kSize, QString::number(stamp.size));
    entry.setText(kOwnTime, QString::number(stamp.modified));
    entry.setText(kInode, QString::number(stamp.inode));
    entry.setText(kChanged, QString::number(stamp.changed));
    entry.setText(QStringLiteral("Software"),
                  QStringLiteral("Pictora ") + QStringLiteral(PICTORA_VERSION));
}

bool StandsFor(const QHash<QString, QString>& keys, const FileStamp& stamp, qint64 entryWritten,
               bool sameTimeCounts) {
    if (!Equals(keys, kTime, Seconds(stamp.modified))) return false;
    if (keys.contains(kSize) && !Equals(keys, kSize, stamp.size)) return false;
    if (keys.contains(kOwnTime) || keys.contains(kInode) || keys.contains(kChanged)) {
        bool ok = false;
        return Equals(keys, kOwnTime, stamp.modified) && Equals(keys, kChanged, stamp.changed) &&
               keys.value(kInode).toULongLong(&ok) == stamp.inode && ok;
    }
    return stamp.changed < entryWritten || (sameTimeCounts && stamp.changed == entryWritten);
}

bool ShapeMatches(QSize pixels, QSize natural) {
    if (pixels.isEmpty() || natural.isEmpty()) return false;
    // Each side is the other scaled by the picture's ratio, rounded either way.
    const qint64 cross =
        qint64(pixels.width()) * natural.height() - qint64(pixels.height()) * natural.width();
    return std::abs(cross) <= std::max(natural.width(), natural.height());
}

}  // namespace pictures
