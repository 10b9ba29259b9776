#include "core/Configuration.h"
#include "helpers/images.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fresh temporary folder per test, removed afterwards.
class Config : public testing::Test {
protected:
    void ecrire(const std::string& contenu) const {
        std::ofstream f(dossier + "/config.txt", std::ios::binary);
        f << contenu;
    }
    // Reads the file with both readers, each with its own table.
    void lire() {
        EXPECT_TRUE(LireConfig(dossier, tableConfigVolume(volume)));
        EXPECT_TRUE(LireConfig(dossier, tableConfigVue(vue)));
    }
    // A value line for identifier id with value text v.
    static std::string paire(int id, const std::string& v) {
        return "#" + std::to_string(id) + "# parametre\n=" + v + "= remarque\n";
    }

    DossierTemporaire temporaire;
    const std::string dossier = temporaire.chemin();
    ParametresConfigVolume volume;
    ParametresConfigVue vue;
};

void attendreInitial(const ParametresConfigVolume& p) {
    const ParametresConfigVolume initial;
    EXPECT_EQ(p.ParamDistanceHara, initial.ParamDistanceHara);
    EXPECT_EQ(p.ParamDimRose, 0);
    EXPECT_EQ(p.ParamK, 0.0);
    EXPECT_EQ(p.ParamTypeWavelet.lg, 0);
    EXPECT_EQ(p.rgb, 0);
    EXPECT_EQ(p.ParamNbThreads, -1);
    EXPECT_EQ(p.ParamDimWaveletNiv3, 0);
}

} // namespace

TEST(LireLigne, FieldBetweenTheFirstTwoDelimiters) {
    EXPECT_EQ(LireLigne("#40# remarque\n", '#'), "40");
    EXPECT_EQ(LireLigne("nom =abc=def=\n", '='), "abc");
    EXPECT_EQ(LireLigne("==\n", '='), "");
    EXPECT_EQ(LireLigne("sans delimiteur\n", '='), "-1");
    EXPECT_EQ(LireLigne("", '#'), "-1");
    EXPECT_EQ(LireLigne(nullptr, '#'), "-1");
    EXPECT_EQ(LireLigne("=1=", '#'), "-1");
    // A single delimiter: the field runs to the end of the line, without its line end.
    EXPECT_EQ(LireLigne("=12\r\n", '='), "12");
    EXPECT_EQ(LireLigne("#7", '#'), "7");
}

TEST(LireLigne, ConversionsAcceptSignsAndBlanksOnly) {
    long v = 99;
    EXPECT_TRUE(convertirEntier("  -12 \t", -100, 100, v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(convertirEntier("+7", -100, 100, v));
    EXPECT_EQ(v, 7);
    v = 99;
    for (const char* refuse : {"", "  ", "1 2", "12a", "0x10", "+-3", "--3", "1.5", "101"}) {
        EXPECT_FALSE(convertirEntier(refuse, -100, 100, v)) << refuse;
        EXPECT_EQ(v, 99);
    }
    EXPECT_TRUE(convertirEntier("-32768", -32768, 32767, v));
    EXPECT_FALSE(convertirEntier("32768", -32768, 32767, v));
    EXPECT_FALSE(convertirEntier("99999999999999999999999", -100, 100, v));

    double d = 4.0;
    EXPECT_TRUE(convertirReel(" -1.25e2 ", d));
    EXPECT_EQ(d, -125.0);
    EXPECT_TRUE(convertirReel("+.5", d));
    EXPECT_EQ(d, 0.5);
    d = 4.0;
    for (const char* refuse : {"", "1,5", "inf", "nan", "1e999", "abc", "1.5x"}) {
        EXPECT_FALSE(convertirReel(refuse, d)) << refuse;
        EXPECT_EQ(d, 4.0);
    }
}

TEST_F(Config, CommentThenHeaderSetsRgbOfTheVolumeOnly) {
    ecrire("fichier de configuration de Stravol\n#40# couleur\n=1= oui\n");
    lire();
    EXPECT_EQ(volume.rgb, 1);
    EXPECT_EQ(vue.ParamDistanceHara, 0);
    EXPECT_EQ(vue.ParamQuantificationHara, 0);
}

TEST_F(Config, EveryVolumeParameterAndBothReadersOnOneFile) {
    ecrire(paire(1, "7") + paire(2, "-8") + paire(3, "3") + paire(4, "4") + paire(5, "5") +
           paire(6, "6") + paire(7, " 0.75 ") + paire(8, "8") + paire(9, "db4") + paire(10, "10") +
           paire(11, "11") + paire(12, "12") + paire(13, "13") + paire(40, "1") +
           paire(111, "111") + paire(1111, "-1111") + paire(50, "3"));
    lire();
    EXPECT_EQ(volume.ParamDistanceHara, 7);
    EXPECT_EQ(volume.ParamQuantificationHara, -8);
    EXPECT_EQ(volume.ParamDimHara, 3);
    EXPECT_EQ(volume.ParamDimCC, 4);
    EXPECT_EQ(volume.ParamDimRose, 5);
    EXPECT_EQ(volume.ParamBinarisationGlobale, 6);
    EXPECT_EQ(volume.ParamK, 0.75);
    EXPECT_EQ(volume.ParamDimNiblack, 8);
    EXPECT_TRUE(volume.ParamTypeWavelet == "db4");
    EXPECT_EQ(volume.ParamNbDecompositionWavelet, 10);
    EXPECT_EQ(volume.ParamDimWaveletNiv1, 11);
    EXPECT_EQ(volume.ParamTypeBinarisation, 12);
    EXPECT_EQ(volume.nbResolutionCC, 13);
    EXPECT_EQ(volume.rgb, 1);
    EXPECT_EQ(volume.ParamDimWaveletNiv2, 111);
    EXPECT_EQ(volume.ParamDimWaveletNiv3, -1111);
    EXPECT_EQ(volume.ParamNbThreads, 3);
    EXPECT_EQ(vue.ParamDistanceHara, 7);
    EXPECT_EQ(vue.ParamQuantificationHara, -8);
}

TEST_F(Config, HeaderAndValueLinePairing) {
    // -1 header ignored (next line read as a header); =1= alone is a comment; a value line
    // without '=' gives -1; a header directly after a header is consumed as its value line.
    ecrire("#-1# ignore\n=1=\n#3#\npas de valeur\n#5#\n#6#\n=9=\n#1#\n#2#\n=4=\n");
    lire();
    EXPECT_EQ(volume.ParamDimHara, -1);
    EXPECT_EQ(volume.ParamDimRose, -1);
    EXPECT_EQ(volume.ParamBinarisationGlobale, 0);
    EXPECT_EQ(volume.ParamDistanceHara, -1);
    EXPECT_EQ(volume.ParamQuantificationHara, 0);
    EXPECT_EQ(vue.ParamDistanceHara, -1);
    EXPECT_EQ(volume.rgb, 0);
}

TEST_F(Config, UnknownIdentifiersConsumeTheirValueLine) {
    ecrire("#77#\n#1#\n=5=\n#0#\n#40#\n=1=\n#2#\n=3=\n");
    lire();
    EXPECT_EQ(volume.ParamDistanceHara, 0);
    EXPECT_EQ(volume.rgb, 0);
    EXPECT_EQ(volume.ParamQuantificationHara, 3);
    EXPECT_EQ(vue.ParamQuantificationHara, 3);
}

TEST_F(Config, BadTextsAreIgnoredAndKeepTheirValues) {
    volume.ParamDimCC = 42;
    ecrire("#abc#\n#4#\n=4x=\n" + paire(7, "1,5") + paire(40, "2") + paire(3, "99999999999") +
           "#99999#\n#5#\n=5=\n" + "# 8 #\n= -3 =\n" + paire(9, " haar ") + paire(1, "40000") +
           paire(2, "-300"));
    lire();
    EXPECT_EQ(volume.ParamDimCC, 42);
    EXPECT_EQ(volume.ParamK, 0.0);
    EXPECT_EQ(volume.rgb, 0);
    EXPECT_EQ(volume.ParamDimHara, 0);
    EXPECT_EQ(volume.ParamDimRose, 5);
    EXPECT_EQ(volume.ParamDimNiblack, -3);
    EXPECT_TRUE(volume.ParamTypeWavelet == " haar ");
    // 40000 fits the volume's 32-bit field but not the view's 16-bit conversion.
    EXPECT_EQ(volume.ParamDistanceHara, 40000);
    EXPECT_EQ(vue.ParamDistanceHara, 0);
    EXPECT_EQ(vue.ParamQuantificationHara, -300);
}

// The file is read under a locale whose decimal separator is the comma (scripts/setup generates
// fr_FR.UTF-8): a reader that follows the process locale takes "2.5" for 2 and "3,5" for 3.5.
TEST_F(Config, DecimalPointWhateverTheLocale) {
    const std::string avant = std::setlocale(LC_NUMERIC, nullptr);
    const char* virgule = nullptr;
    for (const char* nom : {"fr_FR.UTF-8", "fr_FR.utf8", "de_DE.UTF-8", "de_DE.utf8"}) {
        if (std::setlocale(LC_NUMERIC, nom) != nullptr && std::strtod("0,5", nullptr) == 0.5) {
            virgule = nom;
            break;
        }
    }
    if (virgule == nullptr) {
        std::setlocale(LC_NUMERIC, avant.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed (fr_FR.UTF-8 or de_DE.UTF-8; "
                        "scripts/setup generates fr_FR.UTF-8): the point cannot be checked "
                        "against the locale";
    }
    volume.fenetreMax = 9.0;
    ecrire(paire(7, "2.5") + paire(60, "-0.25") + paire(61, "3,5"));
    lire();
    std::setlocale(LC_NUMERIC, avant.c_str());
    EXPECT_EQ(volume.ParamK, 2.5) << "read under " << virgule;
    EXPECT_EQ(volume.fenetreMin, -0.25) << "read under " << virgule;
    EXPECT_EQ(volume.fenetreMax, 9.0) << "a comma converted under " << virgule;
}

TEST_F(Config, LongLinesAreReadInPiecesOf254) {
    // 300 characters: a header of 254 characters whose remaining 46 form its value line.
    ecrire("#1#" + std::string(251, 'a') + std::string(40, 'b') + "=6=xx\n#2#\n=8=\n");
    lire();
    EXPECT_EQ(volume.ParamDistanceHara, 6);
    EXPECT_EQ(volume.ParamQuantificationHara, 8);

    // A line of exactly 254 characters is one line: its newline does not make an empty line.
    ecrire("#3#" + std::string(251, 'c') + "\n=9=\n");
    lire();
    EXPECT_EQ(volume.ParamDimHara, 9);
}

TEST_F(Config, EmptyMissingAndTruncatedFiles) {
    ecrire("");
    lire();
    attendreInitial(volume);

    ecrire("#40#");
    lire();
    attendreInitial(volume);

    ecrire(std::string("#1#\n=7=\n\0\0#2#\n=9=\n", 19) + "\r\n#4#\r\n=3=\r\n");
    lire();
    EXPECT_EQ(volume.ParamDistanceHara, 7);
    EXPECT_EQ(volume.ParamDimCC, 3);

    ParametresConfigVolume autre;
    EXPECT_FALSE(LireConfig(dossier + "/absent", tableConfigVolume(autre)));
    attendreInitial(autre);
    fs::create_directory(dossier + "/sous");
    fs::create_directory(dossier + "/sous/config.txt");
    EXPECT_FALSE(LireConfig(dossier + "/sous", tableConfigVolume(autre)));
    attendreInitial(autre);
}

// A FIFO would block the open until a writer comes, a link to an endless device would be read
// forever: only regular files are read, and none over 256 KiB.
TEST_F(Config, SpecialAndHugeFilesAreRefusedWithoutReading) {
    const std::string nom = dossier + "/config.txt";
    ASSERT_EQ(mkfifo(nom.c_str(), 0600), 0);
    ParametresConfigVolume autre;
    EXPECT_FALSE(LireConfig(dossier, tableConfigVolume(autre)));
    attendreInitial(autre);
    for (const char* cible : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
        fs::remove(nom);
        fs::create_symlink(cible, nom);
        EXPECT_FALSE(LireConfig(dossier, tableConfigVolume(autre))) << cible;
        attendreInitial(autre);
    }
    fs::remove(nom);
    ecrire("#40#\n=1=\n" + std::string(300 * 1024, '\n'));
    EXPECT_FALSE(LireConfig(dossier, tableConfigVolume(autre)));
    attendreInitial(autre);
    ecrire("#40#\n=1=\n" + std::string(200 * 1024, '\n'));
    EXPECT_TRUE(LireConfig(dossier, tableConfigVolume(autre)));
    EXPECT_EQ(autre.rgb, 1);
}

TEST(RemplirParametre, ReadsExactlyOneLine) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fputs("=12=\n=13=\n", f);
    std::rewind(f);
    ParametresConfigVue vue;
    const TableConfig table = tableConfigVue(vue);
    RemplirParametre(f, 2, table);
    EXPECT_EQ(vue.ParamQuantificationHara, 12);
    RemplirParametre(f, 5, table);
    RemplirParametre(f, 1, table);
    EXPECT_EQ(vue.ParamDistanceHara, 0);
    std::fclose(f);
    RemplirParametre(nullptr, 1, table);
}
