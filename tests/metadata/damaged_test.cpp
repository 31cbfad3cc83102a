// Damaged and hostile metadata: read as far as it goes, bounded, always valid
// UTF-8, never a crash; and reading from several threads at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <thread>

#include "metadata/text.h"
#include "metadata_test_support.h"

namespace {

using metadata::Fields;
using metadata_test::Tags;

// A photo's bytes, written through a file as exiv2 writes them.
std::string Photo(const Tags& tags) {
    metadata_test::TempFolder folder;
    metadata_test::WritePhoto(folder.File("foto.jpg"), tags);
    return metadata_test::ReadFile(folder.File("foto.jpg"));
}

std::string BigEndian(std::size_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char((value >> (8 * i)) & 0xFF);
    return out;
}

// The photo with the segment that starts with `signature` keeping only
// `keep` bytes of it (its length says so too), or with the file ending
// `keep` bytes into it when `endFile`.
std::string Cut(const std::string& jpeg, std::string_view signature, std::size_t keep,
                bool endFile) {
    const std::size_t at = jpeg.find(signature);
    const std::size_t length =
        (std::size_t(std::uint8_t(jpeg[at - 2])) << 8) | std::uint8_t(jpeg[at - 1]);
    if (endFile) return jpeg.substr(0, at + keep);
    return jpeg.substr(0, at - 2) + BigEndian(keep + 2, 2) + jpeg.substr(at, keep) +
           jpeg.substr(at + length - 2);
}

// The photo with an APP1 segment holding `body` right after the start of
// image.
std::string WithSegment(const std::string& jpeg, const std::string& body) {
    return jpeg.substr(0, 2) + "\xFF\xE1" + BigEndian(body.size() + 2, 2) + body + jpeg.substr(2);
}

// Adobe's extended XMP: a packet too large for one segment, split over many.
std::string WithExtendedXmp(std::string jpeg, const std::string& packet) {
    const std::string signature("http://ns.adobe.com/xmp/extension/\0", 35);
    for (std::size_t offset = 0; offset < packet.size(); offset += 65000)
        jpeg = WithSegment(jpeg, signature + std::string(32, 'A') + BigEndian(packet.size(), 4) +
                                     BigEndian(offset, 4) + packet.substr(offset, 65000));
    return jpeg;
}

const Tags kFull = {.exif = {{"Exif.Photo.DateTimeOriginal", "1998:12:25 10:30:00"},
                             {"Exif.Image.ImageDescription", "Compleanno"}},
                    .xmp =
                        "<Iptc4xmpExt:PersonInImage><rdf:Bag><rdf:li>Anna</rdf:li>"
                        "</rdf:Bag></Iptc4xmpExt:PersonInImage><dc:title><rdf:Alt><rdf:li "
                        "xml:lang=\"x-default\">Gita</rdf:li></rdf:Alt></dc:title>"};

std::string ManyNames(int count, bool asXmp) {
    std::string names;
    for (int i = 1; i <= count; ++i) {
        const std::string name = "P" + std::to_string(10000 + i).substr(1);
        names += asXmp ? "<rdf:li>" + name + "</rdf:li>" : (names.empty() ? "" : ", ") + name;
    }
    return names;
}

struct Case {
    const char* name;
    std::function<std::string()> bytes;
    Fields expected;
};

const Case kCases[] = {
    {"TruncatedExifBlock",
     [] { return Cut(Photo(kFull), std::string("Exif\0\0", 6), 40, false); },
     {.title = "Gita", .people = "Anna"}},
    {"FileEndsInExif",
     [] { return Cut(Photo(kFull), std::string("Exif\0\0", 6), 40, true); },
     {.damaged = true}},
    {"FileEndsInXmp",
     [] { return Cut(Photo(kFull), "http://ns.adobe.com/xap/1.0/", 200, true); },
     {.date_taken = "25/12/98", .notes = "Compleanno", .damaged = true}},
    {"XmpNotXml",
     [] {
         return WithSegment(
             Photo({.exif = kFull.exif}),
             std::string("http://ns.adobe.com/xap/1.0/\0", 29) + "<x:xmpmeta><rdf:RDF \xFF\xFE<<");
     },
     {.date_taken = "25/12/98", .notes = "Compleanno"}},
    {"OneMegabyteXmp",
     [] {
         const std::string description =
             "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
             std::string(1 << 20, 'x') + "</rdf:li></rdf:Alt></dc:description>";
         return WithExtendedXmp(Photo(kFull), metadata_test::XmpPacket(description));
     },
     {.date_taken = "25/12/98", .title = "Gita", .notes = "Compleanno", .people = "Anna"}},
    {"HugeTexts",
     [] {
         std::string title;
         for (int i = 0; i < 15000; ++i) title += "è";
         return Photo({.exif = {{"Exif.Image.ImageDescription", std::string(60000, 'a')}},
                       .iptc = {{"Iptc.Application2.ObjectName", title}},
                       .xmp = "<Iptc4xmpExt:PersonInImage><rdf:Bag>" + ManyNames(2500, true) +
                              "</rdf:Bag></Iptc4xmpExt:PersonInImage>"});
     },
     // Every name takes seven bytes with its ", ", the first five.
     {.title =
          [] {
              std::string t;
              for (int i = 0; i < 512; ++i) t += "è";
              return t;
          }(),
      .notes = std::string(metadata::kMaxNotesBytes, 'a'),
      .people = ManyNames((metadata::kMaxPeopleBytes + 2) / 7, false)}},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class DamagedTest : public testing::TestWithParam<Case> {};

TEST_P(DamagedTest, KeepsWhatCanBeRead) {
    const std::string bytes = GetParam().bytes();
    const Fields fields = metadata::ReadFieldsFromBytes(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_EQ(fields, GetParam().expected);
    for (const std::string& text : {fields.title, fields.notes, fields.people, fields.place})
        EXPECT_EQ(metadata::ToUtf8(text), text);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadFieldsThreads, SeveralThreadsReadAlike) {
    metadata_test::TempFolder folder;
    const std::string path = folder.File("foto.jpg");
    Tags tags = kFull;
    tags.exif.insert(tags.exif.end(), {{"Exif.GPSInfo.GPSLatitude", "41/1 54/1 0/1"},
                                       {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                                       {"Exif.GPSInfo.GPSLongitude", "12/1 29/1 0/1"},
                                       {"Exif.GPSInfo.GPSLongitudeRef", "E"}});
    metadata_test::WritePhoto(path, tags);
    const Fields expected = {.date_taken = "25/12/98",
                             .title = "Gita",
                             .notes = "Compleanno",
                             .people = "Anna",
                             .place = "Roma, Lazio"};
    std::vector<std::thread> threads;
    std::atomic<int> wrong = 0;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) wrong += metadata::ReadFields(path) != expected;
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(SniffPicture, TellsJpegAndBmpByTheirBytes) {
    metadata_test::TempFolder folder;
    const std::string bmpHeader =
        std::string("BM") + std::string(12, '\0') + "\x28" + std::string(3, '\0');
    const std::pair<std::string, metadata::PictureKind> files[] = {
        {metadata_test::FakeJpeg(8, 8, 8), metadata::PictureKind::Jpeg},
        {bmpHeader + std::string(40, '\0'), metadata::PictureKind::Bmp},
        {"BMW e Ferrari, un elenco", metadata::PictureKind::Other},
        {"\xFF\xD8", metadata::PictureKind::Other},
        {"", metadata::PictureKind::Other}};
    for (const auto& [bytes, kind] : files) {
        metadata_test::WriteFile(folder.File("file.jpg"), bytes);
        EXPECT_EQ(metadata::SniffPicture(folder.File("file.jpg")), kind) << bytes;
    }
    // Neither a FIFO without a writer nor a folder is waited on or read.
    ASSERT_EQ(mkfifo(folder.File("fifo.jpg").c_str(), 0600), 0);
    EXPECT_EQ(metadata::SniffPicture(folder.File("fifo.jpg")), metadata::PictureKind::Other);
    EXPECT_EQ(metadata::ReadFields(folder.File("fifo.jpg")), Fields{});
    EXPECT_EQ(metadata::SniffPicture(folder.File("")), metadata::PictureKind::Other);
    EXPECT_EQ(metadata::SniffPicture(folder.File("missing.jpg")), metadata::PictureKind::Other);
}

}  // namespace
