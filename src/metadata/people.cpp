// The people tagged in a photo by other programs: face regions (the
// Metadata Working Group's, Microsoft's), IPTC's "person in image", and the
// "People" branch of hierarchical keywords (Lightroom, digiKam).
#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "metadata/field_readers.h"
#include "metadata/text.h"

namespace metadata {

namespace {

constexpr std::size_t kMaxNameBytes = 256;

// Names each once, in the order they first came.
class NameList {
public:
    void Add(std::string_view raw) {
        std::string name = CleanText(raw, false, kMaxNameBytes);
        if (name.empty() || std::find(names_.begin(), names_.end(), name) != names_.end()) return;
        // Past the field's length no name is kept, so one is never cut.
        if (length_ + 2 + name.size() > kMaxPeopleBytes) return;
        length_ += 2 + name.size();
        names_.push_back(std::move(name));
    }
    std::string Joined() const {
        std::string joined;
        for (const std::string& name : names_) joined += (joined.empty() ? "" : ", ") + name;
        return joined;
    }

private:
    std::vector<std::string> names_;
    std::size_t length_ = 0;
};

// An XMP key with its path's namespace prefixes left out, which other
// programs may choose: "Xmp.mwg-rs.Regions/mwg-rs:RegionList[2]/mwg-rs:Name"
// becomes "Xmp.mwg-rs.Regions/RegionList[2]/Name".
std::string LocalPath(std::string_view key) {
    std::string path;
    std::size_t slash = key.find('/');
    path += key.substr(0, slash);
    while (slash != std::string_view::npos) {
        const std::size_t next = key.find('/', slash + 1);
        std::string_view step = key.substr(
            slash + 1, next == std::string_view::npos ? std::string_view::npos : next - slash - 1);
        const std::size_t colon = step.find(':');
        if (colon != std::string_view::npos) step.remove_prefix(colon + 1);
        (path += '/') += step;
        slash = next;
    }
    return path;
}

// For a path "<list>[n]/<field>", n and the field.
bool ListItemField(std::string_view path, std::string_view list, long& index,
                   std::string_view& field) {
    if (!path.starts_with(list) || path.substr(list.size(), 1) != "[") return false;
    path.remove_prefix(list.size() + 1);
    const std::size_t close = path.find("]/");
    if (close == 0 || close == std::string_view::npos || close > 9) return false;
    index = 0;
    for (char c : path.substr(0, close)) {
        if (c < '0' || c > '9') return false;
        index = index * 10 + (c - '0');
    }
    field = path.substr(close + 2);
    return field.find('/') == std::string_view::npos;
}

struct Region {
    std::string name;
    std::string type;
};

// The named regions of both kinds, each list in its own order.
void AddRegionNames(const MetadataView& view, NameList& names) {
    std::map<long, Region> faces;
    std::map<long, std::string> microsoft;
    long index = 0;
    std::string_view field;
    for (const Exiv2::Xmpdatum& datum : view.xmp()) {
        const std::string path = LocalPath(datum.key());
        if (ListItemField(path, "Xmp.mwg-rs.Regions/RegionList", index, field)) {
            if (field == "Name") faces[index].name = TextOf(datum.value());
            if (field == "Type") faces[index].type = TextOf(datum.value());
        } else if (ListItemField(path, "Xmp.MP.RegionInfo/Regions", index, field) &&
                   field == "PersonDisplayName") {
            microsoft[index] = TextOf(datum.value());
        }
    }
    // Pets, focus points and bar codes are regions too.
    for (const auto& [i, region] : faces)
        if (region.type == "Face") names.Add(region.name);
    for (const auto& [i, name] : microsoft) names.Add(name);
}

// "People|Family|Anna" (Lightroom) or "People/Anna" (digiKam): the last step
// under the People branch, unless it is one of digiKam's own marks.
void AddKeywordName(std::string_view keyword, NameList& names) {
    const std::size_t first = keyword.find_first_of("|/");
    if (first == std::string_view::npos) return;
    const char separator = keyword[first];
    const std::string_view root = keyword.substr(0, first);
    if (!SameIgnoringCase(root, "People") && !SameIgnoringCase(root, "Persone")) return;
    const std::string_view leaf = keyword.substr(keyword.rfind(separator) + 1);
    constexpr std::array<std::string_view, 3> kMarks = {"Unknown", "Unconfirmed", "Ignored"};
    if (std::find(kMarks.begin(), kMarks.end(), leaf) == kMarks.end()) names.Add(leaf);
}

}  // namespace

std::string People(const MetadataView& view) {
    NameList names;
    AddRegionNames(view, names);
    for (const std::string& name : view.XmpList("Xmp.iptcExt.PersonInImage")) names.Add(name);
    for (const std::string& keyword : view.XmpList("Xmp.lr.hierarchicalSubject"))
        AddKeywordName(keyword, names);
    for (const std::string& keyword : view.XmpList("Xmp.digiKam.TagsList"))
        AddKeywordName(keyword, names);
    return names.Joined();
}

}  // namespace metadata
