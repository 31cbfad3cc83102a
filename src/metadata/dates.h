#pragma once

// The dates photo metadata carries, in every way it is written: EXIF's
// "1998:12:25 10:30:00", XMP's "1998-12-25T10:30:00+01:00", IPTC's
// "19981225".
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

// "gg/mm/aa", as the album's dates are written: "25/12/98".
std::string FormatDate(const Date& date);

}  // namespace metadata
