// The small readers under the fields: dates, texts, camera filler, XMP GPS.
#include <gtest/gtest.h>

#include <cmath>

#include "metadata/dates.h"
#include "metadata/gps.h"
#include "metadata/text.h"

namespace {

TEST(ParseDate, WritesRealDaysAndRefusesTheRest) {
    const std::pair<const char*, const char*> cases[] = {{"1998:12:25 10:30:00", "25/12/98"},
                                                         {"2004-02-29T23:59", "29/02/04"},
                                                         {"20000229", "29/02/00"},
                                                         {" 2010/07/08", "08/07/10"},
                                                         {"1900:02:29", ""},
                                                         {"0000:00:00 00:00:00", ""},
                                                         {"2019:13:01", ""},
                                                         {"2019-06", ""},
                                                         {"2019", ""},
                                                         {"201906011", ""},
                                                         {"2019:06-01", ""},
                                                         {"", ""}};
    for (const auto& [text, written] : cases) {
        const auto date = metadata::ParseDate(text);
        EXPECT_EQ(date ? metadata::FormatDate(*date) : "", written) << text;
    }
}

TEST(ParseMoment, CountsSecondsOnTheCameraClockWhereParseDateFindsADay) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"1998:12:25 10:30:00", 914581800},
        {"1998-12-25T10:30:00+05:00", 914581800},  // the zone is not looked at
        {"2004-02-29T23:59", 1078099140},
        {"20000229", 951782400},
        {"2000:02:29 25:00:00", 951782400},  // no clock shows it: midnight
        {"1969:12:31 23:59:60", -1},         // a leap second
        {"1970:01:01 00:00:00", 0},
        {"1900:02:29 10:00:00", std::nullopt},
        {"0000:00:00 00:00:00", std::nullopt},
        {"", std::nullopt}};
    for (const auto& [text, moment] : cases) {
        EXPECT_EQ(metadata::ParseMoment(text), moment) << text;
        EXPECT_EQ(metadata::ParseMoment(text).has_value(), metadata::ParseDate(text).has_value());
    }
}

TEST(CleanText, GivesValidBoundedUtf8) {
    const std::tuple<std::string, bool, std::size_t, std::string> cases[] = {
        {"  riga\r\nriga\tdue \0\x01 ", true, 100, "riga\nriga\tdue"},
        {"riga\r\nriga\ttre", false, 100, "riga riga tre"},
        {"Citt\xE0 \x80", false, 100, "Città €"},
        {"Citt\xC3\xA0 \xE0", false, 100, "Città \xEF\xBF\xBD"},
        {"è \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80", false, 100,
         "è \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD "
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC2\x85x\xC2\xA0", false, 100, "x\xC2\xA0"},
        {"èèè", false, 5, "èè"},
        {std::string(1000, ' ') + "a", false, 4, ""}};
    for (const auto& [bytes, multiline, max, clean] : cases)
        EXPECT_EQ(metadata::CleanText(bytes, multiline, max), clean) << bytes;
}

TEST(IsCameraFiller, KnowsWhatCamerasWrite) {
    const std::pair<const char*, bool> cases[] = {{"OLYMPUS DIGITAL CAMERA", true},
                                                  {"sony dsc", true},
                                                  {"IMG_1234.JPG", true},
                                                  {"DSCF0042", true},
                                                  {"P1010001", true},
                                                  {"NIKON D70", true},
                                                  {"", true},
                                                  {"Gita al lago", false},
                                                  {"Roma 2004", false},
                                                  {"A 3", false}};
    for (const auto& [text, filler] : cases)
        EXPECT_EQ(metadata::IsCameraFiller(text, "NIKON", "D70"), filler) << text;
}

TEST(XmpCoordinate, ReadsDegreesMinutesAndSeconds) {
    using metadata::Axis;
    const std::tuple<const char*, Axis, double> cases[] = {
        {"43,46.5N", Axis::Latitude, 43.775}, {"11,15,36W", Axis::Longitude, -11.26},
        {"43,30S", Axis::Latitude, -43.5},    {"43,30E", Axis::Latitude, NAN},
        {"91,0N", Axis::Latitude, NAN},       {"-43,0N", Axis::Latitude, NAN},
        {"nan,0N", Axis::Latitude, NAN},      {"43,x,0N", Axis::Latitude, NAN},
        {"1,2,3,4N", Axis::Latitude, NAN},    {"N", Axis::Latitude, NAN}};
    for (const auto& [text, axis, degrees] : cases) {
        const auto read = metadata::XmpCoordinate(text, axis);
        if (std::isnan(degrees))
            EXPECT_FALSE(read) << text;
        else
            EXPECT_NEAR(read.value_or(NAN), degrees, 1e-9) << text;
    }
}

}  // namespace
