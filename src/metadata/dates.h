#pragma once

// The dates photo metadata carries, in every way it is written: EXIF's
// "1998:12:25 10:30:00", XMP's "1998-12-25T10:30:00+01:00", IPTC's
// "19981225".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace metadata {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The day a text names, or nothing when it names none: a part missing
// (only a year, or a year and a month), or a day no calendar has
// ("0000:00:00", the 30th of February). What follows the day (a time, a
// time zone) is not looked at.
std::optional<Date> ParseDate(std::string_view text);

// The moment a text names, for putting photos in the order they were taken:
// the day ParseDate reads and the time of day after it ("10:30:00",
// "T10:30", IPTC's "103000"), to the second; midnight when no time follows,
// or one no clock shows. Seconds since 1 January 1970 00:00 on the camera's
// own clock: a time zone after the time is not looked at, since EXIF's dates
// carry none. Nothing exactly when ParseDate gives nothing.
std::optional<std::int64_t> ParseMoment(std::string_view text);

// "gg/mm/aa", as the album's dates are written: "25/12/98".
std::string FormatDate(const Date& date);

}  // namespace metadata
