// Every label at once: the boxes of one pass, one closed mesh per label with all its
// components, the same meshes whatever the thread count.

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "core/Parallele.h"
#include "extraction/ToutesEtiquettes.h"
#include "helpers/mesh_helpers.h"
#include "mesh/CMaillageTriangleChRegion.h"

using namespace Stravol;

namespace {

struct Grille {
    int W, H, D;
    std::vector<std::uint16_t> v;
    Grille(int w, int h, int d) : W(w), H(h), D(d), v(static_cast<std::size_t>(w) * h * d, 0) {}
    std::uint16_t& at(int x, int y, int z) {
        return v[(static_cast<std::size_t>(z) * H + y) * W + x];
    }
    void boite(int x0, int y0, int z0, int x1, int y1, int z1, std::uint16_t e) {
        for (int z = z0; z <= z1; ++z)
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x)
                    at(x, y, z) = e;
    }
};

} // namespace

TEST(AllLabels, SevenHundredLabelsInOnePass) {
    // 700 labels of 2 x 2 x 2 voxels, values 3 .. 2099 by 3, on a 40 x 40 x 8 grid.
    Grille g(40, 40, 8);
    int n = 0;
    for (int z = 0; z + 1 < 8 && n < 700; z += 2)
        for (int y = 0; y + 1 < 40 && n < 700; y += 2)
            for (int x = 0; x + 1 < 40 && n < 700; x += 2, ++n)
                g.boite(x, y, z, x + 1, y + 1, z + 1, static_cast<std::uint16_t>(3 * (n + 1)));
    const std::vector<BoiteEtiquette> boites = boitesEtiquettes(g.v.data(), g.W, g.H, g.D);
    ASSERT_EQ(boites.size(), 700u);
    for (std::size_t i = 0; i < boites.size(); ++i) {
        const BoiteEtiquette& b = boites[i];
        EXPECT_EQ(b.valeur, 3 * (i + 1));
        EXPECT_EQ(b.voxels, 8);
        EXPECT_EQ(b.x1 - b.x0, 1);
        EXPECT_EQ(b.y1 - b.y0, 1);
        EXPECT_EQ(b.z1 - b.z0, 1);
    }
}

TEST(AllLabels, MeshesOfAllComponentsInTheVolumeFrame) {
    // Label 1605: two separate boxes; label 7: one box touching the volume's side.
    Grille g(30, 20, 12);
    g.boite(3, 3, 3, 6, 5, 7, 1605);
    g.boite(20, 10, 2, 25, 15, 9, 1605);
    g.boite(0, 14, 0, 4, 19, 4, 7);
    const std::vector<BoiteEtiquette> boites = boitesEtiquettes(g.v.data(), g.W, g.H, g.D);
    ASSERT_EQ(boites.size(), 2u);
    for (const BoiteEtiquette& b : boites) {
        std::string erreur;
        // Without smoothing the mesh is the voxels' faces: its volume is the voxel count.
        auto m = maillerEtiquette(g.v.data(), g.W, g.H, g.D, b, 0, erreur);
        ASSERT_NE(m, nullptr) << erreur;
        const Soupe s = soupeMaillage(*m);
        EXPECT_TRUE(fermeeEtOrientee(s));
        EXPECT_NEAR(volumeSigne(s), static_cast<double>(b.voxels), 1e-6);
        EXPECT_EQ(caracteristiqueEuler(s), b.valeur == 1605 ? 4 : 2); // two spheres, one
        // Vertices in the whole volume's voxel frame, on the faces around the box.
        for (const auto& p : s.positions) {
            EXPECT_GE(p[0], b.x0 - 0.5f);
            EXPECT_LE(p[0], b.x1 + 0.5f);
            EXPECT_GE(p[2], b.z0 - 0.5f);
            EXPECT_LE(p[2], b.z1 + 0.5f);
        }
        // Smoothed: still closed, volume close to the voxel count.
        auto lisse = maillerEtiquette(g.v.data(), g.W, g.H, g.D, b, 10, erreur);
        ASSERT_NE(lisse, nullptr);
        const Soupe sl = soupeMaillage(*lisse);
        EXPECT_TRUE(fermeeEtOrientee(sl));
        EXPECT_NEAR(volumeSigne(sl), static_cast<double>(b.voxels), 0.25 * b.voxels);
    }
}

TEST(AllLabels, SameMeshesWhateverTheThreadCount) {
    Grille g(24, 24, 24);
    for (int k = 0; k < 27; ++k)
        g.boite(1 + 8 * (k % 3), 1 + 8 * (k / 3 % 3), 1 + 8 * (k / 9), 3 + 8 * (k % 3) + k % 2,
                4 + 8 * (k / 3 % 3), 5 + 8 * (k / 9), static_cast<std::uint16_t>(300 + k));
    const std::vector<BoiteEtiquette> boites = boitesEtiquettes(g.v.data(), g.W, g.H, g.D);
    ASSERT_EQ(boites.size(), 27u);
    auto tout = [&](int threads) {
        definirNbThreads(threads);
        std::vector<std::vector<std::array<float, 3>>> positions(boites.size());
        pourChaqueEnParallele(
            boites.size(), [&](std::size_t i) { return static_cast<double>(boites[i].voxels); },
            [&](std::size_t i) {
                std::string erreur;
                auto m = maillerEtiquette(g.v.data(), g.W, g.H, g.D, boites[i], 10, erreur);
                if (m)
                    positions[i] = soupeMaillage(*m).positions;
            });
        definirNbThreads(0);
        return positions;
    };
    const auto un = tout(1);
    const auto quatre = tout(4);
    EXPECT_EQ(un, quatre);
    for (const auto& p : un)
        EXPECT_FALSE(p.empty());
}

TEST(AllLabels, FlatLabelMeshesAreTheLinkedOnesTakenFlat) {
    // Labels touching each other, two of them in several pieces meeting at edges and corners
    // (the repair adds voxels), one against the volume's side.
    Grille g(26, 22, 18);
    g.boite(0, 2, 2, 7, 9, 8, 41);
    g.boite(8, 2, 2, 12, 6, 6, 9000);
    g.boite(13, 7, 7, 15, 9, 9, 9000);
    g.boite(16, 10, 10, 18, 12, 12, 9000);
    g.boite(4, 12, 3, 20, 14, 15, 5);
    g.at(21, 15, 16) = g.at(22, 16, 17) = 5;
    const std::vector<BoiteEtiquette> boites = boitesEtiquettes(g.v.data(), g.W, g.H, g.D);
    ASSERT_EQ(boites.size(), 3u);
    for (const int tours : {0, 10})
        for (const BoiteEtiquette& b : boites) {
            OptionsExtraction options;
            options.nbLissages = tours;
            std::string erreur;
            const auto lie = maillerEtiquette(g.v.data(), g.W, g.H, g.D, b, options, erreur);
            ASSERT_TRUE(lie) << erreur;
            MaillagePlat plat;
            int irreguliers = -1;
            ASSERT_TRUE(maillerEtiquettePlat(rangeesEtiquette(g.v.data(), g.W, g.H, b), g.W, g.H,
                                             g.D, b, options, plat, irreguliers, erreur))
                << erreur;
            const MaillagePlat attendu = versMaillagePlat(*lie);
            EXPECT_EQ(plat.positions, attendu.positions) << b.valeur;
            EXPECT_EQ(plat.normales, attendu.normales) << b.valeur;
            EXPECT_EQ(plat.triangles, attendu.triangles) << b.valeur;
            EXPECT_EQ(plat.normalesTriangles, attendu.normalesTriangles) << b.valeur;
            EXPECT_EQ(irreguliers, 0) << b.valeur;
        }
    // A box outside the volume is refused with a reason, as by the linked mesh.
    BoiteEtiquette dehors = boites.front();
    dehors.x1 = g.W;
    MaillagePlat plat;
    int irreguliers = 0;
    std::string erreur;
    EXPECT_FALSE(maillerEtiquettePlat(rangeesEtiquette(g.v.data(), g.W, g.H, boites.front()), g.W,
                                      g.H, g.D, dehors, OptionsExtraction(), plat, irreguliers,
                                      erreur));
    EXPECT_FALSE(erreur.empty());
}
