#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "helpers/mesh_helpers.h"
#include "mesh/MaillageFacesPlat.h"
#include "mesh/MesuresMaillage.h"

namespace {

// The linked pipeline: mesh of the faces, Taubin rounds, normals, taken flat.
Stravol::MaillagePlat parLeMaillageChaine(const CRegion3D& region, int tours, int& irreguliers) {
    CMaillageTriangleChRegion m;
    m.creerMaillageTriangleChRegion2(region, facesAuBord(region), 1);
    m.lisserCourbureTaubin(tours);
    m.calculerNormales();
    m.calculerNormalesSommets();
    irreguliers = controlerMaillage(m).irreguliers;
    return Stravol::versMaillagePlat(m);
}

// Both ways give the same arrays, bit for bit, and count the same irregular vertices; returns
// that count.
int comparer(const CRegion3D& region, int tours, const char* cas) {
    int irreguliersChaine = 0;
    const Stravol::MaillagePlat attendu = parLeMaillageChaine(region, tours, irreguliersChaine);
    Stravol::BilanFacesPlat bilan;
    const Stravol::MaillagePlat plat =
        Stravol::maillerFacesPlat(region, facesAuBord(region), tours, bilan);
    EXPECT_TRUE(memesBits(plat.positions, attendu.positions)) << cas;
    EXPECT_TRUE(memesBits(plat.normales, attendu.normales)) << cas;
    EXPECT_TRUE(memesBits(plat.triangles, attendu.triangles)) << cas;
    EXPECT_TRUE(memesBits(plat.normalesTriangles, attendu.normalesTriangles)) << cas;
    EXPECT_EQ(bilan.irreguliers, irreguliersChaine) << cas;
    return irreguliersChaine;
}

} // namespace

TEST(MaillageFacesPlat, GivesTheLinkedMeshBitForBitOnRepairedAndRawRegions) {
    int irreguliersBruts = 0;
    for (std::uint32_t graine = 1; graine <= 40; ++graine) {
        const int taille = 10 + static_cast<int>(graine % 6) * 3;
        const auto voxels =
            blobAleatoire(graine, taille, taille, taille, 2 + static_cast<int>(graine % 9));
        const std::string cas = "graine " + std::to_string(graine);
        CRegion3D region;
        remplirRegion(region, taille, taille, taille, voxels);
        // Unrepaired regions touch at edges and corners: rings that do not close.
        irreguliersBruts +=
            comparer(region, static_cast<int>(graine % 3) * 5, (cas + ", raw").c_str());
        region.reparerTopologie();
        EXPECT_EQ(comparer(region, 10, (cas + ", repaired").c_str()), 0) << cas;
    }
    EXPECT_GT(irreguliersBruts, 0);
}

TEST(MaillageFacesPlat, GivesTheLinkedMeshOnAMeshLargeEnoughForTheThreads) {
    CRegion3D region;
    remplirRegion(region, 96, 96, 96, boule({47, 48, 46}, 42.3));
    for (const int threads : {1, 2, 3}) {
        Stravol::definirNbThreads(threads);
        comparer(region, 10, ("ball, threads " + std::to_string(threads)).c_str());
    }
    Stravol::definirNbThreads(0);
}

TEST(MaillageFacesPlat, GivesTheLinkedMeshWhateverTheOrderOfTheBorderList) {
    // A border list out of x order makes both constructions hold the whole lattice.
    CRegion3D region;
    remplirRegion(region, 24, 24, 24, boule({12, 11, 13}, 8.5));
    std::mt19937 aleatoire(7);
    std::shuffle(region.voxelsBord.elements.begin(), region.voxelsBord.elements.end(), aleatoire);
    comparer(region, 10, "shuffled border");
}

TEST(MaillageFacesPlat, AnEmptyRegionGivesAnEmptyMesh) {
    CRegion3D region;
    remplirRegion(region, 8, 8, 8, {});
    Stravol::BilanFacesPlat bilan;
    const Stravol::MaillagePlat m =
        Stravol::maillerFacesPlat(region, facesAuBord(region), 10, bilan);
    EXPECT_TRUE(m.vide());
    EXPECT_EQ(m.nbSommets(), 0u);
    EXPECT_EQ(bilan.irreguliers, 0);
}
