#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "helpers/mesh_helpers.h"

namespace {

// Umbrella vector computed directly on the vertex rings.
CPoint3D parapluie(const CSommetChRegion* s) {
    double x = 0, y = 0, z = 0;
    for (int k = 0; k < s->voisins.longueur(); ++k) {
        x += s->voisins[k]->x;
        y += s->voisins[k]->y;
        z += s->voisins[k]->z;
    }
    const int n = s->voisins.longueur();
    return CPoint3D(static_cast<float>(x / n - s->x), static_cast<float>(y / n - s->y),
                    static_cast<float>(z / n - s->z));
}

} // namespace

TEST(Smoothing, ZeroOrNegativeChangesNothing) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}});
    const auto avant = positions(m);
    m.lisserCourbureTaubin(0);
    m.lisserCourbureTaubin(-3);
    EXPECT_EQ(positions(m), avant);
}

TEST(Smoothing, OneRoundOnTheCubeFollowsBothPasses) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}});
    // Reference: the two passes done by hand, all umbrella vectors before any move.
    CMaillageTriangleChRegion reference;
    maillageDeVoxels(reference, 11, 11, 11, {{5, 5, 5}});
    for (double facteur : {0.5, -0.5}) {
        std::vector<CPoint3D> l;
        for (CSommetChRegion* s = reference.premierSommet; s != nullptr; s = s->suivant)
            l.push_back(parapluie(s));
        std::size_t i = 0;
        for (CSommetChRegion* s = reference.premierSommet; s != nullptr; s = s->suivant, ++i) {
            if (facteur > 0) {
                // The first pass moves every corner towards the cube's centre.
                EXPECT_LT(l[i].x * (s->x - 5) + l[i].y * (s->y - 5) + l[i].z * (s->z - 5), 0.0);
            }
            s->x = static_cast<float>(s->x + facteur * l[i].x);
            s->y = static_cast<float>(s->y + facteur * l[i].y);
            s->z = static_cast<float>(s->z + facteur * l[i].z);
        }
    }
    m.lisserCourbureTaubin(1);
    EXPECT_EQ(positions(m), positions(reference));
    const CPoint3D centre = m.centreGravite();
    EXPECT_NEAR(centre.x, 5.0, 1e-5);
    EXPECT_NEAR(centre.y, 5.0, 1e-5);
    EXPECT_NEAR(centre.z, 5.0, 1e-5);
}

TEST(Smoothing, TheBallStaysClosedAndKeepsItsVolume) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 30, 30, 30, boule({15, 15, 15}, 9.0));
    const double avant = volumeSigne(soupeMaillage(m));
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    m.calculerNormalesSommets();
    const Soupe soupe = soupeMaillage(m);
    EXPECT_TRUE(fermeeEtOrientee(soupe));
    EXPECT_TRUE(m.verifierCoherence());
    const double apres = volumeSigne(soupe);
    EXPECT_NEAR(apres / avant, 1.0, 0.03);
    // The staircase is rounded: vertex distances to the centre get closer to each other.
    double minimum = 1e9, maximum = 0;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        const double r = std::sqrt((s->x - 15.0) * (s->x - 15.0) + (s->y - 15.0) * (s->y - 15.0) +
                                   (s->z - 15.0) * (s->z - 15.0));
        minimum = std::min(minimum, r);
        maximum = std::max(maximum, r);
    }
    EXPECT_LT(maximum - minimum, 1.0);
    // Normals stay unit length and outward after smoothing.
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const double cx = (t->a->x + t->b->x + t->c->x) / 3.0 - 15,
                     cy = (t->a->y + t->b->y + t->c->y) / 3.0 - 15,
                     cz = (t->a->z + t->b->z + t->c->z) / 3.0 - 15;
        EXPECT_GT(cx * t->normale[0] + cy * t->normale[1] + cz * t->normale[2], 0.0);
        EXPECT_NEAR(std::sqrt(t->normale[0] * t->normale[0] + t->normale[1] * t->normale[1] +
                              t->normale[2] * t->normale[2]),
                    1.0, 1e-5);
    }
}

TEST(Normals, InactiveCornersAndOrientationKept) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}});
    CTriangleChRegion* t = m.premierTriangle;
    const float normale[3] = {t->normale[0], t->normale[1], t->normale[2]};
    const int orientation = t->orientation;
    t->a->actif = t->b->actif = t->c->actif = false;
    t->a->x += 0.3f;
    m.calculerNormale(t);
    m.calculerNormale2(t);
    EXPECT_EQ(t->normale[0], normale[0]);
    EXPECT_EQ(t->normale[1], normale[1]);
    EXPECT_EQ(t->normale[2], normale[2]);
    // With one active corner the normal follows the geometry and keeps its orientation.
    t->b->actif = true;
    m.calculerNormale(t);
    EXPECT_EQ(t->orientation, orientation);
    EXPECT_NE(t->normale[0] * normale[0] + t->normale[1] * normale[1] + t->normale[2] * normale[2],
              1.0f);
    EXPECT_GT(t->normale[0] * normale[0] + t->normale[1] * normale[1] + t->normale[2] * normale[2],
              0.9f);
}

TEST(Normals, VertexOutsideTheActiveListKeepsItsNormal) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}});
    CSommetChRegion* s = m.premierSommet;
    m.sommetsActifs.forcerCourant(s->elementActif);
    m.sommetsActifs.supprimerCourant();
    s->enListeActive = false;
    s->elementActif = nullptr;
    s->normale = CPoint3D(0, 0, 1);
    m.calculerNormalesSommets();
    EXPECT_EQ(s->normale, CPoint3D(0, 0, 1));
    EXPECT_TRUE(m.verifierCoherence());
}

TEST(Normals, TriangleMissingFromTheRingStopsTheSum) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}});
    CSommetChRegion* s = m.premierSommet;
    ASSERT_GE(s->triangles.longueur(), 3);
    CTriangleChRegion* retire = s->triangles[1];
    s->triangles[1] = nullptr;
    setenv("STRAVOL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    m.calculerNormaleSommet(s);
    const std::string texte = testing::internal::GetCapturedStderr();
    unsetenv("STRAVOL_DEBUG");
    s->triangles[1] = retire;
    EXPECT_NE(texte.find("ERREUR : sommet "), std::string::npos) << texte;
    // The normal keeps the sum of the entries before the missing one, not normalised.
    const float* n = s->triangles[0]->normale;
    EXPECT_EQ(s->normale, CPoint3D(n[0], n[1], n[2]));
}

// Right after the construction the smoothing and the normals take the lists as the
// construction left them, on all threads; a copy of the mesh (whose lists are walked) gives
// the same arithmetic on the same vertices and triangles.
TEST(Smoothing, ListsAsBuiltAndListsWalkedGiveTheSameMesh) {
    // A ball large enough for the threads, with a random blob on it for irregular rings.
    auto voxels = boule({48, 48, 48}, 40);
    for (const CTriplet<int>& v : blobAleatoire(17, 40, 40, 40, 40))
        voxels.push_back({v.x + 48, v.y + 48, v.z + 48});
    for (int methode = 0; methode < 2; ++methode) {
        SCOPED_TRACE(methode == 0 ? "Taubin" : "contraint");
        CMaillageTriangleChRegion construit;
        ASSERT_TRUE(maillageDeVoxels(construit, 96, 96, 96, voxels));
        ASSERT_GT(construit.nbSommets, Stravol::kSeuilParallele);
        ASSERT_NE(construit.listeSommetsConstruite(), nullptr);
        ASSERT_NE(construit.listeTrianglesConstruite(), nullptr);
        CMaillageTriangleChRegion copie;
        copie = construit;
        EXPECT_EQ(copie.listeSommetsConstruite(), nullptr);
        EXPECT_EQ(copie.listeTrianglesConstruite(), nullptr);
        const auto lisser = [methode](CMaillageTriangleChRegion& m) {
            if (methode == 0)
                m.lisserCourbureTaubin(10);
            else
                m.lisserContraint(20);
        };
        lisser(construit);
        lisser(copie);
        EXPECT_EQ(positions(construit), positions(copie));
        for (CMaillageTriangleChRegion* m : {&construit, &copie}) {
            m->calculerNormales();
            m->calculerNormalesSommets();
        }
        const CTriangleChRegion* u = copie.premierTriangle;
        for (const CTriangleChRegion* t = construit.premierTriangle; t != nullptr && u != nullptr;
             t = t->suivant, u = u->suivant)
            ASSERT_TRUE(t->normale[0] == u->normale[0] && t->normale[1] == u->normale[1] &&
                        t->normale[2] == u->normale[2] && t->orientation == u->orientation);
    }
    // Emptying the mesh drops the arrays.
    CMaillageTriangleChRegion m;
    ASSERT_TRUE(maillageDeVoxels(m, 96, 96, 96, voxels));
    ASSERT_NE(m.listeSommetsConstruite(), nullptr);
    m.vider();
    EXPECT_EQ(m.listeSommetsConstruite(), nullptr);
    EXPECT_EQ(m.listeTrianglesConstruite(), nullptr);
}
