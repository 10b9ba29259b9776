#include "helpers/volumes.h"
#include "region/CRegionMultiresolution2D3DT.h"
#include "volume/CImage3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using Q = CQuadruplet<int>;

int compterRegion(const CRegionMultiresolution2D3DT& r) {
    int n = 0;
    for (int i = 0; i < r.voxels.taille; ++i)
        n += r.voxels[i].etat;
    return n;
}

// The model seen only through the parameter interface.
std::vector<std::string> nomsParametres(CDeformableModelBase& m) {
    std::vector<std::string> noms;
    for (int i = 0; i < m.GetParameterFloatNumber(); ++i)
        noms.push_back(m.GetParameterFloatName(i).c_str());
    for (int i = 0; i < m.GetParameterIntNumber(); ++i)
        noms.push_back(m.GetParameterIntName(i).c_str());
    for (int i = 0; i < m.GetParameterBoolNumber(); ++i)
        noms.push_back(m.GetParameterBoolName(i).c_str());
    for (int i = 0; i < m.GetParameterEnumNumber(); ++i)
        noms.push_back(m.GetParameterEnumName(i).c_str());
    return noms;
}

struct ModeleNu : CDeformableModelBase {};

} // namespace

TEST(DeformableModelBase, DefaultsOfAModelReplacingNothing) {
    ModeleNu nu;
    CDeformableModelBase& m = nu;
    EXPECT_TRUE(nomsParametres(m).empty());
    EXPECT_EQ(m.GetParameterFloatValue(0), 0.0f);
    EXPECT_EQ(m.GetParameterIntValue(0), 0);
    EXPECT_TRUE(m.GetParameterBoolValue(0));
    EXPECT_EQ(m.GetParameterEnumValue(0), 0);
    EXPECT_EQ(m.GetParameterFloatMin(0), -5.0f);
    EXPECT_EQ(m.GetParameterFloatMax(0), 5.0f);
    EXPECT_EQ(m.GetParameterFloatStep(0), 0.01f);
    EXPECT_EQ(m.GetParameterIntMin(0), 0);
    EXPECT_EQ(m.GetParameterIntMax(0), 255);
    EXPECT_EQ(m.GetParameterIntStep(0), 1);
    EXPECT_EQ(m.GetParameterEnumValueNames(0).taille, 0);
    EXPECT_EQ(std::string(m.GetParameterEnumName(0).c_str()), "");
    m.SetParameterFloatValue(0, 2.0f);
    m.SetParameterIntValue(0, 7);
    m.SetParameterBoolValue(0, false);
    m.SetParameterEnumValue(0, 3);
    m.Evolve(5);
    EXPECT_EQ(m.GetParameterFloatValue(0), 0.0f);
    EXPECT_EQ(m.GetParameterIntValue(0), 0);
    EXPECT_TRUE(m.GetParameterBoolValue(0));
    EXPECT_EQ(m.GetParameterEnumValue(0), 0);
}

TEST(RegionMultiresolution, DefaultModelAndParameterTable) {
    CRegionMultiresolution2D3DT r;
    EXPECT_EQ(r.mu, 0.0f);
    EXPECT_EQ(r.sigma, 1.0f);
    EXPECT_EQ(r.nbVoxels, 0);
    EXPECT_EQ(r.histo.taille, 256);
    EXPECT_EQ(r.min4D, Q(2147483647, 2147483647, 2147483647, 2147483647));
    EXPECT_EQ(r.max4D, Q(0, 0, 0, 0));
    EXPECT_EQ(r.histogrammesActifs, 0);

    CDeformableModelBase& m = r;
    EXPECT_EQ(nomsParametres(m),
              (std::vector<std::string>{"Coefficient d'homogénéité", "Tolérance", "Seuil bas",
                                        "Seuil haut", "Mode croissance", "Critère croissance"}));
    EXPECT_EQ(m.GetParameterBoolNumber(), 0);
    EXPECT_FALSE(m.GetParameterBoolValue(0));
    EXPECT_EQ(m.GetParameterFloatValue(0), 0.5f);
    EXPECT_EQ(m.GetParameterFloatValue(1), 0.0f);
    EXPECT_EQ(m.GetParameterIntValue(0), 128);
    EXPECT_EQ(m.GetParameterIntValue(1), 255);
    EXPECT_EQ(m.GetParameterEnumValue(0), 0);
    EXPECT_EQ(m.GetParameterEnumValue(1), 0);
    // Ranges and steps stay those of the base.
    EXPECT_EQ(m.GetParameterFloatMin(0), -5.0f);
    EXPECT_EQ(m.GetParameterFloatStep(1), 0.01f);
    EXPECT_EQ(m.GetParameterIntMax(1), 255);

    const CVecteur<Chaine> modes = m.GetParameterEnumValueNames(0);
    const CVecteur<Chaine> criteres = m.GetParameterEnumValueNames(1);
    ASSERT_EQ(modes.taille, 4);
    ASSERT_EQ(criteres.taille, 3);
    EXPECT_EQ(modes[0], "Croissance 2D");
    EXPECT_EQ(modes[1], "Croissance 2D+T");
    EXPECT_EQ(modes[2], "Croissance 3D");
    EXPECT_EQ(modes[3], "Croissance 3D+T");
    EXPECT_EQ(criteres[0], "Moyenne + écart type");
    EXPECT_EQ(criteres[1], "Seuil");
    EXPECT_EQ(criteres[2], "Intervalle");

    // Every set writes the field of its row and nothing else.
    m.SetParameterFloatValue(0, 1.25f);
    m.SetParameterFloatValue(1, -2.0f);
    m.SetParameterIntValue(0, 10);
    m.SetParameterIntValue(1, 20);
    m.SetParameterEnumValue(0, 2);
    m.SetParameterEnumValue(1, 1);
    m.SetParameterBoolValue(0, true);
    EXPECT_EQ(r.coefficientHomogeneite, 1.25f);
    EXPECT_EQ(r.tolerance, -2.0f);
    EXPECT_EQ(r.seuilBas, 10);
    EXPECT_EQ(r.seuilHaut, 20);
    EXPECT_EQ(r.modeCroissance, ModeCroissance::Croissance3D);
    EXPECT_EQ(r.critereCroissance, 1);
    EXPECT_FALSE(m.GetParameterBoolValue(0));
}

TEST(RegionMultiresolution, HistogramMeanAndDeviation) {
    CVecteur<int> h(256);
    h.remplir(0);
    float m = -1.0f, s = -1.0f;
    CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(h, m, s);
    EXPECT_EQ(m, 0.0f);
    EXPECT_EQ(s, 1.0f);

    h[100] = 10;
    CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(h, m, s);
    EXPECT_EQ(m, 100.0f);
    EXPECT_EQ(s, 0.0f);

    // One level counted a million times: the single-precision sums round, leaving a variance
    // a little below 0 (1000001 times: 40401 - 0.00104) or above it (1000003 times:
    // 40401 + 0.000077). Below, the deviation is 0, not a NaN; above, its root, under 0.01.
    h.remplir(0);
    h[201] = 1000001;
    CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(h, m, s);
    EXPECT_EQ(m, 201.0f);
    EXPECT_EQ(s, 0.0f);
    h[201] = 1000003;
    CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(h, m, s);
    EXPECT_EQ(m, 201.0f);
    EXPECT_GT(s, 0.0f);
    EXPECT_LT(s, 0.01f);

    std::mt19937 alea(7);
    for (int essai = 0; essai < 20; ++essai) {
        double n = 0, s1 = 0, s2 = 0;
        for (int i = 0; i < 256; ++i) {
            h[i] = static_cast<int>(alea() % 40);
            n += h[i];
            s1 += double(h[i]) * i;
            s2 += double(h[i]) * i * i;
        }
        CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(h, m, s);
        const double moyenne = s1 / n;
        EXPECT_NEAR(m, moyenne, 1e-3);
        EXPECT_NEAR(s, std::sqrt(s2 / n - moyenne * moyenne), 1e-2);
    }
}

TEST(RegionMultiresolution, SetUpOnVolumesAndSequences) {
    CRegionMultiresolution2D3DT r;
    CImage3D vide;
    EXPECT_FALSE(r.initialiserRegion(&vide));
    EXPECT_FALSE(r.initialiserRegion(static_cast<CImage3D*>(nullptr)));

    CImage3D v = volumeUni(7, 5, 4, 0);
    ASSERT_TRUE(r.initialiserRegion(&v));
    EXPECT_EQ(r.nbTemps, 1);
    EXPECT_EQ(r.voxels.taille, 7 * 5 * 4);
    EXPECT_EQ(compterRegion(r), 0);
    EXPECT_EQ(r.pasY, 7);
    EXPECT_EQ(r.pasZ, 35);
    EXPECT_EQ(r.pasT, 140);
    EXPECT_EQ(r.minCoupe.nbLignes, 4);
    EXPECT_EQ(r.minCoupe.nbColonnes, 1);
    EXPECT_EQ(r.ecartTypeCoupe[3][0], 1.0f);
    EXPECT_EQ(r.histoCoupe[2][0].taille, 256);
    // Each offset designates its neighbour.
    ASSERT_EQ(r.voisinage4D.taille, 8);
    ASSERT_EQ(r.decalages4D.taille, 8);
    for (int k = 0; k < 8; ++k) {
        const Q& n = r.voisinage4D[k];
        EXPECT_EQ(r.decalages4D[k], n.x + r.pasY * n.y + r.pasZ * n.z + r.pasT * n.t);
    }
    ASSERT_EQ(r.decalages2D.taille, 4);
    EXPECT_EQ(r.decalages2D[2], -7);
    ASSERT_EQ(r.niveaux.taille, 4);
    for (int i = 0; i < 4; ++i) {
        const int f = i + 2;
        EXPECT_EQ(r.niveaux[i].facteur, f);
        EXPECT_EQ(r.niveaux[i].largeur, 7 / f);
        EXPECT_EQ(r.niveaux[i].profondeur, 4 / f);
        EXPECT_EQ(r.niveaux[i].decalagesBloc.taille, f * f * f);
    }

    CImage3D autre = volumeUni(7, 5, 3, 0);
    CVecteur<CImage3D*> sequence(2);
    sequence[0] = &v;
    sequence[1] = &autre;
    EXPECT_FALSE(r.initialiserRegion(sequence));
    CImage3D pareil = volumeUni(7, 5, 4, 9);
    sequence[1] = &pareil;
    ASSERT_TRUE(r.initialiserRegion(sequence));
    EXPECT_EQ(r.nbTemps, 2);
    EXPECT_EQ(r.GetImageVoxel(Q(1, 1, 1, 1)), 9);
    EXPECT_EQ(r.GetImageVoxel(Q(1, 1, 1, 0)), 0);
    EXPECT_EQ(r.nbVoxelsT.taille, 2);
}

// With histograms active every statistic follows each added voxel; checked against a
// direct computation over the added voxels.
TEST(RegionMultiresolution, StatisticsFollowTheVoxels) {
    std::mt19937 alea(3);
    CImage3D v0 = volumeUni(9, 8, 6, 0), v1 = volumeUni(9, 8, 6, 0);
    for (CImage3D* v : {&v0, &v1})
        for (int z = 0; z < 6; ++z)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 9; ++x)
                    v->Pixel(x, y, z) = static_cast<unsigned char>(alea() % 256);
    CVecteur<CImage3D*> sequence(2);
    sequence[0] = &v0;
    sequence[1] = &v1;
    CRegionMultiresolution2D3DT r;
    ASSERT_TRUE(r.initialiserRegion(sequence));
    r.histogrammesActifs = 1;

    std::vector<Q> ajoutes;
    for (int i = 0; i < 60; ++i) {
        const Q p(static_cast<int>(alea() % 9), static_cast<int>(alea() % 8),
                  static_cast<int>(alea() % 6), static_cast<int>(alea() % 2));
        if (!r.contient(p))
            ajoutes.push_back(p);
        r.ajouter(p);
        r.ajouter(p);
    }
    r.ajouter(Q(9, 0, 0, 0));
    r.ajouter(Q(0, 0, 0, 2));
    r.ajouter(Q(-1, 0, 0, 0));
    EXPECT_EQ(r.nbVoxels, static_cast<int>(ajoutes.size()));
    EXPECT_EQ(compterRegion(r), r.nbVoxels);

    double s1 = 0, s2 = 0;
    Q mini(1 << 30, 1 << 30, 1 << 30, 1 << 30), maxi(0, 0, 0, 0);
    std::vector<int> parCoupe(6, 0), parTemps(2, 0);
    for (const Q& p : ajoutes) {
        const double g = r.GetImageVoxel(p);
        s1 += g;
        s2 += g * g;
        mini = Q(std::min(mini.x, p.x), std::min(mini.y, p.y), std::min(mini.z, p.z),
                 std::min(mini.t, p.t));
        maxi = Q(std::max(maxi.x, p.x), std::max(maxi.y, p.y), std::max(maxi.z, p.z),
                 std::max(maxi.t, p.t));
        ++parCoupe[p.z];
        ++parTemps[p.t];
    }
    const double n = static_cast<double>(ajoutes.size());
    EXPECT_NEAR(r.mu, s1 / n, 1e-3);
    EXPECT_NEAR(r.sigma, std::sqrt(s2 / n - (s1 / n) * (s1 / n)), 1e-2);
    EXPECT_EQ(r.min4D, mini);
    EXPECT_EQ(r.max4D, maxi);
    for (int z = 0; z < 6; ++z)
        EXPECT_EQ(r.nbVoxelsZ[z], parCoupe[z]);
    for (int t = 0; t < 2; ++t)
        EXPECT_EQ(r.nbVoxelsT[t], parTemps[t]);

    // Every level marks the block of each voxel; voxels of an incomplete last block are skipped.
    for (const Q& p : ajoutes) {
        for (int i = 0; i < 4; ++i) {
            const CInfosRegionMultiresolution2D3DT& l = r.niveaux[i];
            const int f = l.facteur;
            if (p.x / f < l.largeur && p.y / f < l.hauteur && p.z / f < l.profondeur) {
                EXPECT_EQ(
                    l.voxels[l.pasT * p.t + l.pasZ * (p.z / f) + l.pasY * (p.y / f) + p.x / f], 1);
            }
        }
    }
}

TEST(RegionMultiresolution, InactiveHistogramsKeepCountsOnly) {
    CImage3D v = volumeUni(6, 6, 3, 77);
    CRegionMultiresolution2D3DT r;
    ASSERT_TRUE(r.initialiserRegion(&v));
    r.ajouter(Q(2, 3, 1, 0));
    r.ajouter(Q(4, 1, 1, 0));
    EXPECT_EQ(r.nbVoxels, 2);
    EXPECT_EQ(r.nbVoxelsCoupe[1][0], 2);
    EXPECT_EQ(r.minCoupe[1][0], CCouple<int>(2, 1));
    EXPECT_EQ(r.maxCoupe[1][0], CCouple<int>(4, 3));
    EXPECT_EQ(r.histoCoupe[1][0][77], 0);
    EXPECT_EQ(r.mu, 0.0f);
    EXPECT_EQ(r.min4D.x, 2147483647);
}

TEST(RegionMultiresolution, ThresholdAndMeanDeviationBounds) {
    // "Seuil": level 128 is accepted, 127 is not.
    CImage3D v = volumeUni(5, 5, 1, 0);
    v.Pixel(2, 2, 0) = 200;
    v.Pixel(1, 2, 0) = 128;
    v.Pixel(3, 2, 0) = 127;
    CRegionMultiresolution2D3DT r;
    ASSERT_TRUE(r.initialiserRegion(&v));
    r.histogrammesActifs = 1;
    r.critereCroissance = 1;
    r.ajouter(Q(2, 2, 0, 0));
    EXPECT_EQ(r.grandir2D(5, 0, 0), 1);
    EXPECT_TRUE(r.contient(Q(1, 2, 0, 0)));
    EXPECT_FALSE(r.contient(Q(3, 2, 0, 0)));
    EXPECT_EQ(r.nbVoxels, 2);

    // "Intervalle": both bounds inclusive.
    r.critereCroissance = 2;
    r.seuilBas = 120;
    r.seuilHaut = 127;
    EXPECT_EQ(r.grandir2D(5, 0, 0), 1);
    EXPECT_TRUE(r.contient(Q(3, 2, 0, 0)));

    // "Moyenne + écart type" with m = 100, s = 10, k = 0.5: 95 .. 105.
    CImage3D w = volumeUni(9, 3, 3, 0);
    w.Pixel(3, 1, 1) = 90;
    w.Pixel(4, 1, 1) = 110;
    w.Pixel(2, 1, 1) = 94;
    w.Pixel(3, 0, 1) = 95;
    w.Pixel(4, 0, 1) = 105;
    w.Pixel(5, 1, 1) = 106;
    CRegionMultiresolution2D3DT m;
    ASSERT_TRUE(m.initialiserRegion(&w));
    m.histogrammesActifs = 1;
    m.ajouter(Q(3, 1, 1, 0));
    m.ajouter(Q(4, 1, 1, 0));
    EXPECT_EQ(m.mu, 100.0f);
    EXPECT_EQ(m.sigma, 10.0f);
    m.modeCroissance = ModeCroissance::Croissance3D;
    const CVecteur<CQuadruplet<int>> six = [] {
        CVecteur<CQuadruplet<int>> n(6);
        n[0] = Q(-1, 0, 0, 0);
        n[1] = Q(1, 0, 0, 0);
        n[2] = Q(0, -1, 0, 0);
        n[3] = Q(0, 1, 0, 0);
        n[4] = Q(0, 0, -1, 0);
        n[5] = Q(0, 0, 1, 0);
        return n;
    }();
    EXPECT_EQ(m.grandir(six, 5), 2);
    EXPECT_TRUE(m.contient(Q(3, 0, 1, 0)));
    EXPECT_TRUE(m.contient(Q(4, 0, 1, 0)));
    EXPECT_FALSE(m.contient(Q(2, 1, 1, 0)));
    EXPECT_FALSE(m.contient(Q(5, 1, 1, 0)));
    // Any other criterion value accepts nothing.
    m.critereCroissance = 7;
    EXPECT_EQ(m.grandir(six, 3), 0);
    EXPECT_EQ(m.nbVoxels, 4);
}

TEST(RegionMultiresolution, GrowthModesFollowTheirNeighbourhoods) {
    // Two time steps of a uniform 6 x 6 x 4 volume; "Seuil" accepts every voxel.
    CImage3D a = volumeUni(6, 6, 4, 200), b = volumeUni(6, 6, 4, 200);
    CVecteur<CImage3D*> sequence(2);
    sequence[0] = &a;
    sequence[1] = &b;
    const auto croissance = [&](ModeCroissance mode) {
        CRegionMultiresolution2D3DT r;
        EXPECT_TRUE(r.initialiserRegion(sequence));
        r.histogrammesActifs = 1;
        r.critereCroissance = 1;
        r.modeCroissance = mode;
        r.ajouter(Q(2, 2, 1, 0));
        r.Evolve(100);
        return r;
    };
    const CRegionMultiresolution2D3DT plan = croissance(ModeCroissance::Croissance2D);
    EXPECT_EQ(plan.nbVoxels, 36);
    EXPECT_EQ(plan.nbVoxelsCoupe[1][0], 36);
    const CRegionMultiresolution2D3DT planTemps = croissance(ModeCroissance::Croissance2DT);
    EXPECT_EQ(planTemps.nbVoxels, 72);
    EXPECT_EQ(planTemps.nbVoxelsCoupe[1][1], 36);
    EXPECT_EQ(planTemps.nbVoxelsZ[0], 0);
    const CRegionMultiresolution2D3DT volume = croissance(ModeCroissance::Croissance3D);
    EXPECT_EQ(volume.nbVoxels, 144);
    EXPECT_EQ(volume.nbVoxelsT[1], 0);
    const CRegionMultiresolution2D3DT tout = croissance(ModeCroissance::Croissance3DT);
    EXPECT_EQ(tout.nbVoxels, 288);
    EXPECT_EQ(compterRegion(tout), 288);
    // A value beyond the named modes is kept and grows as the 3D+T mode.
    CRegionMultiresolution2D3DT autre = croissance(static_cast<ModeCroissance>(7));
    EXPECT_EQ(autre.nbVoxels, 288);
    EXPECT_EQ(autre.GetParameterEnumValue(0), 7);

    // A bounded number of iterations grows by one ring per iteration.
    CRegionMultiresolution2D3DT r;
    ASSERT_TRUE(r.initialiserRegion(&a));
    r.histogrammesActifs = 1;
    r.critereCroissance = 1;
    r.ajouter(Q(2, 2, 1, 0));
    EXPECT_EQ(r.grandir2D(1, 1, 0), 4);
    EXPECT_EQ(r.nbVoxels, 5);
    EXPECT_EQ(r.grandir2D(0, 1, 0), 0);
    EXPECT_EQ(r.grandir2D(3, 7, 0), 0);
}

TEST(RegionMultiresolution, ToleranceChangesNothingAndEmptyGrowth) {
    std::mt19937 alea(11);
    CImage3D v = volumeUni(12, 12, 5, 0);
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                v.Pixel(x, y, z) = static_cast<unsigned char>(90 + alea() % 30);
    const auto croissance = [&](float tolerance, int mode) {
        CRegionMultiresolution2D3DT r;
        EXPECT_TRUE(r.initialiserRegion(&v));
        r.histogrammesActifs = 1;
        r.coefficientHomogeneite = 1.0f;
        r.SetParameterFloatValue(1, tolerance);
        r.SetParameterEnumValue(0, mode);
        r.ajouter(Q(6, 6, 2, 0));
        r.ajouter(Q(6, 7, 2, 0));
        r.Evolve(4);
        std::vector<unsigned char> grille;
        for (int i = 0; i < r.voxels.taille; ++i)
            grille.push_back(r.voxels[i].etat);
        return grille;
    };
    for (int mode : {0, 2}) {
        const auto reference = croissance(0.0f, mode);
        EXPECT_EQ(croissance(3.7f, mode), reference);
        EXPECT_EQ(croissance(-5.0f, mode), reference);
    }

    CRegionMultiresolution2D3DT jamaisPrepare;
    jamaisPrepare.Evolve(3);
    EXPECT_EQ(jamaisPrepare.grandir(jamaisPrepare.voisinage4D, 10), 0);
    jamaisPrepare.ajouter(Q(0, 0, 0, 0));
    EXPECT_EQ(jamaisPrepare.nbVoxels, 0);

    CRegionMultiresolution2D3DT vide;
    ASSERT_TRUE(vide.initialiserRegion(&v));
    vide.critereCroissance = 1;
    vide.seuilBas = 0;
    EXPECT_EQ(vide.grandir(vide.voisinage4D, 10), 0);
    EXPECT_EQ(compterRegion(vide), 0);
}
