// A photo's own fields: reading them from a 24-megapixel JPEG with a
// camera's full EXIF (and its thumbnail), IPTC, an XMP packet with faces and
// keywords, and GPS named through the gazetteer; the gazetteer alone, its
// first use in the process (libgeonames loading its data), building it again,
// and a look-up. The JPEG's scan is a dummy: the read never decodes pixels.
#include <benchmark/benchmark.h>

#include <random>

#include "metadata/gazetteer.h"
#include "metadata_test_support.h"

namespace {

using metadata_test::Tags;

const Tags kCamera = {
    .exif = {{"Exif.Image.Make", "NIKON CORPORATION"},
             {"Exif.Image.Model", "NIKON D7100"},
             {"Exif.Image.Orientation", "1"},
             {"Exif.Image.XResolution", "300/1"},
             {"Exif.Image.YResolution", "300/1"},
             {"Exif.Image.ResolutionUnit", "2"},
             {"Exif.Image.Software", "Ver.1.02"},
             {"Exif.Image.DateTime", "2016:08:14 18:02:11"},
             {"Exif.Image.Artist", "Maria Rossi"},
             {"Exif.Image.Copyright", "Maria Rossi"},
             {"Exif.Image.ImageDescription", "NIKON DIGITAL CAMERA"},
             {"Exif.Photo.ExposureTime", "1/250"},
             {"Exif.Photo.FNumber", "8/1"},
             {"Exif.Photo.ExposureProgram", "3"},
             {"Exif.Photo.ISOSpeedRatings", "100"},
             {"Exif.Photo.DateTimeOriginal", "2016:08:14 18:02:11"},
             {"Exif.Photo.DateTimeDigitized", "2016:08:14 18:02:11"},
             {"Exif.Photo.ExposureBiasValue", "0/6"},
             {"Exif.Photo.MaxApertureValue", "36/10"},
             {"Exif.Photo.MeteringMode", "5"},
             {"Exif.Photo.Flash", "16"},
             {"Exif.Photo.FocalLength", "350/10"},
             {"Exif.Photo.UserComment", "charset=Ascii                                    "},
             {"Exif.Photo.SubSecTimeOriginal", "40"},
             {"Exif.Photo.ColorSpace", "1"},
             {"Exif.Photo.PixelXDimension", "6000"},
             {"Exif.Photo.PixelYDimension", "4000"},
             {"Exif.Photo.WhiteBalance", "0"},
             {"Exif.Photo.FocalLengthIn35mmFilm", "52"},
             {"Exif.Photo.SceneCaptureType", "0"},
             {"Exif.Photo.LensModel", "18.0-105.0 mm f/3.5-5.6"},
             {"Exif.GPSInfo.GPSVersionID", "2 3 0 0"},
             {"Exif.GPSInfo.GPSLatitudeRef", "N"},
             {"Exif.GPSInfo.GPSLatitude", "43/1 46/1 2858/100"},
             {"Exif.GPSInfo.GPSLongitudeRef", "E"},
             {"Exif.GPSInfo.GPSLongitude", "11/1 15/1 2301/100"},
             {"Exif.GPSInfo.GPSAltitude", "5000/100"},
             {"Exif.GPSInfo.GPSTimeStamp", "16/1 2/1 11/1"},
             {"Exif.GPSInfo.GPSDateStamp", "2016:08:14"}},
    .iptc = {{"Iptc.Application2.ObjectName", "Tramonto sull'Arno"},
             {"Iptc.Application2.Caption", "Dal Ponte Vecchio, con Anna e Bruno"},
             {"Iptc.Application2.Byline", "Maria Rossi"},
             {"Iptc.Application2.Keywords", "Firenze"}},
    .xmp =
        R"(<dc:title><rdf:Alt><rdf:li xml:lang="x-default">Tramonto sull'Arno</rdf:li></rdf:Alt></dc:title>
<dc:description><rdf:Alt><rdf:li xml:lang="x-default">Dal Ponte Vecchio, con Anna e Bruno</rdf:li></rdf:Alt></dc:description>
<dc:subject><rdf:Bag><rdf:li>Firenze</rdf:li><rdf:li>Arno</rdf:li><rdf:li>tramonto</rdf:li></rdf:Bag></dc:subject>
<xmp:CreateDate>2016-08-14T18:02:11.40</xmp:CreateDate>
<exif:DateTimeOriginal>2016-08-14T18:02:11.40</exif:DateTimeOriginal>
<exif:GPSLatitude>43,46.4763N</exif:GPSLatitude><exif:GPSLongitude>11,15.3835E</exif:GPSLongitude>
<mwg-rs:Regions rdf:parseType="Resource"><mwg-rs:RegionList><rdf:Bag>
<rdf:li><rdf:Description mwg-rs:Name="Anna" mwg-rs:Type="Face"/></rdf:li>
<rdf:li><rdf:Description mwg-rs:Name="Bruno" mwg-rs:Type="Face"/></rdf:li>
<rdf:li><rdf:Description mwg-rs:Name="Carla" mwg-rs:Type="Face"/></rdf:li>
</rdf:Bag></mwg-rs:RegionList></mwg-rs:Regions>
<lr:hierarchicalSubject><rdf:Bag><rdf:li>People|Anna</rdf:li><rdf:li>People|Bruno</rdf:li>
<rdf:li>Luoghi|Italia|Firenze</rdf:li></rdf:Bag></lr:hierarchicalSubject>)"};

struct Fixture {
    metadata_test::TempFolder folder;
    std::string photo = folder.File("DSC_0042.JPG");

    Fixture() {
        // A 24-megapixel camera JPEG is about 10 MB, nearly all of it scan.
        metadata_test::WriteFile(photo, metadata_test::FakeJpeg(6000, 4000, 10 << 20));
        metadata_test::WriteTags(photo, kCamera);
        // The camera's 160 x 120 thumbnail, in EXIF.
        auto image = Exiv2::ImageFactory::open(photo, false);
        image->readMetadata();
        const std::string thumbnail = metadata_test::FakeJpeg(160, 120, 6000);
        Exiv2::ExifThumb(image->exifData())
            .setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data()),
                              static_cast<long>(thumbnail.size()));
        image->writeMetadata();
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

// First: libgeonames loads its data, the catalogue is read, the tree built.
void BM_GazetteerFirstUse(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(metadata::Gazetteer::Shared().size());
    state.counters["towns"] = static_cast<double>(metadata::Gazetteer::Shared().size());
}
BENCHMARK(BM_GazetteerFirstUse)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_GazetteerBuild(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            metadata::Gazetteer(metadata::GeonamesTowns(PICTORA_GEONAMES_CATALOG)));
}
BENCHMARK(BM_GazetteerBuild)->Unit(benchmark::kMillisecond);

void BM_PlaceAt(benchmark::State& state) {
    // Positions over Italy, and over the whole world (land and sea).
    const bool world = state.range(0) == 1;
    std::mt19937 random(3);
    std::uniform_real_distribution<double> latitude(world ? -90 : 36.6, world ? 90 : 47.1);
    std::uniform_real_distribution<double> longitude(world ? -180 : 6.6, world ? 180 : 18.5);
    std::vector<std::pair<double, double>> positions(4096);
    for (auto& p : positions) p = {latitude(random), longitude(random)};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [lat, lon] = positions[i++ % positions.size()];
        benchmark::DoNotOptimize(metadata::PlaceAt(lat, lon));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlaceAt)->Arg(0)->Arg(1)->ArgNames({"world"})->Unit(benchmark::kMicrosecond);

void BM_ReadFields24Mpx(benchmark::State& state) {
    const std::string& photo = Shared().photo;
    const metadata::Fields fields = metadata::ReadFields(photo);
    if (fields.place != "Firenze, Toscana" || fields.people != "Anna, Bruno, Carla")
        state.SkipWithError("fields not read");
    for (auto _ : state) benchmark::DoNotOptimize(metadata::ReadFields(photo));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadFields24Mpx)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SniffPicture(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(metadata::SniffPicture(Shared().photo));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SniffPicture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
