#pragma once

// The album store's engine seam, in the album's own terms: an album file is
// opened, its photos are walked in number order with one cursor, a photo is
// deleted or added, and the photo list reads them all. No SQL crosses it, so
// an engine that does not speak SQL (a reader of older album files) can stand
// behind it as well as SQLite.

#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include <utility>

#include "store/photo.h"
#include "store/photo_index.h"
#include "store/photo_search.h"
#include "store/picture_place.h"
#include "store/store_error.h"
#include "store/value.h"

namespace store {

// The texts of a photo its user may correct (the number and the picture's
// folder and file are not among them).
enum class Field { Title, Date, Place, People, Notes };

// The text of `field` among `texts`.
inline const std::string& TextOf(const PhotoTexts& texts, Field field) {
    switch (field) {
        case Field::Title:
            return texts.titolo;
        case Field::Date:
            return texts.data_scatto;
        case Field::Place:
            return texts.luogo;
        case Field::People:
            return texts.persone;
        case Field::Notes:
            break;
    }
    return texts.note;
}

// Where a photo stands in album order: by number, then, among photos of one
// number (an album made elsewhere may hold several), by row. Made from a
// number alone it stands for every photo of that number at once; made from a
// photo, for that photo's row. Either converts by itself, so a number or a
// photo is passed wherever a place is asked for.
struct OrderKey {
    OrderKey(Value number) : id(std::move(number)) {}
    OrderKey(const Photo& photo) : id(photo.id), row(photo.row) {}

    Value id;
    std::optional<std::int64_t> row;
};

// The album's photos in album order (ascending id, then row; see OrderKey),
// with one cursor.
//
// The cursor never holds the whole album: it remembers where it stands (the
// current photo's number and row, or before the first, or after the last)
// and every move asks for the neighbouring photo through the id index, so
// each step costs O(log n) however large the album is, and visits every row
// once, two photos of one number too. Moves read the album as it stands at
// that moment.
//
// Positions and flags:
//  - on a photo: Bof() and Eof() false, Current() reads it;
//  - before the first photo: Bof() true; after the last: Eof() true;
//  - on a photo just deleted: neither flag, but no current photo either;
//  - an empty album when opened: Bof() and Eof() both true.
//
// Every call that reads or writes the file raises 3260 when another program
// keeps the album locked for longer than about three seconds, and changes
// nothing then.
class Cursor {
public:
    virtual ~Cursor() = default;

    // (Named Bof/Eof because EOF is a macro of the C library.)
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    // True when the cursor stands on a photo that Current() can read.
    virtual bool HasCurrentRow() const = 0;

    // MoveFirst/MoveLast raise 3021 on an empty album. MoveNext raises 3021
    // when Eof() is already true, MovePrevious when Bof() is true; otherwise
    // running off either end just sets the flag.
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrevious() = 0;

    // Removes the current photo from the album at once, in one write
    // transaction: only the row it was read from, and only while that row
    // still holds its number and picture. The cursor is then on no photo
    // until the next move; MoveNext and MovePrevious go on from where it was.
    // Raises 3021 with no current photo, 3027 on an album opened for reading,
    // 3260 when another program keeps the album locked for longer than about
    // three seconds, err::PhotoGone when another program deleted or
    // renumbered the photo or put another in its row, and 3022 when more than
    // one row would go (two photos of one number in a table without rowid);
    // nothing is written then, and the cursor stays on the photo.
    virtual void Delete() = 0;

    // Writes `text`, verbatim, into `field` of the current photo, in one
    // write transaction, then reads the photo anew; returns false, writing
    // nothing, when the album already holds that very text. Only the row
    // the photo was read from is written, and only while it still holds the
    // photo's number and picture and, in `field`, the text read with it.
    // Raises 3021 with no current photo, 3027 on an album opened for reading
    // (and from an engine that writes nothing, as this default does), 3260
    // when another program keeps the album locked for longer than about
    // three seconds, 3026 when the disk is full, err::PhotoGone when another
    // program deleted or renumbered the photo or put another in its row, and
    // err::TextChanged when another program changed the text of `field`
    // meanwhile: the photo is then read anew, as it now is. Nothing is
    // written on any of them.
    virtual bool UpdateField(Field field, const std::string& text) {
        (void)field;
        (void)text;
        throw StoreError(err::ReadOnlyDatabase, "l'album non accetta modifiche");
    }

    // The current photo as read when the cursor landed on it; 3021 when the
    // cursor stands on none.
    virtual const Photo& Current() const = 0;

    // Moves onto the first photo, in album order, whose id equals `number`
    // and returns true; returns false and leaves the cursor where it was when
    // there is none. Whole numbers compare exactly at any size (an int64
    // `number` against whole-number ids), others as numbers. One indexed
    // lookup, whatever the album's size.
    virtual bool SeekId(const Value& number) = 0;

    // The photo just before or just after `place` in album order, read
    // without moving the cursor (an indexed lookup or two); nothing at
    // either end of the album.
    virtual std::optional<Photo> PhotoBefore(const OrderKey& place) = 0;
    virtual std::optional<Photo> PhotoAfter(const OrderKey& place) = 0;
    // The same with only the id and the picture's folder and name read, the
    // other texts empty: what reading the picture ahead needs, however long
    // the photo's notes.
    virtual std::optional<Photo> PicturePlaceBefore(const OrderKey& place) {
        return PhotoBefore(place);
    }
    virtual std::optional<Photo> PicturePlaceAfter(const OrderKey& place) {
        return PhotoAfter(place);
    }
};

// An open album file.
class Album {
public:
    virtual ~Album() = default;

    // A cursor over the photos, on the first photo (both flags set on an
    // empty album).
    virtual std::unique_ptr<Cursor> OpenCursor() = 0;

    // Adds a photo numbered one more than the highest number in the album (1
    // in an empty album), the number read and used inside one write
    // transaction, so two programs adding at once never take the same number.
    // Returns the number given. Raises 3027 on an album opened for reading,
    // 3260 when another program holds the album locked for longer than about
    // three seconds, 3026 when the disk is full, and err::NumberRangeFull when
    // the highest number cannot grow by one; nothing is written then.
    virtual Value InsertPhoto(const PhotoTexts& texts) = 0;

    // Adds `photos`, in their order, in one write transaction: the first
    // numbered as InsertPhoto numbers a photo, each next one more than the one
    // before. Every one of them is written, or none: a program killed, a
    // full disk or a failure on the way leaves the album as it was. Returns
    // the numbers given, in order. Raises as InsertPhoto does (3027 from an
    // engine that writes nothing, as this default does).
    virtual std::vector<Value> InsertPhotos(std::span<const PhotoTexts> photos) {
        (void)photos;
        throw StoreError(err::ReadOnlyDatabase, "l'album non accetta foto nuove");
    }

    // Tells `visit` the folder and the file name of every photo's picture
    // as the album holds them (a null as empty text), in no set order, and
    // nothing else of the photos: how pictures already in the album are
    // told. Raises 3000 from an engine that cannot (this default).
    using PicturePlaceVisitor =
        std::function<void(const std::string& folder, const std::string& name)>;
    virtual void VisitPicturePlaces(const PicturePlaceVisitor& visit) {
        (void)visit;
        throw StoreError(err::General, "le foto di questo album non si possono elencare");
    }

    // Every photo of this album, for the photo list: read on a connection of
    // its own, so the cursor's album can go on being written.
    virtual std::unique_ptr<PhotoIndex> OpenPhotoIndex() = 0;
    // The same with each photo's picture, for the grid of thumbnails; an
    // engine that cannot gives the list's, whose pictures are then looked up
    // photo by photo.
    virtual std::unique_ptr<PhotoIndex> OpenPictureIndex() { return OpenPhotoIndex(); }

    // The search of this album through the word index kept in the file at
    // `indexPath` (see PhotoSearch); the album file is only ever read for
    // it. Raises 3000 from an engine that cannot search.
    virtual std::unique_ptr<PhotoSearch> OpenSearch(const std::string& indexPath) {
        (void)indexPath;
        throw StoreError(err::General, "questo album non si può cercare");
    }

    // Where every photo's picture is, with each row's identity in the file,
    // for finding pictures that moved. Raises 3000 from an engine that
    // cannot tell rows apart.
    virtual std::vector<PicturePlace> ReadPicturePlaces() {
        throw StoreError(err::General, "questo album non dice dove sono le immagini");
    }

    // Writes the new folder and name of each row of `moves` whose new
    // picture is a file now and that still holds the old folder and name
    // (a row another program changed meanwhile is left alone), all in one
    // write transaction: every row or, on any failure, none. Returns the
    // rows written. Raises 3027 on an album opened for reading (and from an
    // engine that writes nothing, as this default does), 3260 when another
    // program keeps the album locked for longer than about three seconds and
    // 3026 when the disk is full; nothing is written then.
    virtual std::size_t RelinkPictures(const std::vector<PictureMove>& moves) {
        (void)moves;
        throw StoreError(err::ReadOnlyDatabase, "l'album non accetta modifiche");
    }

    // A number that moves whenever another program commits a write to the
    // album file, this album's own writes leaving it as it is; nothing when
    // it cannot be told. Read around a write of this program, it tells
    // whether anyone else wrote meanwhile.
    virtual std::optional<std::int64_t> ChangesByOthers() { return std::nullopt; }
};

// Opens album files.
class Engine {
public:
    virtual ~Engine() = default;

    // Raises 3024 for a missing file, 3055 for a file that is not a valid
    // album (never written to), 3051 when readOnly is false and the file may
    // not be written, 3260 when it stays locked.
    virtual std::unique_ptr<Album> Open(const std::string& path, bool readOnly) = 0;
};

// While one lives, albums opened on its thread do not wait for a lock another
// program holds: a locked album raises 3260 at once. For looks that are only
// a help, such as the first picture read while the window is being built.
class NoLockWaitScope {
public:
    NoLockWaitScope();
    ~NoLockWaitScope();
    NoLockWaitScope(const NoLockWaitScope&) = delete;
    NoLockWaitScope& operator=(const NoLockWaitScope&) = delete;
    static bool Active();

private:
    bool outer_;
};

// The engine of the albums Pictora writes (SQLite).
std::unique_ptr<Engine> MakeSqliteEngine();

}  // namespace store
