#pragma once

// A photo as a camera and a photo program leave it: a camera's full EXIF
// (with GPS and a thumbnail), IPTC, and an XMP packet with faces and
// keywords, for the benchmarks that read photos' own fields.
#include <string>

#include "metadata_test_support.h"

namespace metadata_test {

inline const Tags kCamera = {
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

// Writes kCamera, with `tags` over it, and the camera's 160 x 120 thumbnail
// into the JPEG at `path`.
inline void WriteCameraTags(const std::string& path, const Tags& tags = {}) {
    Tags all = kCamera;
    all.exif.insert(all.exif.end(), tags.exif.begin(), tags.exif.end());
    all.iptc.insert(all.iptc.end(), tags.iptc.begin(), tags.iptc.end());
    WriteTags(path, all);
    auto image = Exiv2::ImageFactory::open(path, false);
    image->readMetadata();
    const std::string thumbnail = FakeJpeg(160, 120, 6000);
    Exiv2::ExifThumb(image->exifData())
        .setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data()),
                          static_cast<long>(thumbnail.size()));
    image->writeMetadata();
}

}  // namespace metadata_test
