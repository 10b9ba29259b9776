// The scene of a volume in its patient's world: the mesh's drawing frame and the slices' box go
// through the volume's transform to world millimetres, centred and scaled without a turn, so
// that the scene's axes are the world's whatever the transform (mirroring ones included).

#include "view/camera/RepereMonde.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using Affine = std::array<std::array<double, 4>, 3>;

// The mesh's drawing frame (CPoint3D::Image2GL, slice step 1) of voxel v in a volume of n.
std::array<double, 3> image2GL(const std::array<double, 3>& v, const int n[3]) {
    const double m = std::max({n[0], n[1], n[2]});
    return {(2 * v[0] - n[0]) / m, (n[1] - 2 * v[1]) / m, (2 * v[2] - n[2]) / m};
}

std::array<double, 3> monde(const Affine& a, const std::array<double, 3>& v) {
    std::array<double, 3> w{};
    for (int i = 0; i < 3; ++i)
        w[i] = a[i][0] * v[0] + a[i][1] * v[1] + a[i][2] * v[2] + a[i][3];
    return w;
}

void attendrePoint(const std::array<double, 3>& p, const std::array<double, 3>& q,
                   double ecart = 1e-9) {
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(p[i], q[i], ecart) << i;
}

// Transforms of the common kinds: diagonal (RAS), mirrored x (LAS), a permutation of the axes
// (a sagittal acquisition), and an oblique turn with anisotropic voxels.
const Affine kTransformes[] = {
    {{{1, 0, 0, -10}, {0, 1, 0, 4}, {0, 0, 1, 0}}},
    {{{-2, 0, 0, 40}, {0, 2, 0, -30}, {0, 0, 2, -12}}},
    {{{0, 0, 1.5, -20}, {-1, 0, 0, 25}, {0, -1, 0, 30}}},
    {{{0.8 * 0.9, -0.6 * 0.9, 0, 3}, {0.6 * 0.9, 0.8 * 0.9, 0, -7}, {0, 0, 2.5, 1}}},
};

} // namespace

TEST(RepereMonde, TheMeshGoesToItsWorldPositionWithoutATurnOfTheWorld) {
    const int n[3] = {30, 20, 12};
    for (const Affine& a : kTransformes) {
        const RepereMonde r(n[0], n[1], n[2], a);
        // Any voxel point: its drawing-frame position through maillage() is its world position
        // in the scene.
        for (const std::array<double, 3> v :
             {std::array<double, 3>{0, 0, 0}, {29, 19, 11}, {3.5, 12.25, 7}, {-0.5, 19.5, 0}})
            attendrePoint(appliquer(r.maillage(), image2GL(v, n)), r.versScene(monde(a, v)));
        // The scene is the world translated and scaled: each world axis stays itself.
        const std::array<double, 3> o = r.versScene({0, 0, 0});
        const std::array<double, 3> x = r.versScene({1, 0, 0});
        EXPECT_NEAR(x[0] - o[0], r.echelle(), 1e-12);
        EXPECT_NEAR(x[1] - o[1], 0, 1e-12);
        attendrePoint(r.versMonde(r.versScene({5, -3, 8})), {5, -3, 8});
        // The volume's centre at the origin, its largest side 2 units long.
        attendrePoint(r.versScene(monde(a, {14.5, 9.5, 5.5})), {0, 0, 0});
    }
    // A mirroring transform mirrors the drawing frame, which itself mirrors the voxel frame:
    // the mesh's frame goes to the scene without a mirror exactly when the transform mirrors.
    EXPECT_LT(determinantLineaire(RepereMonde(n[0], n[1], n[2], kTransformes[0]).maillage()), 0);
    EXPECT_GT(determinantLineaire(RepereMonde(n[0], n[1], n[2], kTransformes[1]).maillage()), 0);
}

TEST(RepereMonde, TheSlicesSpanTheVoxelsFaceToFace) {
    const int n[3] = {30, 20, 12};
    const Affine& a = kTransformes[2];
    const RepereMonde r(n[0], n[1], n[2], a);
    EXPECT_EQ(r.demiCotes(), (std::array<float, 3>{1, 20.0f / 30, 12.0f / 30}));
    // The corner of the slices' box at (-1, +20/30, -12/30) is the outer corner of voxel
    // (0, 0, 0), half a voxel before its centre on every axis (the half sides are floats).
    const std::array<double, 3> coin = {-1, r.demiCotes()[1], -r.demiCotes()[2]};
    attendrePoint(appliquer(r.coupes(), coin), r.versScene(monde(a, {-0.5, -0.5, -0.5})), 1e-6);
    attendrePoint(appliquer(r.coupes(), {1, -r.demiCotes()[1], r.demiCotes()[2]}),
                  r.versScene(monde(a, {29.5, 19.5, 11.5})), 1e-6);
    // The largest side in millimetres: 30 voxels of 1 mm (beside 20 of 1 mm and 12 of 1.5 mm).
    EXPECT_NEAR(r.echelle(), 2.0 / 30, 1e-12);
}

TEST(RepereMonde, MatrixProducts) {
    Matrice4 t{};
    t[0] = t[5] = t[10] = t[15] = 1;
    t[12] = 2; // a translation by (2, 0, 0)
    Matrice4 s{};
    s[0] = 3, s[5] = 1, s[10] = -1, s[15] = 1; // a scale that mirrors z
    attendrePoint(appliquer(produit(t, s), {1, 1, 1}), {5, 1, -1});
    attendrePoint(appliquer(produit(s, t), {1, 1, 1}), {9, 1, -1});
    EXPECT_EQ(determinantLineaire(s), -3);
}
