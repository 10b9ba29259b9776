#include <cmath>
#include <cstdio>
#include <random>

#include <gtest/gtest.h>

#include "helpers/mesh_helpers.h"

namespace {

// Builds the mesh of a repaired region; returns the number of vertices failing the ring check.
int verifierBlob(const std::vector<CTriplet<int>>& voxels, int taille, int* nbVoxels,
                 CMaillageTriangleChRegion& m, CRegion3D& region) {
    remplirRegion(region, taille, taille, taille, voxels);
    region.reparerTopologie();
    *nbVoxels = region.nbVoxels;
    m.creerMaillageTriangleChRegion2(region, 1);
    int irreguliers = 0;
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        irreguliers += !m.verifierVoisins(s) || s->voisins.longueur() != s->triangles.longueur();
    return irreguliers;
}

} // namespace

TEST(MeshProperties, RepairedRandomBlobsGiveClosedOutwardMeshes) {
    int irreguliersTotal = 0;
    for (std::uint32_t graine = 1; graine <= 60; ++graine) {
        const int taille = 14 + static_cast<int>(graine % 5) * 2;
        const auto voxels =
            blobAleatoire(graine, taille, taille, taille, 3 + static_cast<int>(graine % 7));
        CMaillageTriangleChRegion m;
        CRegion3D region;
        int nbVoxels = 0;
        const int irreguliers = verifierBlob(voxels, taille, &nbVoxels, m, region);
        irreguliersTotal += irreguliers;
        EXPECT_EQ(irreguliers, 0) << "graine " << graine;
        Chaine rapport;
        EXPECT_TRUE(m.verifierCoherence(&rapport))
            << "graine " << graine << ": " << rapport.c_str();
        const Soupe soupe = soupeMaillage(m);
        EXPECT_TRUE(fermeeEtOrientee(soupe)) << "graine " << graine;
        // The voxel surface encloses exactly one unit of volume per region voxel.
        EXPECT_DOUBLE_EQ(volumeSigne(soupe), static_cast<double>(nbVoxels)) << "graine " << graine;
        // Each triangle normal points away from the voxel it bounds.
        for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
            const double cx = (t->a->x + t->b->x + t->c->x) / 3.0,
                         cy = (t->a->y + t->b->y + t->c->y) / 3.0,
                         cz = (t->a->z + t->b->z + t->c->z) / 3.0;
            const int vx = static_cast<int>(std::lround(cx - 0.5 * t->normale[0]));
            const int vy = static_cast<int>(std::lround(cy - 0.5 * t->normale[1]));
            const int vz = static_cast<int>(std::lround(cz - 0.5 * t->normale[2]));
            const int ox = static_cast<int>(std::lround(cx + 0.5 * t->normale[0]));
            const int oy = static_cast<int>(std::lround(cy + 0.5 * t->normale[1]));
            const int oz = static_cast<int>(std::lround(cz + 0.5 * t->normale[2]));
            EXPECT_TRUE(region.Voxel(vx, vy, vz).dansRegion) << "graine " << graine;
            const bool dehors = ox < 0 || oy < 0 || oz < 0 || ox >= taille || oy >= taille ||
                                oz >= taille || !region.Voxel(ox, oy, oz).dansRegion;
            EXPECT_TRUE(dehors) << "graine " << graine;
        }
        // After smoothing the surface stays closed and keeps most of its volume (the equal
        // shrinking and inflating factors lose a little on small blobs).
        m.lisserCourbureTaubin(10);
        m.calculerNormales();
        m.calculerNormalesSommets();
        const Soupe lisse = soupeMaillage(m);
        EXPECT_TRUE(fermeeEtOrientee(lisse));
        const double rapportVolume = volumeSigne(lisse) / nbVoxels;
        EXPECT_GT(rapportVolume, 0.85) << "graine " << graine;
        EXPECT_LT(rapportVolume, 1.0) << "graine " << graine;
    }
    std::printf("sommets irreguliers apres reparation : %d\n", irreguliersTotal);
}

TEST(MeshProperties, BallAndBoxHaveTheTopologyOfTheSphere) {
    for (double r : {2.5, 5.0, 8.3}) {
        CMaillageTriangleChRegion m;
        CRegion3D region;
        int nbVoxels = 0;
        EXPECT_EQ(verifierBlob(boule({12, 12, 12}, r), 25, &nbVoxels, m, region), 0);
        const Soupe soupe = soupeMaillage(m);
        EXPECT_EQ(caracteristiqueEuler(soupe), 2) << r;
        EXPECT_DOUBLE_EQ(volumeSigne(soupe), nbVoxels);
    }
    CMaillageTriangleChRegion m;
    CRegion3D region;
    int nbVoxels = 0;
    EXPECT_EQ(verifierBlob(boite({0, 2, 3}, {9, 4, 10}), 12, &nbVoxels, m, region), 0);
    EXPECT_EQ(caracteristiqueEuler(soupeMaillage(m)), 2);
    EXPECT_EQ(nbVoxels, 10 * 3 * 8);
}

// Sparse random voxel sets are the hard case of the repair: thin, touching at edges and
// corners everywhere, and filling an outside corner often makes a new edge contact. Every
// repaired set must still give a closed surface, one fan per vertex, one unit of volume per
// voxel.
TEST(MeshProperties, RepairedSparseSetsGiveRegularSurfaces) {
    std::mt19937 alea(2026);
    for (int essai = 0; essai < 300; ++essai) {
        const int taille = 10 + essai % 8;
        std::bernoulli_distribution tirage(0.05 + 0.04 * (essai % 10));
        std::vector<CTriplet<int>> voxels;
        for (int x = 0; x < taille; ++x)
            for (int y = 0; y < taille; ++y)
                for (int z = 0; z < taille; ++z)
                    if (tirage(alea))
                        voxels.emplace_back(x, y, z);
        if (voxels.empty())
            continue;
        CMaillageTriangleChRegion m;
        CRegion3D region;
        int nbVoxels = 0;
        ASSERT_EQ(verifierBlob(voxels, taille, &nbVoxels, m, region), 0) << "essai " << essai;
        const Soupe soupe = soupeMaillage(m);
        ASSERT_TRUE(fermeeEtOrientee(soupe)) << "essai " << essai;
        ASSERT_DOUBLE_EQ(volumeSigne(soupe), static_cast<double>(nbVoxels)) << "essai " << essai;
    }
}
