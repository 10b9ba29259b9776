#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "core/Pi.h"
#include "helpers/mesh_helpers.h"
#include "mesh/MesuresMaillage.h"

namespace {

// Mesh of a repaired region made of these voxels, normals computed; returns the voxel count.
int maillageRegion(CMaillageTriangleChRegion& m, const std::vector<CTriplet<int>>& voxels,
                   int taille) {
    CRegion3D region;
    remplirRegion(region, taille, taille, taille, voxels);
    region.reparerTopologie();
    m.creerMaillageTriangleChRegion2(region, 1);
    return region.nbVoxels;
}

} // namespace

TEST(Measures, BoxVolumeAndAreaInVoxelsAndMillimetres) {
    CMaillageTriangleChRegion m;
    // 3 x 4 x 5 voxels.
    maillageRegion(m, boite({2, 3, 4}, {4, 6, 8}), 12);
    Stravol::Geometrie e;
    e.affine = {{{0.5, 0, 0, 3}, {0, 2.0, 0, -1}, {0, 0, 1.5, 7}}};
    const MesuresMaillage mesures = mesurerMaillage(m, e);
    EXPECT_DOUBLE_EQ(mesures.volume, 60.0);
    EXPECT_DOUBLE_EQ(mesures.aire, 2.0 * (12 + 20 + 15));
    EXPECT_DOUBLE_EQ(mesures.volumeMm3, 60.0 * 0.5 * 2.0 * 1.5);
    // Faces of 3 x 4 (normal z, x by y), 4 x 5 (normal x, y by z) and 3 x 5 (normal y, x by
    // z) voxels, in mm.
    EXPECT_DOUBLE_EQ(mesures.aireMm2, 2.0 * (0.5 * 2.0 * 12 + 2.0 * 1.5 * 20 + 0.5 * 1.5 * 15));
    EXPECT_DOUBLE_EQ(volumeEnclos(m), mesures.volume);
    EXPECT_DOUBLE_EQ(aireSurface(m), mesures.aire);
}

TEST(Measures, VoxelSurfacesEncloseTheirVoxelsAndSmoothingKeepsTheVolumeClose) {
    for (std::uint32_t graine = 1; graine <= 12; ++graine) {
        CMaillageTriangleChRegion m;
        const int voxels = maillageRegion(m, blobAleatoire(graine, 18, 18, 18, 4), 18);
        EXPECT_DOUBLE_EQ(volumeEnclos(m), voxels) << "graine " << graine;
        const ControleMaillage c = controlerMaillage(m);
        EXPECT_TRUE(c.ferme) << "graine " << graine;
        EXPECT_EQ(c.irreguliers, 0) << "graine " << graine;
        EXPECT_EQ(c.plis, 0) << "graine " << graine;
        const double aireVoxels = aireSurface(m);
        m.lisserCourbureTaubin(10);
        m.calculerNormales();
        m.calculerNormalesSommets();
        EXPECT_NEAR(volumeEnclos(m) / voxels, 1.0, 0.15) << "graine " << graine;
        // Smoothing cuts the staircase: less area, never more.
        EXPECT_LT(aireSurface(m), aireVoxels) << "graine " << graine;
        EXPECT_TRUE(controlerMaillage(m).ferme) << "graine " << graine;
    }
}

TEST(Measures, SmoothedBallMatchesTheSphere) {
    CMaillageTriangleChRegion m;
    const double r = 9.0;
    maillageRegion(m, boule({12, 12, 12}, r), 25);
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    EXPECT_NEAR(volumeEnclos(m) / (4.0 / 3.0 * kPi * r * r * r), 1.0, 0.03);
    EXPECT_NEAR(aireSurface(m) / (4.0 * kPi * r * r), 1.0, 0.05);
}

TEST(Measures, CheckFindsReversedWindingAndFolds) {
    CMaillageTriangleChRegion m;
    maillageRegion(m, boule({8, 8, 8}, 4.0), 17);
    const ControleMaillage sain = controlerMaillage(m);
    ASSERT_TRUE(sain.ferme);
    EXPECT_EQ(sain.trianglesInverses, 0);
    EXPECT_EQ(sain.trianglesPlies, 0);

    // One triangle turned the other way: closed as a set of edges, not consistently wound.
    m.premierTriangle->orientation = -m.premierTriangle->orientation;
    const ControleMaillage inverse = controlerMaillage(m);
    EXPECT_FALSE(inverse.ferme);
    EXPECT_EQ(inverse.trianglesInverses, 1);
    // Two more: the smaller class counts all three.
    CTriangleChRegion* t = m.dernierTriangle;
    t->orientation = -t->orientation;
    t->precedent->precedent->orientation = -t->precedent->precedent->orientation;
    EXPECT_EQ(controlerMaillage(m).trianglesInverses, 3);
    for (CTriangleChRegion* u : {m.premierTriangle, t, t->precedent->precedent})
        u->orientation = -u->orientation;
    ASSERT_EQ(controlerMaillage(m).trianglesInverses, 0);

    // A vertex pushed through the surface folds its triangles against their neighbours.
    CSommetChRegion* v = m.premierSommet;
    const CPoint3D centre = m.centreGravite();
    v->x = 2.0f * centre.x - v->x;
    v->y = 2.0f * centre.y - v->y;
    v->z = 2.0f * centre.z - v->z;
    const ControleMaillage plie = controlerMaillage(m);
    EXPECT_TRUE(plie.ferme);
    EXPECT_GT(plie.plis, 0);
    // Each of the vertex's triangles folds against its neighbour beyond the opposite edge.
    EXPECT_GE(plie.trianglesPlies, v->triangles.longueur());
    EXPECT_EQ(plie.trianglesInverses, 0);

    CMaillageTriangleChRegion vide;
    EXPECT_FALSE(controlerMaillage(vide).ferme);
    EXPECT_EQ(volumeEnclos(vide), 0.0);
}

// World measures of a voxel box: the voxel volume times the voxel's, the area through the
// transform.
TEST(Measures, WorldMeasuresFollowSpacingRotationAndMirror) {
    CRegion3D::initialiserVoisinages();
    CRegion3D region;
    remplirRegion(region, 14, 14, 12, boite({3, 3, 3}, {8, 8, 7})); // 6 x 6 x 5 voxels
    CMaillageTriangleChRegion m;
    m.creerMaillageTriangleChRegion2(region, 1);
    m.calculerNormales();
    m.calculerNormalesSommets();
    const double sx = 0.5, sy = 0.8, sz = 1.5;
    const double volume = 180 * sx * sy * sz;
    const double aire = 2 * (6 * sx * 6 * sy + 6 * sx * 5 * sz + 6 * sy * 5 * sz);

    const MesuresMaillage voxels = mesurerMaillage(m);
    EXPECT_NEAR(voxels.volumeMm3, 180.0, 1e-9);
    EXPECT_NEAR(voxels.aireMm2, 2 * (36 + 30 + 30), 1e-9);
    // Spacing, then the same under a rotation and an x mirror: the measures stay.
    for (bool tourne : {false, true}) {
        Stravol::Geometrie g;
        const double c = tourne ? std::cos(0.7) : 1.0, s = tourne ? std::sin(0.7) : 0.0;
        const double mx = tourne ? -1.0 : 1.0;
        g.affine = {{{mx * sx * c, -sy * s, 0, 5}, {mx * sx * s, sy * c, 0, 2}, {0, 0, sz, -9}}};
        const MesuresMaillage w = mesurerMaillage(m, g);
        EXPECT_NEAR(w.volumeMm3, volume, 1e-9 * volume);
        EXPECT_NEAR(w.aireMm2, aire, 1e-9 * aire);
    }
}

// A large mesh is checked on all threads from the construction's lists; its copy, whose lists
// are walked, gives the same figures, sound or with reversed and folded triangles.
TEST(Measures, CheckOfTheListsAsBuiltEqualsTheCheckOfACopy) {
    CMaillageTriangleChRegion m;
    maillageRegion(m, boule({48, 48, 48}, 40.0), 96);
    ASSERT_GT(m.nbSommets, Stravol::kSeuilParallele);
    ASSERT_NE(m.listeTrianglesConstruite(), nullptr);
    const auto memes = [](const ControleMaillage& a, const ControleMaillage& b) {
        return a.ferme == b.ferme && a.irreguliers == b.irreguliers && a.plis == b.plis &&
               a.trianglesPlies == b.trianglesPlies && a.trianglesInverses == b.trianglesInverses;
    };
    for (int etape = 0; etape < 2; ++etape) {
        CMaillageTriangleChRegion copie;
        copie = m;
        ASSERT_EQ(copie.listeTrianglesConstruite(), nullptr);
        const ControleMaillage c = controlerMaillage(m);
        EXPECT_TRUE(memes(c, controlerMaillage(copie))) << "etape " << etape;
        EXPECT_EQ(c.ferme, etape == 0);
        // Three triangles turned over and a vertex pushed through the surface.
        for (CTriangleChRegion* t : {m.premierTriangle, m.dernierTriangle->precedent,
                                     m.premierTriangle->suivant->suivant->suivant})
            t->orientation = -t->orientation;
        CSommetChRegion* v = m.dernierSommet->precedent;
        v->x = 96.0f - v->x;
    }
}
