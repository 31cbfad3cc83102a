#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "store/album.h"

namespace store {

// The album the program shows: the album file, and the one cursor every
// command moves. Its listeners are told the current photo after every
// opening, move and deletion, as bound fields would show it.
class DataControl {
public:
    explicit DataControl(std::unique_ptr<Engine> engine = MakeSqliteEngine());
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    std::string DatabaseName;
    bool ReadOnly = false;

    // Closes what is open, opens DatabaseName (for reading only when ReadOnly
    // is true) and puts the cursor on the first photo. On failure nothing
    // stays open and the error is raised.
    void Refresh();

    // The open album's cursor; 3420 before the first successful Refresh. The
    // reference stays valid for the control's whole life and always reaches
    // what the latest Refresh opened (3420 from any call while nothing is
    // open), so one kept across a Refresh is safe.
    Cursor& Recordset();
    bool IsOpen() const;

    // Adds a photo to the open album (see Album::InsertPhoto); the cursor
    // stays where it is. 3420 while nothing is open.
    Value InsertPhoto(const PhotoTexts& texts);

    // Every photo of the album now open, for the photo list (3420 when
    // nothing is open).
    std::unique_ptr<PhotoIndex> OpenPhotoIndex() const;
    // The same with the pictures (see Album::OpenPictureIndex).
    std::unique_ptr<PhotoIndex> OpenPictureIndex() const;

    // The search of the album now open, through the word index in the file
    // at `indexPath` (3420 when nothing is open).
    std::unique_ptr<PhotoSearch> OpenSearch(const std::string& indexPath) const;

    // See Album::ReadPicturePlaces and Album::RelinkPictures (3420 when
    // nothing is open).
    std::vector<PicturePlace> ReadPicturePlaces() const;
    std::size_t RelinkPictures(const std::vector<PictureMove>& moves);

    // See Album::ChangesByOthers; nothing while nothing is open.
    std::optional<std::int64_t> ChangesByOthers() const;

    // The first photo of the album at `path`, read for reading only through
    // this control's engine, apart from what it has open: nothing open
    // changes and no listener is told. Nothing for an empty album; the
    // engine's errors as Refresh would raise them.
    std::optional<Photo> PeekFirstPhoto(const std::string& path) const;

    // The engine this control opens albums with, to open one apart from it
    // (an addition's own connection, used on a worker).
    Engine& AlbumEngine() const;

    // Told after every Refresh (successful or not), move, successful SeekId,
    // Delete, and UpdateField (successful, or refused with err::TextChanged):
    // the current photo, or nullptr when the cursor stands on none or nothing
    // is open.
    using Listener = std::function<void(const Photo* current)>;
    int AddListener(Listener listener);
    void RemoveListener(int id);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace store
