// An addition of many photos, phase by phase: the walk, the pictures the
// album already holds, the reading, the order, the batches.
#include "adding/add_pictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <span>
#include <unordered_map>
#include <unordered_set>

#include <QThread>

#include "adding/field_readers.h"
#include "adding/folder_walk.h"
#include "store/album_format.h"

namespace adding {

namespace {

// A picture read and waiting for its number.
struct Pending {
    std::optional<std::int64_t> taken;
    std::string path;
    store::PhotoTexts texts;
};

// Photos with a date first, in the order they were taken, then by path.
bool Before(const Pending& a, const Pending& b) {
    if (a.taken.has_value() != b.taken.has_value()) return a.taken.has_value();
    if (a.taken != b.taken) return *a.taken < *b.taken;
    return a.path < b.path;
}

bool Stopped(const Options& options) {
    return options.cancel != nullptr && options.cancel->load();
}

void Tell(const Options& options, Phase phase, std::int64_t done, std::int64_t total) {
    if (options.progress) options.progress(phase, done, total);
}

// A folder as the program reads a stored one (a backslash is a slash), made
// clean, so one stored as "/foto/" or "\foto" is the folder walked as
// "/foto". A folder stored relative names no folder walked.
std::string FolderKey(std::string folder) {
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return !folder.empty() && folder[0] == '/' ? CleanPath(folder, "/") : "\n" + folder;
}

std::string Key(const std::string& folderKey, const std::string& name) {
    std::string key = folderKey;
    key += '\0';
    return key += name;
}

// Thrown by the album's visitor to end its scan when the addition is stopped.
struct Cancelled {};

// Which files the album already holds, by folder and name: the album is read
// once, and only the files walked are kept in memory, whatever its size.
std::vector<bool> HeldByAlbum(store::Album& album, const std::vector<FoundFile>& files,
                              const Options& options) {
    std::unordered_map<std::string, std::size_t> walked;
    walked.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        walked.emplace(Key(FolderKey(files[i].folder), files[i].name), i);
    std::vector<bool> held(files.size());
    std::string lastFolder, lastKey;
    std::int64_t rows = 0;
    album.VisitPicturePlaces([&](const std::string& folder, const std::string& name) {
        // Photos of one folder mostly follow one another.
        if (rows == 0 || folder != lastFolder) lastKey = FolderKey(lastFolder = folder);
        if (const auto it = walked.find(Key(lastKey, name)); it != walked.end())
            held[it->second] = true;
        if (++rows % 4096 == 0) {
            if (Stopped(options)) throw Cancelled{};
            Tell(options, Phase::Checking, rows, 0);
        }
    });
    return held;
}

struct FileHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& id) const {
        return std::hash<std::uint64_t>()(id.second) * 31 + id.first;
    }
};

// The files to read: those the album does not hold, each file once, by its
// own name rather than a link's, and none the album holds by another path.
std::vector<const FoundFile*> ToRead(const std::vector<FoundFile>& files,
                                     const std::vector<bool>& held) {
    std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, FileHash> seen;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (held[i]) seen.insert({files[i].device, files[i].inode});
    std::vector<const FoundFile*> read;
    for (const bool links : {false, true}) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!held[i] && files[i].viaLink == links &&
                seen.insert({files[i].device, files[i].inode}).second)
                read.push_back(&files[i]);
        }
    }
    return read;
}

int Readers(const Options& options) {
    if (options.readers > 0) return options.readers;
    return std::clamp(QThread::idealThreadCount(), 1, 8);
}

// The pictures among `files`, read, each with its texts for the album;
// what is no picture or cannot be read is counted in `result`.
std::vector<Pending> ReadPictures(const std::vector<const FoundFile*>& files,
                                  const Options& options, Result& result, Problems& problems) {
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const FoundFile* file : files) paths.push_back(PathOf(file->folder, file->name));
    const auto total = static_cast<std::int64_t>(paths.size());
    std::vector<FileReading> readings =
        ReadFiles(paths, Readers(options), options.cancel,
                  [&](std::int64_t done) { Tell(options, Phase::Reading, done, total); });
    std::vector<Pending> pending;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        FileReading& reading = readings[i];
        if (reading.kind == FileReading::Kind::NotPicture) ++result.notPictures;
        if (reading.kind == FileReading::Kind::Unreadable) problems.Add(paths[i], reading.why);
        if (reading.kind != FileReading::Kind::Picture) continue;
        metadata::Fields& f = reading.photo.fields;
        pending.push_back(
            {reading.photo.taken, std::move(paths[i]),
             store::PhotoTexts{std::move(f.title), std::move(f.date_taken), std::move(f.place),
                               std::move(f.people), std::move(f.notes), files[i]->name,
                               files[i]->folder}});
    }
    return pending;
}

// Writes `photos` in their order, a batch per transaction.
void Insert(store::Album& album, std::vector<Pending>& photos, const Options& options,
            Result& result) {
    const std::size_t batch = std::max<std::size_t>(options.batch, 1);
    const auto total = static_cast<std::int64_t>(photos.size());
    std::vector<store::PhotoTexts> texts;
    for (std::size_t from = 0; from < photos.size(); from += batch) {
        if ((result.cancelled = Stopped(options))) return;
        texts.clear();
        const std::size_t to = std::min(photos.size(), from + batch);
        for (std::size_t i = from; i < to; ++i) texts.push_back(std::move(photos[i].texts));
        try {
            const std::vector<store::Value> numbers = album.InsertPhotos(texts);
            if (!result.firstNumber) result.firstNumber = numbers.front();
            result.lastNumber = numbers.back();
        } catch (const store::StoreError& e) {
            result.failure = e;
            return;
        }
        result.added += static_cast<std::int64_t>(texts.size());
        Tell(options, Phase::Adding, result.added, total);
    }
}

}  // namespace

std::unique_ptr<store::Album> OpenAlbumForAdding(store::Engine& engine, const std::string& path) {
    if (store::AlbumFormatOf(path) == store::AlbumFormat::Access) {
        throw store::StoreError(
            store::err::CannotOpenForWriting,
            "'" + path +
                "' è un album nel formato delle versioni precedenti, che si può solo leggere: "
                "convertirlo prima in un album nuovo con \"pictora-album import " +
                path + " NUOVO\" e aggiungere le foto a quello",
            store::ReadOnlyCause::OldFormat);
    }
    return engine.Open(path, false);
}

Result AddPictures(store::Album& album, const std::vector<std::string>& paths,
                   const Options& options) {
    Result result;
    Tell(options, Phase::Walking, 0, 0);
    Walked walked = Walk(paths, options.cancel,
                         [&](std::int64_t found) { Tell(options, Phase::Walking, found, 0); });
    result.notPictures = walked.notFiles;
    Problems& problems = walked.unreadable;
    std::vector<Pending> photos;
    if (!(result.cancelled = walked.cancelled)) {
        try {
            Tell(options, Phase::Checking, 0, 0);
            const std::vector<const FoundFile*> missing =
                ToRead(walked.files, HeldByAlbum(album, walked.files, options));
            result.already = static_cast<std::int64_t>(walked.files.size() - missing.size());
            photos = ReadPictures(missing, options, result, problems);
            result.cancelled = Stopped(options);
        } catch (const Cancelled&) {
            result.cancelled = true;
        } catch (const store::StoreError& e) {
            result.failure = e;
        }
    }
    result.unreadable = problems.count;
    result.firstUnreadable = std::move(problems.first);
    if (result.cancelled || result.failure) return result;
    std::sort(photos.begin(), photos.end(), Before);
    Insert(album, photos, options, result);
    return result;
}

}  // namespace adding
