#pragma once

// A picture file's own fields, as cameras and other photo programs wrote them
// (EXIF, IPTC, XMP), ready to be put in an album row: the date the photo was
// taken, its title, notes, the people tagged in it and the place, named from
// its own words or from its GPS position. A path in, the fields out: nothing
// here knows of albums.
//
// Every function here may be called from several threads at once, never
// throws for what a file holds, and gives valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace metadata {

struct Fields {
    std::string date_taken{};  // "gg/mm/aa" (25/12/98), or empty
    std::string title{};
    std::string notes{};   // may hold line breaks
    std::string people{};  // names joined by ", ", each once
    std::string place{};   // "Sublocation, City", or the nearest town and its region
    // The file's metadata could not be read whole: what was read is kept.
    bool damaged = false;

    bool operator==(const Fields&) const = default;
};

// The longest text each field is given, in bytes; a longer one is cut at a
// character's end. Cameras write a few dozen bytes; more is a damaged or
// hostile file.
inline constexpr std::size_t kMaxTitleBytes = 1024;
inline constexpr std::size_t kMaxNotesBytes = 16384;
inline constexpr std::size_t kMaxPeopleBytes = 4096;
inline constexpr std::size_t kMaxPlaceBytes = 1024;

// The fields of the JPEG at `path`; nothing for any other file (a BMP holds
// none), a missing one or one that is no regular file. Only the metadata is
// read, never the pixels.
Fields ReadFields(const std::string& path);
// The fields of a photo and when it was taken, to the second, for putting
// photos in the order they were taken: seconds since 1970 on the camera's
// clock (see ParseMoment in dates.h), read from the text date_taken comes
// from; nothing when date_taken is empty.
struct PhotoFields {
    Fields fields{};
    std::optional<std::int64_t> taken{};
};
PhotoFields ReadPhotoFields(const std::string& path);

// The same for a JPEG already in memory.
Fields ReadFieldsFromBytes(const unsigned char* data, std::size_t size);

// Sets exiv2 up for reading from several threads (its XMP toolkit's lock)
// and silences its warnings. ReadFields does it on its first call; anything
// else in the process that uses exiv2 calls it before, since the toolkit
// takes its lock only when first set up.
void PrepareExiv2();

enum class PictureKind { Other, Jpeg, Bmp };

// What the first bytes of a file say it is (12 bytes are enough).
PictureKind PictureKindOf(std::string_view head);
// The same for the file at `path`, reading only its first bytes; Other for
// anything but a regular file, which is never waited on (a FIFO, a device).
PictureKind SniffPicture(const std::string& path);

}  // namespace metadata
