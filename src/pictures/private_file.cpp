#include "pictures/private_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace pictures {
namespace {

// A file descriptor closed with its holder.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    // Whether the file closes cleanly: its last bytes may be written only then.
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// The folder `name` in `parent`, made private when missing; none when it is
// a link, no folder, or someone else's.
Fd OwnFolder(int parent, const QByteArray& name) {
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/')) return Fd();
    if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST) return Fd();
    Fd folder(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!folder.ok() || ::fstat(folder.get(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid())
        return Fd();
    return folder;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += wrote;
    }
    return true;
}

}  // namespace

bool WritePrivateFile(const QString& root, const QString& sub, const QString& name,
                      const QByteArray& bytes) {
    const QFileInfo rootInfo(root);
    const QString above = rootInfo.absolutePath();
    QDir().mkpath(above);
    Fd folder(::open(QFile::encodeName(above).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.ok()) return false;
    for (const QString& part : QStringList{rootInfo.fileName()} + sub.split(QLatin1Char('/'))) {
        folder = OwnFolder(folder.get(), QFile::encodeName(part));
        if (!folder.ok()) return false;
    }
    const QByteArray target = QFile::encodeName(name);
    if (target.isEmpty() || target.contains('/')) return false;
    QByteArray temporary;
    Fd file;
    for (int attempt = 0; attempt < 8 && !file.ok(); ++attempt) {
        temporary = target + ".pictora-" +
                    QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        file = Fd(::openat(folder.get(), temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.ok() && errno != EEXIST) return false;
    }
    if (!file.ok()) return false;
    const bool written = WriteAll(file.get(), bytes) && file.Close();
    if (written &&
        ::renameat(folder.get(), temporary.constData(), folder.get(), target.constData()) == 0)
        return true;
    ::unlinkat(folder.get(), temporary.constData(), 0);
    return false;
}

}  // namespace pictures
