// The dual method's use cases: every label of a map with its neighbours and interfaces, and one
// object grown at a seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "extraction/MaillageDual.h"
#include "mesh/MesuresPlat.h"

using namespace Stravol;

namespace {

// 30 x 26 x 22 labels: 1 and 2 sharing a face, 3 inside 4, 5 cut by the volume's faces.
std::vector<std::uint16_t> carte(int& W, int& H, int& D) {
    W = 30, H = 26, D = 22;
    std::vector<std::uint16_t> v(std::size_t(W) * H * D, 0);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const double r2 =
                    (x - 20.0) * (x - 20.0) + (y - 16.0) * (y - 16.0) + (z - 11.0) * (z - 11.0);
                std::uint16_t& e = v[(std::size_t(z) * H + y) * W + std::size_t(x)];
                if (x >= 2 && x < 12 && y >= 2 && y < 10 && z >= 3 && z < 12)
                    e = x < 7 ? 1 : 2;
                else if (r2 <= 36.0)
                    e = r2 <= 6.25 ? 3 : 4;
                else if (x < 6 && y >= 16 && z >= 14)
                    e = 5;
            }
    return v;
}

} // namespace

TEST(MaillageDual, EveryLabelWithItsNeighboursAndInterfaces) {
    int W = 0, H = 0, D = 0;
    const std::vector<std::uint16_t> v = carte(W, H, D);
    CarteEtiquettes c;
    c.externe = v.data();
    c.W = W, c.H = H, c.D = D;
    OptionsExtraction options;
    options.surface = MethodeSurface::Duale;
    options.nbLissages = kToursDualParDefaut;
    Geometrie monde;
    monde.affine = {{{0.5, 0, 0, 0}, {0, 0.5, 0, 0}, {0, 0, 2.0, 0}}};
    Resultat<CarteDuale> r = maillerCarteDuale(c, options, monde);
    ASSERT_TRUE(r) << r.raison();
    const CarteDuale& d = r.valeur();
    ASSERT_EQ(d.index.valeurs, (std::vector<std::uint16_t>{1, 2, 3, 4, 5}));
    std::map<std::uint16_t, long long> voxels;
    for (const std::uint16_t e : v)
        if (e != 0)
            ++voxels[e];
    for (std::size_t k = 0; k < d.index.valeurs.size(); ++k)
        EXPECT_EQ(d.voxels[k], voxels[d.index.valeurs[k]]);

    // Neighbours: 1-2 both ways with one area, 3 only within 4, the background around the rest.
    const std::vector<std::vector<Voisin>> voisins = voisinsEtiquettes(d);
    const auto etiquettes = [&](std::size_t k) {
        std::vector<std::uint16_t> l;
        for (const Voisin& n : voisins[k])
            l.push_back(n.etiquette);
        return l;
    };
    EXPECT_EQ(etiquettes(0), (std::vector<std::uint16_t>{0, 2}));
    EXPECT_EQ(etiquettes(1), (std::vector<std::uint16_t>{0, 1}));
    EXPECT_EQ(etiquettes(2), (std::vector<std::uint16_t>{4}));
    EXPECT_EQ(etiquettes(3), (std::vector<std::uint16_t>{0, 3}));
    EXPECT_EQ(etiquettes(4), (std::vector<std::uint16_t>{0}));
    EXPECT_EQ(voisins[0][1].aireMm2, voisins[1][1].aireMm2);
    // The face between 1 and 2 is 8 x 9 voxels of 0.5 x 2 mm, barely moved by the smoothing.
    EXPECT_NEAR(voisins[0][1].aireMm2, 8 * 9 * 1.0, 0.05 * 72);

    // Each label once, on all threads; the same meshes as one at a time.
    std::mutex verrou;
    std::map<std::size_t, MaillagePlat> parRang;
    maillerEtiquettesDuales(d, [&](std::size_t k, MaillagePlat& m) {
        std::lock_guard<std::mutex> garde(verrou);
        EXPECT_TRUE(parRang.emplace(k, std::move(m)).second);
    });
    ASSERT_EQ(parRang.size(), d.index.valeurs.size());
    // Without vertex normals: the same vertices and triangles.
    std::map<std::size_t, MaillagePlat> sansNormales;
    maillerEtiquettesDuales(
        d,
        [&](std::size_t k, MaillagePlat& m) {
            std::lock_guard<std::mutex> garde(verrou);
            sansNormales.emplace(k, std::move(m));
        },
        NormalesSommets::Sans);
    for (const auto& [k, m] : parRang) {
        const MaillagePlat seul = maillageEtiquette(d.surface, d.index, k);
        EXPECT_EQ(m.positions, seul.positions);
        EXPECT_EQ(m.triangles, seul.triangles);
        EXPECT_EQ(m.normales.size(), m.positions.size());
        EXPECT_EQ(sansNormales[k].positions, m.positions);
        EXPECT_EQ(sansNormales[k].triangles, m.triangles);
        EXPECT_TRUE(sansNormales[k].normales.empty());
        EXPECT_TRUE(controlerMaillagePlat(m).variete());
        const double n = static_cast<double>(d.voxels[k]);
        EXPECT_NEAR(mesurerMaillagePlat(m).volume, n, (n >= 500 ? 0.02 : 0.1) * n);
    }
    std::size_t interfaces = 0;
    maillerInterfacesDuales(d, [&](std::size_t k, MaillagePlat& m) {
        std::lock_guard<std::mutex> garde(verrou);
        EXPECT_EQ(m.nbTriangles(), d.interfaces.paires[k].nbTriangles);
        ++interfaces;
    });
    EXPECT_EQ(interfaces, d.interfaces.paires.size());
    EXPECT_EQ(interfaces, 6u);
}

TEST(MaillageDual, TheMapIsReadBeforeItCanBeReleased) {
    int W = 0, H = 0, D = 0;
    std::vector<std::uint16_t> v = carte(W, H, D);
    CarteEtiquettes c;
    c.externe = v.data();
    c.W = W, c.H = H, c.D = D;
    OptionsExtraction options;
    options.nbLissages = kToursDualParDefaut;
    const Geometrie monde;
    Resultat<CarteDuale> lue = maillerCarteDuale(c, options, monde);
    ASSERT_TRUE(lue) << lue.raison();
    // The caller overwrites the map where it is told it may release it: nothing changes.
    int appels = 0;
    Resultat<CarteDuale> liberee = maillerCarteDuale(c, options, monde, [&] {
        ++appels;
        std::fill(v.begin(), v.end(), std::uint16_t{7});
    });
    ASSERT_TRUE(liberee) << liberee.raison();
    EXPECT_EQ(appels, 1);
    const CarteDuale &a = lue.valeur(), &b = liberee.valeur();
    EXPECT_EQ(a.surface.positions, b.surface.positions);
    EXPECT_EQ(a.surface.triangles, b.surface.triangles);
    EXPECT_EQ(a.index.valeurs, b.index.valeurs);
    EXPECT_EQ(a.voxels, b.voxels);
    ASSERT_EQ(a.interfaces.paires.size(), b.interfaces.paires.size());
    for (std::size_t k = 0; k < a.interfaces.paires.size(); ++k)
        EXPECT_EQ(a.interfaces.paires[k].aireMm2, b.interfaces.paires[k].aireMm2);
}

TEST(MaillageDual, OneObjectAtASeedIsItsTwentySixConnectedVoxels) {
    // Two boxes of grey 200 touching along an edge (one object), a third apart.
    auto volume = std::make_unique<CImageTroisD>(20, 20, 20);
    for (int z = 0; z < 20; ++z)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool a = x >= 3 && x < 8 && y >= 3 && y < 8 && z >= 3 && z < 10;
                const bool b = x >= 8 && x < 12 && y >= 8 && y < 13 && z >= 3 && z < 10;
                const bool c = x >= 14 && x < 17 && y >= 14 && y < 17 && z >= 14 && z < 17;
                volume->setVoxelImage(x, y, z, a || b || c ? 200 : 20);
            }
    OptionsExtraction options;
    options.surface = MethodeSurface::Duale;
    options.nbLissages = 0;
    Resultat<ObjetDual> brut = extraireAuGermeDual(*volume, {4, 4, 4}, options);
    ASSERT_TRUE(brut) << brut.raison();
    EXPECT_EQ(brut.valeur().valeurGerme, 200);
    EXPECT_EQ(brut.valeur().nbVoxels, 5 * 5 * 7 + 4 * 5 * 7);
    // No voxel added: the surface of the voxels themselves, the two boxes apart at their edge.
    const ControleMaillagePlat c = controlerMaillagePlat(brut.valeur().maillage);
    EXPECT_TRUE(c.variete());
    EXPECT_DOUBLE_EQ(mesurerMaillagePlat(brut.valeur().maillage).volume,
                     static_cast<double>(brut.valeur().nbVoxels));

    options.nbLissages = kToursDualParDefaut;
    Resultat<ObjetDual> lisse = extraireAuGermeDual(*volume, {4, 4, 4}, options);
    ASSERT_TRUE(lisse);
    EXPECT_TRUE(controlerMaillagePlat(lisse.valeur().maillage).variete());
    EXPECT_NEAR(mesurerMaillagePlat(lisse.valeur().maillage).volume, 315.0, 0.02 * 315.0);

    EXPECT_FALSE(extraireAuGermeDual(*volume, {20, 0, 0}, options));
    EXPECT_FALSE(extraireAuGermeDual(CImageTroisD(0, 0, 0), {0, 0, 0}, options));
}
