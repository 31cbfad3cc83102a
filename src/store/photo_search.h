#pragma once

// Finding photos by the words of their fields, through a word index kept in
// a file of its own (in Pictora's cache folder): the album file itself is
// only ever read, so albums on CD, albums that may not be written and the
// readable copies of Access-format albums are searched as well.
//
// A word matches when it starts a word of a photo's title, date, place,
// people, notes or picture file name (see search_words.h for what a word
// is). A photo is found when every word typed matches. What the user types
// is never read as query syntax.
//
// The index remembers what the album file looked like when it was built
// (see AlbumState) and answers only while the file still looks so; an index
// that is older, damaged or missing is built anew, never trusted. Where the
// cache folder cannot hold it, it is kept in memory for the run.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/photo_index.h"
#include "store/search_words.h"
#include "store/value.h"

namespace store {

class PhotoSearch {
public:
    virtual ~PhotoSearch() = default;

    // Told `done` of `total` steps while the index is built, and whether
    // the build is waiting for the album, locked by another program; false
    // stops it.
    using Progress = std::function<bool(std::int64_t done, std::int64_t total, bool waiting)>;

    // What the album file looks like now (see album_fingerprint.h): any
    // write by any program changes it.
    virtual std::string AlbumState() = 0;

    // True when the index file was built, or kept up to date, for the album
    // as it is now and can be read.
    virtual bool IsCurrent() = 0;

    // Builds the index anew beside the old one and puts it in its place in
    // one step, so a reader never sees half an index; in memory when the
    // cache folder cannot take it. The album is read in short steps, never
    // locked for long, and a lock another program holds is waited out. False
    // when `progress` stopped it (the old index is left as it was);
    // StoreError when the album cannot be read.
    virtual bool Build(const Progress& progress) = 0;

    // The photos, in number order, whose fields hold every word of `words`;
    // every photo of the album when `words` holds none. Photos numbered
    // alike are all found. Raises StoreError when the index cannot be read
    // (it is then to be built).
    virtual std::unique_ptr<PhotoIndex> Find(const std::string& words) = 0;

    // After this program wrote the photos numbered `ids` (added, corrected
    // or deleted): when the index was current for the album state `before`,
    // taken just before the write, brings those photos up to date in it and
    // records `after`, taken just after it, as the state it is current for;
    // false otherwise, the index then being stale. The caller makes sure no
    // other program wrote between the two, which `after` would hide.
    virtual bool Update(const std::vector<Value>& ids, const std::string& before,
                        const std::string& after) = 0;
};

// The word index at `indexPath` of the SQLite album file at `albumPath`.
// Nothing is opened until it is needed.
std::unique_ptr<PhotoSearch> OpenPhotoSearch(const std::string& albumPath,
                                             const std::string& indexPath);

// The index file's name in the cache folder for the album at `albumPath`.
std::string SearchIndexName(const std::string& albumPath);

}  // namespace store
