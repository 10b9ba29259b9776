#include "helpers/commande.h"
#include "helpers/slices.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string contenuFichier(const std::string& fichier) {
    std::ifstream in(fichier, std::ios::binary);
    std::ostringstream tout;
    tout << in.rdbuf();
    return tout.str();
}

// A parent folder with one grey volume of 16 x 16 x 12: a bright ball of radius 4 on grey 20.
class EvolutionTool : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string volume = sousDossier(dossier, "volume");
        for (int z = 0; z < 12; ++z) {
            PixelsRGB coupe = imageUnie(16, 16, 20);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    if ((x - 8) * (x - 8) + (y - 8) * (y - 8) + (z - 6) * (z - 6) <= 16)
                        coupe.fixer(x, y, 200, 200, 200);
            char nom[32];
            std::snprintf(nom, sizeof nom, "/s%02d.bmp", z);
            ASSERT_TRUE(ecrireBMP(volume + nom, coupe));
        }
    }

    // Exit status and stdout of the tool on the folder with these arguments.
    int lancer(const std::string& arguments, std::string& sortie) const {
        const std::string commande =
            "cd '" + dossier.chemin() + "' && '" STRAVOL_TOOLS_DIR "/stravol-extract' '" +
            dossier.chemin() + "' --seed 8 8 6 " + arguments + " 2>/dev/null";
        const testcommande::SortieCommande r = testcommande::executer(commande);
        sortie = r.sortie;
        return r.statut;
    }

    DossierTemporaire dossier;
};

} // namespace

TEST_F(EvolutionTool, EvolvesThroughTheModelParameters) {
    std::string sortie;
    ASSERT_EQ(lancer("", sortie), 0);
    EXPECT_EQ(sortie.find("\"evolution\""), std::string::npos);

    ASSERT_EQ(
        lancer("--param \"Ballon (delta)=0.3\" --param \"Fusion des sommets=false\" --evolve 3",
               sortie),
        0)
        << sortie;
    EXPECT_NE(sortie.find("\"evolution\": {\"iterations\": 3, \"vertices\": "), std::string::npos)
        << sortie;
    EXPECT_NE(sortie.find("\"closed\": true"), std::string::npos) << sortie;
    EXPECT_NE(sortie.find("\"irregular_vertices\": 0"), std::string::npos) << sortie;

    ASSERT_EQ(
        lancer("--param \"Voisinage=5\" --param \"Pas de voisinage=0.25\" --evolve 1", sortie), 0)
        << sortie;
    EXPECT_NE(sortie.find("\"iterations\": 1"), std::string::npos);
}

// The intensity term reads the grey volume: weighting it must change the evolved mesh, which it
// cannot when the evolution is handed an empty image (every candidate then reads 0).
TEST_F(EvolutionTool, TheEvolutionReadsTheGreyVolume) {
    const std::string sansImage = dossier.chemin() + "/sans.obj";
    const std::string avecImage = dossier.chemin() + "/avec.obj";
    std::string sortie;
    ASSERT_EQ(lancer("--evolve 3 --output '" + sansImage + "'", sortie), 0) << sortie;
    ASSERT_EQ(
        lancer("--param \"Gradient (gamma)=5\" --evolve 3 --output '" + avecImage + "'", sortie), 0)
        << sortie;
    const std::string a = contenuFichier(sansImage), b = contenuFichier(avecImage);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
}

TEST_F(EvolutionTool, UnknownNamesAndValuesOutOfRangeAreRefused) {
    std::string sortie;
    for (const char* arguments :
         {"--param \"Ballon=0.3\"", "--param \"Ballon (delta)=9\"",
          "--param \"Ballon (delta)=abc\"", "--param \"Voisinage=4\"", "--param \"Voisinage=300\"",
          "--param \"Voisinage=17\"", "--param \"Pas spatial=peut-etre\"", "--param Ballon",
          "--evolve -1", "--evolve"}) {
        EXPECT_EQ(lancer(arguments, sortie), 2) << arguments;
        EXPECT_TRUE(sortie.empty()) << arguments;
    }
}
