#pragma once

// JPEGs with metadata, written as other programs write them (EXIF and IPTC
// through exiv2, XMP as a packet of RDF text), for the metadata tests, its
// fuzz corpus and its benchmark. The pixels are a dummy scan: only the
// metadata is ever read.
#include <stdlib.h>
#include <exiv2/exiv2.hpp>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "metadata/fields.h"

namespace metadata {

inline void PrintTo(const Fields& f, std::ostream* out) {
    *out << "{date '" << f.date_taken << "', title '" << f.title << "', notes '" << f.notes
         << "', people '" << f.people << "', place '" << f.place << "'"
         << (f.damaged ? ", damaged}" : "}");
}

}  // namespace metadata

namespace metadata_test {

// A JPEG's structure around `scanBytes` bytes of dummy scan: what exiv2 needs
// to read and write its metadata, not a picture anyone could decode.
inline std::string FakeJpeg(int width, int height, std::size_t scanBytes) {
    auto segment = [](unsigned char marker, const std::string& body) {
        const std::size_t length = body.size() + 2;
        return std::string{'\xFF', char(marker), char(length >> 8), char(length & 0xFF)} + body;
    };
    const std::string w{char(width >> 8), char(width & 0xFF)};
    const std::string h{char(height >> 8), char(height & 0xFF)};
    std::string jpeg = "\xFF\xD8";
    jpeg += segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    jpeg += segment(0xDB, std::string(1, '\0') + std::string(64, '\1'));
    jpeg +=
        segment(0xC0, "\x08" + h + w + std::string("\x03\x01\x22\x00\x02\x11\x00\x03\x11\x00", 10));
    jpeg +=
        segment(0xC4, std::string("\x00\x01", 2) + std::string(15, '\0') + std::string(1, '\0'));
    jpeg += segment(0xDA, std::string("\x03\x01\x00\x02\x00\x03\x00\x00\x3F\x00", 10));
    std::mt19937 random(7);
    std::string scan(scanBytes, '\0');
    // No 0xFF, so no byte of it reads as a marker.
    for (char& c : scan) c = char(random() % 0xFF);
    return jpeg + scan + "\xFF\xD9";
}

// What a test writes: EXIF and IPTC tags as exiv2 reads them from text
// ("Exif.GPSInfo.GPSLatitude" = "43/1 46/1 0/1"), and XMP properties, as RDF
// elements, put in a packet that declares their namespaces.
struct Tags {
    std::vector<std::pair<std::string, std::string>> exif{};
    std::vector<std::pair<std::string, std::string>> iptc{};
    std::string xmp{};
};

inline std::string XmpPacket(const std::string& properties) {
    return R"(<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:exif="http://ns.adobe.com/exif/1.0/" xmlns:xmp="http://ns.adobe.com/xap/1.0/"
 xmlns:photoshop="http://ns.adobe.com/photoshop/1.0/"
 xmlns:Iptc4xmpCore="http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/"
 xmlns:Iptc4xmpExt="http://iptc.org/std/Iptc4xmpExt/2008-02-29/"
 xmlns:lr="http://ns.adobe.com/lightroom/1.0/" xmlns:digiKam="http://www.digikam.org/ns/1.0/"
 xmlns:mwg-rs="http://www.metadataworkinggroup.com/schemas/regions/"
 xmlns:MP="http://ns.microsoft.com/photo/1.2/"
 xmlns:MPRI="http://ns.microsoft.com/photo/1.2/t/RegionInfo#"
 xmlns:MPReg="http://ns.microsoft.com/photo/1.2/t/Region#">
)" + properties +
           "\n</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Writes `tags` into the JPEG at `path`.
inline void WriteTags(const std::string& path, const Tags& tags) {
    metadata::PrepareExiv2();
    auto image = Exiv2::ImageFactory::open(path, false);
    image->readMetadata();
    for (const auto& [key, value] : tags.exif) image->exifData()[key] = value;
    for (const auto& [key, value] : tags.iptc) image->iptcData()[key] = value;
    if (!tags.xmp.empty()) {
        image->setXmpPacket(XmpPacket(tags.xmp));
        image->writeXmpFromPacket(true);
    }
    image->writeMetadata();
}

// A small JPEG with `tags` at `path`.
inline void WritePhoto(const std::string& path, const Tags& tags) {
    WriteFile(path, FakeJpeg(64, 48, 256));
    WriteTags(path, tags);
}

// A folder of its own, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "pictora-metadata-XXXXXX");
        if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp");
        path_ = name;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace metadata_test
