// Seeded extraction of a ball of radius 100 in a 256^3 volume, stage by stage.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace {

constexpr int kCote = 256;
constexpr int kRayon = 100;

bool dansBoule(int x, int y, int z) {
    const int c = kCote / 2;
    return (x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c) <= kRayon * kRayon;
}

// The ball (grey 200) on a background of grey 30.
std::unique_ptr<CImageTroisD> volumeBoule() {
    auto v = std::make_unique<CImageTroisD>(kCote, kCote, kCote);
    unsigned char* p = v->image.get();
    for (int z = 0; z < kCote; ++z)
        for (int y = 0; y < kCote; ++y)
            for (int x = 0; x < kCote; ++x)
                *p++ = dansBoule(x, y, z) ? 200 : 30;
    return v;
}

// The whole extraction, growth through normals, with the mean seconds of each stage.
void BM_ExtractionBoule(benchmark::State& state) {
    auto v = volumeBoule();
    const int lissages = static_cast<int>(state.range(0));
    double t[6] = {0, 0, 0, 0, 0, 0};
    for (auto _ : state) {
        v->CroissanceDeRegion(kCote / 2, kCote / 2, kCote / 2, lissages);
        const Stravol::BilanExtraction& b = v->bilanExtraction;
        const double e[6] = {b.tempsCroissance, b.tempsRegion,  b.tempsReparation,
                             b.tempsMaillage,   b.tempsLissage, b.tempsNormales};
        for (int i = 0; i < 6; ++i)
            t[i] += e[i];
    }
    const char* noms[6] = {"growth", "region", "repair", "mesh", "smoothing", "normals"};
    for (int i = 0; i < 6; ++i)
        state.counters[noms[i]] =
            benchmark::Counter(t[i] / static_cast<double>(state.iterations()));
    state.counters["voxels"] = v->bilanExtraction.nbVoxelsRepares;
    state.counters["triangles"] = v->maillage ? v->maillage->nbTriangles : 0;
}
BENCHMARK(BM_ExtractionBoule)->Arg(10)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The voxel region alone: built from the binary volume, then both repairs.
void BM_RegionBoule(benchmark::State& state) {
    CImage3D binaire;
    binaire.Create(kCote, kCote, kCote);
    for (int z = 0; z < kCote; ++z)
        for (int y = 0; y < kCote; ++y) {
            unsigned char* ligne = binaire.GetRow(y, z);
            for (int x = 0; x < kCote; ++x)
                ligne[x] = dansBoule(x, y, z) ? 255 : 0;
        }
    CRegion3D::initialiserVoisinages();
    CRegion3D region;
    for (auto _ : state) {
        region.creerRegionImage3D(binaire);
        region.reparerTopologie();
        benchmark::DoNotOptimize(region.nbVoxels);
    }
    state.counters["border"] = region.voxelsBord.longueur();
}
BENCHMARK(BM_RegionBoule)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
