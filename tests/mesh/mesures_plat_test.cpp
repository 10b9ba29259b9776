#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "mesh/MesuresPlat.h"

using namespace Stravol;

namespace {

// A cube of side c from (x, y, z), its triangles turning counter-clockwise seen from outside,
// appended to m.
void ajouterCube(MaillagePlat& m, float x, float y, float z, float c) {
    const auto base = static_cast<std::uint32_t>(m.nbSommets());
    for (int k = 0; k < 8; ++k)
        m.positions.insert(m.positions.end(), {x + c * float(k & 1), y + c * float(k >> 1 & 1),
                                               z + c * float(k >> 2 & 1)});
    // Faces by their corners (bit 0: x, bit 1: y, bit 2: z), counter-clockwise from outside.
    const std::uint32_t faces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                       {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    for (const auto& f : faces)
        m.triangles.insert(m.triangles.end(), {base + f[0], base + f[1], base + f[2], base + f[0],
                                               base + f[2], base + f[3]});
}

// Replaces every use of vertex a by vertex b.
void fusionner(MaillagePlat& m, std::uint32_t a, std::uint32_t b) {
    for (std::uint32_t& v : m.triangles)
        if (v == a)
            v = b;
}

} // namespace

TEST(MaillagePlatMesures, CubeVolumeCentroidAndAreaInVoxelAndWorldUnits) {
    MaillagePlat m;
    ajouterCube(m, 3.0f, 4.0f, 5.0f, 2.0f);
    ASSERT_EQ(m.nbTriangles(), 12u);
    const MesuresMaillagePlat v = mesurerMaillagePlat(m);
    EXPECT_DOUBLE_EQ(v.volume, 8.0);
    EXPECT_DOUBLE_EQ(v.aire, 24.0);
    EXPECT_DOUBLE_EQ(v.centre[0], 4.0);
    EXPECT_DOUBLE_EQ(v.centre[1], 5.0);
    EXPECT_DOUBLE_EQ(v.centre[2], 6.0);
    EXPECT_DOUBLE_EQ(v.volumeMm3, 8.0);
    // Spacing 2 x 1 x 0.5 mirrored on x, shifted: volumes and areas scale, the sign stays.
    Geometrie monde;
    monde.affine = {{{-2.0, 0, 0, 10}, {0, 1.0, 0, -4}, {0, 0, 0.5, 3}}};
    const MesuresMaillagePlat w = mesurerMaillagePlat(m, monde);
    EXPECT_DOUBLE_EQ(w.volume, 8.0);
    EXPECT_DOUBLE_EQ(w.volumeMm3, 8.0);
    // Faces across x: 2 mm by 1 mm; across y: 4 by 1; across z: 4 by 2.
    EXPECT_DOUBLE_EQ(w.aireMm2, 2 * (4 * 1.0 * 0.5) + 2 * (4 * 2.0 * 0.5) + 2 * (4 * 2.0 * 1.0));
    EXPECT_DOUBLE_EQ(w.centreMm[0], 2.0);
    EXPECT_DOUBLE_EQ(w.centreMm[1], 1.0);
    EXPECT_DOUBLE_EQ(w.centreMm[2], 6.0);
    EXPECT_TRUE(controlerMaillagePlat(m).variete());
}

// The measures, whose terms are worked out two triangles at a time, give the bits of the plain
// sums triangle by triangle, for odd and even triangle counts, with an oblique world frame.
TEST(MaillagePlatMesures, TheBitsOfThePlainSumsTriangleByTriangle) {
    std::mt19937 alea(3);
    std::uniform_real_distribution<float> coordonnee(-40.0f, 90.0f);
    Geometrie monde;
    monde.affine = {{{0.7, 0.2, -0.1, 10}, {0.05, 1.1, 0.3, -4}, {-0.2, 0.1, 0.45, 3}}};
    for (const std::size_t nt :
         {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1000}}) {
        MaillagePlat m;
        for (std::size_t v = 0; v < 50; ++v)
            m.positions.insert(m.positions.end(),
                               {coordonnee(alea), coordonnee(alea), coordonnee(alea)});
        for (std::size_t t = 0; t < nt; ++t)
            for (int c = 0; c < 3; ++c)
                m.triangles.push_back(static_cast<std::uint32_t>(alea() % 50));
        using P = std::array<double, 3>;
        const P o = {m.positions[0], m.positions[1], m.positions[2]};
        double volume6 = 0.0, aire = 0.0, aireMonde = 0.0, moments[3] = {0.0, 0.0, 0.0};
        const auto& w = monde.affine;
        const auto monde3 = [&](const P& p) {
            P q;
            for (int k = 0; k < 3; ++k)
                q[k] = w[k][0] * p[0] + w[k][1] * p[1] + w[k][2] * p[2];
            return q;
        };
        const auto norme = [](const P& u, const P& v) {
            const P n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
            return std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        };
        for (std::size_t t = 0; t < nt; ++t) {
            P q[3];
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k)
                    q[c][k] = m.positions[3 * std::size_t{m.triangles[3 * t + c]} + k] - o[k];
            const P &a = q[0], &b = q[1], &c = q[2];
            const double d = a[0] * (b[1] * c[2] - b[2] * c[1]) +
                             a[1] * (b[2] * c[0] - b[0] * c[2]) +
                             a[2] * (b[0] * c[1] - b[1] * c[0]);
            volume6 += d;
            for (int k = 0; k < 3; ++k)
                moments[k] += d * (a[k] + b[k] + c[k]) / 4.0;
            const P u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const P v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            aire += norme(u, v);
            aireMonde += norme(monde3(u), monde3(v));
        }
        const MesuresMaillagePlat r = mesurerMaillagePlat(m, monde);
        SCOPED_TRACE(std::to_string(nt) + " triangles");
        EXPECT_EQ(r.volume, volume6 / 6.0);
        EXPECT_EQ(r.aire, aire / 2.0);
        EXPECT_EQ(r.aireMm2, aireMonde / 2.0);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(r.centre[k], o[k] + moments[k] / volume6);
    }
}

TEST(MaillagePlatMesures, CheckFindsEveryFault) {
    MaillagePlat cube;
    ajouterCube(cube, 0, 0, 0, 1);

    // Two cubes sharing one corner: closed, but the corner's triangles make two fans.
    MaillagePlat coin;
    ajouterCube(coin, 0, 0, 0, 1);
    ajouterCube(coin, 1, 1, 1, 1);
    fusionner(coin, 8, 7);
    ControleMaillagePlat c = controlerMaillagePlat(coin);
    EXPECT_TRUE(c.ferme);
    EXPECT_EQ(c.sommetsMultiples, 1u);
    EXPECT_EQ(c.aretesMultiples, 0u);
    EXPECT_FALSE(c.variete());

    // Two cubes sharing one edge: four triangles on it.
    MaillagePlat arete;
    ajouterCube(arete, 0, 0, 0, 1);
    ajouterCube(arete, 1, 1, 0, 1);
    fusionner(arete, 8, 3);
    fusionner(arete, 12, 7);
    c = controlerMaillagePlat(arete);
    EXPECT_EQ(c.aretesMultiples, 1u);
    EXPECT_EQ(c.sommetsMultiples, 2u);
    EXPECT_FALSE(c.variete());

    // One triangle turned over: its edges run the same way as its neighbours'.
    MaillagePlat retourne = cube;
    std::swap(retourne.triangles[1], retourne.triangles[2]);
    c = controlerMaillagePlat(retourne);
    EXPECT_FALSE(c.ferme);
    EXPECT_EQ(c.aretesMemeSens, 3u);

    // A hole, a degenerate triangle, nothing at all.
    MaillagePlat trou = cube;
    trou.triangles.resize(trou.triangles.size() - 3);
    EXPECT_FALSE(controlerMaillagePlat(trou).ferme);
    MaillagePlat degenere = cube;
    degenere.triangles.insert(degenere.triangles.end(), {0, 0, 1});
    c = controlerMaillagePlat(degenere);
    EXPECT_EQ(c.trianglesInvalides, 1u);
    EXPECT_FALSE(c.variete());
    EXPECT_FALSE(controlerMaillagePlat(MaillagePlat{}).ferme);
}

// The check of a large mesh, whose vertices are shared out over the threads, counts every fault
// once whatever the thread count: 2,100 cubes, a corner shared by each of 10 pairs, an edge by
// each of 10 pairs, and one triangle turned over in each of 20 cubes.
TEST(MaillagePlatMesures, CheckOfALargeMeshCountsEachFaultOnceOnAnyThreadCount) {
    constexpr std::uint32_t kCubes = 2100;
    MaillagePlat m;
    for (std::uint32_t k = 0; k < kCubes; ++k)
        ajouterCube(m, 3.0f * float(k % 50), 3.0f * float(k / 50), 0, 1);
    ASSERT_GE(m.nbSommets(), std::size_t(kSeuilParallele));
    for (std::uint32_t k = 0; k < 10; ++k) {
        // Cube 100 k + 1's corner 0 on cube 100 k's corner 7; cube 100 k + 51's corners 0 and
        // 1 on cube 100 k + 50's corners 6 and 7.
        fusionner(m, 8 * (100 * k + 1), 8 * (100 * k) + 7);
        fusionner(m, 8 * (100 * k + 51), 8 * (100 * k + 50) + 6);
        fusionner(m, 8 * (100 * k + 51) + 1, 8 * (100 * k + 50) + 7);
    }
    for (std::uint32_t k = 0; k < 20; ++k) {
        std::uint32_t* t = &m.triangles[3 * 12 * (100 * k + 20)];
        std::swap(t[1], t[2]);
    }
    for (const int threads : {1, 2, 3}) {
        definirNbThreads(threads);
        const ControleMaillagePlat c = controlerMaillagePlat(m);
        EXPECT_FALSE(c.ferme);
        EXPECT_EQ(c.aretesMultiples, 10u);
        EXPECT_EQ(c.aretesMemeSens, 3u * 20);
        // Each shared corner, both ends of each shared edge, and the corners of each triangle
        // turned over.
        EXPECT_EQ(c.sommetsMultiples, 10u + 2 * 10 + 3 * 20);
        EXPECT_EQ(c.trianglesInvalides, 0u);
    }
    definirNbThreads(0);
}

// The edge faults counted against a plain count of every edge's uses, on meshes damaged at
// random: corners merged, triangles turned over, removed or repeated.
TEST(MaillagePlatMesures, EdgeFaultsMatchACountOfEveryEdgesUses) {
    std::uint32_t etat = 12345;
    const auto hasard = [&etat](std::uint32_t n) {
        etat = etat * 1664525u + 1013904223u;
        return (etat >> 8) % n;
    };
    for (int essai = 0; essai < 200; ++essai) {
        MaillagePlat m;
        const std::uint32_t cubes = 1 + hasard(4);
        for (std::uint32_t k = 0; k < cubes; ++k)
            ajouterCube(m, 2.0f * float(k), 0, 0, 1);
        const std::uint32_t nv = 8 * cubes;
        for (std::uint32_t d = hasard(4); d > 0; --d) {
            const std::uint32_t nt = static_cast<std::uint32_t>(m.nbTriangles());
            std::uint32_t* t = &m.triangles[3 * hasard(nt)];
            switch (hasard(4)) {
            case 0:
                fusionner(m, hasard(nv), hasard(nv));
                break;
            case 1:
                std::swap(t[1], t[2]);
                break;
            case 2:
                m.triangles.erase(m.triangles.begin() + (t - m.triangles.data()),
                                  m.triangles.begin() + (t - m.triangles.data()) + 3);
                break;
            default:
                m.triangles.insert(m.triangles.end(), {t[0], t[1], t[2]});
            }
        }
        // Uses of each edge {a < b}: from a to b, and from b to a.
        std::map<std::pair<std::uint32_t, std::uint32_t>, std::array<int, 2>> usages;
        std::size_t invalides = 0;
        for (std::size_t t = 0; t < m.triangles.size(); t += 3) {
            const std::uint32_t* c = &m.triangles[t];
            if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) {
                ++invalides;
                continue;
            }
            for (std::size_t k = 0; k < 3; ++k) {
                const std::uint32_t a = c[k], b = c[(k + 1) % 3];
                ++usages[{std::min(a, b), std::max(a, b)}][a < b ? 0 : 1];
            }
        }
        std::size_t multiples = 0, memeSens = 0, horsPaires = 0;
        for (const auto& [arete, u] : usages) {
            multiples += u[0] + u[1] > 2 ? 1 : 0;
            memeSens += u[0] + u[1] >= 2 && u[0] != u[1] ? 1 : 0;
            horsPaires += u[0] != 1 || u[1] != 1 ? 1 : 0;
        }
        const ControleMaillagePlat c = controlerMaillagePlat(m);
        SCOPED_TRACE(essai);
        EXPECT_EQ(c.trianglesInvalides, invalides);
        EXPECT_EQ(c.aretesMultiples, multiples);
        EXPECT_EQ(c.aretesMemeSens, memeSens);
        EXPECT_EQ(c.ferme, horsPaires == 0 && invalides == 0 && !m.triangles.empty());
    }
}
