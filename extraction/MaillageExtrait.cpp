#include "extraction/MaillageExtrait.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/EcritureMaillage.h"

namespace Stravol {

Resultat<MaillagePlat> aplatirMaillage(CMaillageTriangleChRegion& m, double ratio) {
    try {
        if (ratio < 1.0) {
            CMaillageTriangleChRegion decime;
            BilanDecimation bilan;
            std::string raison;
            if (!decimerMaillage(m, ratio, decime, bilan, raison))
                return Echec{"the decimation failed: " + raison};
            m = decime;
        }
        return versMaillagePlat(m);
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory for the mesh's arrays", true};
    }
}

MesuresMaillage mesurerMaillage(const MaillagePlat& m, const Geometrie& monde) {
    using Point = std::array<double, 3>;
    const auto moins = [](const Point& p, const Point& q) {
        return Point{p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    };
    const auto vectoriel = [](const Point& u, const Point& v) {
        return Point{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                     u[0] * v[1] - u[1] * v[0]};
    };
    const auto scalaire = [](const Point& u, const Point& v) {
        return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    };
    // The linear part of the transform: the origin cancels out of areas.
    const auto& a = monde.affine;
    const auto lineaire = [&a](const Point& p) {
        return Point{a[0][0] * p[0] + a[0][1] * p[1] + a[0][2] * p[2],
                     a[1][0] * p[0] + a[1][1] * p[1] + a[1][2] * p[2],
                     a[2][0] * p[0] + a[2][1] * p[1] + a[2][2] * p[2]};
    };
    double volume = 0.0, aire = 0.0, aireMonde = 0.0;
    for (std::size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
        Point p[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const float* q = &m.positions[3 * static_cast<std::size_t>(m.triangles[t + k])];
            p[k] = {q[0], q[1], q[2]};
        }
        volume += scalaire(p[0], vectoriel(p[1], p[2]));
        const Point n = vectoriel(moins(p[1], p[0]), moins(p[2], p[0]));
        aire += std::sqrt(scalaire(n, n));
        const Point l0 = lineaire(p[0]);
        const Point w = vectoriel(moins(lineaire(p[1]), l0), moins(lineaire(p[2]), l0));
        aireMonde += std::sqrt(scalaire(w, w));
    }
    MesuresMaillage r;
    r.volume = volume / 6.0;
    r.aire = aire / 2.0;
    // A voxel's world volume is the determinant's magnitude; a mirror turns the corners over as
    // well, so the sign of the voxel volume stays.
    r.volumeMm3 = r.volume * std::fabs(monde.determinant());
    r.aireMm2 = aireMonde / 2.0;
    return r;
}

bool surfaceFermee(const MaillagePlat& m) {
    if (m.triangles.empty() || m.triangles.size() % 3 != 0)
        return false;
    // Directed edges (from, to) in order: each once, and its reverse present.
    std::vector<std::uint64_t> aretes;
    aretes.reserve(m.triangles.size());
    for (std::size_t t = 0; t < m.triangles.size(); t += 3)
        for (std::size_t k = 0; k < 3; ++k)
            aretes.push_back(std::uint64_t{m.triangles[t + k]} << 32 |
                             m.triangles[t + (k + 1) % 3]);
    std::sort(aretes.begin(), aretes.end());
    if (std::adjacent_find(aretes.begin(), aretes.end()) != aretes.end())
        return false;
    return std::all_of(aretes.begin(), aretes.end(), [&aretes](std::uint64_t a) {
        return std::binary_search(aretes.begin(), aretes.end(), a << 32 | a >> 32);
    });
}

bool espaceVoxel(const Geometrie& geometrie, EspaceSortie espace) {
    return !ecriture::repereEspace(geometrie, espace).monde;
}

MaillagePlat dansEspace(const MaillagePlat& m, const Geometrie& geometrie, EspaceSortie espace) {
    MaillagePlat r;
    r.positions.resize(m.positions.size());
    r.normales.resize(m.normales.size());
    r.triangles = m.triangles;
    const ecriture::Repere repere = ecriture::repereEspace(geometrie, espace);
    for (std::size_t s = 0; s + 2 < m.positions.size(); s += 3)
        repere.position(m.positions[s], m.positions[s + 1], m.positions[s + 2], &r.positions[s]);
    for (std::size_t s = 0; s + 2 < m.normales.size(); s += 3)
        repere.normale(m.normales[s], m.normales[s + 1], m.normales[s + 2], &r.normales[s]);
    if (repere.miroir)
        for (std::size_t t = 0; t + 2 < r.triangles.size(); t += 3)
            std::swap(r.triangles[t + 1], r.triangles[t + 2]);
    return r;
}

} // namespace Stravol
