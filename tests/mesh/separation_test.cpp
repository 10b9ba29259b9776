#include "core/Message.h"
#include "helpers/deformation.h"
#include "mesh/CMaillageTriangleChRegion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using deformation::sommets;

namespace {

class Separation : public ::testing::Test {
protected:
    void SetUp() override { deformation::parametresInitiaux(); }
    void TearDown() override {
        deformation::parametresInitiaux();
        setQuestionHook({});
    }
};

// Questions asked during a call, answered yes.
struct Questions {
    std::vector<std::string> textes;
    Questions() {
        setQuestionHook([this](const char* texte, const char* titre) {
            EXPECT_STREQ(titre, "Erreur");
            textes.push_back(texte);
            return true;
        });
    }
    ~Questions() { setQuestionHook({}); }
};

int longueurListe(const CMaillageTriangleChRegion& m) {
    return static_cast<int>(sommets(m).size());
}

} // namespace

TEST_F(Separation, SplitThresholdIsTwiceTheStep) {
    // Octahedron edges have a maximum-norm length of r; 2s = 3 with the start values.
    CMaillageTriangleChRegion exact;
    deformation::octaedre(exact, 3.0f);
    exact.greedySeparateurNormeInfinie();
    EXPECT_EQ(exact.nbSommets, 6);

    CMaillageTriangleChRegion long_;
    deformation::octaedre(long_, 3.25f);
    const int euler = caracteristiqueEuler(long_);
    long_.greedySeparateurNormeInfinie();
    EXPECT_GT(long_.nbSommets, 6);
    EXPECT_EQ(long_.nbTriangles, 2 * long_.nbSommets - 4);
    EXPECT_EQ(caracteristiqueEuler(long_), euler);
    std::string rapport;
    EXPECT_TRUE(deformation::coherent(long_, &rapport)) << rapport;
    // Every new vertex is active and in the active list.
    EXPECT_EQ(long_.sommetsActifs.longueur(), long_.nbSommets);
}

// No edge is ever short enough for a step of zero or less: the splitter leaves the mesh alone
// instead of splitting without end.
TEST_F(Separation, NoStepNoSplit) {
    for (float pas : {0.0f, -0.5f}) {
        CMaillageTriangleChRegion m;
        deformation::octaedre(m, 3.25f);
        m.SetParameterFloatValue(7, pas);
        m.greedySeparateurNormeInfinie();
        EXPECT_EQ(m.nbSommets, 6);
        EXPECT_EQ(m.nbTriangles, 8);
        std::string rapport;
        EXPECT_TRUE(deformation::coherent(m, &rapport)) << rapport;
    }
}

TEST_F(Separation, OneSplitRewritesFiveRings) {
    CMaillageTriangleChRegion m;
    deformation::bipyramide(m, 6, 2.0f);
    std::vector<CSommetChRegion*> s = sommets(m);
    CSommetChRegion *a = s[0], *b = s[1], *nord = s[6], *sud = s[7];
    const CPoint3D attendu = (*a + *b) / 2.0;
    a->vecteur1 = CPoint3D(2, 0, 0);
    ASSERT_TRUE(m.separer(a, b));
    CSommetChRegion* milieu = m.dernierSommet;
    EXPECT_EQ(m.nbSommets, 9);
    EXPECT_EQ(m.nbTriangles, 14);
    EXPECT_EQ(static_cast<CPoint3D>(*milieu), attendu);
    EXPECT_EQ(milieu->vecteur1, CPoint3D(1, 0, 0));
    EXPECT_EQ(milieu->voisins.longueur(), 4);
    EXPECT_EQ(milieu->triangles.longueur(), 4);
    EXPECT_EQ(nord->voisins.longueur(), 7);
    EXPECT_EQ(sud->triangles.longueur(), 7);
    EXPECT_EQ(a->voisins.indice(b), -1);
    EXPECT_GE(a->voisins.indice(milieu), 0);
    EXPECT_TRUE(milieu->enListeActive && milieu->actif);
    EXPECT_EQ(milieu->elementActif, m.sommetsActifs.fin);
    for (CSommetChRegion* v : {a, b, milieu, nord, sud})
        EXPECT_TRUE(m.verifierVoisins(v));
    EXPECT_TRUE(deformation::coherent(m));
}

TEST_F(Separation, RingCapacityRefusesSplits) {
    // The apexes of a 24-gon bipyramid already have 24 neighbours.
    CMaillageTriangleChRegion plein;
    deformation::bipyramide(plein, 24, 10.0f);
    std::vector<CSommetChRegion*> s = sommets(plein);
    EXPECT_FALSE(plein.separer(s[0], s[1]));
    EXPECT_EQ(plein.nbSommets, 26);
    EXPECT_TRUE(deformation::coherent(plein));

    // One place left: the first split fills it, the next one is refused.
    CMaillageTriangleChRegion presque;
    deformation::bipyramide(presque, 23, 10.0f);
    s = sommets(presque);
    EXPECT_TRUE(presque.separer(s[0], s[1]));
    EXPECT_EQ(s[23]->voisins.longueur(), 24);
    EXPECT_FALSE(presque.separer(s[5], s[6]));
    EXPECT_TRUE(deformation::coherent(presque));
}

TEST_F(Separation, BrokenNeighbourhoodAsksAndGivesUp) {
    CMaillageTriangleChRegion m;
    deformation::octaedre(m, 2.0f);
    std::vector<CSommetChRegion*> s = sommets(m);
    Questions q;
    // Vertices 0 and 1 are opposite: not neighbours.
    EXPECT_FALSE(m.separer(s[0], s[1]));
    ASSERT_EQ(q.textes.size(), 1u);
    EXPECT_EQ(q.textes[0].rfind("inda=-1. a=", 0), 0u);
    EXPECT_NE(q.textes[0].find("n'est pas voisin de b="), std::string::npos);
    EXPECT_NE(q.textes[0].find(". Continuer ?"), std::string::npos);
    EXPECT_EQ(m.nbSommets, 6);
    EXPECT_TRUE(deformation::coherent(m));
}

TEST_F(Separation, MergeThresholdIsTheStep) {
    // Voxel meshes at scale e have edges of maximum-norm length e; with a step of 1 the merge
    // distance is 3.
    CMaillageTriangleChRegion::DEFAULT_NEIGHBOR_STEP = 1.0f;
    const auto voxels = boule({8, 8, 8}, 3.0);
    CMaillageTriangleChRegion exact;
    deformation::maillageVoxels(exact, voxels, 16, 16, 16, 3);
    const int avant = exact.nbSommets;
    exact.greedyFusionneurNormeInfinie();
    EXPECT_EQ(exact.nbSommets, avant);

    CMaillageTriangleChRegion court;
    deformation::maillageVoxels(court, voxels, 16, 16, 16, 2);
    const int euler = caracteristiqueEuler(court);
    court.greedyFusionneurNormeInfinie();
    EXPECT_LT(court.nbSommets, avant);
    EXPECT_EQ(caracteristiqueEuler(court), euler);
    std::string rapport;
    EXPECT_TRUE(deformation::coherent(court, &rapport)) << rapport;
}

TEST_F(Separation, MergeRefusals) {
    // Octahedron: the two vertices opposite any edge have 4 neighbours, one would be left with 3.
    CMaillageTriangleChRegion o;
    deformation::octaedre(o, 1.0f);
    std::vector<CSommetChRegion*> s = sommets(o);
    for (CSommetChRegion* v : s)
        for (int k = 0; k < v->voisins.longueur(); ++k)
            EXPECT_FALSE(o.fusionner(v, v->voisins[k]));
    o.greedyFusionneurNormeInfinie();
    EXPECT_EQ(o.nbSommets, 6);

    // Triangular bipyramid: two equator vertices share three neighbours.
    CMaillageTriangleChRegion t;
    deformation::bipyramide(t, 3, 1.0f);
    s = sommets(t);
    EXPECT_FALSE(t.fusionner(s[0], s[1]));
    // Not neighbours at all.
    CMaillageTriangleChRegion h;
    deformation::bipyramide(h, 8, 1.0f);
    s = sommets(h);
    EXPECT_FALSE(h.fusionner(s[0], s[4]));
    // An equator edge of the octagonal bipyramid has the apexes (8 neighbours) opposite.
    ASSERT_TRUE(h.fusionner(s[0], s[1]));
    EXPECT_EQ(h.nbSommets, 9);
    EXPECT_EQ(h.nbTriangles, 14);
    EXPECT_EQ(s[8]->voisins.longueur(), 7);
    EXPECT_EQ(s[0]->voisins.longueur(), 4);
    EXPECT_TRUE(s[0]->actif);
    EXPECT_EQ(h.sommetsActifs.longueur(), 9);
    EXPECT_TRUE(deformation::coherent(h));
}

TEST_F(Separation, RayTriangleTests) {
    CMaillageTriangleChRegion m;
    CSommetChRegion a, b, c;
    a.x = 0, a.y = 0, a.z = 0;
    b.x = 2, b.y = 0, b.z = 0;
    c.x = 0, c.y = 2, c.z = 0;
    CTriangleChRegion t(&a, &b, &c);
    t.normale[2] = 1.0f;
    CPoint3D p;
    EXPECT_TRUE(m.intersectionTriangle(CPoint3D(0.5f, 0.5f, 3.0f), CPoint3D(0, 0, -1), &t, p));
    EXPECT_EQ(p, CPoint3D(0.5f, 0.5f, 0.0f));
    EXPECT_TRUE(m.intersectionTriangle(CPoint3D(0.5f, 0.5f, -3.0f), CPoint3D(0, 0, 2), &t, p));
    // Pointing away, parallel, through an edge, outside (the point is still written).
    EXPECT_FALSE(m.intersectionTriangle(CPoint3D(0.5f, 0.5f, 3.0f), CPoint3D(0, 0, 1), &t, p));
    EXPECT_FALSE(m.intersectionTriangle(CPoint3D(0.5f, 0.5f, 3.0f), CPoint3D(1, 0, 0), &t, p));
    EXPECT_FALSE(m.intersectionTriangle(CPoint3D(1.0f, 0.0f, 3.0f), CPoint3D(0, 0, -1), &t, p));
    EXPECT_FALSE(m.intersectionTriangle(CPoint3D(1.0f, 1.0f, 3.0f), CPoint3D(0, 0, -1), &t, p));
    EXPECT_FALSE(m.intersectionTriangle(CPoint3D(3.0f, 3.0f, 3.0f), CPoint3D(0, 0, -1), &t, p));
    EXPECT_EQ(p, CPoint3D(3.0f, 3.0f, 0.0f));
    // Projection along the dominant axis of a tilted normal.
    CTriangleChRegion incline(&a, &b, &c);
    incline.normale[0] = 0.1f;
    incline.normale[2] = 0.9f;
    EXPECT_TRUE(
        m.intersectionTriangle(CPoint3D(0.5f, 0.5f, 1.0f), CPoint3D(0, 0, -1), &incline, p));

    // The vertex form casts along the inward normal and skips its own triangles.
    CSommetChRegion v;
    v.x = 0.5f, v.y = 0.5f, v.z = 4.0f;
    v.normale = CPoint3D(0, 0, 1);
    EXPECT_TRUE(m.intersectionTriangle(&v, &t, p));
    v.normale = CPoint3D(0, 0, -1);
    EXPECT_FALSE(m.intersectionTriangle(&v, &t, p));
    a.normale = CPoint3D(0, 0, 1);
    EXPECT_FALSE(m.intersectionTriangle(&a, &t, p));
}

TEST_F(Separation, SkeletonFollowsTheOppositeSide) {
    CMaillageTriangleChRegion m;
    deformation::maillageVoxels(m, boule({10, 10, 10}, 5.0), 20, 20, 20);
    m.lisserCourbureTaubin(5);
    m.calculerNormales();
    m.calculerNormalesSommets();
    // The first vertex whose inward ray crosses a triangle strictly inside gets it as its node.
    CSommetChRegion* v = m.premierSommet;
    for (; v != nullptr && v->noeudSquelette == nullptr; v = v->suivant)
        for (CTriangleChRegion* t = m.premierTriangle; t != nullptr && v->noeudSquelette == nullptr;
             t = t->suivant) {
            CPoint3D p;
            if (m.intersectionTriangle(v, t, p)) {
                v->noeudSquelette = t;
                t->sommetsSquelette.ajouter(v);
                break;
            }
        }
    for (int tour = 0; tour < 3; ++tour)
        m.creerSquelette();
    int trouves = 0;
    for (CSommetChRegion* s : sommets(m)) {
        if (!s->squeletteTrouve)
            continue;
        ++trouves;
        ASSERT_NE(s->noeudSquelette, nullptr);
        EXPECT_GE(s->noeudSquelette->sommetsSquelette.indice(s), 0);
        // The medial point lies halfway to the point where the inward ray crosses the node,
        // on the far side of the ball: inside it, well away from the vertex.
        CPoint3D p;
        ASSERT_TRUE(m.intersectionTriangle(s, s->noeudSquelette, p));
        EXPECT_LT((s->pointSquelette - (*s + p) / 2.0).norme(), 1e-4f);
        EXPECT_LT((s->pointSquelette - CPoint3D(10, 10, 10)).norme(), 5.0f);
        EXPECT_GT((p - *s).norme(), 6.0f);
    }
    EXPECT_GT(trouves, 10);

    // Splits and merges keep every node a listed triangle that knows its vertices.
    m.squelette = true;
    m.greedyFusionneurNormeInfinie();
    m.greedySeparateurNormeInfinie();
    ASSERT_TRUE(deformation::coherent(m));
    std::vector<CTriangleChRegion*> liste;
    for (CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
        liste.push_back(t);
    for (CSommetChRegion* s : sommets(m)) {
        if (s->noeudSquelette == nullptr)
            continue;
        EXPECT_NE(std::find(liste.begin(), liste.end(), s->noeudSquelette), liste.end());
        EXPECT_GE(s->noeudSquelette->sommetsSquelette.indice(s), 0);
    }
}

// Any sequence of successful splits and merges on voxel meshes of random repaired regions keeps
// the mesh closed and consistent.
TEST_F(Separation, RandomSplitsAndMergesKeepTheMeshConsistent) {
    for (std::uint32_t graine = 1; graine <= 6; ++graine) {
        CMaillageTriangleChRegion m;
        deformation::maillageVoxels(m, blobAleatoire(graine, 14, 14, 14, 12), 16, 16, 16);
        const int euler = caracteristiqueEuler(m);
        std::mt19937 alea(graine);
        int reussis = 0;
        for (int essai = 0; essai < 400; ++essai) {
            std::vector<CSommetChRegion*> s = sommets(m);
            CSommetChRegion* a = s[alea() % s.size()];
            CSommetChRegion* b =
                a->voisins[static_cast<int>(alea() % static_cast<unsigned>(a->voisins.longueur()))];
            const bool ok = alea() % 2 == 0 ? m.separer(a, b) : m.fusionner(a, b);
            if (!ok)
                continue;
            ++reussis;
            std::string rapport;
            ASSERT_TRUE(deformation::coherent(m, &rapport))
                << rapport << " graine " << graine << " essai " << essai;
            ASSERT_EQ(longueurListe(m), m.nbSommets);
            ASSERT_EQ(caracteristiqueEuler(m), euler);
        }
        EXPECT_GT(reussis, 100);
    }
}
