// Looking up what exiv2 read.
#include "metadata/metadata_view.h"

namespace metadata {

std::string TextOf(const Exiv2::Value& value) {
    if (const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&value))
        return comment->comment();  // UCS-2 comments come back as UTF-8
    switch (value.typeId()) {
        case Exiv2::unsignedByte:
        case Exiv2::signedByte:
        case Exiv2::undefined: {
            std::string bytes(static_cast<std::size_t>(value.size()), '\0');
            value.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
            return bytes;
        }
        default:
            return value.toString();
    }
}

MetadataView::MetadataView(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                           const Exiv2::XmpData& xmp)
    : exif_(exif), iptc_(iptc), xmp_(xmp) {
    // The keys are kept here, so the views into them stay valid.
    xmpKeys_.reserve(xmp.count());
    for (const Exiv2::Xmpdatum& datum : xmp) xmpKeys_.push_back(datum.key());
    std::size_t i = 0;
    for (const Exiv2::Xmpdatum& datum : xmp) xmpByKey_.emplace(xmpKeys_[i++], &datum);
}

const Exiv2::Exifdatum* MetadataView::ExifDatum(const char* key) const {
    const auto found = exif_.findKey(Exiv2::ExifKey(key));
    return found == exif_.end() ? nullptr : &*found;
}

std::string MetadataView::Exif(const char* key) const {
    const Exiv2::Exifdatum* datum = ExifDatum(key);
    return datum ? TextOf(datum->value()) : std::string();
}

std::string MetadataView::Iptc(const char* key) const {
    const auto found = iptc_.findKey(Exiv2::IptcKey(key));
    return found == iptc_.end() ? std::string() : TextOf(found->value());
}

std::string MetadataView::XmpText(const std::string& key) const {
    const auto found = xmpByKey_.find(key);
    if (found == xmpByKey_.end()) return {};
    const Exiv2::Value& value = found->second->value();
    if (const auto* alternatives = dynamic_cast<const Exiv2::LangAltValue*>(&value)) {
        const auto fallback = alternatives->value_.find("x-default");
        if (fallback != alternatives->value_.end()) return fallback->second;
        return alternatives->value_.empty() ? std::string() : alternatives->value_.begin()->second;
    }
    const std::vector<std::string> items = XmpList(key);
    return items.empty() ? std::string() : items.front();
}

std::vector<std::string> MetadataView::XmpList(const std::string& key) const {
    const auto found = xmpByKey_.find(key);
    if (found == xmpByKey_.end()) return {};
    const Exiv2::Value& value = found->second->value();
    if (const auto* array = dynamic_cast<const Exiv2::XmpArrayValue*>(&value)) {
        std::vector<std::string> items;
        for (long i = 0; i < array->count(); ++i) items.push_back(array->toString(i));
        return items;
    }
    if (const auto* text = dynamic_cast<const Exiv2::XmpTextValue*>(&value)) {
        // A struct's or an array's own entry carries no text of its own.
        if (text->xmpStruct() != Exiv2::XmpValue::xsNone ||
            text->xmpArrayType() != Exiv2::XmpValue::xaNone)
            return {};
        return {text->value_};
    }
    return {value.toString()};
}

}  // namespace metadata
