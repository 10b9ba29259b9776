// Export in world coordinates: positions through the transform, outward winding kept under a
// mirroring transform, the identity giving today's files byte for byte.

#include <gtest/gtest.h>

#include <cmath>

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

Geometrie oblique(bool miroir) {
    Geometrie g;
    const double a = 0.4, c = std::cos(a), s = std::sin(a);
    const double sx = miroir ? -0.5 : 0.5;
    g.affine = {{{sx * c, -0.8 * s, 0.1, 30}, {sx * s, 0.8 * c, 0, -12}, {0, 0, 1.5, 7}}};
    g.espacement = {0.5, 0.8, 1.5};
    return g;
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

TEST(WorldExport, CentroidAndOrientationInTheWorld) {
    CMaillageTriangleChRegion m = maillageBoite();
    const Soupe voxels = soupeMaillage(m);
    const auto cv = centroide(voxels);
    // The box of voxels 4..9, 3..8, 2..6: its centroid, which the symmetric mesh keeps.
    EXPECT_NEAR(cv[0], 6.5, 1e-3);
    EXPECT_NEAR(cv[1], 5.5, 1e-3);
    EXPECT_NEAR(cv[2], 4.0, 1e-3);
    DossierTemporaire tmp;
    for (bool miroir : {false, true}) {
        const Geometrie g = oblique(miroir);
        EXPECT_EQ(g.determinant() < 0, miroir);
        const auto attendu = g.versMonde(6.5, 5.5, 4.0);
        for (const char* ext : {".obj", ".ply", ".stl"}) {
            SCOPED_TRACE(std::string(ext) + (miroir ? " miroir" : ""));
            const std::string f = tmp / (std::string("m") + ext);
            ASSERT_TRUE(exporterMaillage(m, f.c_str(), g));
            Soupe s;
            const std::string e = ext;
            ASSERT_TRUE(e == ".obj" ? lireOBJ(f, s) : e == ".ply" ? lirePLY(f, s) : lireSTL(f, s));
            if (e == ".stl")
                s = fusionnerPositions(s);
            const auto c = centroide(s);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(c[k], attendu[k], 1e-3);
            // Counter-clockwise from outside: a positive volume, the voxel volume times the
            // volume of a voxel.
            EXPECT_TRUE(fermeeEtOrientee(s));
            EXPECT_NEAR(volumeSigne(s), volumeSigne(voxels) * std::fabs(g.determinant()),
                        1e-3 * volumeSigne(voxels));
        }
        // Vertex normals still point outward: away from the centroid on average.
        const std::string f = tmp / "n.obj";
        ASSERT_TRUE(exporterMaillage(m, f.c_str(), g));
        Soupe s;
        ASSERT_TRUE(lireOBJ(f, s));
        double sortant = 0.0;
        for (std::size_t i = 0; i < s.positions.size(); ++i)
            for (int k = 0; k < 3; ++k)
                sortant += s.normales[i][k] * (s.positions[i][k] - attendu[k]);
        EXPECT_GT(sortant, 0.0);
        const OctetsTest octets = lireOctets(f);
        EXPECT_EQ(std::string(octets.begin(), octets.begin() + 44),
                  "# Stravol mesh, world coordinates (mm, RAS)\n");
    }
}
