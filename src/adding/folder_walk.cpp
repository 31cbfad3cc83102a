// Walking the folders of an addition.
#include "adding/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "metadata/text.h"

namespace adding {

namespace {

// A file or folder as the file system names it, whatever the path to it.
struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity&) const = default;
};

struct IdentityHash {
    std::size_t operator()(const Identity& id) const {
        return std::hash<unsigned long long>()(id.inode) * 31 + id.device;
    }
};

std::string WorkingFolder() {
    std::string buffer(4096, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

bool Stopped(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

class Walker {
public:
    Walker(const std::atomic<bool>* cancel, const std::function<void(std::int64_t)>& found)
        : cancel_(cancel), found_(found) {}

    void Given(const std::string& path) {
        struct stat info {
        }, own{};
        if (stat(path.c_str(), &info) != 0) return Refuse(path, ErrnoText(errno));
        if (S_ISDIR(info.st_mode)) {
            if (folders_.insert({info.st_dev, info.st_ino}).second) WalkFolder(path);
            return;
        }
        const bool link = lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
        const std::size_t slash = path.rfind('/');
        Entry(slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1), info, link);
    }

    // The folders reached through links, once everything else is walked,
    // so a folder's files are named by their own path where one was given.
    void WalkLinkedFolders() {
        for (std::size_t i = 0; i < linked_.size() && !Stop(); ++i) {
            const std::string path = linked_[i];
            struct stat info {};
            if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
                folders_.insert({info.st_dev, info.st_ino}).second)
                WalkFolder(path);
        }
    }

    void Refuse(std::string path, std::string why) {
        walked_.unreadable.Add(std::move(path), std::move(why));
    }

    // Whether the addition was stopped, which then ends the walk.
    bool Stop() { return walked_.cancelled = walked_.cancelled || Stopped(cancel_); }

    Walked Take() { return std::move(walked_); }

private:
    struct Name {
        std::string name;
        bool link;
        bool operator<(const Name& other) const { return name < other.name; }
    };

    // One entry of a folder, or a file given.
    void Entry(const std::string& folder, std::string name, const struct stat& info, bool link) {
        if (!S_ISREG(info.st_mode)) {
            ++walked_.notFiles;
        } else if (const std::string path = PathOf(folder, name); metadata::ToUtf8(path) != path) {
            // Stored, it would read back as another name, and no photo of
            // it could ever be shown.
            Refuse(path, "il nome non è scritto in UTF-8");
        } else {
            walked_.files.push_back({folder, std::move(name),
                                     static_cast<std::uint64_t>(info.st_dev),
                                     static_cast<std::uint64_t>(info.st_ino), link});
            if (found_) found_(static_cast<std::int64_t>(walked_.files.size()));
        }
    }

    // The folder and everything below it, depth first in the order of the
    // names, on a stack of its own however deep the tree.
    void WalkFolder(const std::string& top) {
        std::vector<std::string> stack{top};
        while (!stack.empty() && !Stop()) {
            const std::string folder = std::move(stack.back());
            stack.pop_back();
            std::vector<std::string> below = Folder(folder);
            stack.insert(stack.end(), std::make_move_iterator(below.rbegin()),
                         std::make_move_iterator(below.rend()));
        }
    }

    // The entries of a folder in the order of their names, and whether each
    // is a link.
    std::vector<Name> Names(DIR* dir, const std::string& folder) {
        std::vector<Name> names;
        errno = 0;
        while (const dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool link = entry->d_type == DT_LNK;
            struct stat own {};
            if (entry->d_type == DT_UNKNOWN &&
                fstatat(dirfd(dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0)
                link = S_ISLNK(own.st_mode);
            names.push_back({std::string(name), link});
            errno = 0;
        }
        if (errno != 0) Refuse(folder, ErrnoText(errno));
        std::sort(names.begin(), names.end());
        return names;
    }

    // The files of one folder; its subfolders not walked yet, in order.
    std::vector<std::string> Folder(const std::string& folder) {
        std::vector<std::string> below;
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
        if (!dir) {
            Refuse(folder, ErrnoText(errno));
            return below;
        }
        for (Name& entry : Names(dir.get(), folder)) {
            if (Stop()) break;
            struct stat info {};
            // Links are followed: a loop ends at a folder already walked.
            if (fstatat(dirfd(dir.get()), entry.name.c_str(), &info, 0) != 0) {
                Refuse(PathOf(folder, entry.name), ErrnoText(errno));
            } else if (S_ISDIR(info.st_mode) && entry.link) {
                linked_.push_back(PathOf(folder, entry.name));
            } else if (S_ISDIR(info.st_mode)) {
                if (folders_.insert({info.st_dev, info.st_ino}).second)
                    below.push_back(PathOf(folder, entry.name));
            } else {
                Entry(folder, std::move(entry.name), info, entry.link);
            }
        }
        return below;
    }

    const std::atomic<bool>* cancel_;
    const std::function<void(std::int64_t)>& found_;
    Walked walked_;
    std::unordered_set<Identity, IdentityHash> folders_;
    std::vector<std::string> linked_;
};

}  // namespace

std::string PathOf(const std::string& folder, const std::string& name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    return path += name;
}

std::string CleanPath(const std::string& path, const std::string& workingFolder) {
    const std::string whole = !path.empty() && path[0] == '/' ? path : workingFolder + "/" + path;
    std::vector<std::string_view> parts;
    std::string_view rest = whole;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string clean;
    for (const std::string_view part : parts) (clean += '/') += part;
    return clean.empty() ? "/" : clean;
}

void Problems::Add(std::string path, std::string why) {
    ++count;
    if (first.size() < kNamedUnreadable) first.push_back({std::move(path), std::move(why)});
}

Walked Walk(const std::vector<std::string>& paths, const std::atomic<bool>* cancel,
            const std::function<void(std::int64_t found)>& found) {
    Walker walker(cancel, found);
    std::string working;
    for (const std::string& path : paths) {
        if (walker.Stop()) break;
        if (path.empty()) {
            walker.Refuse(path, "percorso vuoto");
            continue;
        }
        if (path[0] != '/' && working.empty()) working = WorkingFolder();
        if (path[0] != '/' && working.empty()) {
            walker.Refuse(path, "la cartella di lavoro non si può leggere");
            continue;
        }
        walker.Given(CleanPath(path, working));
    }
    walker.WalkLinkedFolders();
    walker.Stop();
    return walker.Take();
}

std::string ErrnoText(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "permesso negato";
        case ENOENT:
            return "non esiste, o è un collegamento a qualcosa che non c'è più";
        case ELOOP:
            return "collegamenti che girano in tondo";
        case ENOTDIR:
            return "una parte del percorso non è una cartella";
        case ENAMETOOLONG:
            return "percorso troppo lungo";
        case EIO:
            return "errore di lettura del disco";
        case EMFILE:
        case ENFILE:
            return "troppi file aperti";
        case ENOMEM:
            return "memoria insufficiente";
        default:
            break;
    }
    char buffer[256];
    return "errore " + std::to_string(error) + " (" + strerror_r(error, buffer, sizeof buffer) +
           ")";
}

}  // namespace adding
