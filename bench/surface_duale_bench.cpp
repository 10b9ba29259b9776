// The dual surface of label maps: the 256^3 ball of radius 100 (the phantom's) and a dense map
// of 1000 cells filling 256^3 (every voxel labelled, as in cell segmentations), built, smoothed
// and cut into label meshes. Counters: the ball's rms and max vertex distance to the true
// sphere (voxel) and its volume against its voxels (per cent); the dense map's largest volume
// error of a label against its voxels (per cent).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "mesh/MesuresPlat.h"
#include "mesh/SurfaceDuale.h"

namespace {

constexpr int kCote = 256;
constexpr double kRayon = 100.0;

const std::vector<std::uint16_t>& boule() {
    static const std::vector<std::uint16_t> v = [] {
        std::vector<std::uint16_t> e(std::size_t(kCote) * kCote * kCote, 0);
        const double c = 0.5 * (kCote - 1);
        std::size_t i = 0;
        for (int z = 0; z < kCote; ++z)
            for (int y = 0; y < kCote; ++y)
                for (int x = 0; x < kCote; ++x, ++i)
                    if ((x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c) <=
                        kRayon * kRayon)
                        e[i] = 200;
        return e;
    }();
    return v;
}

// The cells of 1000 seeds jittered on a 10^3 grid, each voxel labelled by its nearest seed.
const std::vector<std::uint16_t>& cellules() {
    static const std::vector<std::uint16_t> v = [] {
        constexpr int G = 10;
        const double pas = double(kCote) / G;
        std::mt19937 alea(1);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        std::vector<std::array<double, 3>> graines(G * G * G);
        for (int k = 0; k < G; ++k)
            for (int j = 0; j < G; ++j)
                for (int i = 0; i < G; ++i)
                    graines[std::size_t((k * G + j) * G + i)] = {
                        (i + u(alea)) * pas, (j + u(alea)) * pas, (k + u(alea)) * pas};
        std::vector<std::uint16_t> e(std::size_t(kCote) * kCote * kCote);
        std::size_t n = 0;
        for (int z = 0; z < kCote; ++z)
            for (int y = 0; y < kCote; ++y)
                for (int x = 0; x < kCote; ++x, ++n) {
                    const int c[3] = {std::min(G - 1, int(x / pas)), std::min(G - 1, int(y / pas)),
                                      std::min(G - 1, int(z / pas))};
                    double meilleure = 1e300;
                    int choisie = 0;
                    for (int dk = -1; dk <= 1; ++dk)
                        for (int dj = -1; dj <= 1; ++dj)
                            for (int di = -1; di <= 1; ++di) {
                                const int a = c[0] + di, b = c[1] + dj, d = c[2] + dk;
                                if (a < 0 || b < 0 || d < 0 || a >= G || b >= G || d >= G)
                                    continue;
                                const int id = (d * G + b) * G + a;
                                const auto& g = graines[std::size_t(id)];
                                const double r = (x - g[0]) * (x - g[0]) + (y - g[1]) * (y - g[1]) +
                                                 (z - g[2]) * (z - g[2]);
                                if (r < meilleure) {
                                    meilleure = r;
                                    choisie = id;
                                }
                            }
                    e[n] = static_cast<std::uint16_t>(1 + choisie);
                }
        return e;
    }();
    return v;
}

// Arg: smoothing rounds.
void BM_BouleDuale(benchmark::State& etat) {
    const std::vector<std::uint16_t>& e = boule();
    Stravol::SurfaceDuale s;
    for (auto _ : etat) {
        std::string erreur;
        Stravol::construireSurfaceDuale(e.data(), kCote, kCote, kCote, {}, s, erreur);
        Stravol::lisserSurfaceDuale(s, static_cast<int>(etat.range(0)));
    }
    const double c = 0.5 * (kCote - 1);
    double somme2 = 0.0, maximum = 0.0;
    for (std::size_t v = 0; v < s.nbSommets(); ++v) {
        const double dx = s.positions[3 * v] - c, dy = s.positions[3 * v + 1] - c,
                     dz = s.positions[3 * v + 2] - c;
        const double d = std::fabs(std::sqrt(dx * dx + dy * dy + dz * dz) - kRayon);
        somme2 += d * d;
        maximum = std::max(maximum, d);
    }
    const double voxels = static_cast<double>(std::count(e.begin(), e.end(), 200));
    const double volume = Stravol::mesurerMaillagePlat(Stravol::maillageEtiquette(s, 200)).volume;
    etat.counters["rms"] = std::sqrt(somme2 / static_cast<double>(s.nbSommets()));
    etat.counters["max"] = maximum;
    etat.counters["volume_pct"] = 100.0 * (volume - voxels) / voxels;
    etat.counters["triangles"] = static_cast<double>(s.nbTriangles());
}
BENCHMARK(BM_BouleDuale)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The whole map: surface, smoothing and every label's mesh.
void BM_CellulesDuales(benchmark::State& etat) {
    const std::vector<std::uint16_t>& e = cellules();
    double erreurMax = 0.0;
    for (auto _ : etat) {
        Stravol::SurfaceDuale s;
        std::string erreur;
        Stravol::construireSurfaceDuale(e.data(), kCote, kCote, kCote, {}, s, erreur);
        Stravol::lisserSurfaceDuale(s, Stravol::kToursDualParDefaut);
        const Stravol::IndexEtiquettesDuales index = Stravol::indexerEtiquettes(s);
        std::vector<double> volumes(index.valeurs.size());
#pragma omp parallel
        {
            Stravol::TravailEtiquette travail;
#pragma omp for schedule(dynamic, 1)
            for (long k = 0; k < long(index.valeurs.size()); ++k)
                volumes[std::size_t(k)] =
                    Stravol::mesurerMaillagePlat(
                        Stravol::maillageEtiquette(s, index, std::size_t(k), travail))
                        .volume;
        }
        etat.PauseTiming();
        std::vector<double> voxels(65536, 0.0);
        for (const std::uint16_t v : e)
            voxels[v] += 1.0;
        erreurMax = 0.0;
        for (std::size_t k = 0; k < index.valeurs.size(); ++k) {
            const double n = voxels[index.valeurs[k]];
            erreurMax = std::max(erreurMax, std::fabs(volumes[k] - n) / n);
        }
        etat.ResumeTiming();
    }
    etat.counters["volume_error_max_pct"] = 100.0 * erreurMax;
}
BENCHMARK(BM_CellulesDuales)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every label mesh of the dense map, raw, made once.
const std::vector<Stravol::MaillagePlat>& maillagesCellules() {
    static const std::vector<Stravol::MaillagePlat> m = [] {
        Stravol::SurfaceDuale s;
        std::string erreur;
        Stravol::construireSurfaceDuale(cellules().data(), kCote, kCote, kCote, {}, s, erreur);
        const Stravol::IndexEtiquettesDuales index = Stravol::indexerEtiquettes(s);
        Stravol::TravailEtiquette travail;
        std::vector<Stravol::MaillagePlat> r;
        for (std::size_t k = 0; k < index.valeurs.size(); ++k)
            r.push_back(Stravol::maillageEtiquette(s, index, k, travail));
        return r;
    }();
    return m;
}

// The measures (Arg 0) and the check (Arg 1) of every label mesh of the dense map, on one
// thread, in world millimetres of 0.5 x 0.6 x 0.7 mm voxels.
void BM_MesuresCellules(benchmark::State& etat) {
    const std::vector<Stravol::MaillagePlat>& maillages = maillagesCellules();
    Stravol::Geometrie monde;
    monde.affine = {{{0.5, 0, 0, 1}, {0, 0.6, 0, 2}, {0, 0, 0.7, 3}}};
    double somme = 0.0;
    for (auto _ : etat)
        for (const Stravol::MaillagePlat& m : maillages)
            somme += etat.range(0) == 0 ? Stravol::mesurerMaillagePlat(m, monde).aireMm2
                                        : double(Stravol::controlerMaillagePlat(m).ferme);
    benchmark::DoNotOptimize(somme);
    std::size_t triangles = 0;
    for (const Stravol::MaillagePlat& m : maillages)
        triangles += m.nbTriangles();
    etat.counters["triangles"] = static_cast<double>(triangles);
}
BENCHMARK(BM_MesuresCellules)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
