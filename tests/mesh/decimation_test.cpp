// Decimation: the result is checked, or refused, never an invalid surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "helpers/mesh_helpers.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/MesuresMaillage.h"
#include "volume/Phantom.h"

namespace {

struct P {
    double x, y, z;
};
P moins(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P croix(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Distance of p to triangle abc, by projection onto the plane when it falls inside, else the
// nearest of the three edges.
double distanceTriangle(P p, P a, P b, P c) {
    const auto segment = [](P q, P u, P v) {
        const P d = moins(v, u);
        const double t = std::clamp(dot(moins(q, u), d) / std::max(dot(d, d), 1e-30), 0.0, 1.0);
        const P r = moins(q, {u.x + t * d.x, u.y + t * d.y, u.z + t * d.z});
        return std::sqrt(dot(r, r));
    };
    const P n = croix(moins(b, a), moins(c, a));
    const double nn = dot(n, n);
    if (nn > 1e-20) {
        const double h = dot(moins(p, a), n) / nn;
        const P q{p.x - h * n.x, p.y - h * n.y, p.z - h * n.z};
        if (dot(croix(moins(b, a), moins(q, a)), n) >= 0 &&
            dot(croix(moins(c, b), moins(q, b)), n) >= 0 &&
            dot(croix(moins(a, c), moins(q, c)), n) >= 0)
            return std::fabs(h) * std::sqrt(nn);
    }
    return std::min({segment(p, a, b), segment(p, b, c), segment(p, c, a)});
}

// Largest distance of the vertices of s to the triangles of r, by brute force.
double ecartMax(const Soupe& s, const Soupe& r) {
    const auto point = [](const std::array<float, 3>& q) { return P{q[0], q[1], q[2]}; };
    double pire = 0.0;
    for (const auto& q : s.positions) {
        double d = 1e300;
        for (const auto& t : r.triangles)
            d = std::min(d, distanceTriangle(point(q), point(r.positions[t[0]]),
                                             point(r.positions[t[1]]), point(r.positions[t[2]])));
        pire = std::max(pire, d);
    }
    return pire;
}

void maillageLisse(CMaillageTriangleChRegion& m, const std::vector<CTriplet<int>>& voxels,
                   int taille) {
    CRegion3D region;
    remplirRegion(region, taille, taille, taille, voxels);
    region.reparerTopologie();
    m.creerMaillageTriangleChRegion2(region, 1);
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    m.calculerNormalesSommets();
}

std::vector<float> plat(const Soupe& s) {
    std::vector<float> p;
    for (const auto& q : s.positions)
        p.insert(p.end(), q.begin(), q.end());
    return p;
}

std::vector<unsigned> coins(const Soupe& s) {
    std::vector<unsigned> c;
    for (const auto& t : s.triangles)
        for (int k : t)
            c.push_back(static_cast<unsigned>(k));
    return c;
}

// The properties every accepted decimation of m into d has.
void verifierDecimation(const CMaillageTriangleChRegion& m, const CMaillageTriangleChRegion& d,
                        const BilanDecimation& bilan, double ratio) {
    const Soupe avant = soupeMaillage(m);
    const Soupe apres = soupeMaillage(d);
    EXPECT_TRUE(fermeeEtOrientee(apres));
    EXPECT_EQ(caracteristiqueEuler(apres), caracteristiqueEuler(avant));
    EXPECT_TRUE(d.verifierCoherence());
    const ControleMaillage c = controlerMaillage(d);
    EXPECT_TRUE(c.ferme);
    EXPECT_EQ(c.irreguliers, 0);
    EXPECT_LT(d.nbTriangles, m.nbTriangles);
    EXPECT_GE(bilan.ratio, ratio);
    EXPECT_EQ(bilan.trianglesAvant, m.nbTriangles);
    EXPECT_EQ(bilan.trianglesApres, d.nbTriangles);
    // Within 1 % of the volume and half a voxel of every original vertex.
    EXPECT_LT(std::fabs(volumeSigne(apres) / volumeSigne(avant) - 1.0), 0.01);
    EXPECT_LE(ecartMax(avant, apres), 0.5 + 1e-4);
}

// The voxels of one label of a phantom.
std::vector<CTriplet<int>> voxelsLabel(const Fantome& f, unsigned char label) {
    std::vector<CTriplet<int>> voxels;
    std::size_t i = 0;
    for (int z = 0; z < f.profondeur; ++z)
        for (int y = 0; y < f.hauteur; ++y)
            for (int x = 0; x < f.largeur; ++x, ++i)
                if (f.labels[i] == label)
                    voxels.emplace_back(x, y, z);
    return voxels;
}

} // namespace

// Over blobs and a ball, each ratio gives a surface passing every check.
TEST(Decimation, ResultIsClosedOrientedManifoldAndClose) {
    struct Forme {
        std::vector<CTriplet<int>> voxels;
        int taille;
    };
    std::vector<Forme> formes;
    for (std::uint32_t graine = 1; graine <= 4; ++graine)
        formes.push_back({blobAleatoire(graine, 24, 24, 24, 12), 24});
    formes.push_back({boule({12, 12, 12}, 9.0), 25});
    for (const Forme& f : formes)
        for (double ratio : {0.7, 0.4, 0.15}) {
            CMaillageTriangleChRegion m;
            maillageLisse(m, f.voxels, f.taille);
            CMaillageTriangleChRegion d;
            BilanDecimation bilan;
            std::string raison;
            ASSERT_TRUE(decimerMaillage(m, ratio, d, bilan, raison)) << raison;
            verifierDecimation(m, d, bilan, ratio);
            // Blobs of a few hundred voxels do not go below about a third of their triangles.
            EXPECT_LE(d.nbTriangles, (ratio + 0.2) * m.nbTriangles);
        }
}

// The shapes of a phantom, as extracted, reach about the fraction asked.
TEST(Decimation, PhantomShapesKeepAboutTheFractionAsked) {
    OptionsFantome o;
    o.largeur = o.hauteur = o.profondeur = 48;
    Fantome f;
    std::string erreur;
    ASSERT_TRUE(creerFantome(o, f, erreur)) << erreur;
    for (unsigned char label :
         {kLabelBoule, kLabelTore, kLabelBoitesArete, kLabelBoitesCoin, kLabelTube}) {
        CMaillageTriangleChRegion m;
        maillageLisse(m, voxelsLabel(f, label), o.largeur);
        for (double ratio : {0.3, 0.5}) {
            SCOPED_TRACE(testing::Message() << "label " << int(label) << ", ratio " << ratio);
            CMaillageTriangleChRegion d;
            BilanDecimation bilan;
            std::string raison;
            ASSERT_TRUE(decimerMaillage(m, ratio, d, bilan, raison)) << raison;
            verifierDecimation(m, d, bilan, ratio);
            EXPECT_LE(d.nbTriangles, (ratio + 0.05) * m.nbTriangles);
        }
    }
}

TEST(Decimation, UnusableRequestsAreRefused) {
    CMaillageTriangleChRegion m;
    maillageLisse(m, boule({8, 8, 8}, 5.0), 17);
    CMaillageTriangleChRegion d;
    BilanDecimation bilan;
    std::string raison;
    for (double ratio : {0.0, -0.5, 1.5}) {
        EXPECT_FALSE(decimerMaillage(m, ratio, d, bilan, raison)) << ratio;
        EXPECT_FALSE(raison.empty());
    }
    CMaillageTriangleChRegion vide;
    EXPECT_FALSE(decimerMaillage(vide, 0.5, d, bilan, raison));

    // An unsmoothed voxel is a unit cube: any collapse leaves a corner more than half a voxel
    // from the surface (0.577 from the plane x + y + z = 2), so no ratio passes and the
    // cube unchanged is no decimation either.
    CMaillageTriangleChRegion cube;
    CRegion3D region;
    remplirRegion(region, 5, 5, 5, {CTriplet<int>(2, 2, 2)});
    cube.creerMaillageTriangleChRegion2(region, 1);
    cube.calculerNormales();
    cube.calculerNormalesSommets();
    ASSERT_EQ(cube.nbTriangles, 12);
    for (double ratio : {0.5, 0.9}) {
        raison.clear();
        EXPECT_FALSE(decimerMaillage(cube, ratio, d, bilan, raison))
            << ratio << " " << d.nbTriangles;
        EXPECT_FALSE(raison.empty());
    }
}

// Building from triangles: a mesh's own triangles give it back; open, non-manifold or
// inconsistently wound triangles are refused.
TEST(Decimation, BuildingFromTrianglesChecksTheSurface) {
    CMaillageTriangleChRegion m;
    maillageLisse(m, boule({8, 8, 8}, 5.0), 17);
    const Soupe s = soupeMaillage(m);
    CMaillageTriangleChRegion r;
    std::string raison;
    ASSERT_TRUE(creerMaillageDepuisTriangles(r, plat(s), coins(s), raison)) << raison;
    EXPECT_TRUE(r.verifierCoherence());
    const Soupe s2 = soupeMaillage(r);
    EXPECT_EQ(s2.positions, s.positions);
    EXPECT_EQ(s2.triangles, s.triangles);
    EXPECT_DOUBLE_EQ(volumeEnclos(r), volumeEnclos(m));

    std::vector<unsigned> ouvert = coins(s);
    ouvert.resize(ouvert.size() - 3);
    EXPECT_FALSE(creerMaillageDepuisTriangles(r, plat(s), ouvert, raison));
    EXPECT_EQ(r.nbSommets, 0);
    std::vector<unsigned> retourne = coins(s);
    std::swap(retourne[1], retourne[2]);
    EXPECT_FALSE(creerMaillageDepuisTriangles(r, plat(s), retourne, raison));
    // Two tetrahedra sharing one vertex: closed and wound, but not manifold there.
    const std::vector<float> p = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, -1, 0, 0, 0, -1, 0, 0, 0, -1};
    const std::vector<unsigned> deux = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3,
                                        0, 4, 5, 0, 6, 4, 0, 5, 6, 4, 6, 5};
    EXPECT_FALSE(creerMaillageDepuisTriangles(r, p, deux, raison));
    EXPECT_FALSE(raison.empty());
}
