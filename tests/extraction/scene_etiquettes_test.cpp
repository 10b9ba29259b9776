// The labels as the window shows them: the inventory's counts, centroids and volumes against
// hand-computed boxes, every label meshed closed in its box by the dual method, the stop, and
// the labels by the file's values.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/Parallele.h"
#include "extraction/Extraction.h"
#include "extraction/SceneEtiquettes.h"
#include "helpers/mesh_helpers.h"
#include "volume/VolumeBrut.h"

using namespace Stravol;

namespace {

struct Carte {
    CarteEtiquettes carte;
    std::uint16_t& at(int x, int y, int z) {
        return carte.copie[(static_cast<std::size_t>(z) * carte.H + y) * carte.W + x];
    }
    // Label e over [x0, x1] x [y0, y1] x [z0, z1], inclusive.
    void boite(int x0, int y0, int z0, int x1, int y1, int z1, std::uint16_t e) {
        for (int z = z0; z <= z1; ++z)
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x)
                    at(x, y, z) = e;
    }
};

Carte carteVide(int W, int H, int D) {
    Carte c;
    c.carte.W = W;
    c.carte.H = H;
    c.carte.D = D;
    c.carte.copie.assign(static_cast<std::size_t>(W) * H * D, 0);
    return c;
}

// Three labels: 2 a box of 4 x 3 x 5, 700 two boxes of 2 x 2 x 2, 65535 one voxel at a corner.
Carte troisEtiquettes() {
    Carte c = carteVide(20, 16, 12);
    c.boite(2, 3, 4, 5, 5, 8, 2);
    c.boite(10, 10, 1, 11, 11, 2, 700);
    c.boite(14, 2, 8, 15, 3, 9, 700);
    c.at(19, 15, 11) = 65535;
    return c;
}

Soupe soupe(const MaillagePlat& m) {
    Soupe s;
    for (std::size_t i = 0; i < m.nbSommets(); ++i)
        s.positions.push_back({m.positions[3 * i], m.positions[3 * i + 1], m.positions[3 * i + 2]});
    for (std::size_t t = 0; t < m.nbTriangles(); ++t)
        s.triangles.push_back({static_cast<int>(m.triangles[3 * t]),
                               static_cast<int>(m.triangles[3 * t + 1]),
                               static_cast<int>(m.triangles[3 * t + 2])});
    return s;
}

} // namespace

TEST(SceneEtiquettes, InventoryCountsCentroidsAndVolumes) {
    Carte c = troisEtiquettes();
    Geometrie monde;
    monde.imposerEspacement({0.5, 2.0, 1.5}); // 1.5 mm^3 a voxel
    const std::vector<EtiquettePresente> l = inventaireEtiquettes(c.carte, monde);
    ASSERT_EQ(l.size(), 3u);

    EXPECT_EQ(l[0].valeur, 2);
    EXPECT_EQ(l[0].voxels, 4 * 3 * 5);
    EXPECT_DOUBLE_EQ(l[0].centre[0], 3.5);
    EXPECT_DOUBLE_EQ(l[0].centre[1], 4.0);
    EXPECT_DOUBLE_EQ(l[0].centre[2], 6.0);
    EXPECT_DOUBLE_EQ(l[0].volumeMm3, 60 * 1.5);

    // Two boxes of 8 voxels: the centroid lies between them, outside both.
    EXPECT_EQ(l[1].valeur, 700);
    EXPECT_EQ(l[1].voxels, 16);
    EXPECT_DOUBLE_EQ(l[1].centre[0], (10.5 + 14.5) / 2);
    EXPECT_DOUBLE_EQ(l[1].centre[1], (10.5 + 2.5) / 2);
    EXPECT_DOUBLE_EQ(l[1].centre[2], (1.5 + 8.5) / 2);

    EXPECT_EQ(l[2].valeur, 65535);
    EXPECT_EQ(l[2].voxels, 1);
    EXPECT_DOUBLE_EQ(l[2].centre[0], 19);
    EXPECT_DOUBLE_EQ(l[2].centre[2], 11);

    // A map without any label, and a map held elsewhere, read the same way.
    Carte vide = carteVide(3, 3, 3);
    EXPECT_TRUE(inventaireEtiquettes(vide.carte, monde).empty());
    CarteEtiquettes externe{c.carte.copie.data(), {}, c.carte.W, c.carte.H, c.carte.D, {}};
    EXPECT_EQ(inventaireEtiquettes(externe, monde).size(), 3u);
}

TEST(SceneEtiquettes, EveryLabelMeshedClosedInItsBox) {
    Carte c = troisEtiquettes();
    for (const int tours : {0, 20}) {
        OptionsExtraction options;
        options.nbLissages = tours;
        std::atomic<bool> arret{false};
        std::size_t annonce = 0;
        std::mutex verrou;
        std::map<std::uint32_t, MaillagePlat> recus;
        std::string erreur;
        ASSERT_TRUE(maillerToutesEtiquettes(
            c.carte, options, Geometrie(), arret, [&](std::size_t n) { annonce = n; },
            [&](std::uint32_t v, MaillagePlat& m) {
                std::lock_guard<std::mutex> garde(verrou);
                recus[v] = std::move(m);
            },
            erreur))
            << erreur;
        EXPECT_EQ(annonce, 3u);
        ASSERT_EQ(recus.size(), 3u);
        const std::map<std::uint32_t, double> voxels{{2, 60}, {700, 16}, {65535, 1}};
        for (const auto& [valeur, m] : recus) {
            ASSERT_TRUE(coherent(m));
            ASSERT_EQ(m.normales.size(), m.positions.size());
            const Soupe s = soupe(m);
            EXPECT_TRUE(fermeeEtOrientee(s)) << valeur;
            // The raw surface passes through the voxels' border: about their volume, never
            // beyond it; the smoothing keeps that volume.
            EXPECT_GT(volumeSigne(s), 0.1 * voxels.at(valeur)) << valeur;
            EXPECT_LE(volumeSigne(s), (tours == 0 ? 1.0 : 1.2) * voxels.at(valeur)) << valeur;
        }
        // Around the box of label 2, within a voxel.
        for (std::size_t i = 0; i < recus[2].nbSommets(); ++i) {
            EXPECT_GE(recus[2].positions[3 * i], 1.0f);
            EXPECT_LE(recus[2].positions[3 * i], 6.0f);
            EXPECT_GE(recus[2].positions[3 * i + 2], 3.0f);
            EXPECT_LE(recus[2].positions[3 * i + 2], 9.0f);
        }
    }
}

TEST(SceneEtiquettes, StopLeavesOutWhatIsNotBegun) {
    Carte c = troisEtiquettes();
    OptionsExtraction options;
    std::string erreur;
    // Already stopped: nothing is made.
    std::atomic<bool> arret{true};
    bool annonce = false;
    int appels = 0;
    EXPECT_TRUE(maillerToutesEtiquettes(
        c.carte, options, Geometrie(), arret, [&](std::size_t) { annonce = true; },
        [&](std::uint32_t, MaillagePlat&) { ++appels; }, erreur));
    EXPECT_FALSE(annonce);
    EXPECT_EQ(appels, 0);

    // Stopped by the first label handed over, on one thread: no other follows.
    definirNbThreads(1);
    arret = false;
    std::vector<std::uint32_t> faites;
    EXPECT_TRUE(maillerToutesEtiquettes(
        c.carte, options, Geometrie(), arret, [](std::size_t) {},
        [&](std::uint32_t v, MaillagePlat&) {
            faites.push_back(v);
            arret = true;
        },
        erreur));
    definirNbThreads(0);
    EXPECT_EQ(faites.size(), 1u);
}

TEST(SceneEtiquettes, LabelsByTheFilesValues) {
    // Stored labels 1 and 2 stand for the file's values 70000 and 5.
    Carte c = carteVide(12, 10, 8);
    c.boite(1, 1, 1, 4, 4, 4, 1);
    c.boite(7, 2, 2, 9, 5, 5, 2);
    c.carte.valeursVraies = {0, 70000, 5};
    const std::vector<EtiquettePresente> l = inventaireEtiquettes(c.carte, Geometrie());
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].valeur, 5u);
    EXPECT_EQ(l[0].stockee, 2);
    EXPECT_EQ(l[0].voxels, 3 * 4 * 4);
    EXPECT_EQ(l[1].valeur, 70000u);
    EXPECT_EQ(l[1].stockee, 1);
    EXPECT_DOUBLE_EQ(l[1].volumeMm3, 64);

    std::atomic<bool> arret{false};
    std::mutex verrou;
    std::set<std::uint32_t> valeurs;
    std::string erreur;
    EXPECT_TRUE(maillerToutesEtiquettes(
        c.carte, OptionsExtraction(), Geometrie(), arret, [](std::size_t) {},
        [&](std::uint32_t v, MaillagePlat& m) {
            EXPECT_FALSE(m.vide());
            std::lock_guard<std::mutex> garde(verrou);
            valeurs.insert(v);
        },
        erreur));
    EXPECT_EQ(valeurs, (std::set<std::uint32_t>{5, 70000}));
}

TEST(SceneEtiquettes, InventoryOfTheVolumeReadsItsSegmentationInPlace) {
    // A map large enough for the threads: an 8-bit segmentation, then exact labels stored by
    // rank with their file values beside.
    constexpr int W = 40, H = 36, D = 30;
    CImageTroisD volume(W, H, D);
    volume.geometrie.imposerEspacement({0.7, 1.0, 1.3});
    EXPECT_TRUE(inventaireEtiquettes(volume).empty());
    const std::size_t n = static_cast<std::size_t>(W) * H * D;
    volume.imageSegmente = VolumeOctets(new unsigned char[n]());
    for (std::size_t i = 0; i < n; ++i)
        volume.imageSegmente[i] = static_cast<unsigned char>(i % 7 == 0 ? 0 : (i * 31 / 97) % 256);
    const auto memes = [&](const CarteEtiquettes& carte) {
        const std::vector<EtiquettePresente> attendu =
            inventaireEtiquettes(carte, volume.geometrie);
        for (const int threads : {1, 2, 3}) {
            definirNbThreads(threads);
            const std::vector<EtiquettePresente> l = inventaireEtiquettes(volume);
            ASSERT_EQ(l.size(), attendu.size());
            for (std::size_t k = 0; k < l.size(); ++k) {
                EXPECT_EQ(l[k].valeur, attendu[k].valeur);
                EXPECT_EQ(l[k].stockee, attendu[k].stockee);
                EXPECT_EQ(l[k].voxels, attendu[k].voxels);
                EXPECT_EQ(l[k].centre, attendu[k].centre);
                EXPECT_EQ(l[k].volumeMm3, attendu[k].volumeMm3);
            }
        }
        definirNbThreads(0);
    };
    Resultat<CarteEtiquettes> copie = carteEtiquettes(volume, std::string());
    ASSERT_TRUE(copie);
    memes(copie.valeur());
    EXPECT_EQ(inventaireEtiquettes(volume).size(), 255u);

    volume.etiquettes.assign(n, 0);
    volume.valeursEtiquettes = {0, 17, 70000, 123456};
    for (std::size_t i = 0; i < n; ++i)
        volume.etiquettes[i] = static_cast<std::uint16_t>(i % 4);
    Resultat<CarteEtiquettes> exactes = carteEtiquettes(volume, std::string());
    ASSERT_TRUE(exactes);
    memes(exactes.valeur());
    EXPECT_EQ(inventaireEtiquettes(volume).back().valeur, 123456u);
}
