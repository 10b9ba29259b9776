// Label tables: every format read by content, every bad line refused with the file and the
// line named, the table beside a label file, the default palette and the mesh file names.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "helpers/images.h"
#include "volume/LectureTableEtiquettes.h"

using namespace Stravol;
using namespace std::string_literals;

namespace {

void ecrireTexte(const std::string& chemin, const std::string& texte) {
    std::ofstream(chemin, std::ios::binary) << texte;
}

struct Attendu {
    std::uint32_t valeur;
    std::string nom;
    std::optional<CouleurRVB> couleur;
};

void verifierTable(const TableEtiquettes& t, const std::vector<Attendu>& attendus) {
    ASSERT_EQ(t.entrees.size(), attendus.size());
    for (const Attendu& a : attendus) {
        SCOPED_TRACE(a.valeur);
        const EntreeEtiquette* e = t.trouver(a.valeur);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->nom, a.nom);
        EXPECT_EQ(e->couleur, a.couleur);
    }
}

// A table already read, which a refused file must leave as it is.
TableEtiquettes tableSentinelle() {
    TableEtiquettes t;
    t.entrees[99] = {"sentinelle", CouleurRVB{1, 2, 3}};
    return t;
}

} // namespace

TEST(TableEtiquettes, EachFormatReadByContent) {
    DossierTemporaire tmp;
    struct Cas {
        const char* fichier;
        std::string texte;
        FormatTable format;
        std::vector<Attendu> attendus;
    };
    const std::vector<Cas> cas = {
        {"simple.txt",
         "\xef\xbb\xbf# atlas labels\r\n1 Precentral_L 2001\r\n\r\n  2\tFrontal Sup L\t2002\n"
         "4294967295 \"Dernier label\" anything\n17 Left-Hippocampus",
         FormatTable::Simple,
         {{1, "Precentral_L", {}},
          {2, "Frontal Sup L", {}},
          {4294967295u, "Dernier label", {}},
          {17, "Left-Hippocampus", {}}}},
        {"itksnap.label",
         "################################################\n"
         "# ITK-SNAP Label Description File\n"
         "#    IDX   -R-  -G-  -B-  -A--  VIS MSH  LABEL\n"
         "    0     0    0    0        0  0  0    \"Clear Label\"\n"
         "    1   255    0    0        1  1  1    \"Label 1\"\n"
         "    3     0    0  255      0.5  1  0    \"Left \"hippo\" cortex\"\n",
         FormatTable::ItkSnap,
         {{0, "Clear Label", CouleurRVB{0, 0, 0}},
          {1, "Label 1", CouleurRVB{255, 0, 0}},
          {3, "Left \"hippo\" cortex", CouleurRVB{0, 0, 255}}}},
        {"FreeSurferColorLUT.txt",
         "#$Id: FreeSurferColorLUT.txt\n\n#No. Label Name:                            R   G   B   "
         "A\n\n0   Unknown                                 0   0   0   0\n"
         "2   Left-Cerebral-White-Matter              245 245 245 0\n"
         "1000    ctx-lh-unknown                      25  5   25  0\n",
         FormatTable::FreeSurfer,
         {{0, "Unknown", CouleurRVB{0, 0, 0}},
          {2, "Left-Cerebral-White-Matter", CouleurRVB{245, 245, 245}},
          {1000, "ctx-lh-unknown", CouleurRVB{25, 5, 25}}}},
        {"slicer.ctbl",
         "# Color table file /tmp/GenericAnatomyColors.ctbl\n# 3 values\n"
         "0 background 0 0 0 0\n1 tissue 128 174 128 255\n3000000000 big 1 2 3 255\n",
         FormatTable::FreeSurfer,
         {{0, "background", CouleurRVB{0, 0, 0}},
          {1, "tissue", CouleurRVB{128, 174, 128}},
          {3000000000u, "big", CouleurRVB{1, 2, 3}}}},
        {"slicer.csv",
         "LabelValue,Name,Color_R,Color_G,Color_B,Color_A,Category\n"
         "0,background,0,0,0,0,\n"
         "5, \"Caudate, left\" ,10,20,30,255,\"basal ganglia\"\n"
         "6,\"say \"\"hi\"\"\",,,,,x\n"
         "7,,1,1,1,255,\n",
         FormatTable::Csv,
         {{0, "background", CouleurRVB{0, 0, 0}},
          {5, "Caudate, left", CouleurRVB{10, 20, 30}},
          {6, "say \"hi\"", {}},
          {7, "", CouleurRVB{1, 1, 1}}}},
        {"colonnes.csv",
         "# exported\nname , labelvalue\nThalamus,10\n",
         FormatTable::Csv,
         {{10, "Thalamus", {}}}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.fichier);
        const std::string chemin = tmp / c.fichier;
        ecrireTexte(chemin, c.texte);
        TableEtiquettes t;
        std::string erreur;
        FormatTable format = FormatTable::Simple;
        ASSERT_TRUE(lireTableEtiquettes(chemin, t, erreur, &format)) << erreur;
        EXPECT_EQ(format, c.format);
        verifierTable(t, c.attendus);
    }
}

TEST(TableEtiquettes, LatinOneTextIsReadAsUtf8) {
    DossierTemporaire tmp;
    ecrireTexte(tmp / "latin1.txt", "1 Noyau_caud\xe9 x\n2 Thalamus\n");
    TableEtiquettes t;
    std::string erreur;
    ASSERT_TRUE(lireTableEtiquettes(tmp / "latin1.txt", t, erreur)) << erreur;
    EXPECT_EQ(t.trouver(1)->nom, "Noyau_caud\xc3\xa9");
    ecrireTexte(tmp / "utf8.txt", "1 Noyau_caud\xc3\xa9\n");
    ASSERT_TRUE(lireTableEtiquettes(tmp / "utf8.txt", t, erreur)) << erreur;
    EXPECT_EQ(t.trouver(1)->nom, "Noyau_caud\xc3\xa9");
}

TEST(TableEtiquettes, ABadLineRefusesTheTableAndNamesFileAndLine) {
    DossierTemporaire tmp;
    struct Cas {
        std::string texte;
        int ligne; // 0: the message names no line
        const char* motif;
    };
    const std::vector<Cas> cas = {
        {"1 a\n# c\n-4 b\n", 3, "négative"},
        {"1 a\n4294967296 b\n", 2, "4294967295"},
        {"1 a\n2\n", 2, "nom"},
        {"1 a\n2 \"b c\n", 2, "guillemet"},
        {"1 a\nx b\n", 2, "« x »"},
        {"1 a\n1 b\n", 2, "déjà donnée ligne 1"},
        {"0 0 0 0 0 1 1 \"a\"\n1 255 0 0 1.5 1 1 \"b\"\n", 2, "opacité"},
        {"0 0 0 0 0 1 1 \"a\"\n1 255 0 0 1 1 \"b\"\n", 2, "7 champs"},
        {"0 0 0 0 0 1 1 \"a\"\n1 255 0 0 1 2 1 \"b\"\n", 2, "visibilité"},
        {"0 0 0 0 0 1 1 \"a\"\n1 255 0 0 1 1 1 \"b\" c\n", 2, "après le libellé"},
        {"0 0 0 0 0 1 1 \"a\"\n1 255 0 0 1 1 1 b\n", 2, "guillemets"},
        {"0 Unknown 0 0 0 0\n\n2 Left 256 0 0 0\n", 3, "composante R"},
        {"0 Unknown 0 0 0 0\n2 Left 25 0 0\n", 2, "6 champs"},
        {"0 Unknown 0 0 0 0\n2 Left 25 0 -1 0\n", 2, "composante B"},
        {"LabelValue,Name,Color_R,Color_G,Color_B\n1,a,1,2,3\n2,b,1,2\n", 3, "5 champs"},
        {"LabelValue,Name\n1,\"a\n", 2, "guillemet non fermé"},
        {"LabelValue,Name\n1,\"a\"b\n", 2, "après le guillemet"},
        {"Value,Name\n1,a\n", 1, "LabelValue"},
        {"LabelValue,Name,Color_R\n", 1, "Color_G"},
        {"1,a,255,0,0,255\n", 1, "en-tête"},
        {"LabelValue,Name,Color_R,Color_G,Color_B\n1,a,1,2,x\n", 2, "composante B"},
        {"1 a\n2 b\0c\n"s, 2, "binaire"},
        {"# nothing\n\n", 0, "aucune étiquette"},
    };
    for (std::size_t i = 0; i < cas.size(); ++i) {
        const Cas& c = cas[i];
        SCOPED_TRACE(c.texte);
        const std::string chemin = tmp / ("table" + std::to_string(i) + ".txt");
        ecrireTexte(chemin, c.texte);
        TableEtiquettes t = tableSentinelle();
        std::string erreur;
        EXPECT_FALSE(lireTableEtiquettes(chemin, t, erreur));
        EXPECT_EQ(erreur.rfind(chemin, 0), 0u) << erreur;
        if (c.ligne > 0) {
            EXPECT_NE(erreur.find(", ligne " + std::to_string(c.ligne) + " : "), std::string::npos)
                << erreur;
        }
        EXPECT_NE(erreur.find(c.motif), std::string::npos) << erreur;
        verifierTable(t, {{99, "sentinelle", CouleurRVB{1, 2, 3}}});
    }
    TableEtiquettes t = tableSentinelle();
    std::string erreur;
    EXPECT_FALSE(lireTableEtiquettes(tmp / "absente.txt", t, erreur));
    EXPECT_NE(erreur.find("absente.txt"), std::string::npos);
    EXPECT_FALSE(lireTableEtiquettes(tmp.chemin(), t, erreur));
    verifierTable(t, {{99, "sentinelle", CouleurRVB{1, 2, 3}}});
}

TEST(TableEtiquettes, TableBesideTheLabelFile) {
    const std::vector<std::string> attendus = {
        "d/atlas.nii.txt",   "d/atlas.nii.csv", "d/atlas.nii.ctbl", "d/atlas.nii.lut",
        "d/atlas.nii.label", "d/atlas.txt",     "d/atlas.csv",      "d/atlas.ctbl",
        "d/atlas.lut",       "d/atlas.label"};
    EXPECT_EQ(cheminsTableVoisine("d/atlas.nii.gz"), attendus);
    EXPECT_EQ(cheminsTableVoisine("d/atlas.nii"), attendus);
    EXPECT_EQ(cheminsTableVoisine("seg.tif"),
              (std::vector<std::string>{"seg.tif.txt", "seg.tif.csv", "seg.tif.ctbl", "seg.tif.lut",
                                        "seg.tif.label", "seg.txt", "seg.csv", "seg.ctbl",
                                        "seg.lut", "seg.label"}));

    DossierTemporaire tmp;
    const std::string atlas = tmp / "atlas.nii.gz";
    EXPECT_EQ(trouverTableVoisine(atlas), "");
    ecrireTexte(tmp / "atlas.lut", "1 a 1 2 3 0\n");
    EXPECT_EQ(trouverTableVoisine(atlas), tmp / "atlas.lut");
    ecrireTexte(tmp / "atlas.csv", "LabelValue,Name\n1,a\n");
    EXPECT_EQ(trouverTableVoisine(atlas), tmp / "atlas.csv");
    ecrireTexte(tmp / "atlas.nii.label", "1 0 0 0 1 1 1 \"a\"\n");
    EXPECT_EQ(trouverTableVoisine(atlas), tmp / "atlas.nii.label");
    // A folder of that name is no table.
    std::filesystem::create_directory(tmp / "atlas.nii.txt");
    EXPECT_EQ(trouverTableVoisine(atlas), tmp / "atlas.nii.label");
}

TEST(Palette, FixedWithBlackBackgroundOnly) {
    EXPECT_EQ(couleurParDefaut(0), (CouleurRVB{0, 0, 0}));
    EXPECT_EQ(couleurParDefaut(1), (CouleurRVB{230, 25, 35}));
    for (std::uint32_t v : {1u, 2u, 12u, 13u, 1000u, 65535u, 4294967295u})
        EXPECT_EQ(couleurParDefaut(v), couleurParDefaut(v));
    for (std::uint32_t v = 1; v < 200000; ++v)
        ASSERT_NE(couleurParDefaut(v), (CouleurRVB{0, 0, 0})) << v;
}

TEST(Palette, PresentLabelsWithoutTableColourNeverShareOne) {
    std::vector<std::uint32_t> valeurs = {0};
    for (std::uint32_t v = 1; v <= 3000; ++v)
        valeurs.push_back(v);
    for (std::uint32_t v = 4294967295u; v > 4294967295u - 500; --v)
        valeurs.push_back(v);
    // Table colours that take default colours of other labels, one given twice.
    TableEtiquettes table;
    table.entrees[5] = {"a", couleurParDefaut(6)};
    table.entrees[7] = {"b", couleurParDefaut(6)};
    table.entrees[8] = {"c", std::nullopt};
    table.entrees[20] = {"d", couleurParDefaut(2000)};
    const std::vector<CouleurRVB> couleurs = couleursEtiquettes(valeurs, table);
    ASSERT_EQ(couleurs.size(), valeurs.size());
    std::map<CouleurRVB, int> usages;
    for (std::size_t i = 0; i < valeurs.size(); ++i) {
        const EntreeEtiquette* e = table.trouver(valeurs[i]);
        if (e != nullptr && e->couleur) {
            EXPECT_EQ(couleurs[i], *e->couleur);
        }
        ++usages[couleurs[i]];
    }
    for (std::size_t i = 0; i < valeurs.size(); ++i) {
        const EntreeEtiquette* e = table.trouver(valeurs[i]);
        if (e == nullptr || !e->couleur) {
            EXPECT_EQ(usages[couleurs[i]], 1) << valeurs[i];
        }
    }
    EXPECT_EQ(couleurs[0], (CouleurRVB{0, 0, 0}));
    EXPECT_EQ(couleurs[1], couleurParDefaut(1));

    // The order of the values changes nothing.
    std::vector<std::uint32_t> melange = valeurs;
    std::shuffle(melange.begin(), melange.end(), std::mt19937(7));
    const std::vector<CouleurRVB> autres = couleursEtiquettes(melange, table);
    std::map<std::uint32_t, CouleurRVB> parValeur;
    for (std::size_t i = 0; i < valeurs.size(); ++i)
        parValeur[valeurs[i]] = couleurs[i];
    for (std::size_t i = 0; i < melange.size(); ++i)
        EXPECT_EQ(autres[i], parValeur[melange[i]]);
}

TEST(Palette, SixtyFiveThousandLabelsAllDistinct) {
    std::vector<std::uint32_t> valeurs(65535);
    for (std::uint32_t i = 0; i < valeurs.size(); ++i)
        valeurs[i] = 1 + 7 * i;
    const std::vector<CouleurRVB> couleurs = couleursEtiquettes(valeurs, TableEtiquettes());
    const std::set<CouleurRVB> distinctes(couleurs.begin(), couleurs.end());
    EXPECT_EQ(distinctes.size(), valeurs.size());
    EXPECT_EQ(distinctes.count(CouleurRVB{0, 0, 0}), 0u);
}

TEST(NomFichierEtiquette, NameCleanedForEverySystem) {
    EXPECT_EQ(nomFichierEtiquette(17, "Left-Hippocampus", "ply"), "label-17-Left-Hippocampus.ply");
    EXPECT_EQ(nomFichierEtiquette(17, "", "stl"), "label-17.stl");
    EXPECT_EQ(nomFichierEtiquette(4294967295u, "a b/c\\d:e*f.g_h", "obj"),
              "label-4294967295-a_b_c_d_e_f.g_h.obj");
    // One '_' a character, whatever its length in UTF-8.
    EXPECT_EQ(nomFichierEtiquette(3, "caud\xc3\xa9_\xe2\x82\xac\xf0\x9f\x98\x80", "ply"),
              "label-3-caud____.ply");
    EXPECT_EQ(nomFichierEtiquette(3, "..", "ply"), "label-3-...ply");
    EXPECT_EQ(nomFichierEtiquette(1, std::string(500, 'x'), "ply"),
              "label-1-" + std::string(200, 'x') + ".ply");
    EXPECT_EQ(nomScene(5, ""), "label-5");
    EXPECT_EQ(nomScene(5, "Thalamus"), "Thalamus");
}
