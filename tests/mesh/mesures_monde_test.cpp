// World measures of a mesh: voxel volume times the voxel's volume, area through the transform.

#include <gtest/gtest.h>

#include <cmath>

#include "helpers/mesh_helpers.h"
#include "mesh/MesuresMonde.h"
#include "volume/VolumeBrut.h"

using Stravol::Geometrie;

TEST(MesuresMonde, VoxelBoxWithSpacingAndRotation) {
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

    MesuresMonde voxels = mesurerDansLeMonde(m, Geometrie());
    EXPECT_NEAR(voxels.volumeMm3, 180.0, 1e-9);
    EXPECT_NEAR(voxels.aireMm2, 2 * (36 + 30 + 30), 1e-9);
    // Spacing, then the same under a rotation and an x mirror: the measures stay.
    for (bool tourne : {false, true}) {
        Geometrie g;
        const double c = tourne ? std::cos(0.7) : 1.0, s = tourne ? std::sin(0.7) : 0.0;
        const double mx = tourne ? -1.0 : 1.0;
        g.affine = {{{mx * sx * c, -sy * s, 0, 5}, {mx * sx * s, sy * c, 0, 2}, {0, 0, sz, -9}}};
        const MesuresMonde w = mesurerDansLeMonde(m, g);
        EXPECT_NEAR(w.volumeMm3, volume, 1e-9 * volume);
        EXPECT_NEAR(w.aireMm2, aire, 1e-9 * aire);
    }
}
