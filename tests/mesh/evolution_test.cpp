#include "helpers/deformation.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImage3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using deformation::sommets;

namespace {

class Evolution : public ::testing::Test {
protected:
    void SetUp() override {
        deformation::parametresInitiaux();
        CPoint3D::width = CPoint3D::height = CPoint3D::depth = 32.0f;
    }
    void TearDown() override {
        deformation::parametresInitiaux();
        CPoint3D::width = CPoint3D::height = CPoint3D::depth = CPoint3D::maxdim = 1.0f;
    }
};

// The diagnostics of a call, read from stderr with the sink switched on.
template <class F> std::string diagnostics(F&& f) {
    setenv("STRAVOL_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    f();
    const std::string texte = testing::internal::GetCapturedStderr();
    unsetenv("STRAVOL_DEBUG");
    return texte;
}

// Gives the first vertex whose inward ray hits a triangle that triangle as its skeleton node.
bool amorcerSquelette(CMaillageTriangleChRegion& m) {
    for (CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant)
        for (CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
            CPoint3D p;
            if (m.intersectionTriangle(v, t, p)) {
                v->noeudSquelette = t;
                t->sommetsSquelette.ajouter(v);
                return true;
            }
        }
    return false;
}

} // namespace

TEST_F(Evolution, ParameterTableAndSharing) {
    CMaillageTriangleChRegion m, autre;
    CDeformableModelBase& b = m;
    ASSERT_EQ(b.GetParameterFloatNumber(), 9);
    ASSERT_EQ(b.GetParameterIntNumber(), 3);
    ASSERT_EQ(b.GetParameterBoolNumber(), 11);
    EXPECT_EQ(b.GetParameterEnumNumber(), 0);
    const char* flottants[] = {
        "Continuité (alpha)", "Courbure (beta)", "Gradient (gamma)", "Ballon (delta)",
        "Region (theta)",     "Lambda1",         "Lambda2",          "Pas de voisinage",
        "Biais région"};
    const float departs[] = {0.0f, 1.0f, 0.0f, 0.0f, 0.15f, 0.0f, 0.0f, 0.5f, 0.0f};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(b.GetParameterFloatName(i), flottants[i]);
        EXPECT_EQ(b.GetParameterFloatValue(i), departs[i]) << i;
    }
    EXPECT_EQ(b.GetParameterIntName(0), "Voisinage");
    EXPECT_EQ(b.GetParameterIntName(2), "Nb pixels ligne région");
    EXPECT_EQ(b.GetParameterIntValue(0), 3);
    EXPECT_EQ(b.GetParameterIntValue(1), 0);
    EXPECT_EQ(b.GetParameterIntValue(2), 10);
    EXPECT_EQ(b.GetParameterBoolName(0), "Adaptation des poids");
    EXPECT_EQ(b.GetParameterBoolName(10), "Affichage des vecteurs");
    const bool booleens[] = {false, true, true,  false, false, false,
                             false, true, false, false, false};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(b.GetParameterBoolValue(i), booleens[i]) << i;

    // Floats 0 to 7 and the neighbourhood are shared; the bias and the rest belong to the mesh.
    b.SetParameterFloatValue(3, 0.3f);
    b.SetParameterFloatValue(8, 2.0f);
    b.SetParameterIntValue(2, 4);
    b.SetParameterBoolValue(1, false);
    EXPECT_EQ(autre.GetParameterFloatValue(3), 0.3f);
    EXPECT_EQ(CMaillageTriangleChRegion::DEFAULT_DELTA, 0.3f);
    EXPECT_EQ(autre.GetParameterFloatValue(8), 0.0f);
    EXPECT_EQ(autre.GetParameterIntValue(2), 10);
    EXPECT_TRUE(autre.GetParameterBoolValue(1));
    EXPECT_FALSE(m.fusion);

    // An even (or non-positive) side is refused and leaves the value; an odd one sets the cube.
    b.SetParameterIntValue(0, 4);
    b.SetParameterIntValue(0, 0);
    EXPECT_EQ(autre.GetParameterIntValue(0), 3);
    EXPECT_EQ(CMaillageTriangleChRegion::NEIGHBORHOOD, 27);
    b.SetParameterIntValue(0, 5);
    EXPECT_EQ(autre.GetParameterIntValue(0), 5);
    EXPECT_EQ(CMaillageTriangleChRegion::NEIGHBORHOOD, 125);
}

// One iteration evaluates the cube of the side in candidates per vertex: the side's published
// range stops where an iteration stops being interactive, and the mesh refuses sides past it.
TEST_F(Evolution, NeighbourhoodSideIsBoundedWhereItsCostExplodes) {
    CMaillageTriangleChRegion m;
    deformation::octaedre(m, 2.0f);
    CDeformableModelBase& b = m;
    EXPECT_EQ(b.GetParameterIntMin(0), 1);
    EXPECT_EQ(b.GetParameterIntMax(0), 15);
    EXPECT_EQ(b.GetParameterIntMin(2), 0);
    EXPECT_EQ(b.GetParameterIntMax(2), 255);
    b.SetParameterIntValue(0, 15);
    EXPECT_EQ(b.GetParameterIntValue(0), 15);
    for (int refuse : {17, 255, 1001}) {
        b.SetParameterIntValue(0, refuse);
        EXPECT_EQ(b.GetParameterIntValue(0), 15) << refuse;
    }
    EXPECT_EQ(CMaillageTriangleChRegion::NEIGHBORHOOD, 15 * 15 * 15);
    b.SetParameterIntValue(0, 1);
    EXPECT_EQ(b.GetParameterIntValue(0), 1);
}

TEST_F(Evolution, EverySetReactivatesTheWholeMesh) {
    CMaillageTriangleChRegion m;
    deformation::octaedre(m, 2.0f);
    m.sommetsActifs.vider();
    for (CSommetChRegion* s : sommets(m)) {
        s->actif = false;
        s->enListeActive = false;
        s->elementActif = nullptr;
    }
    m.SetParameterBoolValue(5, true);
    EXPECT_EQ(m.sommetsActifs.longueur(), 6);
    for (CSommetChRegion* s : sommets(m))
        EXPECT_TRUE(s->actif && s->enListeActive);
    EXPECT_TRUE(deformation::coherent(m));
    // A refused value changes nothing, not even the activity.
    m.premierSommet->actif = false;
    m.SetParameterIntValue(0, 2);
    EXPECT_FALSE(m.premierSommet->actif);
}

TEST_F(Evolution, CandidateOffsets) {
    const CVecteur<CTriplet<int>> d3 = CMaillageTriangleChRegion::decalagesVoisinage(3);
    ASSERT_EQ(d3.taille, 27);
    EXPECT_EQ(d3[0], CTriplet<int>(0, 0, 0));
    EXPECT_EQ(d3[13], CTriplet<int>(-1, -1, -1));
    EXPECT_EQ(d3[1], CTriplet<int>(0, -1, -1));
    EXPECT_EQ(d3[26], CTriplet<int>(1, 1, 1));
    const CVecteur<CTriplet<int>> d5 = CMaillageTriangleChRegion::decalagesVoisinage(5);
    ASSERT_EQ(d5.taille, 125);
    EXPECT_EQ(d5[0], CTriplet<int>(0, 0, 0));
    EXPECT_EQ(d5[62], CTriplet<int>(-2, -2, -2));
    for (int i = 0; i < 125; ++i) {
        const CTriplet<int>& o = d5[i];
        EXPECT_TRUE(o.x >= -2 && o.x <= 2 && o.y >= -2 && o.y <= 2 && o.z >= -2 && o.z <= 2);
        for (int j = 0; j < i; ++j)
            EXPECT_NE(d5[j], o);
    }
}

// With only the curvature weight, the first vertex of the list moves to the grid point closest
// to the mean of its neighbours; ties go to the lower candidate index and to staying in place.
TEST_F(Evolution, CurvatureMoveAndTies) {
    CImage3D image = volumeUni(32, 32, 32, 0);
    const auto premierApres = [&](float gx, float gy, float gz) {
        CMaillageTriangleChRegion m;
        deformation::octaedre(m, 1.0f);
        // The octahedron's first vertex has the four neighbours 2, 4, 3, 5 around it; they are
        // placed so that their mean is (gx, gy, gz) with the vertex at (10, 10, 10).
        std::vector<CSommetChRegion*> s = sommets(m);
        const float c[4][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
        s[0]->x = s[0]->y = s[0]->z = 10.0f;
        for (int i = 0; i < 4; ++i) {
            s[i + 2]->x = gx + c[i][0];
            s[i + 2]->y = gy + c[i][1];
            s[i + 2]->z = gz + c[i][2];
        }
        m.fusion = m.separation = false;
        m.greedyGlobal(&image, 1);
        return std::vector<float>{s[0]->x, s[0]->y, s[0]->z, s[0]->actif ? 1.0f : 0.0f};
    };
    EXPECT_EQ(premierApres(11.0f, 9.0f, 10.2f), (std::vector<float>{10.5f, 9.5f, 10.0f, 1.0f}));
    // (10.5, 10, 10) and (10.5, 10.5, 10) are equally close: the lower index, (1, 0, 0), wins.
    EXPECT_EQ(premierApres(10.5f, 10.25f, 10.0f), (std::vector<float>{10.5f, 10.0f, 10.0f, 1.0f}));
    // Staying in place wins every tie it takes part in, and the vertex becomes inactive.
    EXPECT_EQ(premierApres(10.25f, 10.0f, 10.0f), (std::vector<float>{10.0f, 10.0f, 10.0f, 0.0f}));
    EXPECT_EQ(premierApres(10.0f, 10.0f, 10.0f), (std::vector<float>{10.0f, 10.0f, 10.0f, 0.0f}));
}

TEST_F(Evolution, StillMeshesAndMissingImages) {
    CImage3D image = volumeUni(32, 32, 32, 100);
    CMaillageTriangleChRegion m;
    deformation::maillageVoxels(m, boule({12, 12, 12}, 5.0), 32, 32, 32);
    m.lisserCourbureTaubin(2);
    const std::vector<CPoint3D> avant = positions(m);

    // Before initialiserImages there is no image to read.
    m.Evolve(5);
    EXPECT_EQ(positions(m), avant);

    m.initialiserImages(&image, &image);
    const std::string rapport = diagnostics([&] { m.Evolve(0); });
    EXPECT_EQ(positions(m), avant);
    EXPECT_NE(rapport.find("Ok. Temps total = "), std::string::npos);
    EXPECT_NE(rapport.find("Nb sommets=" + std::to_string(m.nbSommets)), std::string::npos);
    EXPECT_EQ(rapport.find("Critère d'arrêt vérifié"), std::string::npos);
    m.Evolve(-3);
    EXPECT_EQ(positions(m), avant);

    // Inactive vertices with inactive neighbours are not looked at.
    m.fusion = m.separation = false;
    for (CSommetChRegion* s : sommets(m)) {
        s->actif = false;
        s->energie[1] = -1.0f;
    }
    m.Evolve(3);
    EXPECT_EQ(positions(m), avant);
    for (CSommetChRegion* s : sommets(m))
        EXPECT_EQ(s->energie[1], -1.0f);
}

TEST_F(Evolution, QuantisedSmoothingMovesByGridSteps) {
    CImage3D image = volumeUni(32, 32, 32, 0);
    CMaillageTriangleChRegion m;
    deformation::maillageVoxels(m, blobAleatoire(5, 32, 32, 32, 6), 32, 32, 32);
    m.initialiserImages(&image, &image);
    m.fusion = m.separation = false;
    for (int iteration = 0; iteration < 4; ++iteration) {
        const std::vector<CPoint3D> avant = positions(m);
        m.Evolve(1);
        const std::vector<CPoint3D> apres = positions(m);
        ASSERT_EQ(apres.size(), avant.size());
        int immobiles = 0;
        for (std::size_t i = 0; i < avant.size(); ++i) {
            const CPoint3D d = apres[i] - avant[i];
            for (float c : {d.x, d.y, d.z})
                EXPECT_TRUE(c == 0.0f || c == 0.5f || c == -0.5f) << c;
            immobiles += d == CPoint3D() ? 1 : 0;
        }
        // A vertex that did not move is inactive; energies are recorded and bounded.
        for (CSommetChRegion* s : sommets(m)) {
            EXPECT_GE(s->energie[1], 0.0f);
            EXPECT_EQ(s->energie[2], 0.0f);
        }
        EXPECT_GT(immobiles, 0);
    }
    for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i)
        EXPECT_LE(m.energieMin[i], m.energieMax[i]);
    EXPECT_GE(m.energieMoyenne[1], 0.0f);
    EXPECT_TRUE(deformation::coherent(m));
}

// "Critère d'arrêt vérifié" tells that the last iteration moved at most 10 vertices: the six
// vertices of an octahedron in a uniform image get it, a ball pushed out by the balloon, whose
// vertices nearly all move, does not; without critereArret there is no report.
TEST_F(Evolution, StoppingReportFollowsTheMovesOfTheLastIteration) {
    CImage3D image = volumeUni(32, 32, 32, 0);
    const auto deplaces = [](const std::vector<CPoint3D>& avant,
                             const CMaillageTriangleChRegion& m) {
        const std::vector<CPoint3D> apres = positions(m);
        int n = 0;
        for (std::size_t i = 0; i < avant.size(); ++i)
            n += !(apres[i] == avant[i]);
        return n;
    };
    CMaillageTriangleChRegion octa;
    deformation::octaedre(octa, 4.0f);
    for (CSommetChRegion* s : sommets(octa)) {
        s->x += 16.0f;
        s->y += 16.0f;
        s->z += 16.0f;
    }
    octa.initialiserImages(&image, &image);
    octa.fusion = octa.separation = false;
    EXPECT_NE(diagnostics([&] { octa.Evolve(2); }).find("Critère d'arrêt vérifié"),
              std::string::npos);
    octa.critereArret = false;
    EXPECT_EQ(diagnostics([&] { octa.Evolve(1); }).find("Critère d'arrêt"), std::string::npos);

    CMaillageTriangleChRegion boule4;
    deformation::maillageVoxels(boule4, boule({16, 16, 16}, 4.0), 32, 32, 32);
    boule4.initialiserImages(&image, &image);
    boule4.fusion = boule4.separation = false;
    boule4.SetParameterFloatValue(1, 0.0f);
    boule4.SetParameterFloatValue(3, -1.0f);
    const std::vector<CPoint3D> avant = positions(boule4);
    const std::string rapport = diagnostics([&] { boule4.Evolve(1); });
    EXPECT_GT(deplaces(avant, boule4), 10);
    EXPECT_EQ(rapport.find("Critère d'arrêt"), std::string::npos);
}

namespace {

// Mean distance of the vertices to the mesh's centre of gravity.
double rayonMoyen(const CMaillageTriangleChRegion& m) {
    const CPoint3D c = m.centreGravite();
    double r = 0.0;
    for (CSommetChRegion* s : sommets(m))
        r += (*s - c).norme();
    return r / m.nbSommets;
}

// A ball of radius 4 about (16, 16, 16), its surface near radius 4.5, that only its balloon
// (delta) and intensity (gamma) terms move.
void bouleMobile(CMaillageTriangleChRegion& m, CImage3D& image, float delta, float gamma) {
    deformation::maillageVoxels(m, boule({16, 16, 16}, 4.0), 32, 32, 32);
    m.initialiserImages(&image, &image);
    m.fusion = m.separation = false;
    m.SetParameterFloatValue(1, 0.0f);
    m.SetParameterFloatValue(2, gamma);
    m.SetParameterFloatValue(3, delta);
}

// Voxels within [r0, r1] of (16, 16, 16) at 255, the others at 0.
CImage3D coquille(double r0, double r1) {
    CImage3D image = volumeUni(32, 32, 32, 0);
    for (int z = 0; z < 32; ++z)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const double r = std::sqrt((x - 16.0) * (x - 16) + (y - 16.0) * (y - 16) +
                                           (z - 16.0) * (z - 16));
                if (r >= r0 && r <= r1)
                    image.Pixel(x, y, z) = 255;
            }
    return image;
}

} // namespace

// The balloon pushes the surface outwards; the intensity term pulls it towards bright voxels,
// out to a bright shell or in to a bright core, and leaves it in place on a uniform image.
TEST_F(Evolution, BalloonPushesOutAndIntensityPullsToBrightVoxels) {
    CImage3D noir = volumeUni(32, 32, 32, 0);
    CMaillageTriangleChRegion m;
    bouleMobile(m, noir, -1.0f, 0.0f);
    const double depart = rayonMoyen(m);
    m.Evolve(1);
    EXPECT_GT(rayonMoyen(m), depart + 0.3);

    struct Cas {
        const char* nom;
        CImage3D image;
        double ecartMin, ecartMax; // of the mean radius after four iterations, voxels
    };
    Cas cas[] = {{"uniform", volumeUni(32, 32, 32, 0), 0.0, 0.0},
                 {"shell 5 to 8", coquille(5.0, 8.0), 0.01, 3.5},
                 {"core of 3.5", coquille(0.0, 3.5), -3.5, -0.01}};
    for (Cas& c : cas) {
        deformation::parametresInitiaux();
        CMaillageTriangleChRegion i;
        bouleMobile(i, c.image, 0.0f, 1.0f);
        const double avant = rayonMoyen(i);
        i.Evolve(4);
        EXPECT_GE(rayonMoyen(i) - avant, c.ecartMin) << c.nom;
        EXPECT_LE(rayonMoyen(i) - avant, c.ecartMax) << c.nom;
        EXPECT_TRUE(deformation::coherent(i)) << c.nom;
    }
}

// Weight adaptation: inside bright voxels the balloon weight drops to nothing, so the ball that
// the balloon inflates on a bright image without adaptation barely moves with it.
TEST_F(Evolution, AdaptationStopsTheBalloonInsideBrightVoxels) {
    CImage3D clair = volumeUni(32, 32, 32, 255);
    double croissance[2] = {};
    for (bool adaptation : {false, true}) {
        deformation::parametresInitiaux();
        CMaillageTriangleChRegion m;
        bouleMobile(m, clair, -1.0f, 0.0f);
        m.SetParameterBoolValue(0, adaptation);
        const double avant = rayonMoyen(m);
        m.Evolve(2);
        croissance[adaptation] = rayonMoyen(m) - avant;
    }
    EXPECT_GT(croissance[0], 0.5);
    EXPECT_LT(croissance[1], 0.05);
}

TEST_F(Evolution, BandHistogramsAndTheirStatistics) {
    // A bright ball of radius 6 on a dark background; the mesh wraps it.
    CImage3D image = volumeUni(32, 32, 32, 20);
    for (const CTriplet<int>& v : boule({16, 16, 16}, 6.0))
        image.Pixel(v) = 220;
    CMaillageTriangleChRegion m;
    m.initialiserImages(&image, &image);
    m.histogramme1[3] = 5.0f;
    deformation::maillageVoxels(m, boule({16, 16, 16}, 6.0), 32, 32, 32);
    double n3 = 0.0, n4 = 0.0;
    for (int i = 0; i < 256; ++i) {
        n3 += m.histogramme3[i];
        n4 += m.histogramme4[i];
    }
    EXPECT_EQ(m.histogramme1[3], 0.0f);
    EXPECT_EQ(n3, 10.0 * m.nbSommets);
    EXPECT_EQ(n4, 10.0 * m.nbSommets);
    EXPECT_GT(m.moyenneInterieur, 150.0f);
    EXPECT_LT(m.moyenneExterieur, 60.0f);
    EXPECT_GT(m.ecartTypeInterieur, 0.0f);

    m.nbPixelsLigneRegion = 3;
    m.recalculerHistogrammesBandes();
    m.calculerMoyenneEcarttype();
    n3 = 0.0;
    for (int i = 0; i < 256; ++i)
        n3 += m.histogramme3[i];
    EXPECT_EQ(n3, 3.0 * m.nbSommets);

    CMaillageTriangleChRegion sansImage;
    sansImage.recalculerHistogrammesBandes();
    sansImage.calculerMoyenneEcarttype();
    EXPECT_EQ(sansImage.moyenneInterieur, 0.0f);
    EXPECT_FALSE(std::isnan(sansImage.ecartTypeExterieur));
}

TEST_F(Evolution, GradientLineMeasure) {
    CImage3D image = volumeUni(8, 8, 8, 0);
    image.Pixel(0, 0, 0) = 255;
    CMaillageTriangleChRegion m;
    CTriplet<int> nulles[24];
    // Zero-length lines read the start voxel (255 / 255 each) and count no pixel.
    EXPECT_FLOAT_EQ(m.diffgradEnergyBresenham({0, 0, 0}, nulles, 5, &image), -5.0f);
    EXPECT_EQ(m.diffgradEnergyBresenham({0, 0, 0}, nulles, 0, &image), 0.0f);
    CTriplet<int> dehors[2] = {{8, 0, 0}, {-1, 2, 2}};
    EXPECT_EQ(m.diffgradEnergyBresenham({0, 0, 0}, dehors, 2, &image), 0.0f);
    CImage3D vide;
    EXPECT_EQ(m.diffgradEnergyBresenham({0, 0, 0}, nulles, 5, &vide), 0.0f);
    // With lambda1 on, the gradient is recorded but does not weigh in the choice.
    CImage3D clair = volumeUni(32, 32, 32, 200);
    CMaillageTriangleChRegion a, b;
    deformation::maillageVoxels(a, boule({16, 16, 16}, 4.0), 32, 32, 32);
    deformation::maillageVoxels(b, boule({16, 16, 16}, 4.0), 32, 32, 32);
    a.initialiserImages(&clair, &clair);
    b.initialiserImages(&clair, &clair);
    a.fusion = a.separation = b.fusion = b.separation = false;
    a.Evolve(1);
    CMaillageTriangleChRegion::DEFAULT_LAMBDA1 = 2.0f;
    b.Evolve(1);
    EXPECT_EQ(positions(a), positions(b));
    EXPECT_NE(b.premierSommet->energie[5], 0.0f);
}

// Evolution with merges and splits on keeps the mesh closed and consistent.
TEST_F(Evolution, IterationsWithTopologyKeepTheMeshConsistent) {
    CImage3D image = volumeUni(40, 40, 40, 0);
    for (const CTriplet<int>& v : boule({20, 20, 20}, 12.0))
        image.Pixel(v) = 255;
    CPoint3D::width = CPoint3D::height = CPoint3D::depth = 40.0f;
    for (std::uint32_t graine : {1u, 2u, 3u}) {
        CMaillageTriangleChRegion m;
        deformation::maillageVoxels(m, blobAleatoire(graine, 20, 20, 20, 25), 40, 40, 40);
        m.lisserCourbureTaubin(3);
        m.calculerNormales();
        m.calculerNormalesSommets();
        m.initialiserImages(&image, &image);
        const int euler = caracteristiqueEuler(m);
        m.SetParameterFloatValue(3, -0.5f);
        m.SetParameterFloatValue(2, 1.0f);
        m.SetParameterBoolValue(4, true);
        ASSERT_TRUE(amorcerSquelette(m));
        for (int i = 0; i < 4; ++i) {
            m.Evolve(1);
            std::string rapport;
            ASSERT_TRUE(deformation::coherent(m, &rapport)) << rapport << " graine " << graine;
            EXPECT_EQ(caracteristiqueEuler(m), euler);
        }
        int trouves = 0;
        for (CSommetChRegion* s : sommets(m)) {
            if (s->noeudSquelette != nullptr) {
                EXPECT_GE(s->noeudSquelette->sommetsSquelette.indice(s), 0);
            }
            trouves += s->squeletteTrouve ? 1 : 0;
        }
        EXPECT_GT(trouves, 0);
    }
}
