// Place names for GPS positions: the k-d tree, the Italian names of the
// packaged gazetteer, and its catalogue reader on damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "metadata/gazetteer.h"
#include "metadata/message_catalog.h"

namespace {

using metadata::Gazetteer;
using metadata::KdTree;

TEST(KdTree, FindsWhatASearchOfEveryPointFinds) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(-1, 1);
    const auto point = [&] {
        return KdTree::Point{coordinate(random), coordinate(random), coordinate(random)};
    };
    std::vector<KdTree::Point> points(3000);
    for (KdTree::Point& p : points) p = point();
    const KdTree tree(points);
    for (int q = 0; q < 300; ++q) {
        const KdTree::Point query = point();
        double best = std::numeric_limits<double>::infinity();
        for (const KdTree::Point& p : points)
            best = std::min(best, std::pow(p[0] - query[0], 2) + std::pow(p[1] - query[1], 2) +
                                      std::pow(p[2] - query[2], 2));
        EXPECT_DOUBLE_EQ(tree.Nearest(query).squared_distance, best);
    }
    EXPECT_EQ(KdTree({}).Nearest({0, 0, 0}).index, KdTree::kNone);
}

TEST(Gazetteer, NearestAcrossTheDateLineAndThePole) {
    const Gazetteer gazetteer({{.name = "Est", .latitude = 0, .longitude = 179.5},
                               {.name = "Ovest", .latitude = 0, .longitude = -179.8},
                               {.name = "Artico", .latitude = 89.5, .longitude = 180}});
    const std::tuple<double, double, const char*> cases[] = {
        {0, 179.95, "Ovest"},  {0, 179.2, "Est"}, {89.9, 10, "Artico"}, {0, 178, ""},
        {std::nan(""), 0, ""}, {0, 200, ""},      {-91, 0, ""}};
    for (const auto& [latitude, longitude, name] : cases) {
        const metadata::Town* town = gazetteer.Nearest(latitude, longitude);
        EXPECT_EQ(town ? town->name : "", name) << latitude << " " << longitude;
    }
}

TEST(Gazetteer, NamesTheNearestTownInItalian) {
    const std::tuple<double, double, const char*> cases[] = {
        {43.80, 11.29, "Firenze, Toscana"},
        {44.49, 11.34, "Bologna, Emilia-Romagna"},
        {45.737, 7.32, "Aosta, Valle d’Aosta"},
        {48.14, 11.58, "Monaco di Baviera, Baviera, Germania"},
        {0, -150, ""},
    };
    for (const auto& [latitude, longitude, place] : cases)
        EXPECT_EQ(metadata::PlaceAt(latitude, longitude), place);
}

// A ".mo" catalogue of `entries`, in little or big endian order.
std::string Catalogue(const std::vector<std::pair<std::string, std::string>>& entries, bool big) {
    const auto number = [big](std::uint32_t n) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[big ? 3 - i : i] = char((n >> (8 * i)) & 0xFF);
        return bytes;
    };
    const std::uint32_t count = static_cast<std::uint32_t>(entries.size());
    std::string tables, strings;
    const std::uint32_t stringsAt = 28 + 16 * count;
    for (int table = 0; table < 2; ++table)
        for (const auto& entry : entries) {
            const std::string& text = table == 0 ? entry.first : entry.second;
            tables += number(std::uint32_t(text.size())) +
                      number(stringsAt + std::uint32_t(strings.size()));
            strings += text + '\0';
        }
    return number(0x950412DE) + number(0) + number(count) + number(28) + number(28 + 8 * count) +
           number(0) + number(0) + tables + strings;
}

TEST(MessageCatalog, ReadsBothByteOrdersAndSurvivesDamage) {
    for (bool big : {false, true}) {
        const std::string bytes = Catalogue({{"3176959", "Firenze"}, {"IT.16", "Toscana"}}, big);
        const auto catalog = metadata::MessageCatalog::Parse(bytes);
        ASSERT_NE(catalog.Find("IT.16"), nullptr);
        EXPECT_EQ(*catalog.Find("IT.16"), "Toscana");
        EXPECT_EQ(catalog.Find("IT"), nullptr);
        // Cut anywhere, it keeps only entries wholly inside.
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            const auto cut = metadata::MessageCatalog::Parse(bytes.substr(0, size));
            const std::string* region = cut.Find("IT.16");
            EXPECT_EQ(region ? *region : "Toscana", "Toscana");
        }
    }
    std::string lying = Catalogue({{"a", "b"}}, false);
    lying[8] = '\xFF';  // a count far beyond the file
    EXPECT_EQ(metadata::MessageCatalog::Parse(lying).size(), 0u);
    EXPECT_EQ(metadata::MessageCatalog::Read("/nonexistent.mo").size(), 0u);
}

}  // namespace
