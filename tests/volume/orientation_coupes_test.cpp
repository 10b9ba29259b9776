// Cut pictures of a volume in a patient's world: the world axis of each voxel axis, the sides
// on the picture's edges in both conventions, and pixels that show the voxels they say.

#include <gtest/gtest.h>

#include "volume/OrientationCoupes.h"

using namespace Stravol;

namespace {

Geometrie geometrie(const std::array<std::array<double, 4>, 3>& affine) {
    Geometrie g;
    g.affine = affine;
    g.origine = OrigineGeometrie::SForm;
    return g;
}

// RAS voxels; LAS (x mirrored); a sagittal acquisition: voxel x to the back, y down, z right.
const Geometrie kRAS = geometrie({{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}});
const Geometrie kLAS = geometrie({{{-2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 3, 0}}});
const Geometrie kSagittal = geometrie({{{0, 0, 1.5, 0}, {-1, 0, 0, 0}, {0, -1, 0, 0}}});

} // namespace

TEST(SliceOrientation, EachVoxelAxisTakesItsClosestWorldAxis) {
    const auto sagittal = axesAnatomiques(kSagittal);
    EXPECT_EQ(sagittal[0].monde, 1);
    EXPECT_FALSE(sagittal[0].positif);
    EXPECT_EQ(sagittal[1].monde, 2);
    EXPECT_FALSE(sagittal[1].positif);
    EXPECT_EQ(sagittal[2].monde, 0);
    EXPECT_TRUE(sagittal[2].positif);
    // An oblique turn of 40 degrees about z: x stays nearest x, y nearest y.
    const double c = 0.766, s = 0.643;
    const auto oblique = axesAnatomiques(geometrie({{{c, -s, 0, 0}, {s, c, 0, 0}, {0, 0, 1, 0}}}));
    EXPECT_EQ(oblique[0].monde, 0);
    EXPECT_EQ(oblique[1].monde, 1);
    // At exactly 45 degrees the axes still get one world axis each.
    const auto diagonal = axesAnatomiques(
        geometrie({{{0.7071, -0.7071, 0, 0}, {0.7071, 0.7071, 0, 0}, {0, 0, 1, 0}}}));
    EXPECT_NE(diagonal[0].monde, diagonal[1].monde);
    EXPECT_EQ(diagonal[2].monde, 2);
}

TEST(SliceOrientation, SidesOnTheEdgesInBothConventions) {
    struct Cas {
        const Geometrie* g;
        int normale;
        ConventionGaucheDroite convention;
        std::array<char, 4> lettres;
    };
    const auto R = ConventionGaucheDroite::Radiologique, N = ConventionGaucheDroite::Neurologique;
    const Cas cas[] = {
        {&kRAS, 2, R, {'R', 'L', 'A', 'P'}},      {&kRAS, 2, N, {'L', 'R', 'A', 'P'}},
        {&kRAS, 1, R, {'R', 'L', 'S', 'I'}},      {&kRAS, 0, N, {'A', 'P', 'S', 'I'}},
        {&kLAS, 2, R, {'R', 'L', 'A', 'P'}},      {&kSagittal, 1, R, {'R', 'L', 'A', 'P'}},
        {&kSagittal, 0, N, {'L', 'R', 'S', 'I'}}, {&kSagittal, 2, R, {'A', 'P', 'S', 'I'}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.lettres.begin(), c.lettres.end()));
        const OrientationCoupe o = orienterCoupe(*c.g, 10, 12, 14, c.normale, c.convention);
        EXPECT_EQ(o.lettres, c.lettres);
        // The pixel to the right of another lies toward the right edge's side in the world,
        // the one below toward the bottom edge's.
        const auto mondePixel = [&](int colonne, int ligne) {
            const Coord3D v = o.voxel(colonne, ligne, 3);
            return c.g->versMonde(v.x, v.y, v.z);
        };
        const auto a = mondePixel(2, 2), droite = mondePixel(3, 2), bas = mondePixel(2, 3);
        const auto cote = [](char l) {
            switch (l) {
            case 'R':
                return std::pair{0, 1.0};
            case 'L':
                return std::pair{0, -1.0};
            case 'A':
                return std::pair{1, 1.0};
            case 'P':
                return std::pair{1, -1.0};
            case 'S':
                return std::pair{2, 1.0};
            default:
                return std::pair{2, -1.0};
            }
        };
        const auto [axeDroite, sensDroite] = cote(c.lettres[1]);
        const auto [axeBas, sensBas] = cote(c.lettres[3]);
        EXPECT_GT((droite[axeDroite] - a[axeDroite]) * sensDroite, 0);
        EXPECT_GT((bas[axeBas] - a[axeBas]) * sensBas, 0);
    }
}

TEST(SliceOrientation, PixelsShowTheVoxelsTheySay) {
    const OrientationCoupe o =
        orienterCoupe(kLAS, 5, 4, 3, 2, ConventionGaucheDroite::Radiologique);
    EXPECT_EQ(o.nbColonnes, 5);
    EXPECT_EQ(o.nbLignes, 4);
    EXPECT_EQ(o.largeurPixel, 2);
    EXPECT_EQ(o.hauteurPixel, 2);
    // The Z cut picture pixel (x, y) holds the value 10 x + y.
    ImageRGB coupe;
    coupe.largeur = 5;
    coupe.hauteur = 4;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            for (int k = 0; k < 3; ++k)
                coupe.pixels.push_back(static_cast<unsigned char>(10 * x + y));
    const ImageRGB image = imageOrientee(coupe, o);
    ASSERT_EQ(image.largeur, 5);
    ASSERT_EQ(image.hauteur, 4);
    for (int l = 0; l < 4; ++l)
        for (int c = 0; c < 5; ++c) {
            const Coord3D v = o.voxel(c, l, 1);
            EXPECT_EQ(v.z, 1);
            EXPECT_EQ(*image.pixel(c, l), 10 * v.x + v.y);
            EXPECT_EQ(o.pixel(v), std::make_pair(c, l));
        }
    // A sagittal cut of the sagittal acquisition across z: profondeur x hauteur voxels, 1 mm.
    const OrientationCoupe s =
        orienterCoupe(kSagittal, 6, 7, 8, 2, ConventionGaucheDroite::Radiologique);
    EXPECT_EQ(s.axeColonnes, 0);
    EXPECT_EQ(s.axeLignes, 1);
    EXPECT_FALSE(s.colonnesInversees); // x runs to the back, the back is on the right
    EXPECT_FALSE(s.lignesInversees);   // y runs down
}
