#pragma once

// What exiv2 read from a picture file, looked up by key as the field
// readers need it: texts as their bytes were written (not exiv2's rendering
// of them), XMP's language alternatives and arrays as lists of texts.
#include <exiv2/exiv2.hpp>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace metadata {

class MetadataView {
public:
    MetadataView(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                 const Exiv2::XmpData& xmp);

    // The text of an EXIF or IPTC tag, empty when absent.
    std::string Exif(const char* key) const;
    std::string Iptc(const char* key) const;
    // The EXIF tag itself, or nullptr.
    const Exiv2::Exifdatum* ExifDatum(const char* key) const;

    // A simple XMP property's text; of a language alternative, the default
    // language's, else the first; of an array, its first item.
    std::string XmpText(const std::string& key) const;
    // Every item of an XMP array (or the one value of a simple property).
    std::vector<std::string> XmpList(const std::string& key) const;

    const Exiv2::XmpData& xmp() const { return xmp_; }

private:
    const Exiv2::ExifData& exif_;
    const Exiv2::IptcData& iptc_;
    const Exiv2::XmpData& xmp_;
    std::unordered_map<std::string_view, const Exiv2::Xmpdatum*> xmpByKey_;
    std::vector<std::string> xmpKeys_;
};

// The bytes a value holds as text: exiv2 writes a byte-typed value as a
// list of numbers, and an EXIF comment with its character set in front.
std::string TextOf(const Exiv2::Value& value);

}  // namespace metadata
