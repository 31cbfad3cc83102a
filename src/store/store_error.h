#pragma once

#include <stdexcept>
#include <string>

namespace store {

// Error numbers the rest of the program tells apart. They keep the numbers the
// album's original database engine used, so handlers read as they always did.
namespace err {
inline constexpr int NoCurrentRecord = 3021;   // a move, Delete or Current with no current photo
inline constexpr int DuplicateKey = 3022;      // a second row with the same id
inline constexpr int AlbumDamaged = 3049;      // an album whose file is damaged
inline constexpr int FileNotFound = 3024;      // DatabaseName names no file
inline constexpr int PathNotFound = 3044;      // the folder of a new album does not exist
inline constexpr int DiskFull = 3026;          // no room left to write the change
inline constexpr int ReadOnlyDatabase = 3027;  // a change on an album opened for reading
inline constexpr int CannotOpenForWriting =
    3051;                                   // ReadOnly false on a file that may not be written
inline constexpr int NotValidAlbum = 3055;  // not a database, or no datab of the album's shape
inline constexpr int AlbumExists = 3204;    // CreateAlbum on a path already taken
inline constexpr int Locked = 3260;         // another program holds the album locked
inline constexpr int ObjectClosed = 3420;   // the album asked for before Refresh
inline constexpr int General = 3000;        // anything else the engine reports
// The program's own: the highest photo number cannot grow by one.
inline constexpr int NumberRangeFull = 3999;
// The program's own: the photo being changed is no longer in its row: another
// program deleted or renumbered it, or put another photo in its place.
inline constexpr int PhotoGone = 3998;
// The program's own: the album file was emptied, or replaced by another file,
// by another program while it was open.
inline constexpr int AlbumReplaced = 3997;
// The program's own: the text being changed was changed meanwhile by another
// program.
inline constexpr int TextChanged = 3996;
}  // namespace err

// Why an album may only be read, told with 3051 when it is opened for
// writing: its file or medium, or something of the album itself.
enum class ReadOnlyCause { FileOrMedium, OldFormat, Triggers };

// A failure of the store, carrying the number callers test.
class StoreError : public std::runtime_error {
public:
    StoreError(int number, const std::string& what,
               ReadOnlyCause cause = ReadOnlyCause::FileOrMedium)
        : std::runtime_error(what), number_(number), cause_(cause) {}
    int number() const noexcept { return number_; }
    ReadOnlyCause readOnlyCause() const noexcept { return cause_; }

private:
    int number_;
    ReadOnlyCause cause_;
};

}  // namespace store
