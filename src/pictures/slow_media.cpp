#include "pictures/slow_media.h"

#include <QDir>
#include <QList>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <mutex>
#include <vector>

namespace pictures {
namespace {

struct Mount {
    QByteArray point;
    bool slow = false;
};

// A mount point as mountinfo writes it: space, tab, newline and backslash as
// three octal digits after a backslash.
QByteArray Unescaped(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                out += char(code);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// Shares, optical discs, automount points, and the file systems of programs
// (FUSE), but for those that stand for a local disk (a container's root).
bool SlowType(const QByteArray& type) {
    static const QList<QByteArray> kSlow = {"nfs",   "nfs4", "cifs",   "smb3",      "smbfs",
                                            "ncpfs", "afs",  "ceph",   "glusterfs", "9p",
                                            "davfs", "fuse", "autofs", "iso9660",   "udf"};
    static const QList<QByteArray> kLocal = {"fuse.fuse-overlayfs", "fuse.lxcfs"};
    return kSlow.contains(type) || (type.startsWith("fuse.") && !kLocal.contains(type));
}

bool RemovablePlace(const QByteArray& point) {
    return point.startsWith("/media/") || point.startsWith("/run/media/");
}

std::vector<Mount> Parse(const QByteArray& mountinfo) {
    std::vector<Mount> mounts;
    for (const QByteArray& line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 6 || dash + 1 >= fields.size()) continue;
        const QByteArray point = Unescaped(fields[4]);
        mounts.push_back({point, SlowType(fields[dash + 1]) || RemovablePlace(point)});
    }
    return mounts;
}

// The mount that holds `path`: the longest point it lies under, the last
// mounted of those at the same point.
bool Slow(const std::vector<Mount>& mounts, const QString& path) {
    const QByteArray clean = QDir::cleanPath(path).toUtf8();
    const Mount* holder = nullptr;
    for (const Mount& m : mounts) {
        const bool under = m.point == "/" || clean == m.point ||
                           (clean.startsWith(m.point) && clean.at(m.point.size()) == '/');
        if (under && (!holder || m.point.size() >= holder->point.size())) holder = &m;
    }
    return holder && holder->slow;
}

// The process's mount table, read once and again only after the kernel says
// it changed (a priority event on the open file).
class MountTable {
public:
    bool Slow(const QString& path) {
        std::lock_guard lock(mutex_);
        if (fd_ < 0) fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return false;
        pollfd changed{fd_, POLLPRI, 0};
        if (!read_ || (::poll(&changed, 1, 0) > 0 && (changed.revents & (POLLPRI | POLLERR)))) {
            mounts_ = Parse(ReadAll());
            read_ = true;
        }
        return pictures::Slow(mounts_, path);
    }

private:
    QByteArray ReadAll() const {
        QByteArray text;
        if (::lseek(fd_, 0, SEEK_SET) != 0) return text;
        char chunk[16384];
        for (ssize_t got; (got = ::read(fd_, chunk, sizeof chunk)) > 0;) text.append(chunk, got);
        return text;
    }

    std::mutex mutex_;
    int fd_ = -1;
    bool read_ = false;
    std::vector<Mount> mounts_;
};

}  // namespace

bool OnSlowMedium(const QString& path) {
    static MountTable table;
    return table.Slow(path);
}

bool OnSlowMedium(const QString& path, const QByteArray& mountinfo) {
    return Slow(Parse(mountinfo), path);
}

}  // namespace pictures
