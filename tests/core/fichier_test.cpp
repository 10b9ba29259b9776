#include "core/Fichier.h"
#include "helpers/images.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class FileAccess : public testing::Test {
protected:
    // Opens nom of the folder with the bound; the reason of a refusal goes to refus.
    bool ouvre(const std::string& nom, std::uint64_t borne, RefusFichier& refus,
               std::uint64_t* taille = nullptr) const {
        std::FILE* f = ouvrirFichierLecture((dossier + "/" + nom).c_str(), borne, taille, &refus);
        if (f != nullptr)
            std::fclose(f);
        return f != nullptr;
    }

    DossierTemporaire temporaire;
    const std::string dossier = temporaire.chemin();
};

TEST_F(FileAccess, RegularFilesWithinTheBoundOpenAndTellTheirSize) {
    std::ofstream(dossier + "/dix", std::ios::binary) << "0123456789";
    RefusFichier refus = RefusFichier::Introuvable;
    std::uint64_t taille = 0;
    EXPECT_TRUE(ouvre("dix", 10, refus, &taille));
    EXPECT_EQ(refus, RefusFichier::Aucun);
    EXPECT_EQ(taille, 10u);
    EXPECT_FALSE(ouvre("dix", 9, refus));
    EXPECT_EQ(refus, RefusFichier::TropGrand);
    EXPECT_FALSE(ouvre("absent", 10, refus));
    EXPECT_EQ(refus, RefusFichier::Introuvable);
    EXPECT_EQ(ouvrirFichierLecture(nullptr, 10), nullptr);
    // A link to a regular file is that file.
    fs::create_symlink(dossier + "/dix", dossier + "/lien");
    EXPECT_TRUE(ouvre("lien", 10, refus));
}

TEST_F(FileAccess, FifosDevicesAndFoldersAreRefusedAtOnce) {
    ASSERT_EQ(mkfifo((dossier + "/fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dossier + "/zero");
    fs::create_symlink("/dev/urandom", dossier + "/alea");
    fs::create_directory(dossier + "/sous");
    for (const char* nom : {"fifo", "zero", "alea", "sous"}) {
        RefusFichier refus = RefusFichier::Aucun;
        EXPECT_FALSE(ouvre(nom, UINT64_MAX, refus)) << nom;
        EXPECT_EQ(refus, RefusFichier::NonRegulier) << nom;
        EXPECT_FALSE(texteRefusFichier(refus, nom).empty());
    }
}

} // namespace
