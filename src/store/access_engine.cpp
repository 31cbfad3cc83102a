#include "store/access_engine.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "base/regular_file.h"
#include "base/whole_number.h"
#include "store/access_scratch.h"
#include "store/album_format.h"
#include "store/album_identity.h"
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
    std::string bytes(kAlbumSniffBytes, '\0');
    const base::FileStart start = base::ReadFileStart(path, bytes.data(), bytes.size());
    if (!start.regular) {
        // Put in the file's place since the look above: no longer a file.
        if (start.error == 0) throw Error(err::NotValidAlbum, path, "non è un file");
        throw Error(start.error == EACCES ? err::CannotOpenForWriting : err::General, path,
                    std::strerror(start.error));
    }
    bytes.resize(start.size);
    return bytes;
}

AlbumFormat FormatOf(const std::string& start) {
    return SniffAlbumFormat(reinterpret_cast<const unsigned char*>(start.data()), start.size());
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
    const std::string prefix = "access-" + AlbumIdentity(path) + "-";
    char rest[128];
    std::snprintf(rest, sizeof rest, "%jd-%jd.%09ld-%jd.%09ld.album",
                  static_cast<intmax_t>(info.st_size), static_cast<intmax_t>(info.st_mtim.tv_sec),
                  info.st_mtim.tv_nsec, static_cast<intmax_t>(info.st_ctim.tv_sec),
                  info.st_ctim.tv_nsec);
    return {prefix, prefix + rest};
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

thread_local const ConversionScope* currentScope = nullptr;

// Takes pictora-album's line telling the photos it wrote.
bool PhotosLine(std::string_view line, std::optional<std::int64_t>& photos) {
    const std::string_view lead = kAlbumToolPhotos;
    if (line.substr(0, lead.size()) != lead) return false;
    line.remove_prefix(lead.size());
    if (const auto n = base::WholeNumber(line); n && *n >= 0) photos = *n;
    return true;
}

// Takes pictora-album's progress lines.
bool ProgressLine(std::string_view line, std::int64_t& done, std::int64_t& total) {
    const std::string_view lead = kAlbumToolProgress;
    if (line.substr(0, lead.size()) != lead) return false;
    line.remove_prefix(lead.size());
    // "done total", one character between them.
    const auto d = base::TakeWholeNumber(line);
    if (d && !line.empty()) {
        line.remove_prefix(1);
        const auto t = base::TakeWholeNumber(line);
        if (t && *d >= 0 && *t >= 0) {
            done = *d;
            total = *t;
        }
    }
    return true;
}

// Why pictora-album could not be run, as a clause.
std::string ToolError(const std::string& tool, int error) {
    if (error == ENOENT)
        return "manca il programma che legge gli album delle versioni precedenti (" + tool + ")";
    return "il programma che legge gli album delle versioni precedenti (" + tool +
           ") non si avvia: " + std::strerror(error);
}

// A time limit as the user reads it: "5 s", "500 ms".
std::string Duration(std::chrono::milliseconds limit) {
    const auto ms = limit.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// A damaged album's error, with the tool's reason without the path it names.
StoreError DamageError(const std::string& path, std::string reason) {
    const std::string lead = "'" + path + "' è danneggiato: ";
    if (reason.compare(0, lead.size(), lead) == 0) reason.erase(0, lead.size());
    return Error(err::AlbumDamaged, path, reason);
}

class AccessEngine final : public Engine {
public:
    AccessEngine(AccessOptions options, std::shared_ptr<Engine> native)
        : options_(std::move(options)), native_(std::move(native)) {
        RemoveLeftoverImports(options_.cacheFolder);
    }

    std::unique_ptr<Album> Open(const std::string& path, bool readOnly) override {
        // Nothing but the store's own errors leaves: a failure of the file
        // system library is the cache folder's.
        try {
            return OpenAccess(path, readOnly);
        } catch (const StoreError&) {
            throw;
        } catch (const std::exception& e) {
            throw StoreError(err::General, e.what());
        }
    }

private:
    std::unique_ptr<Album> OpenAccess(const std::string& path, bool readOnly) {
        struct stat info {};
        if (FormatOf(Start(path, info)) != AlbumFormat::Access)
            throw Error(err::NotValidAlbum, path, "non è un album nel formato Access");
        // Albums of this format are read, never written; the reactions to an
        // album that may not be written open it for reading.
        if (!readOnly)
            throw StoreError(err::CannotOpenForWriting,
                             "'" + path +
                                 "': album nel formato delle versioni precedenti: si apre solo "
                                 "in lettura",
                             ReadOnlyCause::OldFormat);

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
        if (const auto known = verdicts_.find(cache.name); known != verdicts_.end())
            throw known->second;
        const ConversionScope* scope = ConversionScope::Current();
        if (scope != nullptr && scope->observer() == nullptr)
            throw StoreError(err::General, "l'album non è ancora stato letto");
        Convert(path, info, cache, copy, scope ? scope->observer() : nullptr);
        return native_->Open(copy, true);
    }

    void Convert(const std::string& path, const struct stat& info, const CacheName& cache,
                 const std::string& copy, ConversionObserver* observer) {
        RemoveLeftoverImports(options_.cacheFolder);
        const ImportFolder scratch(options_.cacheFolder);
        const std::string target = (fs::path(scratch.path()) / "album").string();
        std::optional<std::int64_t> photos;
        const std::chrono::milliseconds limit = TimeLimit(options_, info);
        const ChildResult run = RunTool(path, target, limit, observer, photos);
        try {
            Check(path, run, limit);
        } catch (const StoreError& e) {
            // A file found damaged stays so while it is unchanged: it is not
            // read again at every opening.
            if (run.exited && run.exitCode == kAlbumToolDamaged)
                verdicts_.insert_or_assign(cache.name, e);
            throw;
        }
        Verify(path, target, photos, run.output);

        if (std::rename(target.c_str(), copy.c_str()) != 0)
            throw StoreError(err::General, CacheFolderError(options_.cacheFolder, errno));
        // Copies of earlier versions of the same file are of no more use.
        std::error_code ec;
        for (fs::directory_iterator it(options_.cacheFolder, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code removed;
            if (name != cache.name && name.compare(0, cache.prefix.size(), cache.prefix) == 0)
                fs::remove(it->path(), removed);
        }
    }

    ChildResult RunTool(const std::string& path, const std::string& target,
                        std::chrono::milliseconds limit, ConversionObserver* observer,
                        std::optional<std::int64_t>& photos) const {
        std::int64_t done = 0;
        std::int64_t total = 0;
        ChildWatch watch;
        watch.line = [&](std::string_view line) {
            return ProgressLine(line, done, total) || PhotosLine(line, photos);
        };
        if (observer != nullptr) {
            watch.keepGoing = [&] { return observer->Advance(done, total); };
        }
        return RunChild({options_.albumTool, "import", path, target}, limit, watch);
    }

    // Raises what a reading that did not succeed means.
    void Check(const std::string& path, const ChildResult& run,
               std::chrono::milliseconds limit) const {
        if (run.spawnError != 0)
            throw StoreError(err::General, ToolError(options_.albumTool, run.spawnError));
        if (run.stopped) throw StoreError(err::General, "la lettura dell'album è stata interrotta");
        if (run.waitError != 0)
            throw StoreError(err::General,
                             std::string("la lettura dell'album non si può seguire: ") +
                                 std::strerror(run.waitError));
        // A slow medium or a stuck reader: the file may well be sound.
        if (run.timedOut)
            throw Error(err::General, path,
                        "il programma che legge gli album delle versioni precedenti (" +
                            options_.albumTool + ") non ha finito entro " + Duration(limit));
        if (!run.exited) {
            throw Error(
                err::AlbumDamaged, path,
                "la lettura del file si è interrotta (segnale " + std::to_string(run.signal) + ")");
        }
        if (run.exitCode == kAlbumToolDamaged) throw DamageError(path, FirstLine(run.output));
        if (run.exitCode == kAlbumToolNotAnAlbum)
            throw Error(err::NotValidAlbum, path, FirstLine(run.output));
        // The tool could not start (a library missing), or could not write
        // its copy in the cache folder: nothing is known about the file.
        if (run.exitCode != 0) {
            throw Error(err::General, path,
                        "il programma che legge gli album delle versioni precedenti (" +
                            options_.albumTool + ") non ha funzionato: " + FirstLine(run.output));
        }
    }

    // The tool says how many photos it wrote; the copy must hold as many.
    void Verify(const std::string& path, const std::string& target,
                const std::optional<std::int64_t>& photos, const std::string& output) const {
        if (!photos)
            throw Error(err::NotValidAlbum, path, "risposta inattesa del lettore: " + output);
        try {
            if (native_->Open(target, true)->OpenPhotoIndex()->Count() != *photos)
                throw Error(err::NotValidAlbum, path, "la copia di lettura è incompleta");
        } catch (const StoreError& e) {
            if (e.number() == err::NotValidAlbum) throw;
            // The copy in the cache folder could not be read back: the
            // folder's fault, not the file's.
            if (e.number() == err::DiskFull || e.number() == err::CannotOpenForWriting)
                throw StoreError(err::General, e.what());
            throw Error(err::NotValidAlbum, path, e.what());
        }
    }

    AccessOptions options_;
    std::shared_ptr<Engine> native_;
    // The files found damaged, by their copies' names.
    std::map<std::string, StoreError> verdicts_;
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

ConversionScope::ConversionScope(ConversionObserver* observer)
    : observer_(observer), outer_(currentScope) {
    currentScope = this;
}

ConversionScope::~ConversionScope() {
    currentScope = outer_;
}

const ConversionScope* ConversionScope::Current() {
    return currentScope;
}

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
