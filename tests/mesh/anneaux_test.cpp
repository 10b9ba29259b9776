// Vertex rings start in small blocks and move to full-size ones when they outgrow them.

#include <gtest/gtest.h>

#include <vector>

#include "helpers/mesh_helpers.h"

namespace {

std::vector<int> longueursAnneaux(const CMaillageTriangleChRegion& m) {
    std::vector<int> longueurs;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        longueurs.push_back(s->voisins.longueur());
        longueurs.push_back(s->triangles.longueur());
    }
    return longueurs;
}

} // namespace

TEST(Anneaux, AVertexRingGrowsPastItsFirstBlockKeepingItsOrder) {
    CSommetChRegion v;
    EXPECT_EQ(v.voisins.nbMax, CSommetChRegion::CAPACITE_ANNEAU_INITIALE);
    std::vector<CSommetChRegion> autres(CSommetChRegion::CAPACITE_ANNEAU);
    std::vector<CTriangleChRegion> triangles(CSommetChRegion::CAPACITE_ANNEAU);
    for (int k = 0; k < CSommetChRegion::CAPACITE_ANNEAU; ++k) {
        // Inserted at the front from the ninth on, so that the move keeps positions too.
        if (k < CSommetChRegion::CAPACITE_ANNEAU_INITIALE)
            v.voisins.ajouter(&autres[k]);
        else
            v.voisins.inserer(&autres[k], 0);
        // The triangle ring follows its partner into the larger block.
        if (k < CSommetChRegion::CAPACITE_ANNEAU_INITIALE)
            v.triangles.ajouter(&triangles[k]);
    }
    EXPECT_EQ(v.voisins.nbMax, CSommetChRegion::CAPACITE_ANNEAU);
    EXPECT_EQ(v.triangles.nbMax, CSommetChRegion::CAPACITE_ANNEAU);
    ASSERT_EQ(v.voisins.longueur(), CSommetChRegion::CAPACITE_ANNEAU);
    ASSERT_EQ(v.triangles.longueur(), CSommetChRegion::CAPACITE_ANNEAU_INITIALE);
    std::vector<CSommetChRegion*> attendus;
    for (int k = CSommetChRegion::CAPACITE_ANNEAU - 1;
         k >= CSommetChRegion::CAPACITE_ANNEAU_INITIALE; --k)
        attendus.push_back(&autres[k]);
    for (int k = 0; k < CSommetChRegion::CAPACITE_ANNEAU_INITIALE; ++k)
        attendus.push_back(&autres[k]);
    EXPECT_EQ(std::vector<CSommetChRegion*>(v.voisins.tab, v.voisins.tab + v.voisins.longueur()),
              attendus);
    for (int k = 0; k < CSommetChRegion::CAPACITE_ANNEAU_INITIALE; ++k)
        EXPECT_EQ(v.triangles[k], &triangles[k]);
    // The ring is full for good at the published capacity.
    EXPECT_DEBUG_DEATH(v.voisins.ajouter(&autres[0]), "");
    EXPECT_EQ(v.voisins.longueur(), CSommetChRegion::CAPACITE_ANNEAU);
}

// Repaired random blobs give vertices of more than eight neighbours: their rings grow during
// the construction, stay consistent, and a copy of the mesh keeps every ring whole.
TEST(Anneaux, BlobMeshesWithLargeRingsStayConsistentAndCopyWhole) {
    int grandsAnneaux = 0;
    for (std::uint32_t graine = 1; graine <= 20; ++graine) {
        const int taille = 14 + static_cast<int>(graine % 5) * 2;
        CRegion3D region;
        remplirRegion(
            region, taille, taille, taille,
            blobAleatoire(graine, taille, taille, taille, 3 + static_cast<int>(graine % 7)));
        region.reparerTopologie();
        CMaillageTriangleChRegion m;
        ASSERT_TRUE(m.creerMaillageTriangleChRegion2(region, 1));
        for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
            const bool grand = s->voisins.longueur() > CSommetChRegion::CAPACITE_ANNEAU_INITIALE;
            grandsAnneaux += grand;
            if (grand) {
                EXPECT_EQ(s->voisins.nbMax, CSommetChRegion::CAPACITE_ANNEAU);
            }
            EXPECT_EQ(s->voisins.nbMax, s->triangles.nbMax);
        }
        Chaine rapport;
        EXPECT_TRUE(m.verifierCoherence(&rapport))
            << "graine " << graine << ": " << rapport.c_str();
        CMaillageTriangleChRegion copie;
        copie = m;
        EXPECT_EQ(longueursAnneaux(copie), longueursAnneaux(m)) << "graine " << graine;
        EXPECT_TRUE(copie.verifierCoherence(&rapport))
            << "graine " << graine << ": " << rapport.c_str();
    }
    EXPECT_GT(grandsAnneaux, 0);
}
