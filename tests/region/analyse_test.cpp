#include "core/Pi.h"
#include "helpers/images.h"
#include "region/AnalyseDirection.h"
#include "region/ComposanteConnexe.h"
#include "region/Cvecto.h"
#include "volume/CImageTroisD.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Bloc {
    int l, h, p;
    std::vector<unsigned char> v;
    Bloc(int l_, int h_, int p_, unsigned char fond = 0)
        : l(l_), h(h_), p(p_), v(static_cast<size_t>(l_) * h_ * p_, fond) {}
    size_t indice(int x, int y, int z) const {
        x = (x % l + l) % l, y = (y % h + h) % h, z = (z % p + p) % p;
        return x + static_cast<size_t>(l) * (y + static_cast<size_t>(h) * z);
    }
    unsigned char& at(int x, int y, int z) { return v[indice(x, y, z)]; }
};

// Circular autocorrelation by direct sums, zero shift at the block centre, rescaled
// over the voxels the transform version uses.
std::vector<int> autocorrelationDirecte(const Bloc& b) {
    const int cx = b.l / 2, cy = b.h / 2, cz = b.p / 2;
    std::vector<double> a(b.v.size());
    double mx = 0, mn = 1e38;
    for (int z = 0; z < b.p; ++z)
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.l; ++x) {
                double s = 0;
                for (int k = 0; k < b.p; ++k)
                    for (int j = 0; j < b.h; ++j)
                        for (int i = 0; i < b.l; ++i)
                            s += double(b.v[b.indice(i, j, k)]) *
                                 b.v[b.indice(i + x - cx, j + y - cy, k + z - cz)];
                a[b.indice(x, y, z)] = s;
                const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz);
                if (x > 0 && y > 0 && z > 0 && d2 > (0.01 * b.l) * (0.01 * b.l))
                    mx = std::max(mx, s), mn = std::min(mn, s);
            }
    std::vector<int> r(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        r[i] = static_cast<int>(std::clamp((a[i] - mn) / (mx - mn) * 255.0, 0.0, 255.0));
    return r;
}

// The lines of the results file the analysis writes into its start folder.
std::vector<std::string> lignesResultats(const DossierTemporaire& d) {
    std::ifstream f(d / "RoseValue.res");
    std::vector<std::string> r;
    for (std::string l; std::getline(f, l);)
        r.push_back(l);
    return r;
}

std::unique_ptr<CImageTroisD> volume(int l, int h, int p, const fs::path& chemin,
                                     const std::function<int(int, int, int)>& gris) {
    auto v = std::make_unique<CImageTroisD>(l, h, p);
    v->chemin = chemin.string();
    for (int z = 0; z < p; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x)
                v->setVoxelImage(x, y, z, static_cast<unsigned char>(gris(x, y, z)));
    return v;
}

std::function<int(int, int, int)> aleatoire(unsigned graine) {
    return [gen = std::make_shared<std::mt19937>(graine)](int, int, int) { return (*gen)() % 256; };
}

const char* kLigneUniforme =
    "theta: 6.000000 gamma:34.615383 Moy:1.000000 DirM:0.000000 valM:1.000000 CoeffD:0.000000 ";

} // namespace

TEST(Autocorrelation, NonCubicBlocksLikeTheDirectSums) {
    std::mt19937 gen(7);
    for (auto [l, h, p] : {std::array<int, 3>{6, 4, 8}, {8, 8, 8}, {10, 6, 4}, {4, 12, 6}}) {
        Bloc b(l, h, p);
        for (auto& v : b.v)
            v = static_cast<unsigned char>(gen() % 256);
        const std::vector<int> attendu = autocorrelationDirecte(b);
        ASSERT_TRUE(autocorrelationBloc(b.v.data(), l, h, p));
        for (size_t i = 0; i < attendu.size(); ++i)
            ASSERT_NEAR(b.v[i], attendu[i], 1) << l << "x" << h << "x" << p << " voxel " << i;
    }
    EXPECT_FALSE(autocorrelationBloc(nullptr, 4, 4, 4));
}

TEST(Autocorrelation, PeriodAlongXInAnElongatedBlock) {
    // Planes x = 0, 1 (mod 4) bright: peaks at x-shifts 0, +-4, +-8, lowest at +-2, and
    // no change along y or z.
    Bloc b(32, 16, 8);
    for (int z = 0; z < b.p; ++z)
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.l; ++x)
                b.at(x, y, z) = x % 4 < 2 ? 200 : 10;
    ASSERT_TRUE(autocorrelationBloc(b.v.data(), b.l, b.h, b.p));
    for (int d : {4, 8, -4, -8})
        EXPECT_GE(b.at(16 + d, 8, 4), 250) << d;
    for (int d : {2, 6, -2, -6})
        EXPECT_LE(b.at(16 + d, 8, 4), 5) << d;
    for (int z = 0; z < b.p; ++z)
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.l; ++x)
                ASSERT_NEAR(b.at(x, y, z), b.at(x, 8, 4), 1);
}

TEST(Rose, FavoursTheDirectionOfThePeriod) {
    // A row of dots every 4 voxels along x: the autocorrelation peaks on the x axis only.
    // The block is large enough for the rays to start past the centre voxel (r0 > 1).
    Bloc b(64, 40, 40);
    for (int x = 0; x < b.l; x += 4)
        b.at(x, 5, 9) = 255;
    ASSERT_TRUE(autocorrelationBloc(b.v.data(), b.l, b.h, b.p));
    TableRose rose;
    calculerRose(b.v.data(), b.l, b.h, b.p, rose);
    EXPECT_EQ(rose[0][0], 255);
    EXPECT_EQ(rose[0][180], 255);
    EXPECT_LT(rose[0][90], 64);
    EXPECT_LT(rose[90][0], 64);
    const auto ind = calculerIndColor(rose, directionsReference());
    EXPECT_EQ(ind[0], 255);
    for (int k = 1; k < kNbDirections; ++k)
        EXPECT_LT(ind[k], ind[0]) << k;
}

TEST(Rose, WindowsAndFigures) {
    TableRose rose(180);
    for (auto& ligne : rose)
        ligne.fill(0);
    rose[170][350] = 1; // reached from (0, 0) by wrapping both angles
    rose[30][30] = 5;
    EXPECT_EQ(sommeAngle(rose, 0, 0), 1);
    EXPECT_EQ(sommeAngle(rose, 45, 45), 5);
    EXPECT_EQ(sommeAngle(rose, 90, 0), 0);
    const DirectionsRose dirs = directionsReference();
    for (int s : calculerIndColor(rose, dirs))
        EXPECT_LE(s, 255);
    // An all-zero rose: zero scores and no weighted mean.
    rose[170][350] = rose[30][30] = 0;
    for (int s : calculerIndColor(rose, dirs))
        EXPECT_EQ(s, 0);
    EXPECT_EQ(calculerCaracRose(rose, dirs).theta, 0.0f);

    for (auto& ligne : rose)
        ligne.fill(1);
    CaracteristiquesRose c = calculerCaracRose(rose, dirs);
    EXPECT_EQ(ligneResultatsRose(c), std::string(kLigneUniforme) + "\n");
    // Two equal largest values: the first index wins. Directions 2 (elevation 0) and 12
    // (elevation 90) weigh 9, the eleven others 1: 29 in all, a mean of 29 / 13 and a variance
    // of (11 (16 / 13)^2 + 2 (88 / 13)^2) / 13 = 18304 / 2197. theta and gamma are the means of
    // the direction indices and of their elevations so weighted: the indices 0 to 12 sum to
    // 78, plus 8 x 2 and 8 x 12, 190; the elevations to 450, plus 8 x 90, 1170.
    rose[0][90] = 9;
    rose[90][0] = 9;
    c = calculerCaracRose(rose, dirs);
    EXPECT_EQ(c.DirMaxRose, 2.0f);
    EXPECT_EQ(c.valMaxRose, 9.0f);
    EXPECT_FLOAT_EQ(c.MoyRose, 29.0f / 13.0f);
    EXPECT_NEAR(c.CoeffDirection, 18304.0 / 2197.0, 1e-4);
    EXPECT_FLOAT_EQ(c.theta, 190.0f / 29.0f);
    EXPECT_FLOAT_EQ(c.gamma, 1170.0f / 29.0f);
    // One direction alone: its index and its elevation.
    for (auto& ligne : rose)
        ligne.fill(0);
    rose[90][0] = 4;
    c = calculerCaracRose(rose, dirs);
    EXPECT_EQ(c.DirMaxRose, 12.0f);
    EXPECT_EQ(c.theta, 12.0f);
    EXPECT_EQ(c.gamma, 90.0f);
}

TEST(CubeAnalysis, SmallCubeOrPositionOutsideTheSceneDoNothing) {
    DossierTemporaire d;
    auto v = volume(32, 32, 32, d.chemin(), aleatoire(1));
    for (int taille : {2, 1, 0, -40})
        v->AnalyseCube(taille, -0.5f, 0.5f, -0.5f);
    v->AnalyseCube(100, 1.5f, 0.0f, 0.0f);
    v->AnalyseCube(100, 0.0f, std::nanf(""), 0.0f);
    EXPECT_TRUE(v->rose.empty());
    EXPECT_FALSE(fs::exists(d / "RoseValue.res"));
}

TEST(CubeAnalysis, OriginEvenSizesAndStrictlyInnerBlock) {
    DossierTemporaire d;
    // 64 x 48 x 36 voxels, cube 44/256: sizes 11, 8, 6, the first run as 10. Position
    // (0.65625, -0.25, -0.5): origin (1.65625 * 32, 1.25 * 24, 0.5 * 18) = (53, 30, 9).
    // The odd block would end on the last column (53 + 11 = 64).
    auto a = volume(64, 48, 36, d.chemin(), aleatoire(3));
    auto b = volume(64, 48, 36, d.chemin(), aleatoire(3));
    a->AnalyseCube(44, 0.65625f, -0.25f, -0.5f);
    ASSERT_EQ(a->rose.size(), 180u);
    b->runRose2(53, 30, 9, 10, 8, 6);
    EXPECT_EQ(a->rose, b->rose);
    EXPECT_EQ(a->indColor, b->indColor);
    EXPECT_EQ(a->tabdir, b->tabdir);

    // Blocks ending on the last voxel, starting before the first or empty are refused.
    auto c = volume(40, 48, 36, d.chemin(), aleatoire(3));
    c->runRose2(30, 0, 0, 10, 12, 10);
    c->runRose2(-2, 0, 0, 10, 12, 10);
    c->runRose2(0, 0, 0, 0, 12, 10);
    c->AnalyseCube(72, 1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(c->rose.empty());
    c->runRose2(29, 0, 0, 10, 12, 10);
    EXPECT_EQ(c->rose.size(), 180u);
}

TEST(CubeAnalysis, UniformBlockAndTwoIdenticalLines) {
    DossierTemporaire d;
    auto v = volume(48, 48, 48, d.chemin(), [](int, int, int) { return 90; });
    v->AnalyseCube(128, -0.5f, 0.5f, -0.5f); // 24^3 voxels from (12, 12, 12)
    v->AnalyseCube(128, -0.5f, 0.5f, -0.5f);
    ASSERT_EQ(v->rose.size(), 180u);
    for (const auto& ligne : v->rose)
        for (int r : ligne)
            ASSERT_EQ(r, 1);
    for (int s : v->indColor)
        EXPECT_EQ(s, 255);
    EXPECT_EQ(v->SumAngle(135, 45), 45 * 45);
    EXPECT_EQ(lignesResultats(d), std::vector<std::string>(2, kLigneUniforme));
}

TEST(CubeAnalysis, PeriodInTheVolumeAndImpossibleFile) {
    // The results file cannot be created: the tables are still filled.
    auto v = volume(80, 64, 64, "/nonexistent-stravol-folder/sub", [](int x, int y, int z) {
        return (y == 30 && z == 31 && x % 4 == 0) ? 250 : 5;
    });
    v->runRose2(8, 12, 12, 64, 40, 40);
    ASSERT_EQ(v->rose.size(), 180u);
    EXPECT_EQ(v->indColor[0], 255);
    for (int k = 1; k < 13; ++k)
        EXPECT_LT(v->indColor[k], 255) << k;
    EXPECT_EQ(v->DirMaxRose, 0.0f);
    EXPECT_EQ(v->valMaxRose, 255.0f);
}

TEST(CubeAnalysis, ComponentsOfTheBinarisedVolume) {
    DossierTemporaire d;
    auto v = volume(20, 20, 20, d.chemin(), [](int, int, int) { return 0; });
    v->CalculeFeatureCC(0, 0, 0, 20, 20, 20);
    EXPECT_FALSE(v->compCC); // no binarised volume

    // Binarised volume of 255 with two dark 3x3x3 cubes and one dark voxel.
    v->imageNiBlack = std::make_unique<unsigned char[]>(8000);
    std::fill(v->imageNiBlack.get(), v->imageNiBlack.get() + 8000, 255);
    auto noir = [&](int x, int y, int z) { v->imageNiBlack[(z * 20 + y) * 20 + x] = 0; };
    for (int i = 0; i < 27; ++i) {
        noir(12 + i % 3, 12 + i / 3 % 3, 12 + i / 9);
        noir(16 + i % 3, 4 + i / 3 % 3, 15 + i / 9);
    }
    noir(11, 5, 14);
    v->CalculeFeatureCC(10, 2, 10, 10, 18, 10); // may end on the last voxel
    ASSERT_TRUE(v->compCC && v->caracterisation);
    EXPECT_EQ(v->caracterisation->getnbCC(), 3.0f);
    EXPECT_FLOAT_EQ(v->caracterisation->getmoyAireCC(), 55.0f / 2.0f);
    EXPECT_NEAR(v->caracterisation->getmoyCompCC(), 26.0 * 26.0 / (4 * kPi * 27), 1e-5);
    auto premier = v->compCC;
    v->CalculeFeatureCC(11, 2, 10, 10, 18, 10);
    EXPECT_EQ(v->compCC, premier);

    // The driver's block, 10^3 from (10, 10, 10), holds one cube whole; it ends on the
    // last voxel, which the rose step refuses.
    v->AnalyseCube(128, 0.0f, 0.0f, 0.0f);
    ASSERT_NE(v->compCC, premier);
    EXPECT_EQ(v->compCC->getNbCC(), 1);
    EXPECT_TRUE(v->rose.empty());
}
