#pragma once

// Place names for GPS positions, looked up offline: the towns of a world
// gazetteer with their Italian names, the nearest one found through a k-d
// tree over their positions on the unit sphere.
#include <string>
#include <vector>

#include "metadata/kd_tree.h"

namespace metadata {

struct Town {
    std::string name{};          // "Firenze"
    std::string region{};        // "Toscana"
    std::string country{};       // "Italia"
    std::string country_code{};  // "IT"
    double latitude = 0;
    double longitude = 0;
};

// "Firenze, Toscana"; abroad the country follows: "Parigi, Île-de-France,
// Francia". A region named like its town is said once.
std::string PlaceName(const Town& town);

class Gazetteer {
public:
    // A photo farther than this from every town is at sea, in a desert or
    // on a mountain: naming a town would mislead.
    static constexpr double kMaxDistanceKm = 100;

    explicit Gazetteer(std::vector<Town> towns);

    // The towns of libgeonames (every town of 15,000 people or more) with
    // their Italian names where its Italian catalogue has them; built at the
    // first call, once, whichever thread makes it.
    static const Gazetteer& Shared();

    // The town nearest to the position, or nullptr: none within
    // kMaxDistanceKm, or no position (a NaN, beyond ±90° or ±180°).
    const Town* Nearest(double latitude, double longitude) const;

    std::size_t size() const { return towns_.size(); }

private:
    std::vector<Town> towns_;
    KdTree tree_;
};

// PlaceName of the Shared() gazetteer's town nearest to the position, or "".
std::string PlaceAt(double latitude, double longitude);

// libgeonames' towns, named from the ".mo" catalogue at `catalogPath`
// (English names where it has none, or when it cannot be read). Not for
// several threads at once: libgeonames loads its data unguarded (Shared()
// calls it once).
std::vector<Town> GeonamesTowns(const std::string& catalogPath);

}  // namespace metadata
