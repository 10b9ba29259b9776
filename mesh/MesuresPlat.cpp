#include "mesh/MesuresPlat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace Stravol {

namespace {

using Point = std::array<double, 3>;

Point lineaire(const Geometrie& monde, const Point& p) {
    const auto& a = monde.affine;
    return {a[0][0] * p[0] + a[0][1] * p[1] + a[0][2] * p[2],
            a[1][0] * p[0] + a[1][1] * p[1] + a[1][2] * p[2],
            a[2][0] * p[0] + a[2][1] * p[1] + a[2][2] * p[2]};
}

Point vectoriel(const Point& u, const Point& v) {
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

double norme(const Point& u) { return std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]); }

} // namespace

MesuresMaillagePlat mesurerMaillagePlat(const MaillagePlat& m, const Geometrie& monde) {
    MesuresMaillagePlat r;
    if (m.vide())
        return r;
    // Positions relative to the first vertex keep the sums precise far from the origin.
    const Point origine = {m.positions[0], m.positions[1], m.positions[2]};
    const auto point = [&](std::uint32_t v) {
        const std::size_t i = 3 * static_cast<std::size_t>(v);
        return Point{m.positions[i] - origine[0], m.positions[i + 1] - origine[1],
                     m.positions[i + 2] - origine[2]};
    };
    Point moments = {0.0, 0.0, 0.0};
    double volume6 = 0.0, aire = 0.0, aireMonde = 0.0;
    for (std::size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
        const Point a = point(m.triangles[t]), b = point(m.triangles[t + 1]),
                    c = point(m.triangles[t + 2]);
        // The tetrahedron (origin, a, b, c): six times its volume, its centroid at a quarter
        // of a + b + c.
        const double d = a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) +
                         a[2] * (b[0] * c[1] - b[1] * c[0]);
        volume6 += d;
        for (std::size_t k = 0; k < 3; ++k)
            moments[k] += d * (a[k] + b[k] + c[k]) / 4.0;
        const Point u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const Point v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        aire += norme(vectoriel(u, v));
        aireMonde += norme(vectoriel(lineaire(monde, u), lineaire(monde, v)));
    }
    r.volume = volume6 / 6.0;
    r.aire = aire / 2.0;
    r.aireMm2 = aireMonde / 2.0;
    // A voxel's world volume is the determinant's magnitude; a mirror turns the corners over
    // as well, so the sign of the voxel volume stays.
    r.volumeMm3 = r.volume * std::fabs(monde.determinant());
    for (std::size_t k = 0; k < 3; ++k)
        r.centre[k] = origine[k] + (volume6 != 0.0 ? moments[k] / volume6 : 0.0);
    r.centreMm = monde.versMonde(r.centre[0], r.centre[1], r.centre[2]);
    return r;
}

ControleMaillagePlat controlerMaillagePlat(const MaillagePlat& m) {
    ControleMaillagePlat c;
    const std::size_t nv = m.nbSommets(), nt = m.nbTriangles();
    // Directed edges (from, to) with their triangle, sorted by undirected edge.
    struct Usage {
        std::uint32_t bas, haut;
        bool montant; // runs from bas to haut
    };
    std::vector<Usage> usages;
    usages.reserve(3 * nt);
    std::vector<std::uint32_t> debuts(nv + 1, 0);
    std::vector<bool> valide(nt, true);
    for (std::size_t t = 0; t < nt; ++t) {
        const std::uint32_t* v = m.triangles.data() + 3 * t;
        if (v[0] >= nv || v[1] >= nv || v[2] >= nv || v[0] == v[1] || v[1] == v[2] ||
            v[0] == v[2]) {
            valide[t] = false;
            ++c.trianglesInvalides;
            continue;
        }
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t a = v[k], b = v[(k + 1) % 3];
            usages.push_back({std::min(a, b), std::max(a, b), a < b});
            ++debuts[v[k] + 1];
        }
    }
    std::sort(usages.begin(), usages.end(), [](const Usage& p, const Usage& q) {
        return p.bas < q.bas ||
               (p.bas == q.bas && (p.haut < q.haut || (p.haut == q.haut && p.montant < q.montant)));
    });
    bool parPaires = true;
    for (std::size_t i = 0; i < usages.size();) {
        std::size_t j = i;
        int montants = 0;
        while (j < usages.size() && usages[j].bas == usages[i].bas &&
               usages[j].haut == usages[i].haut) {
            montants += usages[j].montant ? 1 : 0;
            ++j;
        }
        const std::size_t n = j - i;
        if (n > 2)
            ++c.aretesMultiples;
        if (n >= 2 && 2 * static_cast<std::size_t>(montants) != n)
            ++c.aretesMemeSens;
        if (n != 2 || montants != 1)
            parPaires = false;
        i = j;
    }
    c.ferme = parPaires && nt > 0 && c.trianglesInvalides == 0;

    // Around each vertex, the edges opposite to it (from the next corner to the one after) must
    // chain into one cycle through all its triangles.
    for (std::size_t v = 0; v < nv; ++v)
        debuts[v + 1] += debuts[v];
    std::vector<std::uint32_t> liens(2 * static_cast<std::size_t>(debuts[nv]));
    {
        std::vector<std::uint32_t> fins(debuts.begin(), debuts.end() - 1);
        for (std::size_t t = 0; t < nt; ++t) {
            if (!valide[t])
                continue;
            const std::uint32_t* v = m.triangles.data() + 3 * t;
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t i = fins[v[k]]++;
                liens[2 * i] = v[(k + 1) % 3];
                liens[2 * i + 1] = v[(k + 2) % 3];
            }
        }
    }
    for (std::size_t v = 0; v < nv; ++v) {
        const std::size_t debut = debuts[v], n = debuts[v + 1] - debut;
        if (n == 0)
            continue;
        const std::uint32_t* l = liens.data() + 2 * debut;
        // Follow the links from the first one; a single fan visits them all and comes back.
        std::size_t vus = 1;
        std::uint32_t courant = l[1];
        bool un = true;
        while (courant != l[0] && un) {
            std::size_t suivants = 0, k = n;
            for (std::size_t i = 0; i < n; ++i)
                if (l[2 * i] == courant) {
                    ++suivants;
                    k = i;
                }
            un = suivants == 1;
            if (un) {
                courant = l[2 * k + 1];
                ++vus;
            }
            un = un && vus <= n;
        }
        if (!un || vus != n)
            ++c.sommetsMultiples;
    }
    return c;
}

} // namespace Stravol
