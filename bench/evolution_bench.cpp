// Greedy evolution of the smoothed mesh of a ball of radius 100 in a 256^3 volume, start
// parameter values, merges and splits on.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImage3D.h"

namespace {

constexpr int COTE = 256;
constexpr int CENTRE = 128;
constexpr int RAYON = 100;

bool dansBoule(int x, int y, int z) {
    return (x - CENTRE) * (x - CENTRE) + (y - CENTRE) * (y - CENTRE) +
               (z - CENTRE) * (z - CENTRE) <=
           RAYON * RAYON;
}

struct Scene {
    CImage3D image;
    CMaillageTriangleChRegion lisse;

    Scene() {
        image.Create(COTE, COTE, COTE);
        CRegion3D::initialiserVoisinages();
        CRegion3D region;
        region.init(COTE, COTE, COTE);
        region.vider();
        for (int z = 0; z < COTE; ++z)
            for (int y = 0; y < COTE; ++y)
                for (int x = 0; x < COTE; ++x)
                    if (dansBoule(x, y, z)) {
                        image.Pixel(x, y, z) = 255;
                        region.ajouter(CTriplet<int>(x, y, z));
                    }
        region.calculerVoxelsBord();
        CPoint3D::width = CPoint3D::height = CPoint3D::depth = CPoint3D::maxdim = COTE;
        lisse.creerMaillageTriangleChRegion2(region, 1);
        lisse.lisserCourbureTaubin(10);
        lisse.calculerNormales();
        lisse.calculerNormalesSommets();
        lisse.initialiserImages(&image, &image);
    }
};

Scene& scene() {
    static Scene* s = new Scene();
    return *s;
}

// Resident memory of the process, in MiB.
double residentMo() {
    long pages = 0, residentes = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &residentes) != 2)
            residentes = 0;
        std::fclose(f);
    }
    return static_cast<double>(residentes) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

void UneIteration(benchmark::State& etat) {
    Scene& s = scene();
    CMaillageTriangleChRegion m;
    for (auto _ : etat) {
        etat.PauseTiming();
        m = s.lisse;
        m.initialiserImages(&s.image, &s.image);
        etat.counters["sommets_avant"] = m.nbSommets;
        etat.ResumeTiming();
        m.Evolve(1);
        etat.counters["sommets_apres"] = m.nbSommets;
        etat.counters["triangles_apres"] = m.nbTriangles;
    }
}
BENCHMARK(UneIteration)->Unit(benchmark::kMillisecond);

// Ten iterations: the growth of the resident memory against that of the vertex count.
void DixIterations(benchmark::State& etat) {
    Scene& s = scene();
    CMaillageTriangleChRegion m;
    for (auto _ : etat) {
        etat.PauseTiming();
        m = s.lisse;
        m.initialiserImages(&s.image, &s.image);
        const int sommetsAvant = m.nbSommets;
        const double memoireAvant = residentMo();
        etat.ResumeTiming();
        m.Evolve(10);
        etat.PauseTiming();
        etat.counters["sommets_avant"] = sommetsAvant;
        etat.counters["sommets_apres"] = m.nbSommets;
        etat.counters["memoire_Mo"] = residentMo() - memoireAvant;
        etat.ResumeTiming();
    }
}
BENCHMARK(DixIterations)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
