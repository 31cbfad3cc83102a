// A photo's own fields, from every source other programs write them to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "metadata_test_support.h"

namespace {

using metadata::Fields;
using metadata_test::Tags;

struct Case {
    const char* name;
    Tags tags;
    Fields expected;
};

std::string Alt(const char* property, const char* text) {
    return std::string("<") + property + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" + text +
           "</rdf:li></rdf:Alt></" + property + ">";
}

const std::string kPeople = R"(
<mwg-rs:Regions rdf:parseType="Resource"><mwg-rs:RegionList><rdf:Bag>
 <rdf:li><rdf:Description mwg-rs:Name="Fido" mwg-rs:Type="Pet"/></rdf:li>
 <rdf:li><rdf:Description mwg-rs:Name="Anna" mwg-rs:Type="Face"/></rdf:li>
</rdf:Bag></mwg-rs:RegionList></mwg-rs:Regions>
<MP:RegionInfo rdf:parseType="Resource"><MPRI:Regions><rdf:Bag>
 <rdf:li MPReg:PersonDisplayName="Bruno"/><rdf:li MPReg:PersonDisplayName="Anna"/>
</rdf:Bag></MPRI:Regions></MP:RegionInfo>
<Iptc4xmpExt:PersonInImage><rdf:Bag><rdf:li>Carla</rdf:li></rdf:Bag></Iptc4xmpExt:PersonInImage>
<lr:hierarchicalSubject><rdf:Bag><rdf:li>People|Amici|Dario</rdf:li><rdf:li>Luoghi|Mare</rdf:li>
 <rdf:li>People</rdf:li></rdf:Bag></lr:hierarchicalSubject>
<digiKam:TagsList><rdf:Seq><rdf:li>People/Elena</rdf:li><rdf:li>People/Unknown</rdf:li>
 <rdf:li>People|Bruno</rdf:li></rdf:Seq></digiKam:TagsList>)";

const std::string kLocationShown = R"(<Iptc4xmpExt:LocationShown><rdf:Bag>
 <rdf:li rdf:parseType="Resource"><Iptc4xmpExt:City>Roma</Iptc4xmpExt:City>
 <Iptc4xmpExt:Sublocation>Colosseo</Iptc4xmpExt:Sublocation></rdf:li></rdf:Bag>
</Iptc4xmpExt:LocationShown>)";

// Near the Duomo of Firenze, as a camera writes it.
const std::vector<std::pair<std::string, std::string>> kGpsFirenze = {
    {"Exif.GPSInfo.GPSLatitude", "43/1 46/1 2858/100"},
    {"Exif.GPSInfo.GPSLatitudeRef", "N"},
    {"Exif.GPSInfo.GPSLongitude", "11/1 15/1 2301/100"},
    {"Exif.GPSInfo.GPSLongitudeRef", "E"}};

std::vector<std::pair<std::string, std::string>> GpsFirenzeBut(const char* key, const char* value) {
    auto gps = kGpsFirenze;
    for (auto& [k, v] : gps)
        if (k == key) v = value;
    return gps;
}

const Case kCases[] = {
    {"NoMetadata", {}, {}},
    {"ExifDate",
     {.exif = {{"Exif.Photo.DateTimeOriginal", "1998:12:25 10:30:00"}}},
     {.date_taken = "25/12/98"}},
    {"EmptyExifDateThenXmp",
     {.exif = {{"Exif.Photo.DateTimeOriginal", "0000:00:00 00:00:00"}},
      .xmp = "<exif:DateTimeOriginal>2001-02-03T04:05:06+01:00</exif:DateTimeOriginal>"},
     {.date_taken = "03/02/01"}},
    {"XmpCreateDate",
     {.xmp = "<xmp:CreateDate>2004-05-06</xmp:CreateDate>"},
     {.date_taken = "06/05/04"}},
    {"PhotoshopDate",
     {.xmp = "<photoshop:DateCreated>2010-07-08</photoshop:DateCreated>"},
     {.date_taken = "08/07/10"}},
    {"IptcDate",
     {.iptc = {{"Iptc.Application2.DateCreated", "2011-09-10"}}},
     {.date_taken = "10/09/11"}},
    {"NoRealDate",
     {.exif = {{"Exif.Photo.DateTimeOriginal", "2019:02:30 10:00:00"},
               {"Exif.Image.DateTime", "2020:01:01 10:00:00"}},
      .xmp = "<xmp:CreateDate>2019</xmp:CreateDate>"},
     {}},
    {"XmpTitleDefaultLanguage",
     {.iptc = {{"Iptc.Application2.ObjectName", "Altro"}},
      .xmp = R"(<dc:title><rdf:Alt><rdf:li xml:lang="it-IT">Gita</rdf:li>
<rdf:li xml:lang="x-default">Gita al mare</rdf:li></rdf:Alt></dc:title>)"},
     {.title = "Gita al mare"}},
    {"XmpTitleOtherLanguage",
     {.xmp = R"(<dc:title><rdf:Alt><rdf:li xml:lang="it-IT">Gita</rdf:li></rdf:Alt></dc:title>)"},
     {.title = "Gita"}},
    {"IptcTitle", {.iptc = {{"Iptc.Application2.ObjectName", "Natale"}}}, {.title = "Natale"}},
    {"XmpNotes",
     {.xmp = Alt("dc:description", "Prima riga\nseconda riga")},
     {.notes = "Prima riga\nseconda riga"}},
    {"IptcNotes", {.iptc = {{"Iptc.Application2.Caption", "Il pranzo"}}}, {.notes = "Il pranzo"}},
    {"CameraWordsSkipped",
     {.exif = {{"Exif.Image.ImageDescription", "OLYMPUS DIGITAL CAMERA         "},
               {"Exif.Photo.UserComment", "charset=Unicode Pranzo in terrazza"}}},
     {.notes = "Pranzo in terrazza"}},
    {"CameraModelAndBlanks",
     {.exif = {{"Exif.Image.Make", "Canon"},
               {"Exif.Image.Model", "Canon PowerShot A70"},
               {"Exif.Image.ImageDescription", "Canon PowerShot A70"},
               {"Exif.Photo.UserComment", "charset=Ascii     "}}},
     {}},
    {"ExifDescription",
     {.exif = {{"Exif.Image.ImageDescription", "Compleanno"}}},
     {.notes = "Compleanno"}},
    {"AsciiUserComment",
     {.exif = {{"Exif.Photo.UserComment", "charset=Ascii Sulla neve"}}},
     {.notes = "Sulla neve"}},
    {"People", {.xmp = kPeople}, {.people = "Anna, Bruno, Carla, Dario, Elena"}},
    {"XmpPlace",
     {.xmp = "<Iptc4xmpCore:Location>Piazza della Signoria</Iptc4xmpCore:Location>"
             "<photoshop:City>Firenze</photoshop:City>"},
     {.place = "Piazza della Signoria, Firenze"}},
    {"IptcPlace",
     {.iptc = {{"Iptc.Application2.City", "Venezia"},
               {"Iptc.Application2.SubLocation", "venezia"}}},
     {.place = "Venezia"}},
    {"LocationShown", {.xmp = kLocationShown}, {.place = "Colosseo, Roma"}},
    {"WrittenPlaceBeforeGps",
     {.exif = kGpsFirenze, .iptc = {{"Iptc.Application2.SubLocation", "Casa"}}},
     {.place = "Casa"}},
    {"ExifGps", {.exif = kGpsFirenze}, {.place = "Firenze, Toscana"}},
    {"XmpGps",
     {.xmp = "<exif:GPSLatitude>37,4.5N</exif:GPSLatitude>"
             "<exif:GPSLongitude>15,17,0E</exif:GPSLongitude>"},
     {.place = "Siracusa, Sicilia"}},
    {"GpsWithoutHemisphere", {.exif = {kGpsFirenze[0], kGpsFirenze[2], kGpsFirenze[3]}}, {}},
    {"GpsOutOfRange", {.exif = GpsFirenzeBut("Exif.GPSInfo.GPSLongitude", "200/1 0/1 0/1")}, {}},
    {"GpsZeroDenominator", {.exif = GpsFirenzeBut("Exif.GPSInfo.GPSLatitude", "43/0 0/1 0/1")}, {}},
    {"GpsWrongLetter", {.exif = GpsFirenzeBut("Exif.GPSInfo.GPSLatitudeRef", "E")}, {}},
    {"GpsAtSea",
     {.xmp = "<exif:GPSLatitude>0,0N</exif:GPSLatitude>"
             "<exif:GPSLongitude>150,0W</exif:GPSLongitude>"},
     {}},
    {"Latin1AndBrokenUtf8",
     {.iptc = {{"Iptc.Application2.ObjectName", "Citt\xE0 alta"},
               {"Iptc.Application2.Caption", "Caff\xC3\xA8 \xFF"}}},
     {.title = "Città alta", .notes = "Caffè \xEF\xBF\xBD"}},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ReadFieldsTest : public testing::TestWithParam<Case> {
protected:
    metadata_test::TempFolder folder;
};

TEST_P(ReadFieldsTest, ReadsWhatTheFileHolds) {
    const std::string path = folder.File("foto.jpg");
    metadata_test::WritePhoto(path, GetParam().tags);
    EXPECT_EQ(metadata::ReadFields(path), GetParam().expected);
    const std::string bytes = metadata_test::ReadFile(path);
    EXPECT_EQ(metadata::ReadFieldsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            bytes.size()),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sources, ReadFieldsTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
