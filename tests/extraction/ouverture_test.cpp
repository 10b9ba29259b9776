// Opening what the user names: what a path holds before anything is read, the reasons an
// opening gives when it cannot open, and a parent folder opened with its segmentation.

#include <gtest/gtest.h>

#include <filesystem>

#include "extraction/Ouverture.h"
#include "helpers/slices.h"

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
