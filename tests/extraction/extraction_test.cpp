#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/CPoint3D.h"
#include "extraction/Croissance.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"

namespace {

// A volume of the given sizes whose voxels are all fond.
std::unique_ptr<CImageTroisD> volume(int W, int H, int D, unsigned char fond = 0) {
    auto v = std::make_unique<CImageTroisD>(W, H, D);
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                v->setVoxelImage(x, y, z, fond);
    return v;
}

void boite(CImageTroisD& v, int x0, int y0, int z0, int x1, int y1, int z1, unsigned char g) {
    for (int z = z0; z <= z1; ++z)
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                v.setVoxelImage(x, y, z, g);
}

std::vector<unsigned char> copie(const CImageTroisD& v) {
    const std::size_t n = static_cast<std::size_t>(v.largeur) * v.hauteur * v.profondeur;
    return std::vector<unsigned char>(v.image.get(), v.image.get() + n);
}

bool demiEntier(float c) { return std::fabs(c - std::floor(c) - 0.5f) < 1e-6f; }

// The growth as a first-in first-out flood: each voxel taken from the queue is marked 255
// and, when strictly inside the volume, queues its 27 positions holding the seed value
// (with a separate visited mark, so that a seed value of 255 works too).
int croissanceFile(std::vector<unsigned char>& v, int W, int H, int D, int x, int y, int z) {
    auto indice = [&](int a, int b, int c) {
        return (static_cast<std::size_t>(c) * H + b) * W + a;
    };
    const unsigned char s = v[indice(x, y, z)];
    std::vector<char> vu(v.size(), 0);
    std::vector<std::array<int, 3>> file{{x, y, z}};
    vu[indice(x, y, z)] = 1;
    for (std::size_t l = 0; l < file.size(); ++l) {
        const auto [cx, cy, cz] = file[l];
        v[indice(cx, cy, cz)] = 255;
        if (cx <= 0 || cx >= W - 1 || cy <= 0 || cy >= H - 1 || cz <= 0 || cz >= D - 1)
            continue;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz) {
                    const std::size_t i = indice(cx + dx, cy + dy, cz + dz);
                    if (!vu[i] && v[i] == s) {
                        vu[i] = 1;
                        file.push_back({cx + dx, cy + dy, cz + dz});
                    }
                }
    }
    return static_cast<int>(file.size());
}

} // namespace

// The row-wise growth reaches exactly the voxels of the queue-based flood, on random
// volumes of few grey levels (long runs and many contacts), thin volumes, seeds on the
// outer layer and seeds of value 255.
TEST(Extraction, GrowthReachesWhatTheQueueFloodReaches) {
    std::mt19937 alea(2024);
    for (int essai = 0; essai < 400; ++essai) {
        const int W = 1 + static_cast<int>(alea() % 12), H = 1 + static_cast<int>(alea() % 9),
                  D = 1 + static_cast<int>(alea() % 8);
        const int niveaux = 2 + essai % 3;
        std::vector<unsigned char> v(static_cast<std::size_t>(W) * H * D);
        for (auto& o : v)
            o = alea() % 10 == 0 ? 255 : static_cast<unsigned char>(alea() % niveaux);
        const int x = static_cast<int>(alea() % W), y = static_cast<int>(alea() % H),
                  z = static_cast<int>(alea() % D);
        std::vector<unsigned char> attendu = v, obtenu = v;
        const int n = croissanceFile(attendu, W, H, D, x, y, z);
        std::vector<unsigned char> marques;
        if (v[(static_cast<std::size_t>(z) * H + y) * W + x] == 255)
            marques.assign(v.size(), 0);
        ASSERT_EQ(croissance26(obtenu.data(), marques.empty() ? nullptr : marques.data(), W, H, D,
                               x, y, z),
                  n)
            << "volume " << essai;
        ASSERT_EQ(obtenu, attendu) << "volume " << essai;

        // The marking growth leaves the volume as it is and marks the voxels that the growth
        // with marks (validated above) reaches, within the bounds it reports.
        std::vector<unsigned char> copie = v, reference(v.size(), 0);
        croissance26(copie.data(), reference.data(), W, H, D, x, y, z);
        std::vector<unsigned char> lu = v, marquesSeules(v.size(), 0);
        BoiteVoxels boite{};
        ASSERT_EQ(croissance26Marques(lu.data(), marquesSeules.data(), W, H, D, x, y, z, boite), n);
        ASSERT_EQ(lu, v);
        ASSERT_EQ(marquesSeules, reference) << "volume " << essai;
        BoiteVoxels attendue{W, -1, H, -1, D, -1};
        for (int k = 0; k < D; ++k)
            for (int j = 0; j < H; ++j)
                for (int i = 0; i < W; ++i)
                    if (reference[(static_cast<std::size_t>(k) * H + j) * W + i])
                        attendue = BoiteVoxels{std::min(attendue.x0, i), std::max(attendue.x1, i),
                                               std::min(attendue.y0, j), std::max(attendue.y1, j),
                                               std::min(attendue.z0, k), std::max(attendue.z1, k)};
        EXPECT_EQ(std::vector<int>({boite.x0, boite.x1, boite.y0, boite.y1, boite.z0, boite.z1}),
                  std::vector<int>({attendue.x0, attendue.x1, attendue.y0, attendue.y1, attendue.z0,
                                    attendue.z1}))
            << "volume " << essai;
    }
}

// The growth over 16-bit labels marks what the byte growth marks on the volume that holds 1
// at the seed's label and 0 elsewhere, with the same bounds, on random label volumes whose
// labels differ only in their high byte or only in their low byte.
TEST(Extraction, LabelGrowthMatchesTheGrowthOnTheSeedsLabel) {
    std::mt19937 alea(77);
    for (int essai = 0; essai < 200; ++essai) {
        const int W = 1 + static_cast<int>(alea() % 20), H = 1 + static_cast<int>(alea() % 9),
                  D = 1 + static_cast<int>(alea() % 8);
        const std::size_t n = static_cast<std::size_t>(W) * H * D;
        const std::uint16_t valeurs[4] = {300, 556, 44, 255};
        std::vector<std::uint16_t> etiquettes(n);
        for (auto& e : etiquettes)
            e = valeurs[alea() % 4];
        const int x = static_cast<int>(alea() % W), y = static_cast<int>(alea() % H),
                  z = static_cast<int>(alea() % D);
        const std::uint16_t cible = etiquettes[(static_cast<std::size_t>(z) * H + y) * W + x];
        std::vector<unsigned char> binaire(n), attendues(n, 0), obtenues(n, 0);
        for (std::size_t i = 0; i < n; ++i)
            binaire[i] = etiquettes[i] == cible ? 1 : 0;
        BoiteVoxels boiteAttendue{}, boite{};
        const int nb =
            croissance26Marques(binaire.data(), attendues.data(), W, H, D, x, y, z, boiteAttendue);
        ASSERT_EQ(
            croissance26Etiquettes(etiquettes.data(), obtenues.data(), W, H, D, x, y, z, boite), nb)
            << "volume " << essai;
        ASSERT_EQ(obtenues, attendues) << "volume " << essai;
        EXPECT_EQ(std::vector<int>({boite.x0, boite.x1, boite.y0, boite.y1, boite.z0, boite.z1}),
                  std::vector<int>({boiteAttendue.x0, boiteAttendue.x1, boiteAttendue.y0,
                                    boiteAttendue.y1, boiteAttendue.z0, boiteAttendue.z1}));
    }
}

TEST(Extraction, OneVoxelObjectGivesTheCubeMesh) {
    auto v = volume(10, 9, 8);
    v->setVoxelImage(5, 4, 3, 50);
    v->CroissanceDeRegion(5, 4, 3, 0);
    const Stravol::BilanExtraction& b = v->bilanExtraction;
    ASSERT_TRUE(b.effectuee);
    EXPECT_EQ(b.valeurGerme, 50);
    EXPECT_EQ(b.nbVoxelsCroissance, 1);
    EXPECT_EQ(b.nbVoxelsRegion, 1);
    EXPECT_EQ(b.nbVoxelsRepares, 1);
    ASSERT_TRUE(v->maillage);
    EXPECT_EQ(v->maillage->nbSommets, 8);
    EXPECT_EQ(v->maillage->nbTriangles, 12);
    // No smoothing: the corners of the voxel cube, half a voxel from its centre.
    for (CSommetChRegion* s = v->maillage->premierSommet; s != nullptr; s = s->suivant) {
        EXPECT_TRUE(demiEntier(s->x) && demiEntier(s->y) && demiEntier(s->z));
        EXPECT_NEAR(std::fabs(s->x - 5) + std::fabs(s->y - 4) + std::fabs(s->z - 3), 1.5, 1e-5);
    }
    EXPECT_EQ(CPoint3D::width, 10.0f);
    EXPECT_EQ(CPoint3D::height, 9.0f);
    EXPECT_EQ(CPoint3D::depth, 8.0f);
    EXPECT_EQ(CPoint3D::maxdim, 10.0f);
}

TEST(Extraction, GrowthFollowsTwentySixConnectivityAndStopsOnTheOuterLayer) {
    auto v = volume(12, 12, 12);
    // Two cubes touching only at a corner are one object.
    boite(*v, 2, 2, 2, 3, 3, 3, 80);
    boite(*v, 4, 4, 4, 5, 5, 5, 80);
    // Another cube of the same level, apart.
    boite(*v, 8, 8, 8, 9, 9, 9, 80);
    v->CroissanceDeRegion(2, 3, 2);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsCroissance, 16);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsRegion, 16);
    // The corner contact is filled by the repair (the six other voxels of its cube).
    EXPECT_EQ(v->bilanExtraction.nbVoxelsRepares, 22);

    // A seed on the outer layer is not expanded.
    auto w = volume(6, 6, 6, 30);
    w->CroissanceDeRegion(0, 3, 3);
    EXPECT_EQ(w->bilanExtraction.nbVoxelsCroissance, 1);

    // An equal voxel reached only through the outer layer stays outside.
    auto u = volume(6, 6, 6);
    u->setVoxelImage(1, 1, 1, 9);
    u->setVoxelImage(0, 2, 1, 9);
    u->setVoxelImage(1, 3, 1, 9);
    u->CroissanceDeRegion(1, 1, 1);
    EXPECT_EQ(u->bilanExtraction.nbVoxelsCroissance, 2);
    EXPECT_EQ(u->bilanExtraction.nbVoxelsRegion, 2);
}

TEST(Extraction, VoxelsAlreadyAt255JoinTheRegionAndA255SeedTerminates) {
    auto v = volume(10, 10, 10);
    boite(*v, 2, 2, 2, 3, 3, 3, 40);
    v->setVoxelImage(7, 7, 7, 255);
    v->CroissanceDeRegion(2, 2, 2);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsCroissance, 8);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsRegion, 9);

    // A 255 seed grows its own component once per voxel; the binary volume keeps every 255.
    auto w = volume(10, 10, 10);
    boite(*w, 2, 2, 2, 4, 4, 4, 255);
    w->setVoxelImage(7, 7, 7, 255);
    w->CroissanceDeRegion(3, 3, 3);
    ASSERT_TRUE(w->bilanExtraction.effectuee);
    EXPECT_EQ(w->bilanExtraction.valeurGerme, 255);
    EXPECT_EQ(w->bilanExtraction.nbVoxelsCroissance, 27);
    EXPECT_EQ(w->bilanExtraction.nbVoxelsRegion, 28);
    EXPECT_EQ(w->maillage->nbTriangles, 6 * 9 * 2 + 12);
}

TEST(Extraction, WorkingVolumeIsKeptAndASecondExtractionWorks) {
    auto v = volume(10, 10, 10, 5);
    boite(*v, 3, 3, 3, 6, 6, 6, 60);
    const std::vector<unsigned char> avant = copie(*v);
    std::memcpy(v->imageOriginal.get(), avant.data(), avant.size());
    v->CroissanceDeRegion(4, 4, 4);
    EXPECT_EQ(copie(*v), avant);
    const int triangles = v->maillage->nbTriangles;
    v->CroissanceDeRegion(4, 4, 4);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsCroissance, 64);
    EXPECT_EQ(v->maillage->nbTriangles, triangles);

    // Working on the segmentation: afterwards image still equals it byte for byte.
    const std::size_t n = avant.size();
    v->imageSegmente.reset(new unsigned char[n]);
    for (std::size_t i = 0; i < n; ++i)
        v->imageSegmente[i] = static_cast<unsigned char>(i % 7 == 0 ? 3 : 4);
    v->CopierImageCourante(Stravol::ModeAffichage::Segmentee);
    v->CroissanceDeRegion(5, 5, 5);
    EXPECT_EQ(std::memcmp(v->image.get(), v->imageSegmente.get(), n), 0);
    v->CopierImageCourante(Stravol::ModeAffichage::Normale);
    EXPECT_EQ(copie(*v), avant);
}

TEST(Extraction, SeedOutsideOrEmptyVolumeKeepsThePreviousMesh) {
    auto v = volume(8, 8, 8);
    boite(*v, 2, 2, 2, 4, 4, 4, 90);
    v->CroissanceDeRegion(3, 3, 3);
    const auto precedent = v->maillage;
    ASSERT_TRUE(precedent);
    for (const auto& g :
         {std::vector<int>{-1, 3, 3}, {8, 3, 3}, {3, 8, 3}, {3, 3, 8}, {3, -5, 3}}) {
        v->CroissanceDeRegion(g[0], g[1], g[2]);
        EXPECT_FALSE(v->bilanExtraction.effectuee);
        EXPECT_EQ(v->maillage, precedent);
    }
    CImageTroisD vide(0, 0, 0);
    vide.CroissanceDeRegion(0, 0, 0);
    EXPECT_FALSE(vide.bilanExtraction.effectuee);
    EXPECT_FALSE(vide.maillage);
}

TEST(Extraction, SmoothingRoundsAreTheCallersChoice) {
    auto v = volume(12, 12, 12);
    boite(*v, 3, 3, 3, 8, 8, 8, 70);
    v->CroissanceDeRegion(5, 5, 5, 0);
    int demi = 0;
    for (CSommetChRegion* s = v->maillage->premierSommet; s != nullptr; s = s->suivant)
        demi += demiEntier(s->x) && demiEntier(s->y) && demiEntier(s->z);
    EXPECT_EQ(demi, v->maillage->nbSommets);
    v->CroissanceDeRegion(5, 5, 5);
    demi = 0;
    for (CSommetChRegion* s = v->maillage->premierSommet; s != nullptr; s = s->suivant)
        demi += demiEntier(s->x) && demiEntier(s->y) && demiEntier(s->z);
    EXPECT_LT(demi, v->maillage->nbSommets);
}
