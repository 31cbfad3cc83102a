// The nearest town to a GPS position: positions become points on the unit
// sphere, where the straight distance between two points grows with the
// distance along the Earth's surface, so the k-d tree's nearest point is the
// nearest town, across the date line and the poles too.
#include "metadata/gazetteer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace metadata {

namespace {

constexpr double kEarthRadiusKm = 6371.0;

KdTree::Point OnSphere(double latitude, double longitude) {
    const double phi = latitude * std::numbers::pi / 180;
    const double lambda = longitude * std::numbers::pi / 180;
    return {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
}

std::vector<KdTree::Point> Points(const std::vector<Town>& towns) {
    std::vector<KdTree::Point> points;
    points.reserve(towns.size());
    for (const Town& town : towns) points.push_back(OnSphere(town.latitude, town.longitude));
    return points;
}

}  // namespace

std::string PlaceName(const Town& town) {
    std::string place = town.name;
    if (!town.region.empty() && town.region != town.name) place += ", " + town.region;
    if (town.country_code != "IT" && !town.country.empty() && town.country != town.name)
        place += ", " + town.country;
    return place;
}

Gazetteer::Gazetteer(std::vector<Town> towns) : towns_(std::move(towns)), tree_(Points(towns_)) {}

const Gazetteer& Gazetteer::Shared() {
    static const Gazetteer shared(GeonamesTowns(PICTORA_GEONAMES_CATALOG));
    return shared;
}

const Town* Gazetteer::Nearest(double latitude, double longitude) const {
    if (!(std::abs(latitude) <= 90) || !(std::abs(longitude) <= 180)) return nullptr;
    const KdTree::Found found = tree_.Nearest(OnSphere(latitude, longitude));
    if (found.index == KdTree::kNone) return nullptr;
    // The chord between two points of the unit sphere, back to the arc.
    const double chord = std::min(2.0, std::sqrt(found.squared_distance));
    const double km = 2 * kEarthRadiusKm * std::asin(chord / 2);
    return km <= kMaxDistanceKm ? &towns_[found.index] : nullptr;
}

std::string PlaceAt(double latitude, double longitude) {
    const Town* town = Gazetteer::Shared().Nearest(latitude, longitude);
    return town ? PlaceName(*town) : std::string();
}

}  // namespace metadata
