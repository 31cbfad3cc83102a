#pragma once

// Each field of a photo from the metadata exiv2 read, source by source in
// the order other programs are most likely to have the person's own words.
#include <cstdint>
#include <optional>
#include <string>

#include "metadata/fields.h"
#include "metadata/metadata_view.h"

namespace metadata {

struct Position {
    double latitude = 0;
    double longitude = 0;
};

// EXIF DateTimeOriginal, then XMP's exif:DateTimeOriginal, xmp:CreateDate and
// photoshop:DateCreated, then IPTC's Date Created: the first real day, as
// "gg/mm/aa".
std::string DateTaken(const MetadataView& view);
// The moment of the same text, to the second (see ParseMoment).
std::optional<std::int64_t> MomentTaken(const MetadataView& view);
// XMP dc:title, then IPTC Object Name.
std::string Title(const MetadataView& view);
// XMP dc:description, IPTC Caption, EXIF ImageDescription and UserComment:
// the first a person wrote (not a camera's own words).
std::string Notes(const MetadataView& view);
// The names of the people tagged in the photo (people.cpp).
std::string People(const MetadataView& view);
// The place the photo's own words name: "Sublocation, City".
std::string WrittenPlace(const MetadataView& view);
// The GPS position EXIF gives, else XMP; nothing when either half or its
// hemisphere is missing or out of range.
std::optional<Position> GpsPosition(const MetadataView& view);

// Every field; a field whose reading fails (exiv2 throws on some damaged
// values) is left empty and the fields are marked damaged. With `moment`,
// the moment taken too, nothing when the date taken is empty.
Fields FieldsOf(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp,
                std::optional<std::int64_t>* moment = nullptr);

}  // namespace metadata
