#pragma once

// Finding photos by the words of their fields, through a word index kept in
// a file of its own (in Pictora's cache folder): the album file itself is
// only ever read, so albums on CD, albums that may not be written and the
// readable copies of Access-format albums are searched as well.
//
// A word matches when it starts a word of a photo's title, date, place,
// people, notes or picture file name; case and accents do not count
// ("citta" finds "Città"), and apostrophes and every other punctuation mark
// part words ("isola" finds "l'Isola"). A photo is found when every word
// typed matches. What the user types is never read as query syntax.
//
// The index remembers what the album file looked like when it was built
// (see AlbumState) and answers only while the file still looks so; an index
// that is older, damaged or missing is built anew, never trusted.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/photo_index.h"

namespace store {

class PhotoSearch {
public:
    virtual ~PhotoSearch() = default;

    // Told `done` of `total` steps while the index is built; false stops it.
    using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;

    // What the album file looks like now, cheaply: its inode, size and
    // modification and change times, the change counter SQLite keeps in the
    // file's header (raised by every write, even within one clock tick), and
    // the size and time of its write-ahead log when it has one. Any write by
    // any program changes it.
    virtual std::string AlbumState() = 0;

    // True when the index file was built, or kept up to date, for the album
    // as it is now and can be read.
    virtual bool IsCurrent() = 0;

    // Builds the index anew beside the old one and puts it in its place in
    // one step, so a reader never sees half an index. The album is read in
    // short steps, never locked for long. False when `progress` stopped it
    // (the old index is left as it was); StoreError when the album cannot
    // be read or the cache folder written.
    virtual bool Build(const Progress& progress) = 0;

    // The photos, in number order, whose fields hold every word of `words`;
    // every photo of the album when `words` holds none. Raises StoreError
    // when the index cannot be read (it is then to be built).
    virtual std::unique_ptr<PhotoIndex> Find(const std::string& words) = 0;

    // After this program wrote photos `ids` (added, corrected or deleted):
    // when the index was current for the album state `before` (taken just
    // before the write), brings those photos up to date in it and returns
    // true; false otherwise, the index then being stale.
    virtual bool Update(const std::vector<std::int64_t>& ids, const std::string& before) = 0;
};

// The word index at `indexPath` of the SQLite album file at `albumPath`.
// Nothing is opened until it is needed.
std::unique_ptr<PhotoSearch> OpenPhotoSearch(const std::string& albumPath,
                                             const std::string& indexPath);

// The words of `text` as a search takes them: split at blanks, apostrophes
// and every other punctuation mark.
std::vector<std::string> SearchWords(const std::string& text);

// `text` as a query of the word index: each word quoted and taken as the
// start of a word, all of them required. Empty when `text` holds no word.
std::string SearchQuery(const std::string& text);

// The index file's name in the cache folder for the album at `albumPath`.
std::string SearchIndexName(const std::string& albumPath);

}  // namespace store
