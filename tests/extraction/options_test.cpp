// Extraction options: the growth's grey tolerance and the constrained smoothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/Parallele.h"
#include "extraction/Croissance.h"
#include "helpers/mesh_helpers.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MesuresMaillage.h"
#include "volume/CImageTroisD.h"
#include "volume/Phantom.h"

using Stravol::MethodeLissage;
using Stravol::OptionsExtraction;

namespace {

std::unique_ptr<CImageTroisD> volumeDe(int W, int H, int D, const std::vector<unsigned char>& v) {
    auto volume = std::make_unique<CImageTroisD>(W, H, D);
    std::memcpy(volume->image.get(), v.data(), v.size());
    return volume;
}

// Breadth-first flood from the seed over 26-neighbours within the tolerance, expanding only
// voxels strictly inside the volume: what the growth must reach.
int inondation(const std::vector<unsigned char>& v, int W, int H, int D, int x, int y, int z,
               int tolerance, std::vector<char>* atteints = nullptr) {
    const auto indice = [&](int i, int j, int k) {
        return (static_cast<std::size_t>(k) * H + j) * W + i;
    };
    const int s = v[indice(x, y, z)];
    std::vector<char> vu(v.size(), 0);
    std::vector<std::array<int, 3>> file{{x, y, z}};
    vu[indice(x, y, z)] = 1;
    for (std::size_t n = 0; n < file.size(); ++n) {
        const auto [i, j, k] = file[n];
        if (i == 0 || j == 0 || k == 0 || i == W - 1 || j == H - 1 || k == D - 1)
            continue;
        for (int dk = -1; dk <= 1; ++dk)
            for (int dj = -1; dj <= 1; ++dj)
                for (int di = -1; di <= 1; ++di) {
                    const std::size_t q = indice(i + di, j + dj, k + dk);
                    if (!vu[q] && std::abs(v[q] - s) <= tolerance) {
                        vu[q] = 1;
                        file.push_back({i + di, j + dj, k + dk});
                    }
                }
    }
    if (atteints != nullptr)
        *atteints = vu;
    return static_cast<int>(file.size());
}

} // namespace

TEST(ExtractionOptions, ToleranceGrowthReachesWhatTheFloodReaches) {
    for (std::uint32_t graine = 1; graine <= 6; ++graine) {
        const int W = 14 + static_cast<int>(graine), H = 12, D = 10;
        std::vector<unsigned char> v(static_cast<std::size_t>(W) * H * D);
        std::uint32_t etat = graine;
        for (auto& o : v) {
            etat = etat * 1664525u + 1013904223u;
            o = static_cast<unsigned char>(100 + (etat >> 24) % 40);
        }
        for (int tolerance : {0, 3, 10, 25, 255}) {
            std::vector<unsigned char> marques(v.size(), 0);
            BoiteVoxels boite{};
            const int n =
                croissance26Marques(v.data(), marques.data(), W, H, D, 5, 6, 4, boite, tolerance);
            EXPECT_EQ(n, inondation(v, W, H, D, 5, 6, 4, tolerance))
                << "graine " << graine << ", tolerance " << tolerance;
            EXPECT_EQ(std::count(marques.begin(), marques.end(), 1), n);
        }
    }
}

// Rows long enough for the word-at-a-time scan, of runs of a few levels: the marks are the
// flood's voxels exactly, at the exact level and within tolerances.
TEST(ExtractionOptions, GrowthOverLongRunsMarksWhatTheFloodReaches) {
    std::uint32_t etat = 77;
    const auto tirer = [&](std::uint32_t n) {
        etat = etat * 1664525u + 1013904223u;
        return (etat >> 8) % n;
    };
    const unsigned char niveaux[3] = {100, 101, 140};
    for (int essai = 0; essai < 60; ++essai) {
        const int W = 9 + static_cast<int>(tirer(72)), H = 3 + static_cast<int>(tirer(6)),
                  D = 3 + static_cast<int>(tirer(5));
        std::vector<unsigned char> v(static_cast<std::size_t>(W) * H * D);
        for (std::size_t i = 0; i < v.size();) {
            const unsigned char niveau = niveaux[tirer(3)];
            for (std::size_t fin = std::min(v.size(), i + 1 + tirer(20)); i < fin; ++i)
                v[i] = niveau;
        }
        const int x = 1 + static_cast<int>(tirer(static_cast<std::uint32_t>(W - 2)));
        const int y = 1 + static_cast<int>(tirer(static_cast<std::uint32_t>(H - 2)));
        const int z = 1 + static_cast<int>(tirer(static_cast<std::uint32_t>(D - 2)));
        for (int tolerance : {0, 1, 40}) {
            std::vector<unsigned char> marques(v.size(), 0);
            BoiteVoxels boite{};
            std::vector<char> atteints;
            const int n =
                croissance26Marques(v.data(), marques.data(), W, H, D, x, y, z, boite, tolerance);
            ASSERT_EQ(n, inondation(v, W, H, D, x, y, z, tolerance, &atteints))
                << "essai " << essai << ", tolerance " << tolerance;
            ASSERT_TRUE(std::equal(marques.begin(), marques.end(), atteints.begin()))
                << "essai " << essai << ", tolerance " << tolerance;
        }
    }
}

// The demo's noisy grey ball: at the exact level the growth gives a sponge of a few voxels,
// with a tolerance wider than the noise one solid closed ball of the label's voxels.
TEST(ExtractionOptions, ToleranceTurnsTheNoisyGreyBallIntoOneSolidBall) {
    OptionsFantome o;
    o.largeur = o.hauteur = o.profondeur = 40;
    o.rayonBoule = 12;
    Fantome f;
    std::string erreur;
    ASSERT_TRUE(creerFantome(o, f, erreur)) << erreur;
    const int voxelsBoule =
        static_cast<int>(std::count(f.labels.begin(), f.labels.end(), kLabelBoule));
    const int c = o.largeur / 2;

    auto exacte = volumeDe(o.largeur, o.hauteur, o.profondeur, f.gris);
    exacte->CroissanceDeRegion(c, c, c, OptionsExtraction{});
    ASSERT_TRUE(exacte->bilanExtraction.effectuee);
    EXPECT_LT(exacte->bilanExtraction.nbVoxelsCroissance, voxelsBoule / 2);
    // Tolerance 0 is the default extraction, vertex for vertex.
    auto defaut = volumeDe(o.largeur, o.hauteur, o.profondeur, f.gris);
    defaut->CroissanceDeRegion(c, c, c);
    EXPECT_EQ(positions(*exacte->maillage), positions(*defaut->maillage));

    OptionsExtraction options;
    options.tolerance = 60; // the noise has a deviation of 8; the background lies 160 below
    auto tolerante = volumeDe(o.largeur, o.hauteur, o.profondeur, f.gris);
    tolerante->CroissanceDeRegion(c, c, c, options);
    ASSERT_TRUE(tolerante->bilanExtraction.effectuee);
    EXPECT_EQ(tolerante->bilanExtraction.nbVoxelsCroissance, voxelsBoule);
    const CMaillageTriangleChRegion& m = *tolerante->maillage;
    const ControleMaillage controle = controlerMaillage(m);
    EXPECT_TRUE(controle.ferme);
    EXPECT_EQ(controle.irreguliers, 0);
    const Soupe soupe = soupeMaillage(m);
    EXPECT_TRUE(fermeeEtOrientee(soupe));
    EXPECT_EQ(caracteristiqueEuler(soupe), 2); // one sphere, no cavity
    EXPECT_NEAR(volumeEnclos(m) / voxelsBoule, 1.0, 0.02);
}

// The demo's phantom, smaller, noise alike: clicked in the ball, the exact level grows a few
// voxels and a tolerance within the noise a sponge; a tolerance of 80 grey levels, wider than
// the noise (deviation 8) and narrower than the gap to the background (160), grows exactly the
// ball's voxels, one solid sphere. 40 to 120 do the same on the demo's 256^3 volume.
TEST(ExtractionOptions, ToleranceGrowsTheDemoBallWhole) {
    OptionsFantome o;
    o.largeur = o.hauteur = o.profondeur = 64;
    Fantome f;
    std::string erreur;
    ASSERT_TRUE(creerFantome(o, f, erreur)) << erreur;
    const int voxelsBoule =
        static_cast<int>(std::count(f.labels.begin(), f.labels.end(), kLabelBoule));
    // The ball's centre, as the phantom places it.
    const int x = o.largeur / 4, y = static_cast<int>(0.27 * o.hauteur), z = (o.profondeur - 1) / 2;
    ASSERT_EQ(f.labels[(static_cast<std::size_t>(z) * o.hauteur + y) * o.largeur + x], kLabelBoule);
    const auto croissance = [&](int tolerance) {
        OptionsExtraction options;
        options.tolerance = tolerance;
        auto volume = volumeDe(o.largeur, o.hauteur, o.profondeur, f.gris);
        volume->CroissanceDeRegion(x, y, z, options);
        EXPECT_TRUE(volume->bilanExtraction.effectuee);
        return volume;
    };
    EXPECT_LT(croissance(0)->bilanExtraction.nbVoxelsCroissance, 10);
    const auto eponge = croissance(10);
    EXPECT_LT(eponge->bilanExtraction.nbVoxelsCroissance, voxelsBoule * 9 / 10);
    EXPECT_GT(caracteristiqueEuler(soupeMaillage(*eponge->maillage)), 2); // cavities, pieces
    const auto boule = croissance(80);
    EXPECT_EQ(boule->bilanExtraction.nbVoxelsCroissance, voxelsBoule);
    const Soupe soupe = soupeMaillage(*boule->maillage);
    EXPECT_TRUE(fermeeEtOrientee(soupe));
    EXPECT_EQ(caracteristiqueEuler(soupe), 2); // one sphere, no cavity
    EXPECT_NEAR(volumeEnclos(*boule->maillage) / voxelsBoule, 1.0, 0.02);
}

// Constrained smoothing over random blobs and a ball: every vertex stays within half a voxel
// of its corner on each axis, the surface stays closed and consistently wound, with no more
// folds than the default smoothing leaves. The ball keeps its volume; the blobs, a few voxels
// thick, may shrink to the band's inner side but no further.
TEST(ExtractionOptions, ConstrainedSmoothingStaysInTheVoxelBand) {
    struct Forme {
        std::vector<CTriplet<int>> voxels;
        int taille;
        bool lisse; // large enough to keep its volume within 1 %
    };
    std::vector<Forme> formes;
    for (std::uint32_t graine = 1; graine <= 8; ++graine)
        formes.push_back({blobAleatoire(graine, 18, 18, 18, 4), 18, false});
    formes.push_back({boule({12, 12, 12}, 9.0), 25, true});
    for (const Forme& forme : formes) {
        CRegion3D region;
        remplirRegion(region, forme.taille, forme.taille, forme.taille, forme.voxels);
        region.reparerTopologie();
        CMaillageTriangleChRegion m;
        m.creerMaillageTriangleChRegion2(region, 1);
        const std::vector<CPoint3D> avant = positions(m);
        // Moving every vertex by at most half a voxel on each axis changes the volume by at
        // most that distance times the area.
        const double bandeVolume = std::sqrt(3.0) * CMaillageTriangleChRegion::kDemiBoite *
                                   aireSurface(m) / region.nbVoxels;
        for (int tours : {1, 10, 40}) {
            CMaillageTriangleChRegion lisse;
            lisse = m;
            lisse.lisserContraint(tours);
            lisse.calculerNormales();
            const std::vector<CPoint3D> apres = positions(lisse);
            ASSERT_EQ(apres.size(), avant.size());
            float ecart = 0.0f;
            for (std::size_t i = 0; i < avant.size(); ++i)
                ecart = std::max({ecart, std::fabs(apres[i].x - avant[i].x),
                                  std::fabs(apres[i].y - avant[i].y),
                                  std::fabs(apres[i].z - avant[i].z)});
            EXPECT_LE(ecart, CMaillageTriangleChRegion::kDemiBoite) << tours << " tours";
            EXPECT_GT(ecart, 0.0f);
            const ControleMaillage c = controlerMaillage(lisse);
            EXPECT_TRUE(c.ferme);
            EXPECT_EQ(c.irreguliers, 0);
            EXPECT_NEAR(volumeEnclos(lisse) / region.nbVoxels, 1.0,
                        forme.lisse ? 0.01 : bandeVolume)
                << tours << " tours, " << region.nbVoxels << " voxels";
            CMaillageTriangleChRegion taubin;
            taubin = m;
            taubin.lisserCourbureTaubin(tours);
            taubin.calculerNormales();
            EXPECT_LE(c.plis, controlerMaillage(taubin).plis) << tours << " tours";
        }
    }
}

// The option reaches the extraction; zero rounds leave the voxel surface of either method.
TEST(ExtractionOptions, ExtractionUsesTheSmoothingChosen) {
    const std::vector<CTriplet<int>> voxels = boule({10, 10, 10}, 6.0);
    std::vector<unsigned char> v(20 * 20 * 20, 0);
    for (const CTriplet<int>& p : voxels)
        v[(static_cast<std::size_t>(p.z) * 20 + p.y) * 20 + p.x] = 90;
    OptionsExtraction options;
    options.lissage = MethodeLissage::Contraint;
    options.nbLissages = 20;
    auto contraint = volumeDe(20, 20, 20, v);
    contraint->CroissanceDeRegion(10, 10, 10, options);
    auto taubin = volumeDe(20, 20, 20, v);
    taubin->CroissanceDeRegion(10, 10, 10, 20);
    EXPECT_NE(positions(*contraint->maillage), positions(*taubin->maillage));
    options.nbLissages = 0;
    contraint->CroissanceDeRegion(10, 10, 10, options);
    taubin->CroissanceDeRegion(10, 10, 10, 0);
    EXPECT_EQ(positions(*contraint->maillage), positions(*taubin->maillage));
}

TEST(ExtractionOptions, ReleasingTheVoxelsKeepsTheMeshAndEmptiesTheVolume) {
    std::vector<unsigned char> v(24 * 22 * 20, 0);
    std::uint32_t etat = 7;
    for (const CTriplet<int>& p : boule({12, 11, 10}, 7.0)) {
        etat = etat * 1664525u + 1013904223u;
        v[(static_cast<std::size_t>(p.z) * 22 + p.y) * 24 + p.x] =
            static_cast<unsigned char>(120 + (etat >> 29));
    }
    for (const int tolerance : {0, 7}) {
        OptionsExtraction options;
        options.tolerance = tolerance;
        auto garde = volumeDe(24, 22, 20, v);
        garde->CroissanceDeRegion(12, 11, 10, options);
        options.libererVoxels = true;
        auto libere = volumeDe(24, 22, 20, v);
        libere->geometrie.affine[0][0] = 0.5;
        libere->CroissanceDeRegion(12, 11, 10, options);
        ASSERT_TRUE(garde->bilanExtraction.effectuee && libere->bilanExtraction.effectuee);
        EXPECT_EQ(positions(*libere->maillage), positions(*garde->maillage));
        EXPECT_EQ(soupeMaillage(*libere->maillage).triangles,
                  soupeMaillage(*garde->maillage).triangles);
        EXPECT_EQ(libere->bilanExtraction.nbVoxelsRepares, garde->bilanExtraction.nbVoxelsRepares);
        EXPECT_EQ(libere->image, nullptr);
        EXPECT_EQ(libere->imageOriginal, nullptr);
        EXPECT_EQ(libere->largeur * libere->hauteur * libere->profondeur, 0);
        EXPECT_EQ(libere->geometrie.affine[0][0], 0.5);
        ASSERT_NE(garde->image, nullptr);
    }
}

// Against the true sphere of a voxelised ball: the constrained rounds come closer than the
// default smoothing, on average and at the worst vertex, keep the volume within 0.5 %, and
// give the same positions whatever the number of threads.
TEST(ExtractionOptions, ConstrainedSmoothingFollowsTheTrueSurface) {
    constexpr int kTaille = 90, kCentre = kTaille / 2;
    constexpr double kRayon = 40.0;
    const double centre = kCentre;
    CRegion3D region;
    remplirRegion(region, kTaille, kTaille, kTaille, boule({kCentre, kCentre, kCentre}, kRayon));
    region.reparerTopologie();
    CMaillageTriangleChRegion m;
    m.creerMaillageTriangleChRegion2(region, 1);
    ASSERT_GT(m.nbSommets, Stravol::kSeuilParallele);
    const auto ecarts = [&](const CMaillageTriangleChRegion& lisse) {
        double somme2 = 0.0, maximum = 0.0;
        for (const CSommetChRegion* v = lisse.premierSommet; v != nullptr; v = v->suivant) {
            const double d =
                std::fabs(std::hypot(v->x - centre, v->y - centre, v->z - centre) - kRayon);
            somme2 += d * d;
            maximum = std::max(maximum, d);
        }
        return std::array<double, 2>{std::sqrt(somme2 / lisse.nbSommets), maximum};
    };
    CMaillageTriangleChRegion taubin;
    taubin = m;
    taubin.lisserCourbureTaubin(Stravol::kToursTaubinParDefaut);
    std::vector<CPoint3D> parThreads[2];
    for (int threads : {1, 2}) {
        Stravol::definirNbThreads(threads);
        CMaillageTriangleChRegion contraint;
        contraint = m;
        contraint.lisserContraint(Stravol::kToursContraintParDefaut);
        parThreads[threads - 1] = positions(contraint);
        const std::array<double, 2> e = ecarts(contraint), t = ecarts(taubin);
        EXPECT_LT(e[0], 0.75 * t[0]);
        EXPECT_LT(e[1], t[1]);
        EXPECT_NEAR(volumeEnclos(contraint) / region.nbVoxels, 1.0, 0.005);
    }
    Stravol::definirNbThreads(0);
    EXPECT_EQ(parThreads[0], parThreads[1]);
}
