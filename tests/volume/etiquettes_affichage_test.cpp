// Labels as the loaded volume shows them: one palette for the slice textures and the cut
// pictures, distinct colours for distinct labels, the labels over the grey, the file's own
// values, and label files whose world transform puts them off the volume's grid.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/Parallele.h"
#include "helpers/slices.h"
#include "helpers/volumes.h"
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"
#include "volume/PaletteEtiquettes.h"

using namespace Stravol;

namespace {

constexpr int kL = 12, kH = 10, kP = 6;

// Labels 1, 255, 256, 300, 1000 and 1001 and the demo's 80, 120, 200 and 240, in bands along
// x; 0 in the first two columns.
constexpr double kEtiquettes[] = {1, 255, 256, 300, 1000, 1001, 80, 120, 200, 240};

double bandes(int x, int, int) { return x < 2 ? 0 : kEtiquettes[(x - 2) % 10]; }

std::unique_ptr<CImageTroisD> volumeEtiquete(const DossierTemporaire& tmp,
                                             MessagesCollectes* messages = nullptr) {
    std::string erreur;
    EXPECT_TRUE(
        ecrireNifti(tmp / "g.nii", volumeTest(TypeVoxel::Octet, kL, kH, kP, motifTest), 1, erreur));
    EXPECT_TRUE(
        ecrireNifti(tmp / "e.nii", volumeTest(TypeVoxel::Entier16, kL, kH, kP, bandes), 1, erreur));
    auto v = CImageTroisD::ouvrirFichier(tmp.chemin(), tmp / "g.nii", OptionsVolume(), nullptr,
                                         messages);
    EXPECT_TRUE(v->ChargerSegFichier(tmp / "e.nii", nullptr));
    v->AllouerTexture();
    return v;
}

CouleurRVB pixel(const ImageRGB& im, int x, int y) {
    const unsigned char* p = im.pixel(x, y);
    return {p[0], p[1], p[2]};
}

// Texel of a Z texture showing voxel (x, y) of a kL x kH slice.
CouleurRVB texelZ(const unsigned char* t, int x, int y) {
    const int c = (x * 256 + 255) / kL, r = (y * 256 + 255) / kH;
    const unsigned char* p = t + 3 * (256 * r + c);
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(LabelPalette, TableColoursFirstAndDistinctColoursForTheRest) {
    TableEtiquettes table;
    table.entrees[17] = {"Hippocampe", CouleurRVB{220, 216, 20}};
    table.entrees[18] = {"Amygdale", std::nullopt};
    const std::vector<std::uint32_t> presentes{18, 0, 17, 300, 1000, 1001, 200, 80};
    const PaletteEtiquettes p(presentes, table);
    EXPECT_EQ(p.presentes(), (std::vector<std::uint32_t>{0, 17, 18, 80, 200, 300, 1000, 1001}));
    EXPECT_EQ(p.couleur(17), (CouleurRVB{220, 216, 20}));
    EXPECT_EQ(p.couleur(0), (CouleurRVB{0, 0, 0}));
    std::set<CouleurRVB> vues;
    for (std::uint32_t v : p.presentes())
        EXPECT_TRUE(vues.insert(p.couleur(v)).second) << v;
    // A label not present keeps its default colour.
    EXPECT_EQ(p.couleur(5), couleurParDefaut(5));
}

TEST(LabelPalette, ValuesPresentInAMap) {
    const std::uint16_t e16[] = {1000, 0, 1000, 7, 65535};
    EXPECT_EQ(valeursPresentes(e16, 5), (std::vector<std::uint32_t>{0, 7, 1000, 65535}));
    const unsigned char e8[] = {3, 3, 255};
    EXPECT_EQ(valeursPresentes(e8, 3), (std::vector<std::uint32_t>{3, 255}));
    // Long maps, read a word at a time: runs of one value, mixed words and a tail, against
    // every value looked at one by one, on one thread and more.
    std::vector<std::uint16_t> l16(100003);
    std::vector<unsigned char> l8(l16.size());
    for (std::size_t i = 0; i < l16.size(); ++i) {
        const std::size_t run = i / 37;
        l16[i] = static_cast<std::uint16_t>(run % 5 == 0 ? 0 : (run % 3 == 0 ? i % 11 : run * 97));
        l8[i] = static_cast<unsigned char>(l16[i] % 249);
    }
    // Values found only in whole words of their own.
    std::fill(l16.begin() + 800, l16.begin() + 816, std::uint16_t{65001});
    std::fill(l8.begin() + 800, l8.begin() + 816, static_cast<unsigned char>(250));
    l16.back() = 65000;
    l8.back() = 254;
    for (const int threads : {1, 2}) {
        definirNbThreads(threads);
        const auto une = [](const auto& v) {
            const std::set<std::uint32_t> s(v.begin(), v.end());
            return std::vector<std::uint32_t>(s.begin(), s.end());
        };
        EXPECT_EQ(valeursPresentes(l16.data(), l16.size()), une(l16));
        EXPECT_EQ(valeursPresentes(l8.data(), l8.size()), une(l8));
    }
    definirNbThreads(0);
}

TEST(LabelDisplay, OneColourPerLabelInTexturesAndPictures) {
    DossierTemporaire tmp;
    auto v = volumeEtiquete(tmp);
    ASSERT_EQ(v->etiquetteMax, 1001);
    v->affichageEtiquettes.couleurs = true;
    v->preparationTexture(nullptr, ModeAffichage::Segmentee);
    const unsigned char* texture = v->getTabZ(2);
    const ImageRGB& image = v->getImageZ(2);
    std::map<std::uint32_t, CouleurRVB> couleurs;
    for (int x = 0; x < kL; ++x) {
        const auto e = static_cast<std::uint32_t>(bandes(x, 0, 0));
        const CouleurRVB c = v->palette.couleur(e);
        EXPECT_EQ(pixel(image, x, 3), c) << e;
        EXPECT_EQ(texelZ(texture, x, 3), c) << e;
        EXPECT_EQ(v->etiquetteVoxel(x, 3, 2), e);
        couleurs[e] = c;
    }
    EXPECT_EQ(couleurs.size(), 11u);
    std::set<CouleurRVB> distinctes;
    for (const auto& [e, c] : couleurs)
        distinctes.insert(c);
    EXPECT_EQ(distinctes.size(), couleurs.size());
    EXPECT_EQ(couleurs[0], (CouleurRVB{0, 0, 0}));

    // Colours off: the texture and the picture both show the labels' greys.
    v->affichageEtiquettes.couleurs = false;
    v->preparationTexture(nullptr, ModeAffichage::Segmentee);
    const ImageRGB& grise = v->getImageZ(2);
    for (int x = 0; x < kL; ++x) {
        const CouleurRVB p = pixel(grise, x, 3);
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        EXPECT_EQ(texelZ(texture, x, 3), p);
    }
}

TEST(LabelDisplay, TheTableGivesItsColoursToTheTexturesAndPictures) {
    DossierTemporaire tmp;
    auto v = volumeEtiquete(tmp);
    TableEtiquettes table;
    table.entrees[300] = {"Thalamus", CouleurRVB{0, 118, 14}};
    v->definirTableEtiquettes(table);
    v->affichageEtiquettes.couleurs = true;
    v->preparationTexture(nullptr, ModeAffichage::Segmentee);
    EXPECT_EQ(texelZ(v->getTabZ(0), 5, 0), (CouleurRVB{0, 118, 14}));
    EXPECT_EQ(pixel(v->getImageX(5), 0, 0), (CouleurRVB{0, 118, 14}));
}

TEST(LabelDisplay, LabelsOverTheGreyAtTheirOpacity) {
    DossierTemporaire tmp;
    auto v = volumeEtiquete(tmp);
    v->preparationTexture(nullptr, ModeAffichage::Normale);
    const ImageRGB avant = v->getImageY(4);
    v->affichageEtiquettes.superposition = 0.5f;
    v->preparationTexture(nullptr, ModeAffichage::Normale);
    const ImageRGB& apres = v->getImageY(4);
    for (int x = 0; x < kL; ++x) {
        const auto e = static_cast<std::uint32_t>(bandes(x, 0, 0));
        const CouleurRVB c = v->palette.couleur(e);
        for (int k = 0; k < 3; ++k) {
            // Label 0 leaves the grey alone; the others are half their colour.
            const int attendu =
                e == 0 ? avant.pixel(x, 1)[k] : (avant.pixel(x, 1)[k] + c[k] + 1) / 2;
            EXPECT_NEAR(apres.pixel(x, 1)[k], attendu, 1) << e;
        }
        EXPECT_EQ(texelZ(v->getTabY(4), x, 1), pixel(apres, x, 1));
    }
    // The segmented mode has nothing to lay over.
    v->preparationTexture(nullptr, ModeAffichage::Segmentee);
    const CouleurRVB p = pixel(v->getImageZ(0), 5, 0);
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
}

TEST(LabelDisplay, TheFileValuesStayBesideTheWindowedGrey) {
    DossierTemporaire tmp;
    std::string erreur;
    const VolumeBrut reels = volumeTest(TypeVoxel::Reel32, kL, kH, kP, [](int x, int y, int z) {
        return 87.68 + x - 0.25 * y + 1000.0 * z;
    });
    ASSERT_TRUE(ecrireNifti(tmp / "r.nii", reels, 1, erreur));
    auto v =
        CImageTroisD::ouvrirFichier(tmp.chemin(), tmp / "r.nii", OptionsVolume(), nullptr, nullptr);
    ASSERT_TRUE(v->fenetreAppliquee);
    EXPECT_FLOAT_EQ(static_cast<float>(v->valeurVoxel(0, 0, 0)), 87.68f);
    EXPECT_FLOAT_EQ(static_cast<float>(v->valeurVoxel(3, 2, 4)), 87.68f + 3 - 0.5f + 4000);
    // An 8-bit file: its bytes are its values.
    ASSERT_TRUE(
        ecrireNifti(tmp / "o.nii", volumeTest(TypeVoxel::Octet, kL, kH, kP, motifTest), 1, erreur));
    v = CImageTroisD::ouvrirFichier(tmp.chemin(), tmp / "o.nii", OptionsVolume(), nullptr, nullptr);
    EXPECT_TRUE(v->valeursFichier.vide());
    EXPECT_EQ(v->valeurVoxel(3, 2, 1), motifTest(3, 2, 1));
}

TEST(GridCheck, GapBetweenTwoTransformsInVoxels) {
    Geometrie a;
    a.affine = {{{2, 0, 0, 10}, {0, 2, 0, -5}, {0, 0, 3, 0}}};
    EXPECT_EQ(ecartGrilles(a, a, 20, 20, 10), 0.0);
    // The x axis flipped about the grid's centre: the end voxels swap, 19 voxels apart.
    Geometrie miroir = a;
    miroir.affine[0][0] = -2;
    miroir.affine[0][3] = 10 + 2 * 19;
    EXPECT_NEAR(ecartGrilles(a, miroir, 20, 20, 10), 19.0, 1e-9);
    // A shift of 0.8 mm along z is 0.8 / 3 of a voxel; of 1.2 mm along x, 0.6 voxel.
    Geometrie decale = a;
    decale.affine[2][3] = 0.8;
    EXPECT_NEAR(ecartGrilles(a, decale, 20, 20, 10), 0.8 / 3, 1e-9);
    decale.affine[0][3] = 11.2;
    EXPECT_NEAR(ecartGrilles(a, decale, 20, 20, 10), 0.6, 1e-9);
    // A slight turn grows with the distance from the first voxel.
    Geometrie tourne = a;
    tourne.affine[1][0] = 0.02;
    EXPECT_NEAR(ecartGrilles(a, tourne, 20, 20, 10), 19 * 0.01, 1e-9);
    Geometrie plat = a;
    plat.affine[2][2] = 0;
    EXPECT_TRUE(std::isinf(ecartGrilles(plat, a, 20, 20, 10)));
}

TEST(GridCheck, ALabelFileOffTheGridIsRefusedAndANearOneIsTold) {
    DossierTemporaire tmp;
    std::string erreur;
    VolumeBrut gris = volumeTest(TypeVoxel::Octet, kL, kH, kP, motifTest);
    gris.geometrie.affine = {{{-1.5, 0, 0, 30}, {0, 1.5, 0, -20}, {0, 0, 2, 4}}};
    gris.geometrie.espacement = {1.5, 1.5, 2};
    ASSERT_TRUE(ecrireNifti(tmp / "g.nii", gris, 1, erreur));
    MessagesCollectes messages;
    auto v = CImageTroisD::ouvrirFichier(tmp.chemin(), tmp / "g.nii", OptionsVolume(), nullptr,
                                         &messages);
    const auto ecrire = [&](const char* nom, const Geometrie& g) {
        VolumeBrut e = volumeTest(TypeVoxel::Entier16, kL, kH, kP, bandes);
        e.geometrie = g;
        EXPECT_TRUE(ecrireNifti(tmp / nom, e, 1, erreur));
        return tmp / nom;
    };

    // The same grid: read without a word.
    EXPECT_TRUE(v->ChargerSegFichier(ecrire("meme.nii", gris.geometrie), nullptr));
    EXPECT_TRUE(messages.textes.empty());

    // x flipped: refused, and the labels read before stay.
    Geometrie miroir = gris.geometrie;
    miroir.affine[0][0] = 1.5;
    miroir.affine[0][3] = 30 - 1.5 * (kL - 1);
    v->etiquettes.assign(v->etiquettes.size(), 7);
    EXPECT_FALSE(v->ChargerSegFichier(ecrire("miroir.nii", miroir), nullptr));
    ASSERT_EQ(messages.textes.size(), 1u);
    EXPECT_EQ(messages.commencantPar("La segmentation"), 1);
    EXPECT_NE(messages.textes[0].find("refusée"), std::string::npos);
    EXPECT_EQ(v->etiquettes[0], 7);

    // A third of a voxel off along z: read, and said.
    Geometrie proche = gris.geometrie;
    proche.affine[2][3] += 2.0 / 3;
    EXPECT_TRUE(v->ChargerSegFichier(ecrire("proche.nii", proche), nullptr));
    ASSERT_EQ(messages.textes.size(), 2u);
    EXPECT_NE(messages.textes[1].find("grille du volume"), std::string::npos);
    EXPECT_EQ(v->etiquetteVoxel(2, 0, 0), 1u);

    // A label file without a world frame of its own is taken on the volume's grid.
    VolumeBrut sans = volumeTest(TypeVoxel::Entier16, kL, kH, kP, bandes);
    ASSERT_TRUE(ecrireNifti(tmp / "sans.nii", sans, 1, erreur, TransformsNifti::Aucune));
    EXPECT_TRUE(v->ChargerSegFichier(tmp / "sans.nii", nullptr));
    EXPECT_EQ(messages.textes.size(), 2u);
}
