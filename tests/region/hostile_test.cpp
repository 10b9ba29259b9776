// Extraction on volumes that push the region against its limits: a single voxel, the whole
// volume, objects flat against the outer faces, thin sheets and lines, and a region whose
// corner repair makes a new edge contact. Every one gives a closed surface with one fan of
// triangles per vertex.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "fuzz/VolumeOctets.h"
#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"

namespace {

using Forme = std::function<bool(int, int, int)>;

// Extracts from seed (gx, gy, gz) of a W x H x D volume holding 200 where forme holds, 0
// elsewhere.
void extraire(CImageTroisD& vol, const Forme& forme, int gx, int gy, int gz) {
    for (int z = 0; z < vol.profondeur; ++z)
        for (int y = 0; y < vol.hauteur; ++y)
            for (int x = 0; x < vol.largeur; ++x)
                vol.setVoxelImage(x, y, z, forme(x, y, z) ? 200 : 0);
    vol.CroissanceDeRegion(gx, gy, gz);
}

void attendreSurfaceFermee(const CImageTroisD& vol, const char* nom) {
    ASSERT_TRUE(vol.bilanExtraction.effectuee) << nom;
    ASSERT_TRUE(vol.maillage) << nom;
    Chaine rapport;
    EXPECT_TRUE(vol.maillage->verifierCoherence(&rapport)) << nom << ": " << rapport.c_str();
    const Soupe soupe = soupeMaillage(*vol.maillage);
    EXPECT_TRUE(fermeeEtOrientee(soupe)) << nom;
    for (const auto& p : soupe.positions)
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) << nom;
    // Smoothing shrinks a little but keeps the surface the right way out.
    EXPECT_GT(volumeSigne(soupe), 0.0) << nom;
    EXPECT_LE(volumeSigne(soupe), vol.bilanExtraction.nbVoxelsRepares) << nom;
}

TEST(ExtractionHostile, RegionsAgainstTheOuterFacesGiveClosedSurfaces) {
    struct Cas {
        const char* nom;
        int W, H, D;
        Forme forme;
        int gx, gy, gz;
    };
    const std::vector<Cas> cas = {
        {"un voxel", 1, 1, 1, [](int, int, int) { return true; }, 0, 0, 0},
        {"volume plein", 6, 5, 4, [](int, int, int) { return true; }, 5, 4, 3},
        {"coin du volume", 7, 7, 7, [](int x, int y, int z) { return x < 3 && y < 3 && z < 3; }, 0,
         0, 0},
        {"fond autour du coin", 7, 7, 7,
         [](int x, int y, int z) { return x < 3 && y < 3 && z < 3; }, 6, 6, 6},
        {"plaque d'un voxel", 8, 8, 3, [](int, int, int z) { return z == 0; }, 4, 4, 0},
        {"ligne", 9, 1, 1, [](int, int, int) { return true; }, 8, 0, 0},
        {"boule coupee", 10, 10, 10,
         [](int x, int y, int z) { return std::hypot(x - 0.0, y - 5.0, z - 5.0) < 4.2; }, 0, 5, 5},
    };
    for (const Cas& c : cas) {
        CImageTroisD vol(c.W, c.H, c.D);
        extraire(vol, c.forme, c.gx, c.gy, c.gz);
        attendreSurfaceFermee(vol, c.nom);
    }
}

TEST(ExtractionHostile, EdgeContactMadeByTheCornerRepairIsRepairedToo) {
    // On this volume (found by the extraction fuzzer) the outside-corner repair adds voxels that
    // touch the region only along an edge; one round of the two repairs left vertices with two
    // fans of triangles. The volume is read the way the fuzzer reads its input.
    const OctetsTest o =
        lireOctets(STRAVOL_SOURCE_DIR "/fuzz/regressions/extraction_fuzz/contact-apres-regle3");
    fuzz::VolumeOctets entree;
    ASSERT_TRUE(fuzz::lireVolume(o.data(), o.size(), 12, entree));
    CImageTroisD vol(entree.W, entree.H, entree.D);
    for (int z = 0; z < entree.D; ++z)
        for (int y = 0; y < entree.H; ++y)
            for (int x = 0; x < entree.W; ++x)
                vol.setVoxelImage(x, y, z, entree.voxel(x, y, z));
    vol.CroissanceDeRegion(entree.gx, entree.gy, entree.gz);
    ASSERT_TRUE(vol.bilanExtraction.effectuee);
    ASSERT_TRUE(vol.maillage);
    EXPECT_GT(vol.maillage->nbTriangles, 0);
    int n = 0, irreguliers = 0;
    for (CSommetChRegion* s = vol.maillage->premierSommet; s != nullptr; s = s->suivant) {
        ++n;
        irreguliers +=
            s->voisins.longueur() != s->triangles.longueur() || !vol.maillage->verifierVoisins(s);
    }
    EXPECT_EQ(n, vol.maillage->nbSommets);
    EXPECT_EQ(irreguliers, 0);
    attendreSurfaceFermee(vol, "contact apres la regle 3");
}

} // namespace
