// Hostile "config.txt" files: binary junk, very long lines, numbers out of range and a header
// on the last line. Reading never fails on content, and keeps every parameter in its range.

#include "core/Configuration.h"
#include "helpers/images.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

namespace {

class ConfigHostile : public testing::Test {
protected:
    // Writes contenu as config.txt and reads it with fresh parameters of both readers.
    void lire(const std::string& contenu) {
        {
            std::ofstream f(dossier + "/config.txt", std::ios::binary);
            f << contenu;
        }
        volume = ParametresConfigVolume();
        vue = ParametresConfigVue();
        EXPECT_TRUE(LireConfig(dossier, tableConfigVolume(volume)));
        EXPECT_TRUE(LireConfig(dossier, tableConfigVue(vue)));
    }
    void attendreDansLesBornes() const {
        EXPECT_TRUE(volume.rgb == 0 || volume.rgb == 1) << volume.rgb;
        EXPECT_GE(vue.ParamDistanceHara, -32768);
        EXPECT_LE(vue.ParamDistanceHara, 32767);
        EXPECT_GE(vue.ParamQuantificationHara, -32768);
        EXPECT_LE(vue.ParamQuantificationHara, 32767);
        EXPECT_LE(volume.ParamTypeWavelet.lg, 254);
    }

    DossierTemporaire temporaire;
    const std::string dossier = temporaire.chemin();
    ParametresConfigVolume volume;
    ParametresConfigVue vue;
};

TEST_F(ConfigHostile, JunkNeverStopsTheReaderNorHidesALaterPair) {
    std::mt19937 alea(7);
    for (int essai = 0; essai < 40; ++essai) {
        std::string junk(1 + alea() % 3000, '\0');
        for (char& c : junk)
            c = static_cast<char>(alea() % 256);
        lire(junk);
        attendreDansLesBornes();
        // Junk without any '#' is comment only: a pair after it is read as if alone.
        for (char& c : junk)
            if (c == '#')
                c = '\0';
        lire(junk + "\n#40#\n=1=\n#1#\n=-7=\n");
        EXPECT_EQ(volume.rgb, 1) << essai;
        EXPECT_EQ(volume.ParamDistanceHara, -7) << essai;
        EXPECT_EQ(vue.ParamDistanceHara, -7) << essai;
    }
}

TEST_F(ConfigHostile, TenThousandCharacterLinesAreReadInPieces) {
    // A long comment, then a pair.
    lire(std::string(10000, 'a') + "\n#1#\n=7=\n");
    EXPECT_EQ(volume.ParamDistanceHara, 7);
    // A long value line gives the first piece as value; its other pieces are comments.
    lire("#9#\n=" + std::string(10000, 'w') + "=\n#2#\n=5=\n");
    EXPECT_EQ(volume.ParamTypeWavelet.lg, 253);
    EXPECT_EQ(volume.ParamQuantificationHara, 5);
    EXPECT_EQ(vue.ParamQuantificationHara, 5);
    // Long lines of delimiters only: headers that do not convert, never a crash.
    lire(std::string(10000, '#') + "\n" + std::string(10000, '=') + "\n#3#\n=2=\n");
    attendreDansLesBornes();
    EXPECT_EQ(volume.ParamDimHara, 2);
}

TEST_F(ConfigHostile, NumbersOutOfRangeKeepTheInitialValue) {
    lire("#1#\n=2147483648=\n#2#\n=-2147483649=\n#40#\n=2=\n#7#\n=1e999=\n#8#\n=nan=\n"
         "#10#\n=99999999999999999999=\n#11#\n=0x10=\n");
    EXPECT_EQ(volume.ParamDistanceHara, 0);
    EXPECT_EQ(volume.ParamQuantificationHara, 0);
    EXPECT_EQ(volume.rgb, 0);
    EXPECT_EQ(volume.ParamK, 0.0);
    EXPECT_EQ(volume.ParamDimNiblack, 0);
    EXPECT_EQ(volume.ParamNbDecompositionWavelet, 0);
    EXPECT_EQ(volume.ParamDimWaveletNiv1, 0);
    // 32768 fits the volume's 32-bit field but not the view's 16-bit conversion.
    lire("#1#\n=32768=\n#2#\n=-32768=\n");
    EXPECT_EQ(volume.ParamDistanceHara, 32768);
    EXPECT_EQ(vue.ParamDistanceHara, 0);
    EXPECT_EQ(vue.ParamQuantificationHara, -32768);
    // An identifier beyond 16 bits is no header of identifier 1 or 2.
    lire("#65537#\n=9=\n#131074#\n=9=\n");
    EXPECT_EQ(vue.ParamDistanceHara, 0);
    EXPECT_EQ(vue.ParamQuantificationHara, 0);
    attendreDansLesBornes();
}

TEST_F(ConfigHostile, HeaderOnTheLastLineStoresNothing) {
    for (const char* fin : {"#2#", "#2#\n", "#2#\r\n", "#2# =8="}) {
        lire(std::string("#1#\n=4=\n") + fin);
        EXPECT_EQ(volume.ParamDistanceHara, 4) << fin;
        EXPECT_EQ(volume.ParamQuantificationHara, 0) << fin;
        EXPECT_EQ(vue.ParamQuantificationHara, 0) << fin;
    }
}

} // namespace
