#include "core/Pi.h"
#include "region/ComposanteConnexe.h"
#include "region/Cvecto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <vector>

namespace {

// Byte volume, x fastest, filled with a background value.
struct Volume {
    int l, h, p;
    std::vector<unsigned char> v;
    Volume(int l_, int h_, int p_, unsigned char fond = 255)
        : l(l_), h(h_), p(p_), v(static_cast<size_t>(l_) * h_ * p_, fond) {}
    unsigned char& at(int x, int y, int z) { return v[(static_cast<size_t>(z) * h + y) * l + x]; }
    void boite(int x0, int y0, int z0, int sx, int sy, int sz, unsigned char val = 0) {
        for (int z = z0; z < z0 + sz; ++z)
            for (int y = y0; y < y0 + sy; ++y)
                for (int x = x0; x < x0 + sx; ++x)
                    at(x, y, z) = val;
    }
};

struct Analyse {
    ComposanteConnexe cc;
    explicit Analyse(const Volume& vol) : cc(vol.v.data(), vol.l, vol.h, vol.p) {
        cc.ComputeCC1(0);
        cc.computeCompacite();
    }
};

// Component of every voxel of value 0 by flood fill (0 elsewhere); returns the count.
int remplissage(Volume& vol, std::vector<int>& comp) {
    comp.assign(vol.v.size(), 0);
    int n = 0;
    std::vector<std::array<int, 3>> pile;
    for (int z = 0; z < vol.p; ++z)
        for (int y = 0; y < vol.h; ++y)
            for (int x = 0; x < vol.l; ++x) {
                if (vol.at(x, y, z) != 0 || comp[&vol.at(x, y, z) - vol.v.data()] != 0)
                    continue;
                comp[&vol.at(x, y, z) - vol.v.data()] = ++n;
                pile.push_back({x, y, z});
                while (!pile.empty()) {
                    const auto [cx, cy, cz] = pile.back();
                    pile.pop_back();
                    for (int d = 0; d < 27; ++d) {
                        const int vx = cx + d % 3 - 1, vy = cy + d / 3 % 3 - 1, vz = cz + d / 9 - 1;
                        if (vx < 0 || vy < 0 || vz < 0 || vx >= vol.l || vy >= vol.h || vz >= vol.p)
                            continue;
                        const size_t i = &vol.at(vx, vy, vz) - vol.v.data();
                        if (vol.v[i] == 0 && comp[i] == 0) {
                            comp[i] = n;
                            pile.push_back({vx, vy, vz});
                        }
                    }
                }
            }
    return n;
}

} // namespace

TEST(ComposanteConnexe, WithoutAVoxelOfTheValueAllIsZero) {
    Analyse a(Volume(6, 5, 4, 200));
    EXPECT_EQ(a.cc.getNbCC(), 0);
    Cvecto v;
    v.setnbCC(9.0f);
    v.setmoyAireCC(9.0f);
    a.cc.copieParametres(v);
    EXPECT_EQ(v.getnbCC(), 0.0f);
    EXPECT_EQ(v.getmoyCompCC(), 0.0f);
    EXPECT_EQ(v.getvarCompCC(), 0.0f);
    EXPECT_EQ(v.getmoyAireCC(), 0.0f);
}

TEST(ComposanteConnexe, TwentySixNeighboursAndAUShape) {
    // Two voxels form one component exactly when they touch, even at a corner.
    for (int d = 0; d < 125; ++d) {
        const int dx = d % 5 - 2, dy = d / 5 % 5 - 2, dz = d / 25 - 2;
        if (d == 62)
            continue;
        Volume vol(5, 5, 5);
        vol.at(2, 2, 2) = 0;
        vol.at(2 + dx, 2 + dy, 2 + dz) = 0;
        const bool touche = std::abs(dx) <= 1 && std::abs(dy) <= 1 && std::abs(dz) <= 1;
        EXPECT_EQ(Analyse(vol).cc.getNbCC(), touche ? 1 : 2) << dx << " " << dy << " " << dz;
    }
    // The arms of a U are met first as two components; both end with one label.
    Volume u(5, 5, 1);
    u.boite(0, 0, 0, 1, 5, 1);
    u.boite(4, 0, 0, 1, 5, 1);
    u.boite(0, 4, 0, 5, 1, 1);
    Analyse au(u);
    EXPECT_EQ(au.cc.getNbCC(), 1);
    EXPECT_EQ(au.cc.getEtiquette(0, 0, 0), au.cc.getEtiquette(4, 0, 0));
    EXPECT_EQ(au.cc.getEtiquette(0, 0, 0), au.cc.getEtiquette(2, 4, 0));
}

TEST(ComposanteConnexe, LabelsMatchAFloodFill) {
    std::mt19937 gen(12345);
    std::uniform_int_distribution<int> taille(1, 14);
    for (int essai = 0; essai < 40; ++essai) {
        Volume vol(taille(gen), taille(gen), taille(gen));
        std::bernoulli_distribution plein(0.15 + 0.02 * (essai % 20));
        for (auto& b : vol.v)
            b = plein(gen) ? 0 : 3;
        Analyse a(vol);
        std::vector<int> comp;
        ASSERT_EQ(a.cc.getNbCC(), remplissage(vol, comp));
        // Same label exactly when same component: the two numberings are in bijection.
        std::map<int, int32_t> versEtiquette;
        std::map<int32_t, int> versComposante;
        for (int z = 0; z < vol.p; ++z)
            for (int y = 0; y < vol.h; ++y)
                for (int x = 0; x < vol.l; ++x) {
                    const int c = comp[&vol.at(x, y, z) - vol.v.data()];
                    const int32_t e = a.cc.getEtiquette(x, y, z);
                    ASSERT_EQ(e == 0, c == 0);
                    if (e != 0) {
                        ASSERT_EQ(versEtiquette.emplace(c, e).first->second, e);
                        ASSERT_EQ(versComposante.emplace(e, c).first->second, c);
                    }
                }
        int64_t somme = 0;
        for (int k = 1; k <= a.cc.getNbCC(); ++k) {
            EXPECT_LE(a.cc.getStat(k).surface, a.cc.getStat(k).volume);
            somme += a.cc.getStat(k).volume;
        }
        EXPECT_EQ(somme, std::count_if(comp.begin(), comp.end(), [](int c) { return c != 0; }));
    }
}

TEST(ComposanteConnexe, SolidCubesVolumeSurfaceCompactness) {
    struct Cas {
        int cote, volume, surface;
        double compacite;
    };
    for (Cas c : {Cas{3, 27, 26, 1.99}, Cas{5, 125, 98, 6.11}}) {
        Volume vol(c.cote + 4, c.cote + 5, c.cote + 6, 90);
        vol.boite(2, 3, 1, c.cote, c.cote, c.cote);
        Analyse a(vol);
        ASSERT_EQ(a.cc.getNbCC(), 1);
        EXPECT_EQ(a.cc.getStat(1).volume, c.volume);
        EXPECT_EQ(a.cc.getStat(1).surface, c.surface);
        EXPECT_NEAR(a.cc.getStat(1).compacite, double(c.surface) * c.surface / (4 * kPi * c.volume),
                    1e-5);
        EXPECT_NEAR(a.cc.getStat(1).compacite, c.compacite, 0.005);
        EXPECT_FLOAT_EQ(a.cc.getMoyCompCC(), a.cc.getStat(1).compacite);
        EXPECT_FLOAT_EQ(a.cc.getMoyAireCC(), float(c.volume));
        EXPECT_FLOAT_EQ(a.cc.getVarCompCC(), 0.0f);
    }
}

TEST(ComposanteConnexe, SmallComponentAndNumberingOrder) {
    // The cube at x = 0 is numbered first (x-outermost scan) although the 4-voxel line
    // comes first in buffer order. The line adds to the sums, not to the divisor.
    Volume vol(10, 7, 7);
    vol.boite(5, 0, 0, 4, 1, 1);
    vol.boite(0, 3, 3, 3, 3, 3);
    Analyse a(vol);
    ASSERT_EQ(a.cc.getNbCC(), 2);
    EXPECT_EQ(a.cc.getStat(1).volume, 27);
    EXPECT_EQ(a.cc.getStat(2).volume, 4);
    EXPECT_EQ(a.cc.getStat(2).compacite, 0.0f);
    const float c = a.cc.getStat(1).compacite;
    EXPECT_FLOAT_EQ(a.cc.getMoyAireCC(), 31.0f);
    EXPECT_FLOAT_EQ(a.cc.getMoyCompCC(), c);
    EXPECT_NEAR(a.cc.getVarCompCC(), double(c) * c, 1e-4);

    // Only small components: nothing is valid and every statistic is 0.
    Volume petits(9, 3, 3);
    petits.boite(0, 0, 0, 2, 2, 1);
    petits.at(5, 0, 0) = 0;
    Analyse ap(petits);
    EXPECT_EQ(ap.cc.getNbCC(), 2);
    EXPECT_EQ(ap.cc.getMoyAireCC(), 0.0f);
    EXPECT_EQ(ap.cc.getMoyCompCC(), 0.0f);
}

TEST(ComposanteConnexe, OuterLayerCountsAsSurface) {
    Volume plein(5, 4, 6, 0);
    Analyse a(plein);
    ASSERT_EQ(a.cc.getNbCC(), 1);
    EXPECT_EQ(a.cc.getStat(1).surface, 120 - 3 * 2 * 4);
    for (int z = 0; z < 6; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool bord = x == 0 || y == 0 || z == 0 || x == 4 || y == 3 || z == 5;
                EXPECT_EQ(a.cc.CheckVoisin(x, y, z), bord ? 0 : -1);
            }
    // One unlabelled voxel in the middle makes its 26 neighbours surface voxels.
    Volume trou(7, 7, 7, 0);
    trou.at(3, 3, 3) = 9;
    EXPECT_EQ(Analyse(trou).cc.getStat(1).surface, 218 + 26);
}

TEST(ComposanteConnexe, ExtremeVolumes) {
    // A single voxel issues label N, the last entry of the tables.
    const unsigned char zero = 0;
    ComposanteConnexe un(&zero, 1, 1, 1);
    un.ComputeCC1(0);
    un.computeCompacite();
    EXPECT_EQ(un.getNbCC(), 1);
    EXPECT_EQ(un.getStat(1).surface, 1);
    for (int l : {0, -3}) {
        ComposanteConnexe vide(&zero, l, 1, 1);
        vide.ComputeCC1(0);
        vide.computeCompacite();
        EXPECT_EQ(vide.getNbCC(), 0);
    }
    int32_t liste[3] = {9, 4, 7};
    EXPECT_EQ(ComposanteConnexe::etiquetteMin(3, liste), 4);
    EXPECT_EQ(ComposanteConnexe::etiquetteMin(0, liste), 2147483647);
}
