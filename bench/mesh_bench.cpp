// Mesh stages on a ball of radius 100 in a 256^3 grid (about 4.2 million voxels).
#include <benchmark/benchmark.h>

#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"

namespace {

const CRegion3D& regionBoule() {
    static CRegion3D* region = [] {
        CRegion3D::initialiserVoisinages();
        auto* r = new CRegion3D();
        r->init(256, 256, 256);
        r->vider();
        const int c = 128, rayon = 100;
        for (int x = c - rayon; x <= c + rayon; ++x)
            for (int y = c - rayon; y <= c + rayon; ++y)
                for (int z = c - rayon; z <= c + rayon; ++z)
                    if ((x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c) <= rayon * rayon)
                        r->ajouter(CTriplet<int>(x, y, z));
        r->calculerVoxelsBord();
        return r;
    }();
    return *region;
}

void Construction(benchmark::State& etat) {
    const CRegion3D& region = regionBoule();
    for (auto _ : etat) {
        CMaillageTriangleChRegion m;
        m.creerMaillageTriangleChRegion2(region, 1);
        etat.counters["sommets"] = m.nbSommets;
        etat.counters["triangles"] = m.nbTriangles;
        etat.PauseTiming();
        m.vider();
        etat.ResumeTiming();
    }
}
BENCHMARK(Construction)->Unit(benchmark::kMillisecond);

void ConstructionEtDestruction(benchmark::State& etat) {
    const CRegion3D& region = regionBoule();
    for (auto _ : etat) {
        CMaillageTriangleChRegion m;
        m.creerMaillageTriangleChRegion2(region, 1);
    }
}
BENCHMARK(ConstructionEtDestruction)->Unit(benchmark::kMillisecond);

void TaubinDixTours(benchmark::State& etat) {
    CMaillageTriangleChRegion m;
    m.creerMaillageTriangleChRegion2(regionBoule(), 1);
    for (auto _ : etat)
        m.lisserCourbureTaubin(10);
}
BENCHMARK(TaubinDixTours)->Unit(benchmark::kMillisecond);

void Normales(benchmark::State& etat) {
    CMaillageTriangleChRegion m;
    m.creerMaillageTriangleChRegion2(regionBoule(), 1);
    m.lisserCourbureTaubin(10);
    for (auto _ : etat) {
        m.calculerNormales();
        m.calculerNormalesSommets();
    }
}
BENCHMARK(Normales)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
