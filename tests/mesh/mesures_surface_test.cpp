#include "mesh/MesuresSurface.h"

#include "helpers/mesh_helpers.h"

#include <gtest/gtest.h>

namespace {

void construire(const std::vector<CTriplet<int>>& voxels, int taille, CMaillageTriangleChRegion& m,
                CRegion3D& region) {
    remplirRegion(region, taille, taille, taille, voxels);
    region.reparerTopologie();
    m.creerMaillageTriangleChRegion2(region, 1);
}

} // namespace

// The voxel-face mesh before smoothing encloses exactly its voxels, and its area is the
// number of voxel faces on the border.
TEST(MesuresSurface, MaillageDeVoxelsEnfermeSesVoxelsEtCompteSesFaces) {
    CMaillageTriangleChRegion m;
    CRegion3D region;
    construire(boite({1, 2, 3}, {4, 4, 9}), 12, m, region);
    EXPECT_NEAR(volumeEnclos(m), 4.0 * 3 * 7, 1e-6);
    EXPECT_NEAR(aireSurface(m), 2.0 * (4 * 3 + 3 * 7 + 4 * 7), 1e-6);

    // A ball: the volume is the voxel count, whatever the side the corners were listed in.
    CMaillageTriangleChRegion b;
    CRegion3D regionBoule;
    construire(boule({10, 10, 10}, 5.0), 21, b, regionBoule);
    EXPECT_NEAR(volumeEnclos(b), regionBoule.nbVoxels, 1e-6);
    EXPECT_GT(aireSurface(b), 0.0);
}

TEST(MesuresSurface, MaillageVideNaNiVolumeNiAire) {
    const CMaillageTriangleChRegion m;
    EXPECT_EQ(volumeEnclos(m), 0.0);
    EXPECT_EQ(aireSurface(m), 0.0);
}
