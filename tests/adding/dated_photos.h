#pragma once

// Many JPEGs with dates of their own, quickly, for the tests and the
// benchmark of many photos added at once.
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace adding_test {

// Many JPEGs quickly: `jpeg`, written once with exiv2 with kTemplateDate
// wherever a date goes, copied with another date of the same length.
inline constexpr std::string_view kTemplateDate = "2000:01:01 00:00:00";

inline std::string Redated(std::string jpeg, const std::string& date) {
    const std::string xmpDate = date.substr(0, 4) + "-" + date.substr(5, 2) + "-" +
                                date.substr(8, 2) + "T" + date.substr(11);
    for (const auto& [from, to] : {std::pair<std::string, std::string>(kTemplateDate, date),
                                   {"2000-01-01T00:00:00", xmpDate}}) {
        for (std::size_t at = 0; (at = jpeg.find(from, at)) != std::string::npos;)
            jpeg.replace(at, from.size(), to);
    }
    return jpeg;
}

// The date of the `i`th of many photos: one an hour, from 2001 on.
inline std::string NthDate(int i) {
    char date[32];
    std::snprintf(date, sizeof date, "%04d:%02d:%02d %02d:00:00", 2001 + i / 8064, 1 + i / 672 % 12,
                  1 + i / 24 % 28, i % 24);
    return date;
}

}  // namespace adding_test
