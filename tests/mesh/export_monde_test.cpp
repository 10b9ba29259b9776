// Export in world coordinates against transforms worked out by hand (oblique, sheared,
// mirrored): positions, normals through the inverse transpose, outward winding, and the
// identity giving the voxel-coordinate files byte for byte.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "mesh/ExportMaillage.h"
#include "volume/VolumeBrut.h"

using namespace Stravol;

namespace {

CMaillageTriangleChRegion maillageBoite() {
    CRegion3D::initialiserVoisinages();
    CRegion3D region;
    remplirRegion(region, 16, 14, 12, boite({4, 3, 2}, {9, 8, 6}));
    CMaillageTriangleChRegion m;
    m.creerMaillageTriangleChRegion2(region, 1);
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    m.calculerNormalesSommets();
    return m;
}

std::array<double, 3> centroide(const Soupe& s) {
    std::array<double, 3> c{};
    for (const auto& p : s.positions)
        for (int k = 0; k < 3; ++k)
            c[k] += p[k] / static_cast<double>(s.positions.size());
    return c;
}

// A voxel-to-world transform with what it must give, worked out by hand: the inverse transpose
// of its linear part (which carries normals), its determinant (the volume of a voxel, negative
// for a mirror) and the world point of the box's centroid, voxel (6.5, 5.5, 4).
struct CasMonde {
    const char* nom;
    std::array<std::array<double, 4>, 3> affine;
    std::array<std::array<double, 3>, 3> inverseTransposee;
    double determinant;
    std::array<double, 3> centre;
};

const CasMonde kCas[] = {
    // R S + t: R turns about z with cos 0.6 and sin 0.8, S = diag(0.5, 0.8, 1.5) mm;
    // R S^-1 = R diag(2, 1.25, 2/3).
    {"oblique",
     {{{0.3, -0.64, 0, 30}, {0.4, 0.48, 0, -12}, {0, 0, 1.5, 7}}},
     {{{1.2, -1, 0}, {1.6, 0.75, 0}, {0, 0, 2.0 / 3.0}}},
     0.6,
     {28.43, -6.76, 13}},
    // x' = 2x + y, y' = y, z' = y / 2 + 3z: the inverse is x = (x' - y') / 2, y = y',
    // z = (z' - y' / 2) / 3.
    {"cisaillee",
     {{{2, 1, 0, 30}, {0, 1, 0, -12}, {0, 0.5, 3, 7}}},
     {{{0.5, 0, 0}, {-0.5, 1, -1.0 / 6.0}, {0, 0, 1.0 / 3.0}}},
     6.0,
     {48.5, -6.5, 21.75}},
    // The oblique transform with x running the other way: S = diag(-0.5, 0.8, 1.5).
    {"miroir",
     {{{-0.3, -0.64, 0, 30}, {-0.4, 0.48, 0, -12}, {0, 0, 1.5, 7}}},
     {{{-1.2, -1, 0}, {-1.6, 0.75, 0}, {0, 0, 2.0 / 3.0}}},
     -0.6,
     {24.53, -11.96, 13}},
};

Geometrie geometrie(const CasMonde& c) {
    Geometrie g;
    g.affine = c.affine;
    for (int j = 0; j < 3; ++j)
        g.espacement[j] =
            std::sqrt(c.affine[0][j] * c.affine[0][j] + c.affine[1][j] * c.affine[1][j] +
                      c.affine[2][j] * c.affine[2][j]);
    return g;
}

std::array<double, 3> appliquer(const CasMonde& c, const std::array<float, 3>& p) {
    std::array<double, 3> m{};
    for (int i = 0; i < 3; ++i)
        m[i] =
            c.affine[i][0] * p[0] + c.affine[i][1] * p[1] + c.affine[i][2] * p[2] + c.affine[i][3];
    return m;
}

// The unit normal the inverse transpose makes of the voxel-frame normal n.
std::array<double, 3> normaleMonde(const CasMonde& c, const std::array<float, 3>& n) {
    std::array<double, 3> m{};
    double longueur = 0.0;
    for (int i = 0; i < 3; ++i) {
        const auto& l = c.inverseTransposee[i];
        m[i] = l[0] * n[0] + l[1] * n[1] + l[2] * n[2];
        longueur += m[i] * m[i];
    }
    for (double& v : m)
        v /= std::sqrt(longueur);
    return m;
}

bool lire(const std::string& fichier, Soupe& s) {
    const std::string ext = std::filesystem::path(fichier).extension().string();
    return ext == ".obj"   ? lireOBJ(fichier, s)
           : ext == ".ply" ? lirePLY(fichier, s)
                           : lireSTL(fichier, s);
}

} // namespace

TEST(WorldExport, IdentityGivesTheUsualFiles) {
    CMaillageTriangleChRegion m = maillageBoite();
    DossierTemporaire tmp;
    for (const char* ext : {".stl", ".obj", ".ply"}) {
        const std::string a = tmp / (std::string("a") + ext), b = tmp / (std::string("b") + ext);
        ASSERT_TRUE(exporterMaillage(m, a.c_str()));
        ASSERT_TRUE(exporterMaillage(m, b.c_str(), Geometrie()));
        EXPECT_EQ(lireOctets(a), lireOctets(b)) << ext;
    }
}

TEST(WorldExport, VoxelToWorldByHand) {
    for (const CasMonde& c : kCas) {
        SCOPED_TRACE(c.nom);
        const Geometrie g = geometrie(c);
        EXPECT_NEAR(g.determinant(), c.determinant, 1e-12);
        const auto centre = g.versMonde(6.5, 5.5, 4.0);
        const auto origine = g.versMonde(0, 0, 0);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(centre[k], c.centre[k], 1e-12);
            EXPECT_DOUBLE_EQ(origine[k], c.affine[k][3]);
        }
    }
}

// Every position through the transform, every normal through the inverse transpose of its
// linear part (a forward-matrix normal leaves the sheared and scaled surfaces), the winding
// still outward under the mirror, in each format.
TEST(WorldExport, PositionsNormalsAndWindingInTheWorld) {
    CMaillageTriangleChRegion m = maillageBoite();
    const Soupe voxels = soupeMaillage(m);
    const auto cv = centroide(voxels);
    // The box of voxels 4..9, 3..8, 2..6: its centroid, which the symmetric mesh keeps.
    EXPECT_NEAR(cv[0], 6.5, 1e-3);
    EXPECT_NEAR(cv[1], 5.5, 1e-3);
    EXPECT_NEAR(cv[2], 4.0, 1e-3);
    std::vector<std::array<float, 3>> normalesTriangles;
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        normalesTriangles.push_back({t->normale[0], t->normale[1], t->normale[2]});
    DossierTemporaire tmp;
    for (const CasMonde& c : kCas) {
        const Geometrie g = geometrie(c);
        for (const char* ext : {".obj", ".ply", ".stl"}) {
            SCOPED_TRACE(std::string(c.nom) + " " + ext);
            const std::string f = tmp / (std::string("m") + ext);
            ASSERT_TRUE(exporterMaillage(m, f.c_str(), g));
            Soupe s;
            ASSERT_TRUE(lire(f, s));
            const bool stl = std::string(ext) == ".stl";
            // OBJ and PLY: the vertices in list order; STL: three corners a facet.
            const std::size_t nbSommets =
                stl ? 3 * voxels.triangles.size() : voxels.positions.size();
            ASSERT_EQ(s.positions.size(), nbSommets);
            for (std::size_t i = 0; i < nbSommets; ++i) {
                const auto& p =
                    stl ? voxels.positions[static_cast<std::size_t>(
                              voxels.triangles[i / 3]
                                              [c.determinant < 0 && i % 3 ? 3 - i % 3 : i % 3])]
                        : voxels.positions[i];
                const auto attendu = appliquer(c, p);
                for (int k = 0; k < 3; ++k)
                    ASSERT_NEAR(s.positions[i][k], attendu[k], 1e-4) << i;
            }
            const auto& normalesVoxel = stl ? normalesTriangles : voxels.normales;
            ASSERT_EQ(s.normales.size(), normalesVoxel.size());
            for (std::size_t i = 0; i < normalesVoxel.size(); ++i) {
                const auto attendue = normaleMonde(c, normalesVoxel[i]);
                for (int k = 0; k < 3; ++k)
                    ASSERT_NEAR(s.normales[i][k], attendue[k], 1e-5) << i;
            }
            if (stl)
                s = fusionnerPositions(s);
            const auto centre = centroide(s);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(centre[k], c.centre[k], 1e-3);
            // Counter-clockwise from outside: a positive volume, the voxel volume times the
            // volume of a voxel.
            EXPECT_TRUE(fermeeEtOrientee(s));
            EXPECT_NEAR(volumeSigne(s), volumeSigne(voxels) * std::fabs(c.determinant),
                        1e-3 * volumeSigne(voxels));
        }
    }
    const std::string f = tmp / "n.obj";
    ASSERT_TRUE(exporterMaillage(m, f.c_str(), geometrie(kCas[0])));
    const OctetsTest octets = lireOctets(f);
    EXPECT_EQ(std::string(octets.begin(), octets.begin() + 44),
              "# Stravol mesh, world coordinates (mm, RAS)\n");
}
