// A photo's own fields: reading them from a 24-megapixel JPEG with a
// camera's full EXIF (and its thumbnail), IPTC, an XMP packet with faces and
// keywords, and GPS named through the gazetteer; the gazetteer alone, its
// first use in the process (libgeonames loading its data), building it again,
// and a look-up. The JPEG's scan is a dummy: the read never decodes pixels.
#include <benchmark/benchmark.h>

#include <random>

#include "camera_photo.h"
#include "metadata/gazetteer.h"

namespace {

struct Fixture {
    metadata_test::TempFolder folder;
    std::string photo = folder.File("DSC_0042.JPG");

    Fixture() {
        // A 24-megapixel camera JPEG is about 10 MB, nearly all of it scan.
        metadata_test::WriteFile(photo, metadata_test::FakeJpeg(6000, 4000, 10 << 20));
        metadata_test::WriteCameraTags(photo);
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

// First: libgeonames loads its data, the catalogue is read, the tree built.
void BM_GazetteerFirstUse(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(metadata::Gazetteer::Shared().size());
    state.counters["towns"] = static_cast<double>(metadata::Gazetteer::Shared().size());
}
BENCHMARK(BM_GazetteerFirstUse)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_GazetteerBuild(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            metadata::Gazetteer(metadata::GeonamesTowns(PICTORA_GEONAMES_CATALOG)));
}
BENCHMARK(BM_GazetteerBuild)->Unit(benchmark::kMillisecond);

void BM_PlaceAt(benchmark::State& state) {
    // Positions over Italy, and over the whole world (land and sea).
    const bool world = state.range(0) == 1;
    std::mt19937 random(3);
    std::uniform_real_distribution<double> latitude(world ? -90 : 36.6, world ? 90 : 47.1);
    std::uniform_real_distribution<double> longitude(world ? -180 : 6.6, world ? 180 : 18.5);
    std::vector<std::pair<double, double>> positions(4096);
    for (auto& p : positions) p = {latitude(random), longitude(random)};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [lat, lon] = positions[i++ % positions.size()];
        benchmark::DoNotOptimize(metadata::PlaceAt(lat, lon));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlaceAt)->Arg(0)->Arg(1)->ArgNames({"world"})->Unit(benchmark::kMicrosecond);

void BM_ReadFields24Mpx(benchmark::State& state) {
    const std::string& photo = Shared().photo;
    const metadata::Fields fields = metadata::ReadFields(photo);
    if (fields.place != "Firenze, Toscana" || fields.people != "Anna, Bruno, Carla")
        state.SkipWithError("fields not read");
    for (auto _ : state) benchmark::DoNotOptimize(metadata::ReadFields(photo));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadFields24Mpx)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SniffPicture(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(metadata::SniffPicture(Shared().photo));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SniffPicture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
