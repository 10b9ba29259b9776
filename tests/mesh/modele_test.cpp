#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "core/Message.h"
#include "helpers/mesh_helpers.h"

namespace {

class ModeleNu : public CDeformableModelBase {};

} // namespace

TEST(DeformableModel, TheBasePublishesNothing) {
    ModeleNu modele;
    CDeformableModelBase& base = modele;
    EXPECT_EQ(base.GetParameterFloatNumber() + base.GetParameterIntNumber() +
                  base.GetParameterBoolNumber() + base.GetParameterEnumNumber(),
              0);
    EXPECT_EQ(base.GetParameterFloatName(0).longueur(), 0);
    EXPECT_EQ(base.GetParameterEnumName(0).longueur(), 0);
    EXPECT_EQ(base.GetParameterEnumValueNames(0).taille, 0);
    base.SetParameterFloatValue(0, 3.0f);
    base.SetParameterIntValue(0, 3);
    base.SetParameterBoolValue(0, false);
    EXPECT_EQ(base.GetParameterFloatValue(0), 0.0f);
    EXPECT_EQ(base.GetParameterIntValue(0), 0);
    EXPECT_TRUE(base.GetParameterBoolValue(0));
    EXPECT_EQ(base.GetParameterFloatMin(0), -5.0f);
    EXPECT_EQ(base.GetParameterFloatMax(0), 5.0f);
    EXPECT_EQ(base.GetParameterFloatStep(0), 0.01f);
    EXPECT_NE(static_cast<double>(base.GetParameterFloatStep(0)), 0.01);
    EXPECT_EQ(base.GetParameterIntMax(0), 255);
    EXPECT_EQ(base.GetParameterIntStep(0), 1);
}

TEST(DeformableModel, MeshParameters) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 20, 20, 20, {{5, 5, 5}});
    CDeformableModelBase& base = m;
    ASSERT_EQ(base.GetParameterFloatNumber(), 9);
    ASSERT_EQ(base.GetParameterIntNumber(), 3);
    ASSERT_EQ(base.GetParameterBoolNumber(), 11);
    EXPECT_EQ(base.GetParameterEnumNumber(), 0);
    EXPECT_STREQ(base.GetParameterFloatName(1).c_str(), "Courbure (beta)");
    EXPECT_STREQ(base.GetParameterIntName(1).c_str(), "Ordre icosaèdre");
    EXPECT_STREQ(base.GetParameterBoolName(7).c_str(), "Affichage des faces (lisse)");
    EXPECT_EQ(base.GetParameterFloatValue(1), 1.0f);
    EXPECT_TRUE(base.GetParameterBoolValue(7));
    EXPECT_FALSE(base.GetParameterBoolValue(0));

    // A set operation reactivates every vertex, rebuilding the active list.
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        s->actif = false;
    base.SetParameterBoolValue(9, true);
    EXPECT_TRUE(m.afficherNormales);
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        EXPECT_TRUE(s->actif);
    EXPECT_EQ(m.sommetsActifs.longueur(), 8);
    EXPECT_TRUE(m.verifierCoherence());

    base.SetParameterIntValue(0, 5);
    EXPECT_EQ(CMaillageTriangleChRegion::NEIGHBORHOOD, 125);
    base.SetParameterIntValue(0, 3);
    EXPECT_EQ(CMaillageTriangleChRegion::NEIGHBORHOOD, 27);
    base.SetParameterFloatValue(8, 0.25f);
    EXPECT_EQ(m.biaisRegion, 0.25f);
}

TEST(Mesh, InitialStateAndClear) {
    CMaillageTriangleChRegion m;
    EXPECT_EQ(m.nbSommets, 0);
    EXPECT_EQ(m.premierTriangle, nullptr);
    EXPECT_TRUE(m.afficherFacesLisses);
    EXPECT_FALSE(m.afficherFaces || m.afficherSommets || m.afficherAretes || m.afficherNormales ||
                 m.afficherVecteurs);
    for (const CVecteur<float>* h :
         {&m.histogramme1, &m.histogramme2, &m.histogramme3, &m.histogramme4}) {
        ASSERT_EQ(h->taille, 256);
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ((*h)[i], 0.0f);
    }
    maillageDeVoxels(m, 20, 20, 20, boite({3, 3, 3}, {5, 6, 7}));
    m.histogramme2[7] = 4.0f;
    m.centre = CPoint3D(1, 1, 1);
    m.vider();
    EXPECT_EQ(m.nbSommets + m.nbTriangles + m.sommetsActifs.longueur(), 0);
    EXPECT_EQ(m.histogramme2[7], 0.0f);
    EXPECT_EQ(m.centre, CPoint3D());
    EXPECT_TRUE(m.verifierCoherence());
}

TEST(Mesh, DeepCopy) {
    CMaillageTriangleChRegion source;
    maillageDeVoxels(source, 20, 20, 20, boule({10, 10, 10}, 3.5));
    source.afficherAretes = true;
    source.compteur2 = 9;
    source.histogramme3[5] = 2.0f;
    CMaillageTriangleChRegion copie;
    maillageDeVoxels(copie, 20, 20, 20, {{1, 1, 1}});
    copie = source;
    EXPECT_EQ(copie.nbSommets, source.nbSommets);
    EXPECT_EQ(copie.nbTriangles, source.nbTriangles);
    EXPECT_TRUE(copie.afficherAretes);
    EXPECT_EQ(copie.compteur2, 9);
    EXPECT_EQ(copie.histogramme3[5], 2.0f);
    Chaine rapport;
    EXPECT_TRUE(copie.verifierCoherence(&rapport)) << rapport.c_str();
    // Same geometry and orientation, no pointer shared with the source.
    const Soupe a = soupeMaillage(source), b = soupeMaillage(copie);
    EXPECT_EQ(a.positions, b.positions);
    EXPECT_EQ(a.triangles, b.triangles);
    for (CSommetChRegion* s = copie.premierSommet; s != nullptr; s = s->suivant)
        for (int k = 0; k < s->voisins.longueur(); ++k)
            for (CSommetChRegion* o = source.premierSommet; o != nullptr; o = o->suivant)
                ASSERT_NE(s->voisins[k], o);
    source.vider();
    EXPECT_TRUE(copie.verifierCoherence());

    CMaillageTriangleChRegion vide;
    vide.rayonSphere = 0.5f;
    copie = vide;
    EXPECT_EQ(copie.nbSommets, 0);
    EXPECT_EQ(copie.rayonSphere, 0.5f);
}

// The assignment copies the settings up to critereArret and up to afficherNormales, the
// volumes, nbPixelsLigneRegion and the histograms; the other settings stay the target's.
TEST(Mesh, AssignmentCopiesTheListSettings) {
    CMaillageTriangleChRegion source;
    source.ordreIcosaedre = 3;
    source.materielDiffus[1] = 0.25f;
    source.critereArret = false;
    source.afficherNormales = true;
    source.nbPixelsLigneRegion = 4;
    source.squelette = true;
    source.afficherVecteurs = true;
    source.biaisRegion = 2.0f;
    source.pas = 3;
    CMaillageTriangleChRegion copie;
    copie = source;
    EXPECT_EQ(copie.ordreIcosaedre, 3);
    EXPECT_EQ(copie.materielDiffus[1], 0.25f);
    EXPECT_FALSE(copie.critereArret);
    EXPECT_TRUE(copie.afficherNormales);
    EXPECT_EQ(copie.nbPixelsLigneRegion, 4);
    EXPECT_FALSE(copie.squelette);
    EXPECT_FALSE(copie.afficherVecteurs);
    EXPECT_EQ(copie.biaisRegion, 0.0f);
    EXPECT_EQ(copie.pas, 8);
}

TEST(Mesh, CopyConstructorIsForbidden) {
    CMaillageTriangleChRegion source;
    maillageDeVoxels(source, 20, 20, 20, {{5, 5, 5}});
    std::string question;
    setQuestionHook([&](const char* texte, const char* titre) {
        question = std::string(titre) + ": " + texte;
        return true;
    });
    CMaillageTriangleChRegion copie(source);
    setQuestionHook(nullptr);
    EXPECT_EQ(question,
              "Erreur: CMaillageTriangleChRegion::constructeur de recopie : fonction interdite");
    EXPECT_EQ(copie.nbSommets, 0);
    EXPECT_EQ(copie.nbTriangles, 0);
}

TEST(Mesh, RefusedCopyEndsTheProcessThroughTheEndHook) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The copy constructor of the mesh asks whether to go on; "no" ends the process.
    setQuestionHook([](const char*, const char*) { return false; });
    setFinHook([](int statut) { std::fprintf(stderr, "arrêt %d\n", statut); });
    EXPECT_EXIT(
        {
            CMaillageTriangleChRegion maillage;
            CMaillageTriangleChRegion copie(maillage);
        },
        ::testing::ExitedWithCode(255), "arrêt -1");
    setFinHook({});
    setQuestionHook({});
}

TEST(Mesh, CentreRadiusAndInfo) {
    CMaillageTriangleChRegion m;
    maillageDeVoxels(m, 20, 20, 20, boite({4, 4, 4}, {7, 7, 7}));
    const CPoint3D g = m.centreGravite();
    EXPECT_NEAR(g.x, 5.5, 1e-5);
    EXPECT_NEAR(g.y, 5.5, 1e-5);
    EXPECT_NEAR(g.z, 5.5, 1e-5);
    m.centre = g;
    m.setRayon(3.0f);
    EXPECT_EQ(m.rayon, 3.0f);
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        const double r = std::sqrt((s->x - g.x) * (s->x - g.x) + (s->y - g.y) * (s->y - g.y) +
                                   (s->z - g.z) * (s->z - g.z));
        EXPECT_NEAR(r, 3.0, 1e-5);
    }
    const CVecteur<Chaine> lignes = m.premierSommet->infos();
    ASSERT_EQ(lignes.taille, 6);
    EXPECT_EQ(std::string(lignes[0].c_str()).rfind("Coordonnées écran x=", 0), 0u);
    EXPECT_NE(std::string(lignes[1].c_str()).find("energie[6]=0.000  "), std::string::npos);
    EXPECT_EQ(std::string(lignes[5].c_str()).rfind("Vecteur1 : x=0.000", 0), 0u);
}
