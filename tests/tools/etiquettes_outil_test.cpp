// stravol-extract --all-labels with label tables, scenes and spaces: without a new option the
// mesh files are today's, byte for byte; a table beside the label file or given by --labels
// names the files and the summary's entries; --scene writes one file of every label; --space
// LPS turns the world half a turn about z.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "extraction/ToutesEtiquettes.h"
#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "helpers/volumes.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ExportMaillage.h"
#include "volume/EcritureVolume.h"
#include "volume/LecteursVolume.h"
#include "volume/TableEtiquettes.h"

namespace fs = std::filesystem;
using namespace Stravol;

namespace {

struct Sortie {
    int statut = -1;
    std::string texte;
};

// Runs the tool from repertoire; stderr goes where erreurs says ("&1": with stdout).
Sortie lancer(const std::string& arguments, const fs::path& repertoire,
              const std::string& erreurs = "/dev/null") {
    const std::string commande = "cd '" + repertoire.string() +
                                 "' && '" STRAVOL_TOOLS_DIR "/stravol-extract' " + arguments +
                                 " 2>" + erreurs;
    Sortie r;
    FILE* p = popen(commande.c_str(), "r");
    if (p == nullptr)
        return r;
    char tampon[4096];
    std::size_t n;
    while ((n = fread(tampon, 1, sizeof tampon, p)) > 0)
        r.texte.append(tampon, n);
    const int s = pclose(p);
    r.statut = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

void ecrireTexte(const fs::path& chemin, const std::string& texte) {
    std::ofstream(chemin, std::ios::binary) << texte;
}

std::vector<std::string> fichiers(const fs::path& dossier) {
    std::set<std::string> noms;
    for (const auto& e : fs::directory_iterator(dossier))
        noms.insert(e.path().filename().string());
    return {noms.begin(), noms.end()};
}

// A label map of three boxes (labels 2, 5 and 17) in a mirrored oblique world frame.
class TablesOutil : public ::testing::Test {
protected:
    static constexpr int W = 20, H = 18, D = 16;

    void SetUp() override {
        VolumeBrut v = volumeTest(TypeVoxel::Entier16, W, H, D, [](int x, int y, int z) {
            if (x >= 3 && x < 8 && y >= 3 && y < 8 && z >= 3 && z < 8)
                return 17.0;
            if (x >= 10 && x < 16 && y >= 9 && y < 15 && z >= 8 && z < 13)
                return 2.0;
            return x >= 3 && x < 6 && y >= 12 && y < 16 && z >= 10 && z < 14 ? 5.0 : 0.0;
        });
        v.geometrie.affine = {{{-0.8, 0.1, 0, 10}, {0, 0.9, 0, -5}, {0, 0, 1.2, 3}}};
        v.geometrie.espacement = {0.8, 0.9, 1.2};
        std::string erreur;
        ASSERT_TRUE(ecrireNifti((racine / "atlas.nii.gz").string(), v, 1, erreur)) << erreur;
    }

    // The mesh file of a label as the library writes it without names or colours.
    OctetsTest reference(std::uint16_t valeur, const std::string& extension) {
        VolumeBrut v;
        EXPECT_TRUE(lireNifti((racine / "atlas.nii.gz").string(), v).reussi);
        std::vector<std::uint16_t> etiquettes;
        std::vector<std::uint32_t> valeurs;
        std::string erreur;
        EXPECT_TRUE(versEtiquettes(v, etiquettes, valeurs, erreur));
        for (const BoiteEtiquette& b : boitesEtiquettes(etiquettes.data(), W, H, D)) {
            if (b.valeur != valeur)
                continue;
            const auto m =
                maillerEtiquette(etiquettes.data(), W, H, D, b, OptionsExtraction(), erreur);
            const std::string f = (racine / ("reference." + extension)).string();
            EXPECT_TRUE(m && exporterMaillage(*m, f.c_str(), v.geometrie));
            const OctetsTest octets = lireOctets(f);
            fs::remove(f);
            return octets;
        }
        ADD_FAILURE() << "label " << valeur;
        return {};
    }

    nlohmann::json resume(const Sortie& s) {
        EXPECT_EQ(s.statut, 0) << s.texte;
        return nlohmann::json::parse(s.texte, nullptr, false);
    }

    DossierTemporaire temporaire;
    const fs::path racine = temporaire.chemin();
};

} // namespace

TEST_F(TablesOutil, WithoutTableTheFilesAreTodays) {
    for (const char* format : {"stl", "obj"}) {
        SCOPED_TRACE(format);
        const std::string sortie = std::string("sans-") + format;
        const nlohmann::json j =
            resume(lancer("atlas.nii.gz --all-labels --method faces --output-dir " + sortie +
                              " --format " + format,
                          racine));
        EXPECT_EQ(fichiers(racine / sortie),
                  (std::vector<std::string>{"label-17." + std::string(format),
                                            "label-2." + std::string(format),
                                            "label-5." + std::string(format)}));
        for (std::uint16_t v : {2, 5, 17})
            EXPECT_EQ(
                lireOctets(
                    (racine / sortie / ("label-" + std::to_string(v) + "." + format)).string()),
                reference(v, format))
                << v;
        EXPECT_EQ(j["space"], "RAS");
        EXPECT_FALSE(j.contains("labels_table"));
        EXPECT_FALSE(j.contains("scene"));
        for (const auto& e : j["labels"]) {
            EXPECT_FALSE(e.contains("name"));
            EXPECT_EQ(e["color"].get<CouleurRVB>(),
                      couleurParDefaut(e["value"].get<std::uint32_t>()));
        }
    }
    // world is RAS under its former name.
    const nlohmann::json monde = resume(lancer(
        "atlas.nii.gz --all-labels --method faces --output-dir monde --space world", racine));
    EXPECT_EQ(monde["space"], "RAS");
    EXPECT_EQ(lireOctets((racine / "monde/label-2.stl").string()), reference(2, "stl"));
}

TEST_F(TablesOutil, TableBesideNamesFilesEntriesAndColours) {
    ecrireTexte(racine / "atlas.txt",
                "# names\n17\tLeft Hippocampus/\xc3\xa9\t1\n2\tLeft-Cerebral-White-Matter\n");
    const Sortie s = lancer("atlas.nii.gz --all-labels --output-dir out --format ply", racine);
    const nlohmann::json j = resume(s);
    EXPECT_EQ(j["labels_table"], "atlas.txt");
    EXPECT_EQ(fichiers(racine / "out"),
              (std::vector<std::string>{"label-17-Left_Hippocampus__.ply",
                                        "label-2-Left-Cerebral-White-Matter.ply", "label-5.ply"}));
    const std::vector<CouleurRVB> couleurs = couleursEtiquettes({2, 5, 17}, TableEtiquettes());
    const std::map<std::uint32_t, std::string> noms = {{2, "Left-Cerebral-White-Matter"},
                                                       {17, "Left Hippocampus/\xc3\xa9"}};
    ASSERT_EQ(j["labels"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& e = j["labels"][i];
        const std::uint32_t v = e["value"];
        SCOPED_TRACE(v);
        if (noms.count(v))
            EXPECT_EQ(e["name"], noms.at(v));
        else
            EXPECT_FALSE(e.contains("name"));
        EXPECT_EQ(e["color"].get<CouleurRVB>(), couleurs[i]);
        PlyLu ply;
        ASSERT_TRUE(lirePLYComplet((racine / e["file"].get<std::string>()).string(), ply));
        ASSERT_EQ(ply.couleurs.size(), ply.soupe.positions.size());
        for (const auto& c : ply.couleurs)
            ASSERT_EQ(c, couleurs[i]);
        EXPECT_TRUE(fermeeEtOrientee(ply.soupe));
        EXPECT_GT(volumeSigne(ply.soupe), 0.0);
    }
}

TEST_F(TablesOutil, LabelsOptionAndBadTables) {
    ecrireTexte(racine / "couleurs.csv", "LabelValue,Name,Color_R,Color_G,Color_B,Color_A\n"
                                         "5,\"Caudate, left\",10,20,30,255\n17,Hippo,1,2,3,255\n");
    // A table beside is left out for the one given.
    ecrireTexte(racine / "atlas.nii.txt", "5 Autre\n");
    const nlohmann::json j =
        resume(lancer("atlas.nii.gz --all-labels --output-dir out --labels couleurs.csv", racine));
    EXPECT_EQ(j["labels_table"], "couleurs.csv");
    EXPECT_EQ(j["labels"][1]["name"], "Caudate, left");
    EXPECT_EQ(j["labels"][1]["color"], (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(j["labels"][2]["color"], (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(fs::exists(racine / "out/label-5-Caudate__left.stl"));

    // A bad table given: refused with its file and line, nothing written.
    ecrireTexte(racine / "mauvaise.lut", "0 Unknown 0 0 0 0\n2 A 1 2 3 0\n5 B 300 0 0 0\n");
    const Sortie refus =
        lancer("atlas.nii.gz --all-labels --output-dir refus --labels mauvaise.lut", racine, "&1");
    EXPECT_EQ(refus.statut, 2);
    EXPECT_NE(refus.texte.find("mauvaise.lut, ligne 3 : "), std::string::npos) << refus.texte;
    EXPECT_EQ(std::count(refus.texte.begin(), refus.texte.end(), '\n'), 1) << refus.texte;
    EXPECT_FALSE(fs::exists(racine / "refus"));
    EXPECT_EQ(
        lancer("atlas.nii.gz --all-labels --output-dir refus --labels absente.txt", racine).statut,
        2);

    // A bad table beside: told on stderr and left out, the labels keep their numbers.
    ecrireTexte(racine / "atlas.nii.txt", "5 Autre\n5 Encore\n");
    const Sortie ignoree =
        lancer("atlas.nii.gz --all-labels --output-dir ignoree", racine, "ignoree.txt");
    const nlohmann::json k = resume(ignoree);
    EXPECT_FALSE(k.contains("labels_table"));
    EXPECT_EQ(fichiers(racine / "ignoree"),
              (std::vector<std::string>{"label-17.stl", "label-2.stl", "label-5.stl"}));
    std::ifstream erreurs(racine / "ignoree.txt");
    const std::string texte((std::istreambuf_iterator<char>(erreurs)),
                            std::istreambuf_iterator<char>());
    EXPECT_NE(texte.find("atlas.nii.txt, ligne 2 : "), std::string::npos) << texte;
}

TEST_F(TablesOutil, SceneOfEveryLabel) {
    ecrireTexte(racine / "atlas.lut", "17 Left-Hippocampus 220 216 20 0\n");
    for (const char* ext : {"glb", "obj", "ply"}) {
        SCOPED_TRACE(ext);
        const std::string scene = std::string("scene.") + ext;
        const nlohmann::json j =
            resume(lancer("atlas.nii.gz --all-labels --scene " + scene, racine));
        EXPECT_EQ(j["scene"], scene);
        for (const auto& e : j["labels"])
            EXPECT_FALSE(e.contains("file"));
        EXPECT_TRUE(fs::is_regular_file(racine / scene));
    }
    EXPECT_TRUE(fs::is_regular_file(racine / "scene.mtl"));

    tinygltf::Model modele;
    tinygltf::TinyGLTF lecteur;
    std::string erreur, avertissement;
    ASSERT_TRUE(lecteur.LoadBinaryFromFile(&modele, &erreur, &avertissement,
                                           (racine / "scene.glb").string()))
        << erreur;
    std::vector<std::string> noms;
    for (const tinygltf::Node& n : modele.nodes)
        noms.push_back(n.name);
    EXPECT_EQ(noms, (std::vector<std::string>{"label-2", "label-5", "Left-Hippocampus"}));

    PlyLu ply;
    ASSERT_TRUE(lirePLYComplet((racine / "scene.ply").string(), ply));
    EXPECT_EQ(std::set<std::uint64_t>(ply.labels.begin(), ply.labels.end()),
              (std::set<std::uint64_t>{2, 5, 17}));
    EXPECT_EQ(ply.typeLabel, "int");
    EXPECT_TRUE(fermeeEtOrientee(ply.soupe));

    // Both the label files and the scene; the scene's labels are the files' meshes.
    const nlohmann::json j = resume(
        lancer("atlas.nii.gz --all-labels --output-dir out --format ply --scene tout.ply", racine));
    std::size_t sommets = 0;
    for (const auto& e : j["labels"]) {
        PlyLu seul;
        ASSERT_TRUE(lirePLYComplet((racine / e["file"].get<std::string>()).string(), seul));
        sommets += seul.soupe.positions.size();
    }
    PlyLu tout;
    ASSERT_TRUE(lirePLYComplet((racine / "tout.ply").string(), tout));
    EXPECT_EQ(tout.soupe.positions.size(), sommets);
}

TEST_F(TablesOutil, LpsIsRasTurnedHalfAboutZ) {
    const nlohmann::json ras =
        resume(lancer("atlas.nii.gz --all-labels --output-dir ras --format obj", racine));
    const nlohmann::json lps = resume(
        lancer("atlas.nii.gz --all-labels --output-dir lps --format obj --space lps", racine));
    EXPECT_EQ(lps["space"], "LPS");
    for (const char* f : {"label-2.obj", "label-5.obj", "label-17.obj"}) {
        Soupe a, b;
        ASSERT_TRUE(lireOBJ((racine / "ras" / f).string(), a));
        ASSERT_TRUE(lireOBJ((racine / "lps" / f).string(), b));
        ASSERT_EQ(a.positions.size(), b.positions.size());
        for (std::size_t i = 0; i < a.positions.size(); ++i) {
            EXPECT_NEAR(b.positions[i][0], -a.positions[i][0], 1e-4);
            EXPECT_NEAR(b.positions[i][1], -a.positions[i][1], 1e-4);
            EXPECT_NEAR(b.positions[i][2], a.positions[i][2], 1e-4);
        }
        EXPECT_EQ(a.triangles, b.triangles);
        const OctetsTest entete = lireOctets((racine / "lps" / f).string());
        EXPECT_EQ(std::string(entete.begin(), entete.begin() + 44),
                  "# Stravol mesh, world coordinates (mm, LPS)\n");
    }
    // One object: the same turn, the header of an STL file naming the space.
    ASSERT_EQ(lancer("atlas.nii.gz --segmentation atlas.nii.gz --label 17 --output un.stl", racine)
                  .statut,
              0);
    ASSERT_EQ(
        lancer(
            "atlas.nii.gz --segmentation atlas.nii.gz --label 17 --output un-lps.stl --space LPS",
            racine)
            .statut,
        0);
    Soupe a, b;
    ASSERT_TRUE(lireSTL((racine / "un.stl").string(), a));
    ASSERT_TRUE(lireSTL((racine / "un-lps.stl").string(), b));
    ASSERT_EQ(a.positions.size(), b.positions.size());
    EXPECT_NEAR(b.positions[0][0], -a.positions[0][0], 1e-4);
    EXPECT_NEAR(b.positions[0][1], -a.positions[0][1], 1e-4);
    const OctetsTest entete = lireOctets((racine / "un-lps.stl").string());
    EXPECT_EQ(std::string(entete.begin(), entete.begin() + 41),
              "Stravol mesh, world coordinates (mm, LPS)");
}

TEST_F(TablesOutil, UnusableRequestsLeaveNothing) {
    for (const std::string& d : {
             std::string("atlas.nii.gz --label 17 --scene s.glb"),
             std::string("atlas.nii.gz --label 17 --labels atlas.lut"),
             std::string("atlas.nii.gz --all-labels"),
             std::string("atlas.nii.gz --all-labels --scene s.fbx"),
             std::string("atlas.nii.gz --all-labels --scene nowhere/s.glb"),
             std::string("atlas.nii.gz --all-labels --scene s.glb --space ijk"),
         }) {
        const Sortie r = lancer(d, racine, "&1");
        EXPECT_EQ(r.statut, 2) << d;
        EXPECT_EQ(std::count(r.texte.begin(), r.texte.end(), '\n'), 1) << d << ": " << r.texte;
    }
    EXPECT_EQ(fichiers(racine), std::vector<std::string>{"atlas.nii.gz"});
}
