#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "helpers/images.h"
#include "helpers/slices.h"
#include "volume/Dossiers.h"

using Stravol::GenreEntree;
using Stravol::listerDossier;
using Noms = std::vector<std::string>;

namespace {

Noms lister(const std::string& dossier, GenreEntree genre, const std::string& motif) {
    Noms noms;
    std::string erreur;
    EXPECT_TRUE(listerDossier(dossier, genre, motif, noms, erreur)) << erreur;
    return noms;
}

} // namespace

TEST(ListerDossier, SortsByNameWithoutRegardToLetterCaseThenByExactName) {
    DossierTemporaire d;
    for (const char* nom : {"b.bmp", "A.bmp", "a.bmp", "C.BMP", "_z.bmp", "10.bmp", "9.bmp"})
        ecrireTexte(d / nom, "x");
    // Byte order of the lower-cased names: digits, then '_' (0x5F) before letters; the exact
    // name breaks the tie between "A.bmp" and "a.bmp" (upper case first).
    EXPECT_EQ(lister(d.chemin(), GenreEntree::Fichier, ""),
              (Noms{"10.bmp", "9.bmp", "_z.bmp", "A.bmp", "a.bmp", "b.bmp", "C.BMP"}));
}

TEST(ListerDossier, PatternsIgnoreLetterCaseAndKeepOnlyTheAskedKind) {
    DossierTemporaire d;
    for (const char* nom : {"s1.bmp", "S2.BMP", "s3.Bmp", "s4.png", "bmp", "s5.bmp.txt"})
        ecrireTexte(d / nom, "x");
    sousDossier(d, "dossier.bmp");
    sousDossier(d, "Autre");
    std::filesystem::create_symlink(d / "s1.bmp", d / "lien.bmp");
    std::filesystem::create_symlink(d / "Autre", d / "lien-dossier");
    EXPECT_EQ(lister(d.chemin(), GenreEntree::Fichier, "*.bmp"),
              (Noms{"lien.bmp", "s1.bmp", "S2.BMP", "s3.Bmp"}));
    EXPECT_EQ(lister(d.chemin(), GenreEntree::Fichier, "*.PNG"), Noms{"s4.png"});
    EXPECT_EQ(lister(d.chemin(), GenreEntree::Dossier, ""),
              (Noms{"Autre", "dossier.bmp", "lien-dossier"}));
    EXPECT_EQ(lister(d.chemin(), GenreEntree::Dossier, "*.bmp"), Noms{"dossier.bmp"});
    EXPECT_TRUE(lister(sousDossier(d, "vide"), GenreEntree::Fichier, "").empty());
}

TEST(ListerDossier, AnUnreadableFolderGivesTheReasonAndNoNames) {
    DossierTemporaire d;
    ecrireTexte(d / "fichier", "x");
    for (const std::string& chemin : {d / "absent", d / "fichier"}) {
        Noms noms{"reste"};
        std::string erreur;
        EXPECT_FALSE(listerDossier(chemin, GenreEntree::Fichier, "", noms, erreur)) << chemin;
        EXPECT_TRUE(noms.empty());
        EXPECT_FALSE(erreur.empty());
    }
}
