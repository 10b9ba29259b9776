#include "mesh/MesuresPlat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/Parallele.h"
#include "core/Racines.h"

namespace Stravol {

namespace {

using Point = std::array<double, 3>;

// What the measures sum for triangle (a, b, c), its corners relative to their origin: six
// times the volume of its tetrahedron with the origin, that times its corners' sum over four
// (the moments of the tetrahedron, whose centroid lies at a quarter of a + b + c), and the squares
// of twice its area in voxel and in world units. N is a double, or two triangles' values in the
// lanes of a Double2 worked out with the same operations in the same order.
template <class N> struct Termes { N volume6, moments[3], carre, carreMonde; };

template <class N>
Termes<N> termes(const N a[3], const N b[3], const N c[3], const Geometrie& monde) {
    Termes<N> r;
    r.volume6 = a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) +
                a[2] * (b[0] * c[1] - b[1] * c[0]);
    for (std::size_t k = 0; k < 3; ++k)
        r.moments[k] = r.volume6 * (a[k] + b[k] + c[k]) / 4.0;
    const N u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const N v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const auto& w = monde.affine;
    const auto lineaire = [&w](const N p[3], N sortie[3]) {
        for (std::size_t k = 0; k < 3; ++k)
            sortie[k] = w[k][0] * p[0] + w[k][1] * p[1] + w[k][2] * p[2];
    };
    N uMonde[3], vMonde[3];
    lineaire(u, uMonde);
    lineaire(v, vMonde);
    const auto carreVectoriel = [](const N p[3], const N q[3]) {
        const N n[3] = {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2],
                        p[0] * q[1] - p[1] * q[0]};
        return n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    };
    r.carre = carreVectoriel(u, v);
    r.carreMonde = carreVectoriel(uMonde, vMonde);
    return r;
}

// A use of the edge from a vertex to a higher-numbered one.
struct Usage {
    std::uint32_t haut;
    bool montant; // runs from the vertex to haut
};

// The uses of the edges from v to its higher-numbered neighbours, from v's corners l (nb pairs
// of the next corner and the one after), sorted by neighbour.
void usagesDepuis(std::uint32_t v, const std::uint32_t* l, std::size_t nb,
                  std::vector<Usage>& usages) {
    usages.clear();
    for (std::size_t i = 0; i < nb; ++i) {
        if (l[2 * i] > v)
            usages.push_back({l[2 * i], true});
        if (l[2 * i + 1] > v)
            usages.push_back({l[2 * i + 1], false});
    }
    std::sort(usages.begin(), usages.end(),
              [](const Usage& p, const Usage& q) { return p.haut < q.haut; });
}

// Faults of the edges whose uses are listed, sorted by their other end.
struct BilanAretes {
    std::size_t multiples = 0;  // used by more than two triangles
    std::size_t memeSens = 0;   // not as often one way as the other
    std::size_t horsPaires = 0; // not used exactly once each way
};

BilanAretes bilanAretes(const std::vector<Usage>& usages) {
    BilanAretes b;
    for (std::size_t i = 0; i < usages.size();) {
        std::size_t j = i;
        std::size_t montants = 0;
        while (j < usages.size() && usages[j].haut == usages[i].haut)
            montants += usages[j++].montant ? 1 : 0;
        const std::size_t n = j - i;
        if (n > 2)
            ++b.multiples;
        if (n >= 2 && 2 * montants != n)
            ++b.memeSens;
        if (n != 2 || montants != 1)
            ++b.horsPaires;
        i = j;
    }
    return b;
}

// Whether a vertex's triangles make one fan: the edges opposite to it (from the next corner
// to the one after, nb pairs in l) chain into one cycle through all of them.
bool unSeulEventail(const std::uint32_t* l, std::size_t nb) {
    if (nb == 0)
        return true;
    // Follow the links from the first one; a single fan visits them all and comes back.
    std::size_t vus = 1;
    std::uint32_t courant = l[1];
    bool un = true;
    while (courant != l[0] && un) {
        std::size_t suivants = 0, k = nb;
        for (std::size_t i = 0; i < nb; ++i)
            if (l[2 * i] == courant) {
                ++suivants;
                k = i;
            }
        un = suivants == 1;
        if (un) {
            courant = l[2 * k + 1];
            ++vus;
        }
        un = un && vus <= nb;
    }
    return un && vus == nb;
}

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
    // Each sum takes its triangles in order; the terms of two triangles are worked out together.
    const auto ajouter = [&](double v6, const double termesMoments[3], double a2, double a2Monde) {
        volume6 += v6;
        for (std::size_t k = 0; k < 3; ++k)
            moments[k] += termesMoments[k];
        aire += a2;
        aireMonde += a2Monde;
    };
    const std::uint32_t* coins = m.triangles.data();
    const std::size_t nt = m.triangles.size() / 3;
    std::size_t t = 0;
    for (; t + 1 < nt; t += 2) {
        Double2 p[3][3]; // corner, axis; lanes: triangles t and t + 1
        for (std::size_t c = 0; c < 3; ++c) {
            const Point q0 = point(coins[3 * t + c]), q1 = point(coins[3 * t + 3 + c]);
            for (std::size_t k = 0; k < 3; ++k)
                p[c][k] = Double2{q0[k], q1[k]};
        }
        const Termes<Double2> e = termes(p[0], p[1], p[2], monde);
        const Double2 a2 = racines(e.carre), a2Monde = racines(e.carreMonde);
        for (std::size_t l = 0; l < 2; ++l) {
            const double mts[3] = {e.moments[0][l], e.moments[1][l], e.moments[2][l]};
            ajouter(e.volume6[l], mts, a2[l], a2Monde[l]);
        }
    }
    if (t < nt) {
        const Point a = point(coins[3 * t]), b = point(coins[3 * t + 1]),
                    c = point(coins[3 * t + 2]);
        const Termes<double> e = termes(a.data(), b.data(), c.data(), monde);
        double a2 = 0.0, a2Monde = 0.0;
        racines(e.carre, e.carreMonde, a2, a2Monde);
        ajouter(e.volume6, e.moments, a2, a2Monde);
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
    // The corners of each vertex: for each of its valid triangles, the next corner and the one
    // after, in liens from debuts[v].
    std::vector<std::uint32_t> debuts(nv + 1, 0);
    std::vector<char> valide(nt, 1);
    for (std::size_t t = 0; t < nt; ++t) {
        const std::uint32_t* v = m.triangles.data() + 3 * t;
        if (v[0] >= nv || v[1] >= nv || v[2] >= nv || v[0] == v[1] || v[1] == v[2] ||
            v[0] == v[2]) {
            valide[t] = 0;
            ++c.trianglesInvalides;
            continue;
        }
        for (std::size_t k = 0; k < 3; ++k)
            ++debuts[v[k] + 1];
    }
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
    // Every edge is looked at from its lower vertex, whose corners hold each of its uses once.
    std::size_t multiples = 0, memeSens = 0, horsPaires = 0, sommetsMultiples = 0;
    const auto n = static_cast<std::ptrdiff_t>(nv);
#pragma omp parallel num_threads(nbThreads()) if (n >= kSeuilParallele) \
    reduction(+ : multiples, memeSens, horsPaires, sommetsMultiples)
    {
        std::vector<Usage> usages;
#pragma omp for schedule(static)
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            const auto v = static_cast<std::uint32_t>(i);
            const std::size_t debut = debuts[v], nb = debuts[v + 1] - debut;
            const std::uint32_t* l = liens.data() + 2 * debut;
            // One fan around v uses each of v's edges once each way: only the other vertices'
            // edges need counting.
            if (unSeulEventail(l, nb))
                continue;
            ++sommetsMultiples;
            usagesDepuis(v, l, nb, usages);
            const BilanAretes b = bilanAretes(usages);
            multiples += b.multiples;
            memeSens += b.memeSens;
            horsPaires += b.horsPaires;
        }
    }
    c.aretesMultiples = multiples;
    c.aretesMemeSens = memeSens;
    c.sommetsMultiples = sommetsMultiples;
    c.ferme = horsPaires == 0 && nt > 0 && c.trianglesInvalides == 0;
    return c;
}

} // namespace Stravol
