// Reading GPS positions of photo metadata.
#include "metadata/gps.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace metadata {

std::optional<double> Coordinate(std::span<const double> parts, std::string_view hemisphere,
                                 Axis axis) {
    while (!hemisphere.empty() && hemisphere.back() == ' ') hemisphere.remove_suffix(1);
    if (hemisphere.size() != 1 || parts.empty() || parts.size() > 3) return std::nullopt;
    const char letter = hemisphere[0];
    const bool latitude = axis == Axis::Latitude;
    const bool negative = letter == (latitude ? 'S' : 'W') || letter == (latitude ? 's' : 'w');
    if (!negative && letter != (latitude ? 'N' : 'E') && letter != (latitude ? 'n' : 'e'))
        return std::nullopt;
    double degrees = 0;
    double scale = 1;
    for (double part : parts) {
        if (!std::isfinite(part) || part < 0) return std::nullopt;
        degrees += part / scale;
        scale *= 60;
    }
    if (degrees > (latitude ? 90 : 180)) return std::nullopt;
    return negative ? -degrees : degrees;
}

std::optional<double> XmpCoordinate(std::string_view text, Axis axis) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.size() < 2) return std::nullopt;
    const std::string_view hemisphere = text.substr(text.size() - 1);
    text.remove_suffix(1);
    std::vector<double> parts;
    while (parts.size() < 4) {
        double part = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), part);
        if (error != std::errc() || end == text.data()) return std::nullopt;
        parts.push_back(part);
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (text.empty()) return Coordinate(parts, hemisphere, axis);
        if (text.front() != ',') return std::nullopt;
        text.remove_prefix(1);
    }
    return std::nullopt;
}

}  // namespace metadata
