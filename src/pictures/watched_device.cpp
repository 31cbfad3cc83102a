#include "pictures/watched_device.h"

namespace pictures {

WatchedDevice::WatchedDevice(QIODevice& inner) : inner_(inner) {
    // Unbuffered: `inner` keeps its own buffer, and its place is this one's.
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!inner_.isSequential()) QIODevice::seek(inner_.pos());
}

bool WatchedDevice::seek(qint64 pos) {
    return QIODevice::seek(pos) && inner_.seek(pos);
}

qint64 WatchedDevice::readData(char* data, qint64 most) {
    // A read cut short may have met an error the device keeps to itself,
    // having bytes to give: the next read tells it. Only the end stops one.
    qint64 got = 0;
    while (got < most) {
        const qint64 more = inner_.read(data + got, most - got);
        if (more < 0) {
            failed_ = true;
            return got > 0 ? got : -1;
        }
        if (more == 0) break;
        got += more;
    }
    return got;
}

}  // namespace pictures
