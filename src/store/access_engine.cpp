#include "store/access_engine.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>

#include "store/album_format.h"
#include "store/child_process.h"
#include "store/store_error.h"

namespace fs = std::filesystem;

namespace store {

namespace {

StoreError Error(int number, const std::string& path, const std::string& why) {
    return StoreError(number, "'" + path + "': " + why);
}

// The first bytes of `path`, read through a descriptor of our own; raises as
// Open documents.
std::string Start(const std::string& path, struct stat& info) {
    if (stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) throw Error(err::FileNotFound, path, "non esiste");
        if (error == EACCES) throw Error(err::CannotOpenForWriting, path, std::strerror(error));
        throw Error(err::General, path, std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) throw Error(err::NotValidAlbum, path, "non è un file");
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        throw Error(error == EACCES ? err::CannotOpenForWriting : err::General, path,
                    std::strerror(error));
    }
    std::string bytes(kAlbumSniffBytes, '\0');
    ssize_t got = 0;
    while (got < static_cast<ssize_t>(bytes.size())) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    close(fd);
    bytes.resize(got);
    return bytes;
}

AlbumFormat FormatOf(const std::string& start) {
    return SniffAlbumFormat(reinterpret_cast<const unsigned char*>(start.data()), start.size());
}

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

std::string CanonicalPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return fs::absolute(path).lexically_normal().string();
    std::string result = resolved;
    free(resolved);
    return result;
}

// The copy's name: which file (a hash of its path), and that file's size,
// modification time and change time, so a changed file is read again. The
// change time is there for a file replaced by another of the same size whose
// modification time was kept (cp -p, an unpacked archive): no program can set
// it back.
struct CacheName {
    std::string prefix;  // the same for every copy of one file
    std::string name;
};

CacheName CacheNameOf(const std::string& path, const struct stat& info) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "access-%016" PRIx64 "-", Fnv1a(CanonicalPath(path)));
    char rest[128];
    std::snprintf(rest, sizeof rest, "%jd-%jd.%09ld-%jd.%09ld.album",
                  static_cast<intmax_t>(info.st_size), static_cast<intmax_t>(info.st_mtim.tv_sec),
                  info.st_mtim.tv_nsec, static_cast<intmax_t>(info.st_ctim.tv_sec),
                  info.st_ctim.tv_nsec);
    return {prefix, std::string(prefix) + rest};
}

// A few seconds, and a second more for every 4 MiB of file: far more than a
// sound file needs, little to wait for one that makes libmdb loop.
std::chrono::milliseconds TimeLimit(const AccessOptions& options, const struct stat& info) {
    if (options.timeLimit.count() > 0) return options.timeLimit;
    const auto extra = std::chrono::seconds(info.st_size / (4 << 20));
    return std::min<std::chrono::milliseconds>(std::chrono::seconds(5) + extra,
                                               std::chrono::seconds(120));
}

// The first line the tool wrote, without its name in front, for a message.
std::string FirstLine(const std::string& output) {
    std::string line = output.substr(0, output.find('\n'));
    const std::string name = "pictora-album: ";
    if (line.compare(0, name.size(), name) == 0) line.erase(0, name.size());
    return line;
}

// A folder removed with what is in it when the scope ends.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string path) : path_(std::move(path)) {}
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class AccessEngine final : public Engine {
public:
    AccessEngine(AccessOptions options, std::shared_ptr<Engine> native)
        : options_(std::move(options)), native_(std::move(native)) {}

    std::unique_ptr<Album> Open(const std::string& path, bool readOnly) override {
        struct stat info {};
        if (FormatOf(Start(path, info)) != AlbumFormat::Access)
            throw Error(err::NotValidAlbum, path, "non è un album nel formato Access");
        // Albums of this format are read, never written; the reactions to an
        // album that may not be written open it for reading.
        if (!readOnly)
            throw Error(err::CannotOpenForWriting, path,
                        "album nel formato delle versioni precedenti: si apre solo in lettura");

        const CacheName cache = CacheNameOf(path, info);
        const std::string copy = (fs::path(options_.cacheFolder) / cache.name).string();
        std::error_code ec;
        if (fs::is_regular_file(copy, ec)) {
            try {
                return native_->Open(copy, true);
            } catch (const StoreError&) {
                // A damaged copy is made again.
                fs::remove(copy, ec);
            }
        }
        Convert(path, info, cache, copy);
        return native_->Open(copy, true);
    }

private:
    void Convert(const std::string& path, const struct stat& info, const CacheName& cache,
                 const std::string& copy) {
        std::error_code ec;
        fs::create_directories(options_.cacheFolder, ec);
        std::string pattern = (fs::path(options_.cacheFolder) / ".import-XXXXXX").string();
        if (ec || mkdtemp(pattern.data()) == nullptr) {
            throw Error(err::General, options_.cacheFolder,
                        "impossibile preparare la copia di lettura dell'album: " +
                            (ec ? ec.message() : std::string(std::strerror(errno))));
        }
        const ScratchFolder scratch(pattern);
        const std::string target = (fs::path(scratch.path()) / "album").string();

        const ChildResult run =
            RunChild({options_.albumTool, "import", path, target}, TimeLimit(options_, info));
        if (run.spawnError != 0) {
            throw Error(err::General, options_.albumTool,
                        std::string("impossibile avviare il lettore degli album nel formato "
                                    "Access: ") +
                            std::strerror(run.spawnError));
        }
        if (run.timedOut) {
            throw Error(err::NotValidAlbum, path, "la lettura del file non è finita in tempo");
        }
        if (!run.exited) {
            throw Error(
                err::NotValidAlbum, path,
                "la lettura del file si è interrotta (segnale " + std::to_string(run.signal) + ")");
        }
        if (run.exitCode != 0) throw Error(err::NotValidAlbum, path, FirstLine(run.output));

        // The tool says how many photos it wrote; the copy must hold as many.
        static const std::regex said("Convertit[ae] ([0-9]{1,18}) foto");
        std::smatch match;
        if (!std::regex_search(run.output, match, said))
            throw Error(err::NotValidAlbum, path, "risposta inattesa del lettore: " + run.output);
        const std::int64_t expected = std::stoll(match[1].str());
        try {
            if (native_->Open(target, true)->OpenPhotoIndex()->Count() != expected)
                throw Error(err::NotValidAlbum, path, "la copia di lettura è incompleta");
        } catch (const StoreError& e) {
            if (e.number() == err::NotValidAlbum) throw;
            throw Error(err::NotValidAlbum, path, e.what());
        }

        if (std::rename(target.c_str(), copy.c_str()) != 0) {
            throw Error(err::General, copy, std::strerror(errno));
        }
        // Copies of earlier versions of the same file are of no more use.
        for (const auto& entry : fs::directory_iterator(options_.cacheFolder, ec)) {
            const std::string name = entry.path().filename().string();
            if (name != cache.name && name.compare(0, cache.prefix.size(), cache.prefix) == 0)
                fs::remove(entry.path(), ec);
        }
    }

    AccessOptions options_;
    std::shared_ptr<Engine> native_;
};

// Picks the engine by the file's first bytes.
class AlbumEngine final : public Engine {
public:
    AlbumEngine(AccessOptions options, std::shared_ptr<Engine> native)
        : access_(std::move(options), native), native_(std::move(native)) {}

    std::unique_ptr<Album> Open(const std::string& path, bool readOnly) override {
        struct stat info {};
        std::string start;
        try {
            start = Start(path, info);
        } catch (const StoreError&) {
            // Missing, unreadable or no file at all: the native engine's
            // checks answer as for any album.
            return native_->Open(path, readOnly);
        }
        if (FormatOf(start) == AlbumFormat::Access) return access_.Open(path, readOnly);
        return native_->Open(path, readOnly);
    }

private:
    AccessEngine access_;
    std::shared_ptr<Engine> native_;
};

}  // namespace

std::unique_ptr<Engine> MakeAccessEngine(AccessOptions options, std::shared_ptr<Engine> native) {
    return std::make_unique<AccessEngine>(std::move(options), std::move(native));
}

std::unique_ptr<Engine> MakeAlbumEngine(AccessOptions options, std::shared_ptr<Engine> native) {
    return std::make_unique<AlbumEngine>(std::move(options), std::move(native));
}

std::string FindAlbumTool(const std::string& programFolder) {
    const fs::path folder(programFolder);
    const fs::path installed = folder / "pictora-album";
    const fs::path built = folder / ".." / "tools" / "pictora-album" / "pictora-album";
    for (const fs::path& candidate : {installed, built}) {
        if (access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal().string();
    }
    return installed.string();
}

}  // namespace store
