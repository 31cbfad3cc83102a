// Reading the date, title, notes and place of a photo from its metadata.
#include "metadata/field_readers.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "metadata/dates.h"
#include "metadata/gazetteer.h"
#include "metadata/gps.h"
#include "metadata/text.h"

namespace metadata {

namespace {

// The first text that is not empty once clean.
std::string FirstClean(std::initializer_list<std::string> texts, bool multiline,
                       std::size_t maxBytes) {
    for (const std::string& text : texts) {
        std::string clean = CleanText(text, multiline, maxBytes);
        if (!clean.empty()) return clean;
    }
    return {};
}

// A field of the first place an XMP LocationShown lists.
std::string ShownPlace(const MetadataView& view, std::string_view local) {
    const std::string item = "Xmp.iptcExt.LocationShown[1]/";
    for (const Exiv2::Xmpdatum& datum : view.xmp()) {
        const std::string key = datum.key();
        if (key.compare(0, item.size(), item) != 0) continue;
        const std::string_view field = std::string_view(key).substr(item.size());
        const std::size_t colon = field.find(':');
        if (field.find('/') == std::string_view::npos && colon != std::string_view::npos &&
            field.substr(colon + 1) == local)
            return TextOf(datum.value());
    }
    return {};
}

std::optional<double> ExifCoordinate(const MetadataView& view, const char* key,
                                     const char* hemisphereKey, Axis axis) {
    const Exiv2::Exifdatum* datum = view.ExifDatum(key);
    if (!datum ||
        (datum->typeId() != Exiv2::unsignedRational && datum->typeId() != Exiv2::signedRational))
        return std::nullopt;
    std::vector<double> parts;
    for (long i = 0; i < datum->count() && i < 3; ++i) {
        const Exiv2::Rational part = datum->toRational(i);
        parts.push_back(part.second == 0 ? std::numeric_limits<double>::quiet_NaN()
                                         : double(part.first) / part.second);
    }
    return Coordinate(parts, view.Exif(hemisphereKey), axis);
}

template <typename Read>
void Guarded(Fields& fields, std::string& field, Read read) {
    try {
        field = read();
    } catch (const std::exception&) {
        // exiv2 throws on some damaged values: this field stays empty.
        fields.damaged = true;
    }
}

// The texts the date taken is read from, in order.
std::array<std::string, 5> DateTexts(const MetadataView& view) {
    return {view.Exif("Exif.Photo.DateTimeOriginal"), view.XmpText("Xmp.exif.DateTimeOriginal"),
            view.XmpText("Xmp.xmp.CreateDate"), view.XmpText("Xmp.photoshop.DateCreated"),
            view.Iptc("Iptc.Application2.DateCreated")};
}

}  // namespace

std::string DateTaken(const MetadataView& view) {
    for (const std::string& text : DateTexts(view))
        if (const std::optional<Date> date = ParseDate(text)) return FormatDate(*date);
    return {};
}

std::optional<std::int64_t> MomentTaken(const MetadataView& view) {
    // ParseMoment finds a moment where ParseDate finds a day: the same text.
    for (const std::string& text : DateTexts(view))
        if (const std::optional<std::int64_t> moment = ParseMoment(text)) return moment;
    return std::nullopt;
}

std::string Title(const MetadataView& view) {
    return FirstClean({view.XmpText("Xmp.dc.title"), view.Iptc("Iptc.Application2.ObjectName")},
                      false, kMaxTitleBytes);
}

std::string Notes(const MetadataView& view) {
    const std::string make = CleanText(view.Exif("Exif.Image.Make"), false, 256);
    const std::string model = CleanText(view.Exif("Exif.Image.Model"), false, 256);
    for (const std::string& text :
         {view.XmpText("Xmp.dc.description"), view.Iptc("Iptc.Application2.Caption"),
          view.Exif("Exif.Image.ImageDescription"), view.Exif("Exif.Photo.UserComment")}) {
        std::string clean = CleanText(text, true, kMaxNotesBytes);
        if (!IsCameraFiller(clean, make, model)) return clean;
    }
    return {};
}

std::string WrittenPlace(const MetadataView& view) {
    const std::string sublocation =
        FirstClean({view.XmpText("Xmp.iptc.Location"), view.Iptc("Iptc.Application2.SubLocation"),
                    ShownPlace(view, "Sublocation")},
                   false, kMaxPlaceBytes);
    const std::string city =
        FirstClean({view.XmpText("Xmp.photoshop.City"), view.Iptc("Iptc.Application2.City"),
                    ShownPlace(view, "City")},
                   false, kMaxPlaceBytes);
    if (sublocation.empty() || SameIgnoringCase(sublocation, city)) return city;
    if (city.empty()) return sublocation;
    return CleanText(sublocation + ", " + city, false, kMaxPlaceBytes);
}

std::optional<Position> GpsPosition(const MetadataView& view) {
    const auto latitude = ExifCoordinate(view, "Exif.GPSInfo.GPSLatitude",
                                         "Exif.GPSInfo.GPSLatitudeRef", Axis::Latitude);
    const auto longitude = ExifCoordinate(view, "Exif.GPSInfo.GPSLongitude",
                                          "Exif.GPSInfo.GPSLongitudeRef", Axis::Longitude);
    if (latitude && longitude) return Position{*latitude, *longitude};
    const auto xmpLatitude = XmpCoordinate(view.XmpText("Xmp.exif.GPSLatitude"), Axis::Latitude);
    const auto xmpLongitude = XmpCoordinate(view.XmpText("Xmp.exif.GPSLongitude"), Axis::Longitude);
    if (xmpLatitude && xmpLongitude) return Position{*xmpLatitude, *xmpLongitude};
    return std::nullopt;
}

Fields FieldsOf(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp,
                std::optional<std::int64_t>* moment) {
    const MetadataView view(exif, iptc, xmp);
    Fields fields;
    Guarded(fields, fields.date_taken, [&] { return DateTaken(view); });
    if (moment != nullptr) {
        try {
            *moment = fields.date_taken.empty() ? std::nullopt : MomentTaken(view);
        } catch (const std::exception&) {
            *moment = std::nullopt;
        }
    }
    Guarded(fields, fields.title, [&] { return Title(view); });
    Guarded(fields, fields.notes, [&] { return Notes(view); });
    Guarded(fields, fields.people, [&] { return People(view); });
    Guarded(fields, fields.place, [&] {
        std::string place = WrittenPlace(view);
        if (place.empty())
            if (const std::optional<Position> at = GpsPosition(view))
                place = CleanText(PlaceAt(at->latitude, at->longitude), false, kMaxPlaceBytes);
        return place;
    });
    return fields;
}

}  // namespace metadata
