// Typed volumes: the default window, the 8-bit conversion and exact labels.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "helpers/volumes.h"
#include "volume/VolumeBrut.h"

using namespace Stravol;

TEST(VolumeBrut, UnsignedBytesKeptAsTheyAre) {
    const VolumeBrut v = volumeTest(TypeVoxel::Octet, 4, 3, 2, motifTest);
    std::vector<unsigned char> o;
    std::string erreur;
    ASSERT_TRUE(versOctets(v, Fenetre{50, 60}, o, erreur));
    ASSERT_EQ(o.size(), v.nbVoxels());
    for (std::size_t i = 0; i < o.size(); ++i)
        EXPECT_EQ(o[i], v.donnees[i]);
}

TEST(VolumeBrut, WindowAppliedToWideValues) {
    const VolumeBrut v =
        volumeTest(TypeVoxel::Entier16, 5, 1, 1, [](int x, int, int) { return -1000 + 1000 * x; });
    std::vector<unsigned char> o;
    std::string erreur;
    ASSERT_TRUE(versOctets(v, Fenetre{0, 2000}, o, erreur));
    // Below the window 0, above 255, linear in between (rounded).
    EXPECT_EQ(o[0], 0);
    EXPECT_EQ(o[1], 0);
    EXPECT_EQ(o[2], 128);
    EXPECT_EQ(o[3], 255);
    EXPECT_EQ(o[4], 255);
}

TEST(VolumeBrut, DefaultWindowAtThePercentiles) {
    // 1000 voxels 0 .. 999 and two outliers far away: the 99.5th percentile drops them (to a
    // histogram bin of 1/65536 of the range).
    VolumeBrut v = volumeTest(TypeVoxel::Entier32, 1002, 1, 1,
                              [](int x, int, int) { return x < 1000 ? x : 1000000 + x; });
    const double cas = 1001001.0 / 65535;
    Fenetre f = fenetreParDefaut(v);
    EXPECT_NEAR(f.mini, 5, cas);
    EXPECT_NEAR(f.maxi, 995, cas);
    // 16-bit integers: one bin a value, exact percentiles.
    v = volumeTest(TypeVoxel::EntierNonSigne16, 1000, 1, 1, [](int x, int, int) { return x; });
    f = fenetreParDefaut(v);
    EXPECT_EQ(f.mini, 5);
    EXPECT_EQ(f.maxi, 995);
    // Floats: same figures to a bin of the histogram.
    v = volumeTest(TypeVoxel::Reel32, 1000, 1, 1, [](int x, int, int) { return x * 0.001; });
    const Fenetre g = fenetreParDefaut(v);
    EXPECT_NEAR(g.mini, 0.005, 0.001);
    EXPECT_NEAR(g.maxi, 0.995, 0.001);
    // A uniform volume keeps a window that maps its value somewhere, without dividing by 0.
    v = volumeTest(TypeVoxel::Reel64, 3, 3, 3, [](int, int, int) { return 7.5; });
    std::vector<unsigned char> o;
    std::string erreur;
    EXPECT_TRUE(versOctets(v, fenetreParDefaut(v), o, erreur));
}

// 8- and 16-bit integers take a table indexed by value: the same values held in 32 bits (one
// conversion a voxel) give the same window and the same bytes, at the extremes of each type too.
TEST(VolumeBrut, SmallIntegersGiveWhatWideIntegersGive) {
    const auto extremes = [](double bas, double haut) {
        return [bas, haut](int x, int y, int z) {
            const int k = (x * 7919 + y * 104729 + z * 1299709) % 1000;
            return k == 0 ? bas : k == 1 ? haut : bas + (haut - bas) * ((k * 37) % 1000) / 1000.0;
        };
    };
    const struct {
        TypeVoxel type;
        double bas, haut;
    } cas[] = {{TypeVoxel::OctetSigne, -128, 127},
               {TypeVoxel::Entier16, -32768, 32767},
               {TypeVoxel::EntierNonSigne16, 0, 65535},
               {TypeVoxel::Entier16, 100, 2100},
               {TypeVoxel::EntierNonSigne16, 7, 7}};
    for (const auto& c : cas) {
        SCOPED_TRACE(std::string(nomType(c.type)) + " " + std::to_string(c.bas));
        const auto valeur = extremes(c.bas, c.haut);
        const VolumeBrut petit = volumeTest(c.type, 40, 30, 20, valeur);
        const VolumeBrut large = volumeTest(TypeVoxel::Entier32, 40, 30, 20, valeur);
        const Fenetre fp = fenetreParDefaut(petit), fl = fenetreParDefaut(large);
        EXPECT_EQ(fp.mini, fl.mini);
        EXPECT_EQ(fp.maxi, fl.maxi);
        for (const Fenetre& f : {fp, Fenetre{c.bas + 3, c.haut - 5}, Fenetre{0, 0}}) {
            std::vector<unsigned char> op, ol;
            std::string erreur;
            ASSERT_TRUE(versOctets(petit, f, op, erreur));
            ASSERT_TRUE(versOctets(large, f, ol, erreur));
            EXPECT_EQ(op, ol);
        }
    }
}

TEST(VolumeBrut, ExactLabelsAndRefusals) {
    VolumeBrut v =
        volumeTest(TypeVoxel::Entier16, 3, 1, 1, [](int x, int, int) { return x == 1 ? 1605 : 0; });
    std::vector<std::uint16_t> e;
    std::vector<std::uint32_t> valeurs = {9};
    std::string erreur;
    ASSERT_TRUE(versEtiquettes(v, e, valeurs, erreur));
    EXPECT_EQ(e[1], 1605);
    EXPECT_TRUE(valeurs.empty()); // values up to 65535 are stored as they are
    v = volumeTest(TypeVoxel::Reel32, 2, 1, 1, [](int x, int, int) { return x * 65535.0; });
    EXPECT_TRUE(versEtiquettes(v, e, valeurs, erreur));
    EXPECT_EQ(e[1], 65535);
    for (double mauvaise : {-1.0, 4294967296.0, 2.5}) {
        v = volumeTest(TypeVoxel::Reel64, 1, 1, 1, [=](int, int, int) { return mauvaise; });
        erreur.clear();
        EXPECT_FALSE(versEtiquettes(v, e, valeurs, erreur)) << mauvaise;
        EXPECT_FALSE(erreur.empty());
    }
    // Enough voxels for several threads: the message names the first voxel that is no label.
    v = volumeTest(TypeVoxel::Entier32, 64, 64, 8, [](int x, int y, int z) {
        const int i = (z * 64 + y) * 64 + x;
        return i == 10000 || i == 30000 ? -7.0 : 1.0;
    });
    EXPECT_FALSE(versEtiquettes(v, e, valeurs, erreur));
    EXPECT_NE(erreur.find("voxel 10000 "), std::string::npos) << erreur;
}

TEST(VolumeBrut, LabelsBeyond65535ThroughATableOfValues) {
    // uint32 values above 2^31, int32 and int64 ones that fit, in blocks with 0 between them.
    const double grandes[] = {4294967295.0, 70000.0, 2147483653.0, 3.0};
    for (TypeVoxel type : {TypeVoxel::EntierNonSigne32, TypeVoxel::Entier64,
                           TypeVoxel::EntierNonSigne64, TypeVoxel::Reel64}) {
        SCOPED_TRACE(nomType(type));
        const VolumeBrut v = volumeTest(type, 8, 3, 2, [&](int x, int y, int z) {
            return (x + y + z) % 3 == 0 ? 0.0 : grandes[(x / 2 + z) % 4];
        });
        std::vector<std::uint16_t> e;
        std::vector<std::uint32_t> valeurs;
        std::string erreur;
        ASSERT_TRUE(versEtiquettes(v, e, valeurs, erreur)) << erreur;
        // Index 0 is 0, the others in increasing order; every voxel finds its value back.
        EXPECT_EQ(valeurs, (std::vector<std::uint32_t>{0, 3, 70000, 2147483653u, 4294967295u}));
        for (std::size_t i = 0; i < v.nbVoxels(); ++i)
            ASSERT_EQ(valeurs[e[i]], v.valeur(i)) << i;
    }
    // int32 values fit when not negative; a negative one is no label.
    VolumeBrut v = volumeTest(TypeVoxel::Entier32, 2, 1, 1,
                              [](int x, int, int) { return x == 0 ? 2147483647.0 : 0.0; });
    std::vector<std::uint16_t> e;
    std::vector<std::uint32_t> valeurs;
    std::string erreur;
    ASSERT_TRUE(versEtiquettes(v, e, valeurs, erreur));
    EXPECT_EQ(valeurs[e[0]], 2147483647u);
    EXPECT_EQ(e[1], 0);
    v = volumeTest(TypeVoxel::Entier32, 2, 1, 1, [](int x, int, int) { return x - 1.0; });
    EXPECT_FALSE(versEtiquettes(v, e, valeurs, erreur));
    // 65535 distinct non-zero values fit, one more does not.
    for (int n : {65535, 65536}) {
        v = volumeTest(TypeVoxel::EntierNonSigne32, n + 1, 1, 1,
                       [](int x, int, int) { return x == 0 ? 0.0 : 100000.0 + x; });
        erreur.clear();
        EXPECT_EQ(versEtiquettes(v, e, valeurs, erreur), n == 65535) << n;
        if (n == 65535)
            EXPECT_EQ(valeurs.back(), 165535u);
        else
            EXPECT_NE(erreur.find("65535"), std::string::npos);
    }
}

TEST(VolumeBrut, NonFiniteValues) {
    VolumeBrut v = volumeTest(TypeVoxel::Reel32, 4, 1, 1, [](int x, int, int) {
        return x == 1   ? std::numeric_limits<double>::quiet_NaN()
               : x == 2 ? std::numeric_limits<double>::infinity()
                        : 1.0;
    });
    EXPECT_EQ(nbValeursNonFinies(v), 2u);
    v = volumeTest(TypeVoxel::Entier32, 4, 1, 1, motifTest);
    EXPECT_EQ(nbValeursNonFinies(v), 0u);
}

// Doubles spread over the whole range (their difference overflows): a finite window over
// them, and bytes from black to white.
TEST(VolumeBrut, ValuesWiderThanTheLargestDoubleGetAFiniteWindow) {
    const double grand = std::numeric_limits<double>::max();
    const VolumeBrut v = volumeTest(TypeVoxel::Reel64, 201, 1, 1, [=](int x, int, int) {
        return x == 0 ? -grand : x == 200 ? grand : (x - 100) * (grand / 100);
    });
    const Fenetre f = fenetreParDefaut(v, 0.0, 100.0);
    ASSERT_TRUE(std::isfinite(f.mini) && std::isfinite(f.maxi));
    EXPECT_EQ(f.mini, -grand);
    EXPECT_LE(f.maxi, grand);
    EXPECT_GT(f.maxi, 0.99 * grand);
    std::vector<unsigned char> o;
    std::string erreur;
    ASSERT_TRUE(versOctets(v, Fenetre{-grand, grand}, o, erreur));
    EXPECT_EQ(o[0], 0);
    EXPECT_EQ(o[100], 128);
    EXPECT_EQ(o[200], 255);
    for (std::size_t i = 1; i < o.size(); ++i)
        EXPECT_LE(o[i - 1], o[i]) << i;
}

TEST(Geometrie, ImposedSpacingKeepsTheDirections) {
    Geometrie g;
    EXPECT_TRUE(g.identite());
    // An x axis running right to left, 2 mm voxels.
    g.affine = {{{-2, 0, 0, 10}, {0, 2, 0, 0}, {0, 0, 2, 0}}};
    EXPECT_FALSE(g.identite());
    EXPECT_DOUBLE_EQ(g.determinant(), -8.0);
    g.imposerEspacement({0.5, 1.0, 3.0});
    EXPECT_DOUBLE_EQ(g.affine[0][0], -0.5);
    EXPECT_DOUBLE_EQ(g.affine[2][2], 3.0);
    EXPECT_DOUBLE_EQ(g.affine[0][3], 10.0);
    const auto m = g.versMonde(2, 1, 1);
    EXPECT_DOUBLE_EQ(m[0], 9.0);
    EXPECT_DOUBLE_EQ(m[1], 1.0);
    EXPECT_DOUBLE_EQ(m[2], 3.0);
    std::string pourquoi;
    EXPECT_TRUE(g.valide(pourquoi));
    g.espacement[1] = 0.0;
    EXPECT_FALSE(g.valide(pourquoi));
    EXPECT_FALSE(pourquoi.empty());
}
