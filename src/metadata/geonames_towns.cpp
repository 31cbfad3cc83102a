// The towns of libgeonames. The library names them in English, or through
// gettext in the process's language when that language is installed; an
// Italian program wants Italian names whatever the locale, so the English
// names and the keys of the catalogue (a town's geonames id, "IT.16" for a
// region, "IT" for a country) are taken from each town's record, and the
// catalogue is read here.
#include <geonames.h>

#include "metadata/gazetteer.h"
#include "metadata/message_catalog.h"

namespace metadata {

namespace {

// Each town's record: id, name, region code, region, country code,
// country, time zone, population, latitude, longitude.
constexpr const char* kRecordType = "(sssssssudd)";

std::string Child(GVariant* record, gsize index) {
    const gchar* text = nullptr;
    g_variant_get_child(record, index, "&s", &text);
    return text ? text : "";
}

std::string Translated(const MessageCatalog& catalog, const std::string& id, std::string english) {
    const std::string* translation = catalog.Find(id);
    return translation && !translation->empty() ? *translation : english;
}

Town TownOf(GeonamesCity* city, const MessageCatalog& italian) {
    Town town;
    town.latitude = geonames_city_get_latitude(city);
    town.longitude = geonames_city_get_longitude(city);
    if (!g_variant_is_of_type(city, G_VARIANT_TYPE(kRecordType))) {
        // A record of another shape: the library's own names.
        const auto text = [](const gchar* s) { return std::string(s ? s : ""); };
        town.name = text(geonames_city_get_name(city));
        town.region = text(geonames_city_get_state(city));
        town.country = text(geonames_city_get_country(city));
        town.country_code = text(geonames_city_get_country_code(city));
        return town;
    }
    town.country_code = Child(city, 4);
    town.name = Translated(italian, Child(city, 0), Child(city, 1));
    town.region = Translated(italian, town.country_code + "." + Child(city, 2), Child(city, 3));
    town.country = Translated(italian, town.country_code, Child(city, 5));
    // Emilia-Romagna alone is "Regione Emilia-Romagna" in the catalogue.
    constexpr std::string_view kRegione = "Regione ";
    if (town.region.starts_with(kRegione)) town.region.erase(0, kRegione.size());
    return town;
}

}  // namespace

std::vector<Town> GeonamesTowns(const std::string& catalogPath) {
    const MessageCatalog italian = MessageCatalog::Read(catalogPath);
    std::vector<Town> towns;
    const gint count = geonames_get_n_cities();
    towns.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (gint i = 0; i < count; ++i) {
        GeonamesCity* city = geonames_get_city(i);
        if (!city) continue;
        towns.push_back(TownOf(city, italian));
        geonames_city_free(city);
    }
    return towns;
}

}  // namespace metadata
