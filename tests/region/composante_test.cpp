#include "region/ComposanteConnexe.h"
#include "region/Cvecto.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <queue>
#include <random>
#include <vector>

namespace
{

// Byte volume of the given sizes, x fastest, filled with a background value.
struct Volume
{
    int l, h, p;
    std::vector<unsigned char> v;
    Volume(int l_, int h_, int p_, unsigned char fond = 255)
        : l(l_), h(h_), p(p_), v(static_cast<size_t>(l_) * h_ * p_, fond)
    {
    }
    unsigned char& at(int x, int y, int z) { return v[(static_cast<size_t>(z) * h + y) * l + x]; }
    void boite(int x0, int y0, int z0, int sx, int sy, int sz, unsigned char val = 0)
    {
        for (int z = z0; z < z0 + sz; ++z)
            for (int y = y0; y < y0 + sy; ++y)
                for (int x = x0; x < x0 + sx; ++x)
                    at(x, y, z) = val;
    }
};

struct Analyse
{
    ComposanteConnexe cc;
    explicit Analyse(const Volume& vol, unsigned char WorB = 0) : cc(vol.v.data(), vol.l, vol.h, vol.p)
    {
        cc.ComputeCC1(WorB);
        cc.computeCompacite();
    }
};

// Component count by breadth-first flood fill, and the component of every voxel.
int composantesReference(const Volume& vol, unsigned char WorB, std::vector<int>& comp)
{
    comp.assign(vol.v.size(), 0);
    int n = 0;
    auto idx = [&](int x, int y, int z) { return (static_cast<size_t>(z) * vol.h + y) * vol.l + x; };
    for (int z = 0; z < vol.p; ++z)
        for (int y = 0; y < vol.h; ++y)
            for (int x = 0; x < vol.l; ++x)
            {
                if (vol.v[idx(x, y, z)] != WorB || comp[idx(x, y, z)] != 0)
                    continue;
                ++n;
                std::queue<std::array<int, 3>> file;
                file.push({x, y, z});
                comp[idx(x, y, z)] = n;
                while (!file.empty())
                {
                    auto [cx, cy, cz] = file.front();
                    file.pop();
                    for (int dz = -1; dz <= 1; ++dz)
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx)
                            {
                                const int vx = cx + dx, vy = cy + dy, vz = cz + dz;
                                if (vx < 0 || vy < 0 || vz < 0 || vx >= vol.l || vy >= vol.h ||
                                    vz >= vol.p)
                                    continue;
                                const size_t i = idx(vx, vy, vz);
                                if (vol.v[i] == WorB && comp[i] == 0)
                                {
                                    comp[i] = n;
                                    file.push({vx, vy, vz});
                                }
                            }
                }
            }
    return n;
}

double compaciteAttendue(int surface, int volume)
{
    return static_cast<double>(surface) * surface / (4.0 * M_PI * volume);
}

} // namespace

TEST(ComposanteConnexe, SansVoxelDeLaValeurToutEstNul)
{
    Volume vol(6, 5, 4, 200);
    Analyse a(vol);
    EXPECT_EQ(a.cc.getNbCC(), 0);
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(a.cc.getEtiquette(x, y, z), 0);
    Cvecto v;
    v.setnbCC(9.0f);
    v.setmoyAireCC(9.0f);
    a.cc.copieParametres(v);
    EXPECT_EQ(v.getnbCC(), 0.0f);
    EXPECT_EQ(v.getmoyCompCC(), 0.0f);
    EXPECT_EQ(v.getvarCompCC(), 0.0f);
    EXPECT_EQ(v.getmoyAireCC(), 0.0f);
}

TEST(ComposanteConnexe, VingtSixVoisinsReliesDistanceDeuxSeparee)
{
    for (int dz = -2; dz <= 2; ++dz)
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
            {
                if (dx == 0 && dy == 0 && dz == 0)
                    continue;
                Volume vol(5, 5, 5);
                vol.at(2, 2, 2) = 0;
                vol.at(2 + dx, 2 + dy, 2 + dz) = 0;
                Analyse a(vol);
                const bool touche = std::abs(dx) <= 1 && std::abs(dy) <= 1 && std::abs(dz) <= 1;
                EXPECT_EQ(a.cc.getNbCC(), touche ? 1 : 2) << dx << " " << dy << " " << dz;
                EXPECT_EQ(a.cc.getEtiquette(2, 2, 2) == a.cc.getEtiquette(2 + dx, 2 + dy, 2 + dz),
                          touche);
            }
}

TEST(ComposanteConnexe, FormesEnUEtEnPeigneFinissentAvecUneEtiquette)
{
    // U in one slice: both arms start as separate components in raster order.
    Volume u(5, 5, 1);
    u.boite(0, 0, 0, 1, 5, 1);
    u.boite(4, 0, 0, 1, 5, 1);
    u.boite(0, 4, 0, 5, 1, 1);
    Analyse au(u);
    EXPECT_EQ(au.cc.getNbCC(), 1);
    EXPECT_EQ(au.cc.getEtiquette(0, 0, 0), au.cc.getEtiquette(4, 0, 0));
    EXPECT_NE(au.cc.getEtiquette(0, 0, 0), 0);

    // Comb whose teeth meet only at the last row and through the depth: long chains
    // of equivalences that must all collapse on one representative.
    Volume peigne(31, 8, 6);
    for (int x = 0; x < 31; x += 2)
        peigne.boite(x, 0, 0, 1, 8, 1);
    peigne.boite(0, 7, 0, 31, 1, 1);
    for (int y = 0; y < 8; y += 2)
        peigne.boite(30, y, 0, 1, 1, 6);
    peigne.boite(0, 0, 5, 31, 1, 1);
    Analyse ap(peigne);
    EXPECT_EQ(ap.cc.getNbCC(), 1);
    const int32_t e = ap.cc.getEtiquette(0, 0, 0);
    for (int z = 0; z < 6; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 31; ++x)
                if (peigne.at(x, y, z) == 0)
                {
                    EXPECT_EQ(ap.cc.getEtiquette(x, y, z), e);
                }
}

TEST(ComposanteConnexe, EtiquettesConcordentAvecUnRemplissage)
{
    std::mt19937 gen(12345);
    for (int essai = 0; essai < 40; ++essai)
    {
        std::uniform_int_distribution<int> taille(1, 14);
        Volume vol(taille(gen), taille(gen), taille(gen));
        std::bernoulli_distribution plein(0.15 + 0.02 * (essai % 20));
        for (auto& b : vol.v)
            b = plein(gen) ? 7 : 3;
        Analyse a(vol, 7);
        std::vector<int> comp;
        const int n = composantesReference(vol, 7, comp);
        ASSERT_EQ(a.cc.getNbCC(), n);
        // Same label exactly when same component: a bijection between the two numberings.
        std::map<int, int32_t> versEtiquette;
        std::map<int32_t, int> versComposante;
        int64_t sommeVolumes = 0;
        for (int z = 0; z < vol.p; ++z)
            for (int y = 0; y < vol.h; ++y)
                for (int x = 0; x < vol.l; ++x)
                {
                    const size_t i = (static_cast<size_t>(z) * vol.h + y) * vol.l + x;
                    const int32_t e = a.cc.getEtiquette(x, y, z);
                    ASSERT_EQ(e == 0, comp[i] == 0);
                    if (e == 0)
                        continue;
                    auto [it, neuf] = versEtiquette.emplace(comp[i], e);
                    ASSERT_EQ(it->second, e);
                    auto [jt, neuf2] = versComposante.emplace(e, comp[i]);
                    ASSERT_EQ(jt->second, comp[i]);
                }
        for (int k = 1; k <= n; ++k)
        {
            EXPECT_GT(a.cc.getStat(k).volume, 0);
            EXPECT_LE(a.cc.getStat(k).surface, a.cc.getStat(k).volume);
            sommeVolumes += a.cc.getStat(k).volume;
        }
        int64_t attendus = 0;
        for (int c : comp)
            attendus += c != 0;
        EXPECT_EQ(sommeVolumes, attendus);
    }
}

TEST(ComposanteConnexe, CubesPleinsVolumeSurfaceCompacite)
{
    struct Cas
    {
        int cote, volume, surface;
    };
    for (Cas c : {Cas{3, 27, 26}, Cas{5, 125, 98}})
    {
        Volume vol(c.cote + 4, c.cote + 5, c.cote + 6, 90);
        vol.boite(2, 3, 1, c.cote, c.cote, c.cote);
        Analyse a(vol);
        ASSERT_EQ(a.cc.getNbCC(), 1);
        EXPECT_EQ(a.cc.getStat(1).volume, c.volume);
        EXPECT_EQ(a.cc.getStat(1).surface, c.surface);
        EXPECT_NEAR(a.cc.getStat(1).compacite, compaciteAttendue(c.surface, c.volume), 1e-5);
        EXPECT_FLOAT_EQ(a.cc.getMoyCompCC(), a.cc.getStat(1).compacite);
        EXPECT_FLOAT_EQ(a.cc.getMoyAireCC(), static_cast<float>(c.volume));
        EXPECT_FLOAT_EQ(a.cc.getVarCompCC(), 0.0f);
    }
    Volume trois(7, 7, 7);
    trois.boite(2, 2, 2, 3, 3, 3);
    EXPECT_NEAR(Analyse(trois).cc.getStat(1).compacite, 1.99, 0.005);
    Volume cinq(7, 7, 7);
    cinq.boite(1, 1, 1, 5, 5, 5);
    EXPECT_NEAR(Analyse(cinq).cc.getStat(1).compacite, 6.11, 0.005);
}

TEST(ComposanteConnexe, PetiteComposanteHorsDuDiviseur)
{
    // A 4-voxel line met first in the x-outermost scan, then a 3x3x3 cube.
    Volume vol(10, 6, 6);
    vol.boite(0, 1, 1, 1, 4, 1);
    vol.boite(5, 1, 1, 3, 3, 3);
    Analyse a(vol);
    ASSERT_EQ(a.cc.getNbCC(), 2);
    EXPECT_EQ(a.cc.getStat(1).volume, 4);
    EXPECT_EQ(a.cc.getStat(1).compacite, 0.0f);
    EXPECT_EQ(a.cc.getStat(2).volume, 27);
    const float c = a.cc.getStat(2).compacite;
    EXPECT_FLOAT_EQ(a.cc.getMoyAireCC(), 31.0f);
    EXPECT_FLOAT_EQ(a.cc.getMoyCompCC(), c);
    EXPECT_NEAR(a.cc.getVarCompCC(), static_cast<double>(c) * c, 1e-4);

    // Numbering follows the x-outermost scan, not the buffer order: the cube at x = 0
    // comes first although the line is met first in buffer order.
    Volume ordre(10, 7, 7);
    ordre.boite(5, 0, 0, 4, 1, 1);
    ordre.boite(0, 3, 3, 3, 3, 3);
    Analyse ao(ordre);
    ASSERT_EQ(ao.cc.getNbCC(), 2);
    EXPECT_EQ(ao.cc.getStat(1).volume, 27);
    EXPECT_EQ(ao.cc.getStat(1).surface, 26);
    EXPECT_EQ(ao.cc.getStat(2).volume, 4);

    // Only small components: nothing valid, every statistic 0.
    Volume petits(9, 3, 3);
    petits.boite(0, 0, 0, 2, 2, 1);
    petits.boite(5, 0, 0, 1, 1, 1);
    Analyse ap(petits);
    EXPECT_EQ(ap.cc.getNbCC(), 2);
    EXPECT_EQ(ap.cc.getMoyAireCC(), 0.0f);
    EXPECT_EQ(ap.cc.getMoyCompCC(), 0.0f);
    EXPECT_EQ(ap.cc.getVarCompCC(), 0.0f);
}

TEST(ComposanteConnexe, CoucheExterieureCompteCommeSurface)
{
    // The whole volume is one component: only the voxels whose 3x3x3 block lies
    // inside the volume are interior.
    Volume plein(5, 4, 6, 0);
    Analyse a(plein);
    ASSERT_EQ(a.cc.getNbCC(), 1);
    EXPECT_EQ(a.cc.getStat(1).volume, 120);
    EXPECT_EQ(a.cc.getStat(1).surface, 120 - 3 * 2 * 4);
    for (int z = 0; z < 6; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
            {
                const bool bord = x == 0 || y == 0 || z == 0 || x == 4 || y == 3 || z == 5;
                EXPECT_EQ(a.cc.CheckVoisin(x, y, z), bord ? 0 : -1);
            }
    // One unlabelled voxel in the middle turns its 26 neighbours into surface voxels,
    // beside the 218 voxels of the outer layer.
    Volume deux(7, 7, 7, 0);
    deux.at(3, 3, 3) = 9;
    Analyse ad(deux);
    EXPECT_EQ(ad.cc.getStat(1).surface, 218 + 26);
}

TEST(ComposanteConnexe, PetitsVolumesEtArguments)
{
    // A single voxel issues label N, the last entry of the tables.
    const unsigned char zero = 0;
    ComposanteConnexe un(&zero, 1, 1, 1);
    un.ComputeCC1(0);
    un.computeCompacite();
    EXPECT_EQ(un.getNbCC(), 1);
    EXPECT_EQ(un.getStat(1).volume, 1);
    EXPECT_EQ(un.getStat(1).surface, 1);

    // Isolated voxels on every second site: one label per voxel, N / 8 of them.
    Volume damier(8, 8, 8);
    for (int z = 0; z < 8; z += 2)
        for (int y = 0; y < 8; y += 2)
            for (int x = 0; x < 8; x += 2)
                damier.at(x, y, z) = 0;
    EXPECT_EQ(Analyse(damier).cc.getNbCC(), 64);

    ComposanteConnexe vide(nullptr, 0, 4, 4);
    vide.ComputeCC1(0);
    vide.computeCompacite();
    EXPECT_EQ(vide.getNbCC(), 0);
    ComposanteConnexe negatif(&zero, -3, 1, 1);
    negatif.ComputeCC1(0);
    negatif.computeCompacite();
    EXPECT_EQ(negatif.getNbCC(), 0);

    int32_t liste[13] = {9, 4, 7};
    EXPECT_EQ(ComposanteConnexe::etiquetteMin(3, liste), 4);
    EXPECT_EQ(ComposanteConnexe::etiquetteMin(0, liste), std::numeric_limits<int32_t>::max());

    // The object works on its own copy of the input.
    Volume vol(4, 4, 4);
    vol.at(1, 1, 1) = 0;
    ComposanteConnexe cc(vol.v.data(), 4, 4, 4);
    vol.at(3, 3, 3) = 0;
    cc.ComputeCC1(0);
    EXPECT_EQ(cc.getNbCC(), 1);
    EXPECT_EQ(cc.getEtiquette(3, 3, 3), 0);
}
