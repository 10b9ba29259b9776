#include "helpers/images.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kOutil = std::string(STRAVOL_TOOLS_DIR) + "/stravol-analyse";

struct Resultat {
    int code;
    std::string sortie, erreurs;
};

std::string lire(const fs::path& f) {
    std::ifstream in(f);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct AnalysisTool : ::testing::Test {
    DossierTemporaire temporaire;
    const fs::path dossier = temporaire.chemin();
    void SetUp() override { fs::create_directories(dossier / "donnees"); }

    // A volume of slices grey(x, y, z) in sub-folder "a-volume" of donnees.
    void volume(int l, int h, int p, const std::function<int(int, int, int)>& grey) {
        const fs::path v = dossier / "donnees" / "a-volume";
        fs::create_directories(v);
        for (int z = 0; z < p; ++z) {
            char nom[32];
            std::snprintf(nom, sizeof nom, "coupe_%03d.bmp", z);
            ecrireOctets(v / nom, bmpGris(l, h, [&](int x, int y) { return grey(x, y, z); }));
        }
    }

    // Runs the tool from the test folder (its start directory).
    Resultat lancer(const std::string& arguments) {
        const std::string commande = "cd '" + dossier.string() + "' && '" + kOutil + "' " +
                                     arguments + " > sortie.txt 2> erreurs.txt";
        const int etat = std::system(commande.c_str());
        Resultat r;
        r.code = WIFEXITED(etat) ? WEXITSTATUS(etat) : -1;
        r.sortie = lire(dossier / "sortie.txt");
        r.erreurs = lire(dossier / "erreurs.txt");
        return r;
    }
};

int nombreDeLignes(const std::string& s) {
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

} // namespace

TEST_F(AnalysisTool, InvalidArgumentsExitWithTwo) {
    volume(16, 16, 16, [](int, int, int) { return 40; });
    for (const std::string& args :
         {std::string(""), std::string("donnees"), std::string("donnees --cube 100 0 0"),
          std::string("donnees --cube abc 0 0 0"), std::string("donnees --cube 100 0 2 0"),
          std::string("donnees --cube 100 0 nan 0"), std::string("donnees --cube 2 0 0 0"),
          std::string("donnees --cube 100 0 0 0 --binarise 300"),
          std::string("donnees --cube 100 0 0 0 --binarise"),
          std::string("donnees --cube 100 0 0 0 --vite"),
          std::string("donnees autre --cube 100 0 0 0"), std::string("absent --cube 100 0 0 0"),
          std::string("donnees/a-volume --cube 100 0 0 0")}) {
        const Resultat r = lancer(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(nombreDeLignes(r.erreurs), 1) << args << ": " << r.erreurs;
        EXPECT_TRUE(r.sortie.empty()) << args;
    }
    // Origin on the far side of an axis, or a cube as large as the volume.
    for (const char* cube : {"128 1 0 0", "128 0 -1 0", "128 0 0 1", "256 -1 1 -1"}) {
        const Resultat r = lancer(std::string("donnees --cube ") + cube);
        EXPECT_EQ(r.code, 2) << cube;
        EXPECT_NE(r.erreurs.find("outside"), std::string::npos) << r.erreurs;
    }
    EXPECT_FALSE(fs::exists(dossier / "RoseValue.res"));
}

TEST_F(AnalysisTool, UniformVolumeAndSegmentation) {
    volume(32, 32, 32, [](int, int, int) { return 120; });
    fs::create_directories(dossier / "donnees" / "b-segmentation");
    ecrireOctets(dossier / "donnees" / "b-segmentation" / "s.bmp",
                 bmpGris(32, 32, [](int, int) { return 200; }));
    const Resultat r = lancer("donnees --cube 128 -0.5 0.5 -0.5");
    ASSERT_EQ(r.code, 0) << r.erreurs;
    EXPECT_NE(r.sortie.find("\"indColor\":[255,255,255,255,255,255,255,255,255,255,255,255,255]"),
              std::string::npos)
        << r.sortie;
    EXPECT_NE(r.sortie.find("\"tabdir\":[1,1,1,1,1,1,1,1,1,1,1,1,1]"), std::string::npos);
    EXPECT_NE(r.sortie.find("\"MoyRose\":1,"), std::string::npos);
    EXPECT_NE(r.sortie.find("\"CoeffDirection\":0"), std::string::npos);
    EXPECT_EQ(r.sortie.find("nbCC"), std::string::npos);
    EXPECT_EQ(r.sortie.front(), '{');
    EXPECT_EQ(nombreDeLignes(r.sortie), 1);
    EXPECT_EQ(lire(dossier / "RoseValue.res"),
              "theta: 6.000000 gamma:34.615383 Moy:1.000000 DirM:0.000000 valM:1.000000 "
              "CoeffD:0.000000 \n");
}

TEST_F(AnalysisTool, BinarisationGivesTheComponents) {
    // Dark volume with one bright 4x4x4 cube inside the analysed block (8 .. 23): after
    // binarisation at 100 the dark voxels (value 0) form one component around it.
    volume(32, 32, 32, [](int x, int y, int z) {
        return (x >= 12 && x < 16 && y >= 12 && y < 16 && z >= 12 && z < 16) ? 220 : 30;
    });
    const Resultat r = lancer("donnees --binarise 100 --cube 128 -0.5 0.5 -0.5");
    ASSERT_EQ(r.code, 0) << r.erreurs;
    EXPECT_NE(r.sortie.find("\"nbCC\":1,"), std::string::npos) << r.sortie;
    EXPECT_NE(r.sortie.find("\"moyAireCC\":4032"), std::string::npos) << r.sortie;
    EXPECT_NE(r.sortie.find("\"moyCompCC\":"), std::string::npos);
    EXPECT_NE(r.sortie.find("\"varCompCC\":0"), std::string::npos);
}

TEST_F(AnalysisTool, HelpVersionAndQuotedFolderNames) {
    const Resultat aide = lancer("--help");
    EXPECT_EQ(aide.code, 0);
    EXPECT_NE(aide.sortie.find("--cube"), std::string::npos);
    EXPECT_NE(aide.sortie.find("--binarise"), std::string::npos);
    EXPECT_EQ(lancer("--version").sortie.rfind("stravol-analyse ", 0), 0u);

    volume(16, 16, 16, [](int x, int, int) { return x < 8 ? 40 : 200; });
    const std::string nom = "don\"nees\\x";
    fs::rename(dossier / "donnees", dossier / nom);
    const Resultat r = lancer("'" + nom + "' --binarise 100 --cube 128 -0.5 0.5 -0.5 --progress");
    ASSERT_EQ(r.code, 0) << r.erreurs;
    const nlohmann::json j = nlohmann::json::parse(r.sortie);
    EXPECT_EQ(j["indColor"].size(), 13u);
    EXPECT_TRUE(j.contains("nbCC"));
    EXPECT_NE(r.erreurs.find("stravol-analyse: analysis 1.00"), std::string::npos) << r.erreurs;
}
