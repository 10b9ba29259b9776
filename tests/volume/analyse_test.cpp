#include "volume/analyse/AnalyseDirection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace
{

struct Bloc
{
    int l, h, p;
    std::vector<unsigned char> v;
    Bloc(int l_, int h_, int p_, unsigned char fond = 0)
        : l(l_), h(h_), p(p_), v(static_cast<size_t>(l_) * h_ * p_, fond)
    {
    }
    unsigned char& at(int x, int y, int z) { return v[x + static_cast<size_t>(l) * (y + static_cast<size_t>(h) * z)]; }
};

// Circular autocorrelation by direct sums, zero shift placed at the block centre,
// rescaled over the same voxels as the transform version.
std::vector<int> autocorrelationDirecte(const Bloc& b)
{
    const int cx = b.l / 2, cy = b.h / 2, cz = b.p / 2;
    auto val = [&](int x, int y, int z) {
        x = ((x % b.l) + b.l) % b.l;
        y = ((y % b.h) + b.h) % b.h;
        z = ((z % b.p) + b.p) % b.p;
        return static_cast<double>(b.v[x + static_cast<size_t>(b.l) * (y + static_cast<size_t>(b.h) * z)]);
    };
    std::vector<double> a(b.v.size());
    for (int z = 0; z < b.p; ++z)
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.l; ++x)
            {
                double s = 0;
                for (int k = 0; k < b.p; ++k)
                    for (int j = 0; j < b.h; ++j)
                        for (int i = 0; i < b.l; ++i)
                            s += val(i, j, k) * val(i + x - cx, j + y - cy, k + z - cz);
                a[x + static_cast<size_t>(b.l) * (y + static_cast<size_t>(b.h) * z)] = s;
            }
    double mx = 0, mn = 1e38;
    const double seuil = (0.01 * b.l) * (0.01 * b.l);
    for (int z = 1; z < b.p; ++z)
        for (int y = 1; y < b.h; ++y)
            for (int x = 1; x < b.l; ++x)
            {
                const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz);
                if (d2 <= seuil)
                    continue;
                const double m = a[x + static_cast<size_t>(b.l) * (y + static_cast<size_t>(b.h) * z)];
                mx = std::max(mx, m);
                mn = std::min(mn, m);
            }
    std::vector<int> r(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        r[i] = static_cast<int>(std::clamp((a[i] - mn) / (mx - mn) * 255.0, 0.0, 255.0));
    return r;
}

} // namespace

TEST(Autocorrelation, BlocsNonCubiquesCommeLesSommesDirectes)
{
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> octet(0, 255);
    for (auto [l, h, p] : {std::array<int, 3>{6, 4, 8}, {8, 8, 8}, {10, 6, 4}, {4, 12, 6}})
    {
        Bloc b(l, h, p);
        for (auto& v : b.v)
            v = static_cast<unsigned char>(octet(gen));
        const std::vector<int> attendu = autocorrelationDirecte(b);
        ASSERT_TRUE(autocorrelationBloc(b.v.data(), l, h, p));
        for (size_t i = 0; i < attendu.size(); ++i)
            ASSERT_NEAR(b.v[i], attendu[i], 1) << l << "x" << h << "x" << p << " voxel " << i;
    }
}

TEST(Autocorrelation, PeriodeLeLongDeXDansUnBlocAllonge)
{
    // Planes x = 0, 1 (mod 4) bright: the autocorrelation repeats with period 4 along x,
    // peaks at x-shifts 0, +-4, +-8 and is lowest at +-2, and does not vary along y or z.
    Bloc b(32, 16, 8);
    for (int z = 0; z < b.p; ++z)
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.l; ++x)
                b.at(x, y, z) = x % 4 < 2 ? 200 : 10;
    ASSERT_TRUE(autocorrelationBloc(b.v.data(), b.l, b.h, b.p));
    const int cx = 16, cy = 8, cz = 4;
    for (int d : {4, 8, -4, -8})
        EXPECT_GE(b.at(cx + d, cy, cz), 250) << d;
    for (int d : {2, 6, -2, -6})
        EXPECT_LE(b.at(cx + d, cy, cz), 5) << d;
    for (int z = 0; z < b.p; ++z)
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.l; ++x)
                ASSERT_NEAR(b.at(x, y, z), b.at(x, cy, cz), 1);
}

TEST(Autocorrelation, BlocUniformeDonneZeroEtRoseConstante)
{
    for (auto [l, h, p] : {std::array<int, 3>{16, 16, 16}, {30, 22, 14}, {2, 2, 2}})
    {
        Bloc b(l, h, p, 137);
        ASSERT_TRUE(autocorrelationBloc(b.v.data(), l, h, p));
        EXPECT_TRUE(std::all_of(b.v.begin(), b.v.end(), [](unsigned char c) { return c == 0; }));
        TableRose rose;
        calculerRose(b.v.data(), l, h, p, rose);
        ASSERT_EQ(rose.size(), 180u);
        for (const auto& ligne : rose)
            for (int v : ligne)
                ASSERT_EQ(v, 1);
        for (int s : calculerIndColor(rose, directionsReference()))
            EXPECT_EQ(s, 255);
    }
    EXPECT_FALSE(autocorrelationBloc(nullptr, 4, 4, 4));
    unsigned char un = 3;
    EXPECT_FALSE(autocorrelationBloc(&un, 0, 1, 1));
}

TEST(Rose, FavoriseLaDirectionDeLaPeriode)
{
    // A row of dots every 4 voxels along x: the autocorrelation peaks along the x axis
    // only, so the x direction (azimuth 0, elevation 0) dominates the rose. The block is
    // large enough for the rays to start past the centre voxel (r0 > 1).
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
    const DirectionsRose dirs = directionsReference();
    const auto ind = calculerIndColor(rose, dirs);
    EXPECT_EQ(ind[0], 255);
    for (int k = 1; k < kNbDirections; ++k)
        EXPECT_LT(ind[k], ind[0]) << k;
    const CaracteristiquesRose c = calculerCaracRose(rose, dirs);
    EXPECT_EQ(c.DirMaxRose, 0.0f);
    EXPECT_EQ(c.valMaxRose, 255.0f);
    EXPECT_EQ(c.tabdir[0], 255);
    EXPECT_GT(c.CoeffDirection, 0.0f);
}

TEST(Rose, GeometrieDesRayons)
{
    // Bright half-line from the centre towards +x: only rays near azimuth 0, elevation 0
    // cross it.
    Bloc b(20, 20, 20);
    for (int x = 11; x < 20; ++x)
        b.at(x, 10, 10) = 255;
    TableRose rose;
    calculerRose(b.v.data(), b.l, b.h, b.p, rose);
    EXPECT_EQ(rose[0][0], 255);
    EXPECT_EQ(rose[0][90], 0);
    EXPECT_EQ(rose[0][270], 0);
    EXPECT_EQ(rose[45][45], 0);
    EXPECT_EQ(rose[90][200], 0);
}

TEST(Rose, FenetreDesSommesEtScoresDesDirections)
{
    TableRose rose(180);
    for (auto& ligne : rose)
        ligne.fill(0);
    rose[170][350] = 1;
    rose[30][30] = 5;
    EXPECT_EQ(sommeAngle(rose, 0, 0), 1);
    EXPECT_EQ(sommeAngle(rose, 45, 45), 5);
    EXPECT_EQ(sommeAngle(rose, 90, 0), 0);

    for (auto& ligne : rose)
        ligne.fill(1);
    EXPECT_EQ(sommeAngle(rose, 0, 90), 45 * 45);
    const DirectionsRose dirs = directionsReference();
    ASSERT_EQ(dirs.size(), 13u);
    EXPECT_EQ(dirs[12][0], 0);
    EXPECT_EQ(dirs[12][1], 90);
    EXPECT_EQ(dirs[8][0], 180);

    // Scores are rescaled to the largest one; an all-zero rose keeps its zeros.
    for (auto& ligne : rose)
        ligne.fill(0);
    for (int e = 0; e < 30; ++e)
        for (int a = 0; a < 360; ++a)
            rose[e][a] = 2;
    const auto ind = calculerIndColor(rose, dirs);
    EXPECT_EQ(ind[0], 255);
    EXPECT_EQ(ind[12], 0);
    EXPECT_LT(ind[4], 255);
    for (auto& ligne : rose)
        ligne.fill(0);
    for (int s : calculerIndColor(rose, dirs))
        EXPECT_EQ(s, 0);
    const CaracteristiquesRose nul = calculerCaracRose(rose, dirs);
    EXPECT_EQ(nul.theta, 0.0f);
    EXPECT_EQ(nul.gamma, 0.0f);
}

TEST(Rose, FiguresEtLigneDeResultats)
{
    TableRose rose(180);
    for (auto& ligne : rose)
        ligne.fill(1);
    const DirectionsRose dirs = directionsReference();
    CaracteristiquesRose c = calculerCaracRose(rose, dirs);
    EXPECT_EQ(c.MoyRose, 1.0f);
    EXPECT_EQ(c.DirMaxRose, 0.0f);
    EXPECT_EQ(c.valMaxRose, 1.0f);
    EXPECT_EQ(c.CoeffDirection, 0.0f);
    EXPECT_FLOAT_EQ(c.theta, 6.0f);
    EXPECT_FLOAT_EQ(c.gamma, 450.0f / 13.0f);
    EXPECT_EQ(ligneResultatsRose(c),
              "theta: 6.000000 gamma:34.615383 Moy:1.000000 DirM:0.000000 valM:1.000000 "
              "CoeffD:0.000000 \n");

    // Two equal largest values: the first index wins; the deviation is a variance.
    rose[0][90] = 9;  // direction 2
    rose[90][0] = 9;  // direction 12
    c = calculerCaracRose(rose, dirs);
    EXPECT_EQ(c.DirMaxRose, 2.0f);
    EXPECT_EQ(c.valMaxRose, 9.0f);
    EXPECT_FLOAT_EQ(c.MoyRose, 29.0f / 13.0f);
    const double moy = 29.0 / 13.0;
    const double var = (11 * (1 - moy) * (1 - moy) + 2 * (9 - moy) * (9 - moy)) / 13.0;
    EXPECT_NEAR(c.CoeffDirection, var, 1e-4);
    EXPECT_FLOAT_EQ(c.theta, (78.0f - 2 - 12 + 9 * 2 + 9 * 12) / 29.0f);
}
