#pragma once

// GPS positions as photo metadata writes them: EXIF's degrees, minutes and
// seconds with a hemisphere letter apart, XMP's "43,46.755N".
#include <optional>
#include <span>
#include <string_view>

namespace metadata {

enum class Axis { Latitude, Longitude };

// The signed degrees of one to three parts (degrees, minutes, seconds) and a
// hemisphere letter ("N" or "S" for a latitude, "E" or "W" for a longitude),
// or nothing: no letter or the other axis's, a part that is no finite number
// or below zero, a result beyond 90 or 180 degrees.
std::optional<double> Coordinate(std::span<const double> parts, std::string_view hemisphere,
                                 Axis axis);

// The same written as XMP writes it: "DDD,MM,SSk" or "DDD,MM.mmk", k the
// hemisphere letter.
std::optional<double> XmpCoordinate(std::string_view text, Axis axis);

}  // namespace metadata
