// Volume files and label files as the loaded volume: window, geometry, exact labels, folders
// of TIFF slices.

#include <gtest/gtest.h>

#include <set>

#include "helpers/slices.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "volume/CImageTroisD.h"
#include "volume/EcritureVolume.h"

using namespace Stravol;

namespace {

std::unique_ptr<CImageTroisD> ouvrir(const DossierTemporaire& tmp, const std::string& fichier,
                                     MessagesCollectes* messages = nullptr,
                                     const OptionsVolume& options = OptionsVolume()) {
    return CImageTroisD::ouvrirFichier(tmp.chemin(), fichier, options, nullptr, messages);
}

} // namespace

TEST(VolumeFile, ExactBytesAndWideValuesThroughTheWindow) {
    DossierTemporaire tmp;
    std::string erreur;
    const VolumeBrut octets = volumeTest(TypeVoxel::Octet, 6, 5, 4, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "o.nii", octets, 1, erreur));
    auto v = ouvrir(tmp, tmp / "o.nii");
    ASSERT_EQ(v->largeur, 6);
    ASSERT_EQ(v->profondeur, 4);
    EXPECT_FALSE(v->fenetreAppliquee);
    EXPECT_TRUE(std::equal(v->image.get(), v->image.get() + 120, octets.donnees.data()));
    EXPECT_TRUE(std::equal(v->volumeOriginal(), v->volumeOriginal() + 120, octets.donnees.data()));

    // 16-bit values 0 .. 11900: the window maps them over 0 .. 255 in order.
    const VolumeBrut larges = volumeTest(
        TypeVoxel::Entier16, 6, 5, 4, [](int x, int y, int z) { return 100 * motifTest(x, y, z); });
    ASSERT_TRUE(ecrireNifti(tmp / "l.nii.gz", larges, 2, erreur));
    v = ouvrir(tmp, tmp / "l.nii.gz");
    ASSERT_EQ(v->largeur, 6);
    EXPECT_TRUE(v->fenetreAppliquee);
    EXPECT_EQ(v->getVoxelImage(0, 0, 0), 0);
    EXPECT_EQ(v->getVoxelImage(5, 4, 3), 255);
    EXPECT_LT(v->getVoxelImage(1, 0, 0), v->getVoxelImage(2, 0, 0));

    // A window given, and one from the configuration.
    OptionsVolume o;
    o.avecFenetre = true;
    o.fenetre = {0, 200};
    v = ouvrir(tmp, tmp / "l.nii.gz", nullptr, o);
    EXPECT_EQ(v->getVoxelImage(1, 0, 0), 128); // 100 of 0 .. 200
    EXPECT_EQ(v->getVoxelImage(3, 0, 0), 255);
    ecrireTexte(tmp / "config.txt", "fenetre\n#60# min\n=0=\n#61# max\n=400=\n");
    v = ouvrir(tmp, tmp / "l.nii.gz");
    EXPECT_EQ(v->getVoxelImage(1, 0, 0), 64);
}

TEST(VolumeFile, GeometryFromTheFileOrImposed) {
    DossierTemporaire tmp;
    VolumeBrut b = volumeTest(TypeVoxel::Octet, 3, 3, 3, motifTest);
    b.geometrie.affine = {{{-0.5, 0, 0, 20}, {0, 0.5, 0, -4}, {0, 0, 2, 1}}};
    b.geometrie.espacement = {0.5, 0.5, 2};
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(tmp / "g.nii", b, 1, erreur));
    auto v = ouvrir(tmp, tmp / "g.nii");
    EXPECT_EQ(v->geometrie.origine, OrigineGeometrie::SForm);
    EXPECT_NEAR(v->geometrie.determinant(), -0.5, 1e-9);
    OptionsVolume o;
    o.avecEspacement = true;
    o.espacement = {1, 1, 1};
    v = ouvrir(tmp, tmp / "g.nii", nullptr, o);
    EXPECT_EQ(v->geometrie.origine, OrigineGeometrie::Imposee);
    EXPECT_NEAR(v->geometrie.affine[0][0], -1, 1e-9); // the direction stays
    EXPECT_NEAR(v->geometrie.affine[0][3], 20, 1e-9);
}

TEST(VolumeFile, InvalidFileGivesAnEmptyVolumeAndAMessage) {
    DossierTemporaire tmp;
    ecrireTexte(tmp / "rien.nii", "pas un volume");
    MessagesCollectes messages;
    auto v = ouvrir(tmp, tmp / "rien.nii", &messages);
    EXPECT_EQ(v->largeur, 0);
    EXPECT_EQ(v->profondeur, 0);
    EXPECT_EQ(v->image, nullptr);
    ASSERT_EQ(messages.textes.size(), 1u);
    EXPECT_EQ(messages.commencantPar("Le chargement du volume"), 1);
}

TEST(VolumeFile, ExactLabelsBeyond255) {
    DossierTemporaire tmp;
    std::string erreur;
    const VolumeBrut gris = volumeTest(TypeVoxel::Octet, 30, 30, 10, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "g.nii", gris, 1, erreur));
    // 700 labels, values 1000 + i, in 3 x 3 x 1 blocks; a box of 1605 in the middle.
    const VolumeBrut etiq = volumeTest(TypeVoxel::Entier16, 30, 30, 10, [](int x, int y, int z) {
        if (x >= 12 && x < 17 && y >= 12 && y < 17 && z >= 3 && z < 7)
            return 1605.0;
        const int bloc = (z * 10 + y / 3) * 10 + x / 3;
        return bloc < 700 ? 1000.0 + bloc : 0.0;
    });
    ASSERT_TRUE(ecrireNifti(tmp / "e.nii.gz", etiq, 1, erreur));
    auto v = ouvrir(tmp, tmp / "g.nii");
    ASSERT_TRUE(v->ChargerSegFichier(tmp / "e.nii.gz", nullptr));
    ASSERT_EQ(v->etiquettes.size(), etiq.nbVoxels());
    std::set<int> distinctes;
    for (std::size_t i = 0; i < v->etiquettes.size(); ++i) {
        EXPECT_EQ(v->etiquettes[i], etiq.valeur(i));
        distinctes.insert(v->etiquettes[i]);
    }
    EXPECT_GE(distinctes.size(), 600u);
    EXPECT_EQ(v->etiquetteMax, 1699);
    EXPECT_EQ(v->palette.presentes().size(), distinctes.size());

    // Extraction in the segmented mode grows the seed's true label.
    v->CopierImageCourante(Stravol::ModeAffichage::Segmentee);
    v->CroissanceDeRegion(14, 14, 5, 0);
    ASSERT_TRUE(v->bilanExtraction.effectuee);
    EXPECT_EQ(v->bilanExtraction.valeurGerme, 1605);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsCroissance, 5 * 5 * 4);

    // A label file on another grid, and values that are no labels, are refused.
    MessagesCollectes messages;
    v->fenetre = &messages;
    const VolumeBrut petite = volumeTest(TypeVoxel::Entier16, 30, 30, 9, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "p.nii", petite, 1, erreur));
    EXPECT_FALSE(v->ChargerSegFichier(tmp / "p.nii", nullptr));
    const VolumeBrut reels =
        volumeTest(TypeVoxel::Reel32, 30, 30, 10, [](int x, int, int) { return x * 0.5; });
    ASSERT_TRUE(ecrireNifti(tmp / "r.nii", reels, 1, erreur));
    EXPECT_FALSE(v->ChargerSegFichier(tmp / "r.nii", nullptr));
    EXPECT_EQ(messages.textes.size(), 2u);
    EXPECT_EQ(v->etiquetteMax, 1699); // the labels read before stay
}

TEST(VolumeFile, LabelValuesUpTo32BitsKeptExactly) {
    DossierTemporaire tmp;
    std::string erreur;
    const VolumeBrut gris = volumeTest(TypeVoxel::Octet, 8, 6, 4, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "g.nii", gris, 1, erreur));
    // uint32 labels above 2^31 in blocks, 0 elsewhere.
    const VolumeBrut etiq = volumeTest(TypeVoxel::EntierNonSigne32, 8, 6, 4, [](int x, int y, int) {
        return x < 4 ? (y < 3 ? 0.0 : 2147483653.0) : (y < 3 ? 4294967295.0 : 12.0);
    });
    ASSERT_TRUE(ecrireNifti(tmp / "e.nii", etiq, 1, erreur));
    auto v = ouvrir(tmp, tmp / "g.nii");
    ASSERT_TRUE(v->ChargerSegFichier(tmp / "e.nii", nullptr));
    EXPECT_EQ(v->valeursEtiquettes, (std::vector<std::uint32_t>{0, 12, 2147483653u, 4294967295u}));
    EXPECT_EQ(v->etiquetteMax, 3);
    for (std::size_t i = 0; i < etiq.nbVoxels(); ++i)
        ASSERT_EQ(v->valeurEtiquette(v->etiquettes[i]), etiq.valeur(i)) << i;
    // Few labels: the segmented display holds the stored labels themselves; the palette and
    // the voxels' labels speak the file's values.
    EXPECT_EQ(v->imageSegmente[7], 3);
    EXPECT_EQ(v->etiquetteVoxel(7, 0, 0), 4294967295u);
    EXPECT_EQ(v->palette.presentes(),
              (std::vector<std::uint32_t>{0, 12, 2147483653u, 4294967295u}));
    // An extraction in the segmented mode grows the seed's label and reports its file value.
    v->CopierImageCourante(ModeAffichage::Segmentee);
    v->CroissanceDeRegion(1, 4, 2, 0);
    ASSERT_TRUE(v->bilanExtraction.effectuee);
    EXPECT_EQ(v->bilanExtraction.valeurGerme, 2147483653LL);
    EXPECT_EQ(v->bilanExtraction.nbVoxelsCroissance, 4 * 3 * 4);

    // A 16-bit file read next behaves as before: values stored as they are, no table.
    const VolumeBrut petites = volumeTest(TypeVoxel::Entier16, 8, 6, 4, motifTest);
    ASSERT_TRUE(ecrireNifti(tmp / "p.nii", petites, 1, erreur));
    ASSERT_TRUE(v->ChargerSegFichier(tmp / "p.nii", nullptr));
    EXPECT_TRUE(v->valeursEtiquettes.empty());
    EXPECT_EQ(v->etiquettes[7], petites.valeur(7));
}

TEST(VolumeFile, ReleasedVoxelsKeepTheGeometryAndTheLabelValues) {
    DossierTemporaire tmp;
    std::string erreur;
    ASSERT_TRUE(
        ecrireNifti(tmp / "g.nii", volumeTest(TypeVoxel::Entier16, 8, 6, 4, motifTest), 1, erreur));
    const VolumeBrut etiq = volumeTest(TypeVoxel::EntierNonSigne32, 8, 6, 4,
                                       [](int x, int, int) { return x < 4 ? 0.0 : 4294967295.0; });
    ASSERT_TRUE(ecrireNifti(tmp / "e.nii", etiq, 1, erreur));
    auto v = ouvrir(tmp, tmp / "g.nii");
    ASSERT_TRUE(v->ChargerSegFichier(tmp / "e.nii", nullptr));
    const Geometrie geometrie = v->geometrie;
    const std::vector<std::uint32_t> valeurs = v->valeursEtiquettes;
    ASSERT_FALSE(v->valeursFichier.vide());

    v->libererVoxels();
    EXPECT_EQ(v->largeur, 0);
    EXPECT_EQ(v->hauteur, 0);
    EXPECT_EQ(v->profondeur, 0);
    EXPECT_EQ(v->image, nullptr);
    EXPECT_EQ(v->imageSegmente, nullptr);
    EXPECT_EQ(v->etiquettes.capacity(), 0u);
    EXPECT_TRUE(v->valeursFichier.vide());
    EXPECT_EQ(v->geometrie.affine, geometrie.affine);
    EXPECT_EQ(v->geometrie.espacement, geometrie.espacement);
    EXPECT_EQ(v->valeursEtiquettes, valeurs);
    EXPECT_EQ(v->valeurEtiquette(1), 4294967295u);
}

TEST(VolumeFile, LabelsBelow256LikeThePictures) {
    DossierTemporaire tmp;
    std::string erreur;
    const VolumeBrut gris = volumeTest(TypeVoxel::Octet, 8, 8, 8, motifTest);
    const VolumeBrut etiq = volumeTest(TypeVoxel::EntierNonSigne16, 8, 8, 8,
                                       [](int x, int, int) { return x < 4 ? 7 : 200; });
    ASSERT_TRUE(ecrireNifti(tmp / "g.nii", gris, 1, erreur));
    ASSERT_TRUE(ecrireTiff(tmp / "e.tif", etiq, true, erreur));
    auto v = ouvrir(tmp, tmp / "g.nii");
    ASSERT_TRUE(v->ChargerSegFichier(tmp / "e.tif", nullptr));
    for (std::size_t i = 0; i < etiq.nbVoxels(); ++i)
        ASSERT_EQ(v->imageSegmente[i], etiq.valeur(i));
}

TEST(VolumeFile, TiffSliceFolderOneWindowForAll) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "v");
    std::string erreur;
    for (int z = 0; z < 3; ++z) {
        // Slice z holds 1000 * z everywhere: one window for the folder keeps them apart.
        const VolumeBrut c = volumeTest(TypeVoxel::EntierNonSigne16, 5, 4, 1,
                                        [=](int, int, int) { return 1000.0 * z; });
        ASSERT_TRUE(ecrireTiff(dossier + "/s" + std::to_string(z) + ".tif", c, false, erreur));
    }
    CImageTroisD v(tmp.chemin(), dossier, nullptr, nullptr);
    ASSERT_EQ(v.profondeur, 3);
    EXPECT_EQ(v.getVoxelImage(0, 0, 0), 0);
    EXPECT_EQ(v.getVoxelImage(0, 0, 1), 128);
    EXPECT_EQ(v.getVoxelImage(0, 0, 2), 255);
    EXPECT_TRUE(v.geometrie.identite());

    // Among BMP slices, an 8-bit TIFF slice comes after them, exact.
    const std::string mixte = sousDossier(tmp, "m");
    ASSERT_TRUE(ecrireBMP(mixte + "/a.bmp", imageUnie(5, 4, 9)));
    const VolumeBrut t8 = volumeTest(TypeVoxel::Octet, 5, 4, 1, [](int, int, int) { return 77; });
    ASSERT_TRUE(ecrireTiff(mixte + "/b.tiff", t8, false, erreur));
    CImageTroisD m(tmp.chemin(), mixte, nullptr, nullptr);
    ASSERT_EQ(m.profondeur, 2);
    EXPECT_EQ(m.getVoxelImage(2, 2, 0), 9);
    EXPECT_EQ(m.getVoxelImage(2, 2, 1), 77);
}
