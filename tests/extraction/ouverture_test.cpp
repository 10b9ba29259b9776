// Opening what the user names: what a path holds before anything is read, the reasons an
// opening gives when it cannot open, a parent folder opened with its segmentation, and a
// DICOM series' own folder opened as its volume.

#include <gtest/gtest.h>

#include <filesystem>

#include "extraction/Ouverture.h"
#include "helpers/slices.h"
#include "helpers/volumes.h"
#include "volume/EcritureVolume.h"

using namespace Stravol;

namespace {

// A volume folder of two 6 x 4 slices of grey v.
std::string dossierDeCoupes(const DossierTemporaire& tmp, const std::string& nom, unsigned char v) {
    const std::string d = sousDossier(tmp, nom);
    EXPECT_TRUE(ecrireBMP(d + "/a.bmp", imageUnie(6, 4, v)));
    EXPECT_TRUE(ecrireBMP(d + "/b.bmp", imageUnie(6, 4, v)));
    return d;
}

} // namespace

TEST(Opening, WhatAPathHolds) {
    DossierTemporaire tmp;
    EXPECT_EQ(natureEntree(tmp / "absent"), NatureEntree::Absente);
    EXPECT_EQ(natureEntree(sousDossier(tmp, "vide")), NatureEntree::SansVolume);
    const std::string autres = sousDossier(tmp, "autres");
    ecrireTexte(autres + "/notes.txt", "rien");
    EXPECT_EQ(natureEntree(autres), NatureEntree::SansVolume);
    const std::string coupes = dossierDeCoupes(tmp, "parent/volume", 40);
    EXPECT_EQ(natureEntree(coupes), NatureEntree::DossierDeCoupes);
    EXPECT_EQ(natureEntree(tmp / "parent"), NatureEntree::DossierParent);
    EXPECT_EQ(natureEntree(coupes + "/a.bmp"), NatureEntree::Fichier);
}

TEST(Opening, ReasonsSayWhatWasExpected) {
    DossierTemporaire tmp;
    const std::string coupes = dossierDeCoupes(tmp, "parent/volume", 40);
    const auto raison = [](const std::string& chemin) {
        const Resultat<std::unique_ptr<CImageTroisD>> r =
            ouvrirEntree(DemandeOuverture{chemin, {}, {}, {}}, "");
        EXPECT_FALSE(r.reussi()) << chemin;
        return r.reussi() ? std::string() : r.raison();
    };
    EXPECT_NE(raison(coupes).find("open its parent folder"), std::string::npos);
    EXPECT_NE(raison(sousDossier(tmp, "vide")).find("no volume sub-folder"), std::string::npos);
    EXPECT_NE(raison(tmp / "absent").find("no such folder or file"), std::string::npos);
}

TEST(Opening, AParentFolderGivesItsVolumeAndSegmentation) {
    DossierTemporaire tmp;
    dossierDeCoupes(tmp, "parent/1-volume", 40);
    dossierDeCoupes(tmp, "parent/2-segmentation", 100);
    MessagesCollectes messages;
    SuiviOuverture suivi;
    suivi.messages = &messages;
    Resultat<std::unique_ptr<CImageTroisD>> r =
        ouvrirEntree(DemandeOuverture{tmp / "parent", {}, {}, {}}, "", suivi);
    ASSERT_TRUE(r.reussi()) << r.raison();
    const CImageTroisD& v = *r.valeur();
    EXPECT_EQ(v.largeur, 6);
    EXPECT_EQ(v.profondeur, 2);
    EXPECT_EQ(v.etiquetteVoxel(5, 3, 1), 100u);
    EXPECT_EQ(v.palette.presentes(), (std::vector<std::uint32_t>{100}));
    EXPECT_TRUE(messages.textes.empty());
}

TEST(Opening, ADicomSeriesFolderIsItsOwnVolume) {
    DossierTemporaire tmp;
    const VolumeBrut v = volumeTest(TypeVoxel::EntierNonSigne16, 5, 4, 3,
                                    [](int x, int y, int z) { return 1 + x + 5 * y + 20 * z; });
    const std::string serie = sousDossier(tmp, "serie");
    std::string erreur;
    ASSERT_TRUE(ecrireSerieDicom(serie, v, OptionsDicom{}, erreur)) << erreur;
    EXPECT_EQ(natureEntree(serie), NatureEntree::SerieDicom);
    const Resultat<std::vector<std::string>> dossiers = dossiersEntree(serie);
    ASSERT_TRUE(dossiers.reussi());
    EXPECT_EQ(dossiers.valeur(), std::vector<std::string>{serie});
    // Inside a parent folder, the series is its first sub-folder as before.
    EXPECT_EQ(natureEntree(tmp.chemin()), NatureEntree::DossierParent);

    Resultat<std::unique_ptr<CImageTroisD>> r =
        ouvrirEntree(DemandeOuverture{serie, {}, {}, {}}, "");
    ASSERT_TRUE(r.reussi()) << r.raison();
    EXPECT_EQ(r.valeur()->largeur, 5);
    EXPECT_EQ(r.valeur()->hauteur, 4);
    EXPECT_EQ(r.valeur()->profondeur, 3);
}
