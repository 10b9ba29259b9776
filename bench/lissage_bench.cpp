// Smoothing accuracy against the analytic surfaces of the phantom shapes: the ball of radius 100
// in 256^3, the torus of the 256^3 phantom and the tube of radius 3 of the 150^3 phantom, each
// meshed from its label and smoothed by the default Taubin rounds or by the constrained rounds.
// Counters: rms and max vertex distance to the true surface (voxel; the tube's is not measured,
// its ends being flat), enclosed volume against the voxel count (per cent), mean triangle
// quality (4 sqrt(3) area / sum of squared edges, 1 for an equilateral triangle).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "extraction/ToutesEtiquettes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MesuresMaillage.h"
#include "volume/Phantom.h"

namespace {

enum Forme { kBoule, kTore, kTube };

// A phantom shape's unsmoothed mesh, its voxel count and its distance to the true surface
// (null for the tube).
struct Cas {
    std::unique_ptr<CMaillageTriangleChRegion> maillage;
    long long voxels = 0;
    std::function<double(double, double, double)> distance;
};

const Cas& cas(Forme forme) {
    static std::map<Forme, Cas> tous;
    auto it = tous.find(forme);
    if (it != tous.end())
        return it->second;
    constexpr int kRayonBoule = 100;
    OptionsFantome o;
    const int cote = forme == kTube ? 150 : 256;
    o.largeur = o.hauteur = o.profondeur = cote;
    o.rayonBoule = forme == kBoule ? kRayonBoule : 0;
    Fantome f;
    std::string erreur;
    creerFantome(o, f, erreur);
    const unsigned char label =
        forme == kBoule ? kLabelBoule : (forme == kTore ? kLabelTore : kLabelTube);
    const std::vector<std::uint16_t> etiquettes(f.labels.begin(), f.labels.end());
    Cas c;
    for (const Stravol::BoiteEtiquette& b :
         Stravol::boitesEtiquettes(etiquettes.data(), cote, cote, cote))
        if (b.valeur == label) {
            c.maillage =
                Stravol::maillerEtiquette(etiquettes.data(), cote, cote, cote, b, 0, erreur);
            c.voxels = b.voxels;
        }
    // The phantom's own shape definitions (centre of the volume at (cote - 1) / 2).
    const double s = cote, centre = 0.5 * (cote - 1);
    if (forme == kBoule)
        c.distance = [centre](double x, double y, double z) {
            return std::fabs(std::sqrt((x - centre) * (x - centre) + (y - centre) * (y - centre) +
                                       (z - centre) * (z - centre)) -
                             kRayonBoule);
        };
    else if (forme == kTore)
        c.distance = [s, centre](double x, double y, double z) {
            const double R = 0.18 * s, r = 0.07 * s;
            const double dx = x - 0.72 * s, dy = y - 0.27 * s, dz = z - centre;
            const double q = std::sqrt(dx * dx + dy * dy) - R;
            return std::fabs(std::sqrt(q * q + dz * dz) - r);
        };
    return tous.emplace(forme, std::move(c)).first->second;
}

double qualiteMoyenne(const CMaillageTriangleChRegion& m) {
    double somme = 0.0;
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const double ux = t->b->x - t->a->x, uy = t->b->y - t->a->y, uz = t->b->z - t->a->z;
        const double vx = t->c->x - t->a->x, vy = t->c->y - t->a->y, vz = t->c->z - t->a->z;
        const double wx = vx - ux, wy = vy - uy, wz = vz - uz;
        const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
        const double aire = 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
        const double carres =
            ux * ux + uy * uy + uz * uz + vx * vx + vy * vy + vz * vz + wx * wx + wy * wy + wz * wz;
        somme += carres > 0.0 ? 4.0 * std::sqrt(3.0) * aire / carres : 0.0;
    }
    return m.nbTriangles > 0 ? somme / m.nbTriangles : 0.0;
}

// Args: shape, method (0 Taubin, 1 constrained), rounds.
void Lissage(benchmark::State& etat) {
    const Cas& c = cas(static_cast<Forme>(etat.range(0)));
    const bool contraint = etat.range(1) == 1;
    const int tours = static_cast<int>(etat.range(2));
    CMaillageTriangleChRegion m;
    for (auto _ : etat) {
        etat.PauseTiming();
        m = *c.maillage;
        etat.ResumeTiming();
        if (contraint)
            m.lisserContraint(tours);
        else
            m.lisserCourbureTaubin(tours);
    }
    if (c.distance) {
        double somme2 = 0.0, maximum = 0.0;
        for (const CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant) {
            const double d = c.distance(v->x, v->y, v->z);
            somme2 += d * d;
            maximum = std::max(maximum, d);
        }
        etat.counters["rms"] = std::sqrt(somme2 / m.nbSommets);
        etat.counters["max"] = maximum;
    }
    etat.counters["volume_pct"] =
        100.0 * (volumeEnclos(m) - static_cast<double>(c.voxels)) / static_cast<double>(c.voxels);
    etat.counters["quality"] = qualiteMoyenne(m);
    etat.counters["triangles"] = m.nbTriangles;
}

void lesCas(benchmark::internal::Benchmark* b) {
    b->ArgNames({"shape", "constrained", "rounds"});
    for (int forme : {kBoule, kTore, kTube}) {
        b->Args({forme, 0, 10});
        for (int tours : {10, 20, 40})
            b->Args({forme, 1, tours});
    }
}
BENCHMARK(Lissage)->Apply(lesCas)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
