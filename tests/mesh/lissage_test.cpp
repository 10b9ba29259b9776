#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Parallele.h"
#include "helpers/mesh_helpers.h"
#include "mesh/Decimation.h"

namespace {

// The regular octahedron of the given radius about c: every vertex has the four vertices off its
// axis as its ring, whose mean is the centre.
void octaedre(CMaillageTriangleChRegion& m, const CPoint3D& c, float rayon) {
    std::vector<float> p;
    for (int axe = 0; axe < 3; ++axe)
        for (float signe : {1.0f, -1.0f}) {
            float q[3] = {c.x, c.y, c.z};
            q[axe] += signe * rayon;
            p.insert(p.end(), {q[0], q[1], q[2]});
        }
    // Vertex 2 axe + (0 for +, 1 for -); the face of signs (sx, sy, sz) turns x, y, z
    // counter-clockwise from outside when sx sy sz > 0.
    std::vector<unsigned> coins;
    for (unsigned sx : {0u, 1u})
        for (unsigned sy : {0u, 1u})
            for (unsigned sz : {0u, 1u}) {
                const unsigned x = sx, y = 2 + sy, z = 4 + sz;
                if ((sx + sy + sz) % 2 == 0)
                    coins.insert(coins.end(), {x, y, z});
                else
                    coins.insert(coins.end(), {x, z, y});
            }
    std::string raison;
    ASSERT_TRUE(creerMaillageDepuisTriangles(m, p, coins, raison)) << raison;
}

} // namespace

TEST(Smoothing, ZeroOrNegativeChangesNothing) {
    CMaillageTriangleChRegion m;
    ASSERT_TRUE(maillageDeVoxels(m, 11, 11, 11, {{5, 5, 5}}));
    ASSERT_EQ(m.nbSommets, 8);
    const auto avant = positions(m);
    m.lisserCourbureTaubin(0);
    m.lisserCourbureTaubin(-3);
    EXPECT_EQ(positions(m), avant);
    m.lisserCourbureTaubin(1);
    EXPECT_NE(positions(m), avant);
}

// On the octahedron every umbrella vector is minus the vertex's offset from the centre: the
// shrinking pass (0.5) halves the offsets, the inflating pass (-0.5) then adds half of them
// back, so a round scales the octahedron by 3 / 4 about its centre, whatever the ring order.
TEST(Smoothing, OctahedronShrinksByAQuarterARound) {
    const CPoint3D c(5, 6, 7);
    for (int tours : {1, 2, 3}) {
        CMaillageTriangleChRegion m;
        octaedre(m, c, 2.0f);
        ASSERT_EQ(m.nbSommets, 6);
        m.lisserCourbureTaubin(tours);
        const float rayon = 2.0f * std::pow(0.75f, static_cast<float>(tours));
        for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
            const CPoint3D d = *s - c;
            const float norme = std::fabs(d.x) + std::fabs(d.y) + std::fabs(d.z);
            EXPECT_FLOAT_EQ(norme, rayon) << tours;
            // Still on its axis.
            EXPECT_EQ((d.x != 0) + (d.y != 0) + (d.z != 0), 1) << tours;
        }
    }
}

// A plane stays a plane: on the top face of a flat box, vertices farther than two rings from
// its edges have every neighbour in the plane through both passes of a round.
TEST(Smoothing, FlatFaceStaysFlatAwayFromItsEdges) {
    CMaillageTriangleChRegion m;
    ASSERT_TRUE(maillageDeVoxels(m, 16, 16, 8, boite({2, 2, 2}, {13, 13, 4})));
    const std::vector<CPoint3D> avant = positions(m);
    m.lisserCourbureTaubin(1);
    const std::vector<CPoint3D> apres = positions(m);
    int interieurs = 0;
    for (std::size_t i = 0; i < avant.size(); ++i) {
        const CPoint3D& p = avant[i];
        if (p.z == 4.5f && p.x >= 4.5f && p.x <= 10.5f && p.y >= 4.5f && p.y <= 10.5f) {
            ++interieurs;
            EXPECT_EQ(apres[i].z, 4.5f) << p.x << " " << p.y;
        }
    }
    EXPECT_EQ(interieurs, 49);
    // The edges themselves are rounded off.
    EXPECT_NE(apres, avant);
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
