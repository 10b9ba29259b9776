#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "helpers/mesh_helpers.h"
#include "mesh/MesuresPlat.h"
#include "mesh/SurfaceDuale.h"

using namespace Stravol;

namespace {

// A label volume of W x H x D voxels, all background.
struct Etiquettes {
    int W, H, D;
    std::vector<std::uint16_t> v;
    Etiquettes(int w, int h, int d) : W(w), H(h), D(d), v(std::size_t(w) * h * d, 0) {}
    std::uint16_t& operator()(int x, int y, int z) {
        return v[(std::size_t(z) * H + y) * W + std::size_t(x)];
    }
    std::uint16_t operator()(int x, int y, int z) const {
        return v[(std::size_t(z) * H + y) * W + std::size_t(x)];
    }
};

// Voxel count and centroid of every non-zero label.
struct Voxels {
    long long n = 0;
    std::array<double, 3> somme{0.0, 0.0, 0.0};
};
std::map<std::uint16_t, Voxels> voxelsParEtiquette(const Etiquettes& e) {
    std::map<std::uint16_t, Voxels> r;
    std::size_t i = 0;
    for (int z = 0; z < e.D; ++z)
        for (int y = 0; y < e.H; ++y)
            for (int x = 0; x < e.W; ++x, ++i)
                if (e.v[i] != 0) {
                    Voxels& s = r[e.v[i]];
                    ++s.n;
                    s.somme[0] += x;
                    s.somme[1] += y;
                    s.somme[2] += z;
                }
    return r;
}

SurfaceDuale surface(const Etiquettes& e, int tours, const SelectionDuale& selection = {}) {
    SurfaceDuale s;
    std::string erreur;
    EXPECT_TRUE(construireSurfaceDuale(e.v.data(), e.W, e.H, e.D, selection, s, erreur)) << erreur;
    lisserSurfaceDuale(s, tours);
    return s;
}

// Every label's mesh is closed, consistently wound and manifold; with expectVolumes, its volume
// and centroid are those of its voxels (exactly for the raw surface, else within the bounds).
// The triangles between two labels appear in both meshes on the same positions, turned
// opposite ways. Returns the number of labels checked.
struct Bornes {
    bool exactes = true;
    double volumeRelatif = 0.0; // labels of at least kVoxelsMesures voxels
    double centre = 0.0;        // voxel
};
constexpr long long kVoxelsMesures = 500;

std::size_t verifier(const Etiquettes& e, const SurfaceDuale& s, const Bornes& bornes,
                     const std::string& cas) {
    const std::map<std::uint16_t, Voxels> voxels = voxelsParEtiquette(e);
    const IndexEtiquettesDuales index = indexerEtiquettes(s);
    EXPECT_EQ(index.valeurs.size(), voxels.size()) << cas;
    std::size_t vus = 0;
    for (std::size_t r = 0; r < index.valeurs.size(); ++r) {
        const std::uint16_t l = index.valeurs[r];
        const MaillagePlat m = maillageEtiquette(s, index, r);
        const ControleMaillagePlat c = controlerMaillagePlat(m);
        EXPECT_TRUE(c.variete()) << cas << " label " << l << ": closed " << c.ferme << ", edges "
                                 << c.aretesMultiples << ", same way " << c.aretesMemeSens
                                 << ", fans " << c.sommetsMultiples;
        const MesuresMaillagePlat mesures = mesurerMaillagePlat(m);
        const auto it = voxels.find(l);
        if (it == voxels.end()) {
            ADD_FAILURE() << cas << " label " << l << " has no voxel";
            continue;
        }
        const Voxels& v = it->second;
        const double n = static_cast<double>(v.n);
        if (bornes.exactes) {
            EXPECT_NEAR(mesures.volume, n, 1e-6 * n) << cas << " label " << l;
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_NEAR(mesures.centre[k], v.somme[k] / n, 1e-6) << cas << " label " << l;
        } else if (v.n >= kVoxelsMesures) {
            EXPECT_NEAR(mesures.volume, n, bornes.volumeRelatif * n) << cas << " label " << l;
            for (std::size_t k = 0; k < 3; ++k)
                EXPECT_NEAR(mesures.centre[k], v.somme[k] / n, bornes.centre)
                    << cas << " label " << l;
        }
        // Its triangles are the surface's, on the same positions bit for bit, turned outward.
        if (m.nbTriangles() != index.debuts[r + 1] - index.debuts[r]) {
            ADD_FAILURE() << cas << " label " << l << ": " << m.nbTriangles() << " triangles";
            continue;
        }
        for (std::size_t i = 0; i < m.nbTriangles(); ++i) {
            const std::size_t t = index.triangles[index.debuts[r] + i];
            const std::uint16_t avant = s.paires[2 * t], arriere = s.paires[2 * t + 1];
            EXPECT_LT(avant, arriere) << cas;
            EXPECT_TRUE(avant == l || arriere == l) << cas;
            for (std::size_t k = 0; k < 3; ++k) {
                // Seen from the front label, the corners run the other way.
                const std::size_t coin = arriere == l ? k : (3 - k) % 3;
                const float* p = &m.positions[3 * std::size_t{m.triangles[3 * i + k]}];
                const float* q = &s.positions[3 * std::size_t{s.triangles[3 * t + coin]}];
                EXPECT_TRUE(p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) << cas;
            }
        }
        vus += m.nbTriangles();
    }
    // Every triangle is in the mesh of its back label, and of its front one unless background.
    std::size_t attendus = 0;
    for (std::size_t t = 0; t < s.nbTriangles(); ++t)
        attendus += s.paires[2 * t] == 0 ? 1 : 2;
    EXPECT_EQ(vus, attendus) << cas;
    return index.valeurs.size();
}

// Random labels: seeds of nbEtiquettes labels dropped on a grid, each grown into a box of
// random size; later boxes cover earlier ones, so labels touch, enclose one another and leave
// thin and diagonal pieces.
Etiquettes carteAleatoire(std::uint32_t graine, int cote, int nbEtiquettes, int nbBoites,
                          int tailleMax) {
    std::mt19937 alea(graine);
    Etiquettes e(cote, cote + 1, cote + 2);
    for (int b = 0; b < nbBoites; ++b) {
        const auto l = static_cast<std::uint16_t>(1 + alea() % static_cast<unsigned>(nbEtiquettes));
        int debut[3], fin[3];
        const int tailles[3] = {e.W, e.H, e.D};
        for (int a = 0; a < 3; ++a) {
            debut[a] = static_cast<int>(alea() % static_cast<unsigned>(tailles[a]));
            fin[a] =
                std::min(tailles[a] - 1,
                         debut[a] + static_cast<int>(alea() % static_cast<unsigned>(tailleMax)));
        }
        for (int z = debut[2]; z <= fin[2]; ++z)
            for (int y = debut[1]; y <= fin[1]; ++y)
                for (int x = debut[0]; x <= fin[0]; ++x)
                    e(x, y, z) = l;
    }
    return e;
}

// Labels drawn voxel by voxel: the most hostile map, every configuration of a cell occurs.
Etiquettes bruit(std::uint32_t graine, int cote, int nbEtiquettes, double fond) {
    std::mt19937 alea(graine);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Etiquettes e(cote, cote, cote);
    for (std::uint16_t& v : e.v)
        v = u(alea) < fond
                ? 0
                : static_cast<std::uint16_t>(1 + alea() % static_cast<unsigned>(nbEtiquettes));
    return e;
}

} // namespace

TEST(SurfaceDuale, OneVoxelIsACube) {
    Etiquettes e(5, 5, 5);
    e(2, 2, 2) = 7;
    const SurfaceDuale s = surface(e, 0);
    EXPECT_EQ(s.nbSommets(), 8u);
    EXPECT_EQ(s.nbTriangles(), 12u);
    for (float p : s.positions)
        EXPECT_TRUE(p == 1.5f || p == 2.5f);
    verifier(e, s, {}, "one voxel");
}

TEST(SurfaceDuale, HostileConfigurationsGiveClosedManifoldLabels) {
    struct Cas {
        std::string nom;
        std::vector<std::array<int, 4>> voxels; // x, y, z, label
    };
    const std::vector<Cas> cas = {
        {"edge", {{2, 2, 2, 1}, {3, 3, 2, 1}}},
        {"corner", {{2, 2, 2, 1}, {3, 3, 3, 1}}},
        {"edge two labels", {{2, 2, 2, 1}, {3, 3, 2, 1}, {3, 2, 2, 2}, {2, 3, 2, 2}}},
        {"edge three labels", {{2, 2, 2, 1}, {3, 3, 2, 1}, {3, 2, 2, 2}, {2, 3, 2, 3}}},
        {"checkerboard",
         {{2, 2, 2, 1},
          {3, 3, 2, 1},
          {3, 2, 3, 1},
          {2, 3, 3, 1},
          {3, 2, 2, 2},
          {2, 3, 2, 2},
          {2, 2, 3, 2},
          {3, 3, 3, 2}}},
        {"corners and junctions",
         {{2, 2, 2, 1},
          {3, 3, 3, 1},
          {2, 3, 2, 2},
          {3, 3, 2, 2},
          {2, 3, 3, 3},
          {2, 2, 3, 4},
          {3, 2, 2, 5},
          {3, 2, 3, 6}}},
        {"on the border", {{0, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 2}, {6, 6, 6, 3}, {5, 6, 6, 4}}},
        {"junction", {{2, 2, 2, 1}, {3, 2, 2, 2}, {2, 3, 2, 3}, {3, 3, 2, 3}, {2, 2, 3, 3}}},
    };
    for (const Cas& c : cas) {
        Etiquettes e(7, 7, 7);
        for (const auto& v : c.voxels)
            e(v[0], v[1], v[2]) = static_cast<std::uint16_t>(v[3]);
        verifier(e, surface(e, 0), {}, c.nom);
        verifier(e, surface(e, 10), {false, 1.0, 1.0}, c.nom + " smoothed");
    }
}

TEST(SurfaceDuale, RandomMapsGiveClosedManifoldLabelsSharingTheirInterfaces) {
    for (std::uint32_t graine = 1; graine <= 12; ++graine) {
        const int nbEtiquettes = 2 + static_cast<int>(graine * 7 % 49);
        const Etiquettes e =
            carteAleatoire(graine, 14 + static_cast<int>(graine % 4), nbEtiquettes, 40, 6);
        verifier(e, surface(e, 0), {}, "boxes " + std::to_string(graine));
        verifier(e, surface(e, kToursDualParDefaut), {false, 1.0, 1.0},
                 "boxes smoothed " + std::to_string(graine));
    }
    for (std::uint32_t graine = 1; graine <= 6; ++graine) {
        const Etiquettes e = bruit(graine, 9, 2 + static_cast<int>(graine) * 4, 0.3);
        verifier(e, surface(e, 0), {}, "noise " + std::to_string(graine));
        verifier(e, surface(e, kToursDualParDefaut), {false, 1.0, 1.0},
                 "noise smoothed " + std::to_string(graine));
    }
}

TEST(SurfaceDuale, BallIsAccurate) {
    constexpr int kCote = 96;
    constexpr double kRayon = 40.0;
    Etiquettes e(kCote, kCote, kCote);
    const double c = 0.5 * (kCote - 1);
    long long n = 0;
    for (int z = 0; z < kCote; ++z)
        for (int y = 0; y < kCote; ++y)
            for (int x = 0; x < kCote; ++x)
                if ((x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c) <= kRayon * kRayon) {
                    e(x, y, z) = 1;
                    ++n;
                }
    const SurfaceDuale s = surface(e, kToursDualParDefaut);
    double somme2 = 0.0, maximum = 0.0;
    for (std::size_t v = 0; v < s.nbSommets(); ++v) {
        const double dx = s.positions[3 * v] - c, dy = s.positions[3 * v + 1] - c,
                     dz = s.positions[3 * v + 2] - c;
        const double d = std::fabs(std::sqrt(dx * dx + dy * dy + dz * dz) - kRayon);
        somme2 += d * d;
        maximum = std::max(maximum, d);
    }
    const double rms = std::sqrt(somme2 / static_cast<double>(s.nbSommets()));
    const MesuresMaillagePlat m = mesurerMaillagePlat(maillageEtiquette(s, 1));
    std::printf("rms %.4f max %.4f volume %.4f %%\n", rms, maximum,
                100.0 * (m.volume - static_cast<double>(n)) / static_cast<double>(n));
    EXPECT_LE(rms, 0.07);
    EXPECT_LE(maximum, 0.45);
    EXPECT_NEAR(m.volume, static_cast<double>(n), 0.005 * static_cast<double>(n));
}

namespace {

// Labels of at least kVoxelsMesures voxels: balls and boxes touching one another, one label
// enclosing another, one cut by the volume's faces, the rest background.
Etiquettes carteGrande() {
    Etiquettes e(48, 44, 40);
    for (int z = 0; z < e.D; ++z)
        for (int y = 0; y < e.H; ++y)
            for (int x = 0; x < e.W; ++x) {
                const auto dans = [&](double cx, double cy, double cz, double r) {
                    return (x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz) <= r * r;
                };
                std::uint16_t l = 0;
                if (dans(14, 14, 14, 10))
                    l = dans(14, 14, 14, 5) ? 2 : 1; // 2 inside 1
                else if (dans(30, 16, 15, 8))
                    l = 3; // touches 1
                else if (x >= 20 && x < 40 && y >= 26 && y < 38 && z >= 8 && z < 20)
                    l = x < 30 ? 4 : 5; // two boxes sharing a face
                else if (z >= 30 && y < 20)
                    l = 6; // cut by three faces of the volume
                else if (dans(36, 36, 32, 6.5))
                    l = 300;
                e(x, y, z) = l;
            }
    return e;
}

} // namespace

TEST(SurfaceDuale, SmoothingKeepsEveryLabelsVolumeAndCentroid) {
    const Etiquettes e = carteGrande();
    // Raw: exactly the voxels.
    verifier(e, surface(e, 0), {}, "large raw");
    verifier(e, surface(e, kToursDualParDefaut), {false, 0.02, 0.05}, "large smoothed");
}

// The surface, the labels' index and the interfaces (their triangles and the bits of their
// areas) are the same for any thread count.
TEST(SurfaceDuale, SameSurfaceForAnyThreadCount) {
    const Etiquettes e = carteAleatoire(7, 40, 30, 300, 12);
    Geometrie monde;
    monde.affine = {{{0.8, 0.1, 0, 3}, {0, 1.2, 0, -4}, {0.2, 0, 0.5, 7}}};
    std::vector<SurfaceDuale> surfaces;
    std::vector<IndexEtiquettesDuales> index;
    std::vector<InterfacesDuales> interfaces;
    for (int threads : {1, 2, 3}) {
        definirNbThreads(threads);
        surfaces.push_back(surface(e, kToursDualParDefaut));
        index.push_back(indexerEtiquettes(surfaces.back()));
        interfaces.push_back(interfacesDuales(surfaces.back(), monde));
    }
    definirNbThreads(0);
    ASSERT_GT(surfaces[0].nbSommets(), 16384u);
    ASSERT_GT(interfaces[0].paires.size(), 50u);
    for (std::size_t k = 1; k < surfaces.size(); ++k) {
        EXPECT_EQ(surfaces[k].positions, surfaces[0].positions);
        EXPECT_EQ(surfaces[k].triangles, surfaces[0].triangles);
        EXPECT_EQ(surfaces[k].paires, surfaces[0].paires);
        EXPECT_EQ(index[k].valeurs, index[0].valeurs);
        EXPECT_EQ(index[k].debuts, index[0].debuts);
        EXPECT_EQ(index[k].triangles, index[0].triangles);
        EXPECT_EQ(interfaces[k].triangles, interfaces[0].triangles);
        ASSERT_EQ(interfaces[k].paires.size(), interfaces[0].paires.size());
        for (std::size_t p = 0; p < interfaces[0].paires.size(); ++p) {
            const InterfaceDuale &i = interfaces[k].paires[p], &j = interfaces[0].paires[p];
            EXPECT_EQ(std::tie(i.a, i.b, i.debut, i.nbTriangles, i.aire, i.aireMm2),
                      std::tie(j.a, j.b, j.debut, j.nbTriangles, j.aire, j.aireMm2));
        }
    }
}

TEST(SurfaceDuale, JunctionLinesStayStraightAndCutFacesFlat) {
    // Three labels meeting along the line x = 9.5, y = 9.5; label 1 on the face x = 0 of the
    // volume, label 3 on the face x = 19.
    Etiquettes e(20, 20, 20);
    for (int z = 4; z < 16; ++z)
        for (int y = 3; y < 17; ++y)
            for (int x = 0; x < 20; ++x)
                e(x, y, z) = x >= 10 ? 3 : (y < 10 ? 1 : 2);
    const SurfaceDuale s = surface(e, kToursDualParDefaut);
    verifier(e, s, {false, 0.02, 0.05}, "junction");
    std::size_t surLaLigne = 0;
    for (std::size_t v = 0; v < s.nbSommets(); ++v) {
        const float* c = &s.centres[3 * v];
        const float* p = &s.positions[3 * v];
        // Inside the run of the line (away from its ends, where other lines meet it).
        if (c[0] == 9.5f && c[1] == 9.5f && c[2] > 4.0f && c[2] < 14.0f) {
            EXPECT_NE(s.genres[v] & kJonction, 0);
            EXPECT_EQ(p[0], 9.5f);
            EXPECT_EQ(p[1], 9.5f);
            ++surLaLigne;
        }
        if (c[0] == -0.5f || c[0] == 19.5f) {
            EXPECT_NE(s.genres[v] & kFixeX, 0);
            EXPECT_EQ(p[0], c[0]);
        }
    }
    EXPECT_EQ(surLaLigne, 10u);
}

TEST(SurfaceDuale, SelectionsOfLabelsAndBoxes) {
    const Etiquettes e = carteGrande();
    SelectionDuale seule;
    seule.etiquettes = {3};
    const SurfaceDuale s = surface(e, 0, seule);
    for (std::size_t t = 0; t < s.nbTriangles(); ++t) {
        EXPECT_EQ(s.paires[2 * t], 0);
        EXPECT_EQ(s.paires[2 * t + 1], 3);
    }
    // The label alone, as in the whole map but against the background everywhere.
    Etiquettes trois(e.W, e.H, e.D);
    for (std::size_t i = 0; i < e.v.size(); ++i)
        trois.v[i] = e.v[i] == 3 ? 3 : 0;
    const SurfaceDuale attendue = surface(trois, 0);
    EXPECT_EQ(s.positions, attendue.positions);
    EXPECT_EQ(s.triangles, attendue.triangles);
    // A byte volume gives the same surface.
    std::vector<std::uint8_t> octets(trois.v.begin(), trois.v.end());
    SurfaceDuale o;
    std::string erreur;
    ASSERT_TRUE(construireSurfaceDuale(octets.data(), e.W, e.H, e.D, {}, o, erreur));
    EXPECT_EQ(o.positions, attendue.positions);
    EXPECT_EQ(o.triangles, attendue.triangles);

    // A box cuts the labels: the surface closes on its faces, which stay flat.
    SelectionDuale boite;
    boite.avecBoite = true;
    boite.x0 = 10, boite.x1 = 30, boite.y0 = 5, boite.y1 = 40, boite.z0 = 0, boite.z1 = 25;
    Etiquettes coupee(e.W, e.H, e.D);
    for (int z = boite.z0; z <= boite.z1; ++z)
        for (int y = boite.y0; y <= boite.y1; ++y)
            for (int x = boite.x0; x <= boite.x1; ++x)
                coupee(x, y, z) = e(x, y, z);
    const SurfaceDuale b = surface(e, kToursDualParDefaut, boite);
    verifier(coupee, b, {false, 0.02, 0.05}, "box");
    for (std::size_t v = 0; v < b.nbSommets(); ++v) {
        if (b.centres[3 * v] == 9.5f || b.centres[3 * v] == 30.5f) {
            EXPECT_EQ(b.positions[3 * v], b.centres[3 * v]);
        }
    }

    // Nothing selected, a box out of the volume.
    SelectionDuale absente;
    absente.etiquettes = {1000};
    EXPECT_TRUE(surface(e, 0, absente).vide());
    SelectionDuale dehors;
    dehors.avecBoite = true;
    dehors.x0 = 0, dehors.x1 = e.W, dehors.y0 = 0, dehors.y1 = 1, dehors.z0 = 0, dehors.z1 = 1;
    SurfaceDuale d;
    EXPECT_FALSE(construireSurfaceDuale(e.v.data(), e.W, e.H, e.D, dehors, d, erreur));
    EXPECT_FALSE(erreur.empty());
    EXPECT_FALSE(construireSurfaceDuale(e.v.data(), 0, e.H, e.D, {}, d, erreur));
}

TEST(SurfaceDuale, InterfacesCoverEachLabelOnce) {
    const Etiquettes e = carteGrande();
    Geometrie monde;
    monde.espacement = {2.0, 1.0, 0.5};
    monde.affine = {{{2.0, 0, 0, 10}, {0, 1.0, 0, -4}, {0, 0, 0.5, 3}}};
    // Raw: each face is one voxel^2; its world area follows its axis.
    const SurfaceDuale brute = surface(e, 0);
    const InterfacesDuales ib = interfacesDuales(brute, monde);
    std::map<std::pair<int, int>, std::array<double, 2>> faces;
    const auto compter = [&](std::uint16_t a, std::uint16_t b, double mm2) {
        if (a == b)
            return;
        auto& f = faces[{std::min(a, b), std::max(a, b)}];
        f[0] += 1.0;
        f[1] += mm2;
    };
    Etiquettes grande(e.W + 2, e.H + 2, e.D + 2);
    for (int z = 0; z < e.D; ++z)
        for (int y = 0; y < e.H; ++y)
            for (int x = 0; x < e.W; ++x)
                grande(x + 1, y + 1, z + 1) = e(x, y, z);
    for (int z = 0; z + 1 < grande.D; ++z)
        for (int y = 0; y + 1 < grande.H; ++y)
            for (int x = 0; x + 1 < grande.W; ++x) {
                compter(grande(x, y, z), grande(x + 1, y, z), 1.0 * 0.5);
                compter(grande(x, y, z), grande(x, y + 1, z), 2.0 * 0.5);
                compter(grande(x, y, z), grande(x, y, z + 1), 2.0 * 1.0);
            }
    ASSERT_EQ(ib.paires.size(), faces.size());
    for (const InterfaceDuale& i : ib.paires) {
        const auto& f = faces.at({i.a, i.b});
        EXPECT_NEAR(i.aire, f[0], 1e-6);
        EXPECT_NEAR(i.aireMm2, f[1], 1e-6);
        EXPECT_EQ(i.nbTriangles, static_cast<std::size_t>(2 * f[0]));
        // Facing a, on the surface's positions.
        const MaillagePlat m =
            maillageInterface(brute, ib, static_cast<std::size_t>(&i - &ib.paires[0]));
        EXPECT_EQ(m.nbTriangles(), i.nbTriangles);
        EXPECT_NEAR(mesurerMaillagePlat(m).aire, i.aire, 1e-6);
    }
    // Smoothed: the interfaces of a label add up to its surface.
    const SurfaceDuale s = surface(e, kToursDualParDefaut);
    const InterfacesDuales is = interfacesDuales(s, monde);
    const IndexEtiquettesDuales index = indexerEtiquettes(s);
    for (std::size_t r = 0; r < index.valeurs.size(); ++r) {
        double somme = 0.0, sommeMm2 = 0.0;
        for (const InterfaceDuale& i : is.paires)
            if (i.a == index.valeurs[r] || i.b == index.valeurs[r]) {
                somme += i.aire;
                sommeMm2 += i.aireMm2;
            }
        const MesuresMaillagePlat m = mesurerMaillagePlat(maillageEtiquette(s, index, r), monde);
        EXPECT_NEAR(somme, m.aire, 1e-6 * m.aire);
        EXPECT_NEAR(sommeMm2, m.aireMm2, 1e-6 * m.aireMm2);
    }
}

// A label with one sheet through every vertex keeps the surface's corners as they are; the
// meshes, raw and smoothed, are those of the matching of the edges, which the marks of the
// cells spare.
TEST(SurfaceDuale, LabelsOfOneSheetAVertexMeshAsTheMatchingDoes) {
    int rapides = 0, rapidesAJonctions = 0;
    for (std::uint32_t graine = 1; graine <= 6; ++graine) {
        Etiquettes e = graine % 2 == 0 ? carteAleatoire(graine, 16, 2 + graine, 12, 7)
                                       : bruit(graine, 10, 1 + graine % 3, 0.6);
        // Noise off the volume's faces: one label against the background pinches at edges and
        // corners, with no vertex held on a face.
        if (graine % 2 == 1)
            for (int z = 0; z < e.D; ++z)
                for (int y = 0; y < e.H; ++y)
                    for (int x = 0; x < e.W; ++x)
                        if (x == 0 || y == 0 || z == 0 || x == e.W - 1 || y == e.H - 1 ||
                            z == e.D - 1)
                            e(x, y, z) = 0;
        for (const int tours : {0, kToursDualParDefaut}) {
            const SurfaceDuale s = surface(e, tours);
            SurfaceDuale sansMarques = s;
            for (std::uint8_t& g : sansMarques.genres)
                g = static_cast<std::uint8_t>(g & ~kUneNappe);
            const IndexEtiquettesDuales index = indexerEtiquettes(s);
            for (std::size_t k = 0; k < index.valeurs.size(); ++k) {
                const MaillagePlat a = maillageEtiquette(s, index, k);
                const MaillagePlat b = maillageEtiquette(sansMarques, index, k);
                EXPECT_TRUE(memesBits(a.positions, b.positions) &&
                            memesBits(a.triangles, b.triangles) &&
                            memesBits(a.normales, b.normales))
                    << "map " << graine << ", label " << index.valeurs[k] << ", rounds " << tours;
                bool uneNappe = true, jonction = false;
                for (std::size_t t = index.debuts[k]; t < index.debuts[k + 1]; ++t)
                    for (std::size_t c = 0; c < 3; ++c) {
                        const std::uint8_t g =
                            s.genres[s.triangles[3 * std::size_t{index.triangles[t]} + c]];
                        uneNappe = uneNappe && (g & kUneNappe) != 0;
                        jonction = jonction || (g & kJonction) != 0;
                    }
                rapides += uneNappe ? 1 : 0;
                rapidesAJonctions += uneNappe && jonction ? 1 : 0;
            }
        }
    }
    // Some labels of these maps have one sheet through every vertex, some of them meeting two
    // other labels or more along junction lines.
    EXPECT_GT(rapides, rapidesAJonctions);
    EXPECT_GT(rapidesAJonctions, 0);
}
