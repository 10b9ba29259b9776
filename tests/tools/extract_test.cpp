#include "helpers/commande.h"
#include "helpers/images.h"
#include "volume/EcritureVolume.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Resultat = testcommande::SortieCommande;

// Runs the tool from repertoire; stderr goes where erreurs says ("&1": with stdout).
Resultat lancer(const std::string& arguments, const fs::path& repertoire,
                const std::string& erreurs = "/dev/null") {
    const std::string commande = "cd '" + repertoire.string() +
                                 "' && '" STRAVOL_TOOLS_DIR "/stravol-extract' " + arguments +
                                 " 2>" + erreurs;
    return testcommande::executer(commande);
}

// The number or literal following "key": in the tool's one-object output.
std::string champ(const std::string& json, const std::string& cle) {
    const std::string motif = "\"" + cle + "\": ";
    const std::size_t i = json.find(motif);
    if (i == std::string::npos)
        return "";
    const std::size_t debut = i + motif.size();
    std::size_t fin = debut;
    int profondeur = 0;
    while (fin < json.size()) {
        const char c = json[fin];
        if (c == '[' || c == '{')
            ++profondeur;
        if (c == ']' || c == '}') {
            if (profondeur == 0)
                break;
            --profondeur;
        }
        if (c == ',' && profondeur == 0)
            break;
        ++fin;
    }
    return json.substr(debut, fin - debut);
}

// A parent folder with an image volume (a ball of grey 200 on 20) and a segmentation
// (label 90 on a box, label 160 on the ball), 16 x 16 x 12 voxels. Grey pixels of these levels
// load as the same levels: 0.587 v + 0.299 v + 0.114 v falls short of v only for some others,
// such as 128.
class Extraction : public ::testing::Test {
protected:
    static constexpr int W = 16, H = 16, D = 12;

    void SetUp() override {
        parent = racine / "scan";
        // "alpha" sorts before "Beta" only without regard to letter case.
        fs::create_directories(parent / "alpha");
        fs::create_directories(parent / "Beta");
        for (int z = 0; z < D; ++z) {
            char nom[32];
            std::snprintf(nom, sizeof nom, "s%02d.bmp", z);
            const auto image = [z](int x, int y) { return dansBoule(x, y, z) ? 200 : 20; };
            const auto labels = [z](int x, int y) {
                if (dansBoule(x, y, z))
                    return 160;
                return x >= 2 && x <= 4 && y >= 2 && y <= 5 && z >= 1 && z <= 3 ? 90 : 0;
            };
            ecrireOctets(parent / "alpha" / nom, bmpGris(W, H, image));
            ecrireOctets(parent / "Beta" / nom, bmpGris(W, H, labels));
        }
        for (int z = 0; z < D; ++z)
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    voxelsBoule += dansBoule(x, y, z);
    }

    static bool dansBoule(int x, int y, int z) {
        return (x - 9) * (x - 9) + (y - 8) * (y - 8) + (z - 6) * (z - 6) <= 12;
    }

    DossierTemporaire temporaire;
    const fs::path racine = temporaire.chemin();
    fs::path parent;
    int voxelsBoule = 0;
};

// A parent folder "point" holding a lone voxel of grey 200 at (2, 2, 2) in 5 x 5 x 5.
void ecrireVoxelSeul(const fs::path& racine) {
    fs::create_directories(racine / "point" / "volume");
    for (int z = 0; z < 5; ++z)
        ecrireOctets(
            racine / "point" / "volume" / ("s" + std::to_string(z) + ".bmp"),
            bmpGris(5, 5, [z](int x, int y) { return x == 2 && y == 2 && z == 2 ? 200 : 20; }));
}

} // namespace

TEST_F(Extraction, ExtractsTheSegmentationLabelByDefault) {
    const Resultat r = lancer("scan --label 160", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    EXPECT_EQ(champ(r.sortie, "dimensions"), "[16, 16, 12]");
    EXPECT_EQ(champ(r.sortie, "source"), "\"segmentation\"");
    EXPECT_EQ(champ(r.sortie, "seed_value"), "160");
    EXPECT_EQ(std::stoi(champ(r.sortie, "voxels_grown")), voxelsBoule);
    EXPECT_GE(std::stoi(champ(r.sortie, "voxels_repaired")), voxelsBoule);
    EXPECT_EQ(champ(r.sortie, "closed"), "true");
    EXPECT_EQ(champ(r.sortie, "irregular_vertices"), "0");
    const int triangles = std::stoi(champ(r.sortie, "triangles"));
    const int sommets = std::stoi(champ(r.sortie, "vertices"));
    EXPECT_GT(triangles, 0);
    // A closed surface of genus 0: V - E + F = 2 with E = 3F / 2.
    EXPECT_EQ(sommets - triangles / 2, 2);
    for (const char* etape :
         {"load", "growth", "region", "repair", "mesh", "smoothing", "normals", "extraction"})
        EXPECT_FALSE(champ(champ(r.sortie, "seconds"), etape).empty()) << etape;
    EXPECT_GT(std::stod(champ(r.sortie, "peak_rss_mb")), 0.0);

    // The first voxel of the box label in x-fastest order, and the whole box.
    const Resultat b = lancer("scan --label 90", racine);
    ASSERT_EQ(b.statut, 0);
    EXPECT_EQ(champ(b.sortie, "seed"), "[2, 2, 1]");
    EXPECT_EQ(champ(b.sortie, "voxels_grown"), "36");
}

TEST(ExtractionLabelFile, LabelValuesBeyond16BitsNamedAndPlacedInTheWorld) {
    DossierTemporaire temporaire;
    const fs::path racine = temporaire.chemin();
    // A 10 x 8 x 6 uint32 label map in an LPS NRRD file: label 3000000000 on the box
    // x 2..5, y 2..4, z 1..3, label 70000 on x 7..8, y 5..6, z 2..4.
    Stravol::VolumeBrut v;
    v.largeur = 10;
    v.hauteur = 8;
    v.profondeur = 6;
    v.type = Stravol::TypeVoxel::EntierNonSigne32;
    v.donnees.assign(v.nbVoxels() * 4, 0);
    auto* e = reinterpret_cast<std::uint32_t*>(v.donnees.data());
    for (int z = 0; z < 6; ++z)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) {
                std::uint32_t& l = e[(z * 8 + y) * 10 + x];
                if (x >= 2 && x <= 5 && y >= 2 && y <= 4 && z >= 1 && z <= 3)
                    l = 3000000000u;
                else if (x >= 7 && x <= 8 && y >= 5 && y <= 6 && z >= 2 && z <= 4)
                    l = 70000;
            }
    // LPS: 0.5, 0.8 and 1.5 mm along the axes, origin (10, -20, 30); the writer takes RAS.
    v.geometrie.affine = {{{-0.5, 0, 0, -10}, {0, -0.8, 0, 20}, {0, 0, 1.5, 30}}};
    // The segments of the file name one label.
    v.tableEtiquettes.entrees[3000000000u] = {"Boite haute", Stravol::CouleurRVB{10, 200, 30}};
    Stravol::OptionsNrrd options;
    options.lps = true;
    std::string erreur;
    ASSERT_TRUE(Stravol::ecrireNrrd(racine / "labels.seg.nrrd", v, options, erreur)) << erreur;

    const Resultat r = lancer("labels.seg.nrrd --all-labels --output-dir out --format obj", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json bilan = nlohmann::json::parse(r.sortie);
    ASSERT_EQ(bilan["labels"].size(), 2u);
    EXPECT_EQ(bilan["labels"][0]["value"], 70000);
    EXPECT_EQ(bilan["labels"][1]["value"], 3000000000u);
    EXPECT_EQ(bilan["labels"][1]["voxels"], 36);
    EXPECT_EQ(bilan["labels"][1]["name"], "Boite haute");
    EXPECT_EQ(bilan["labels"][1]["color"], nlohmann::json::array({10, 200, 30}));
    EXPECT_EQ(bilan["labels_table"], "labels.seg.nrrd");
    EXPECT_TRUE(fs::exists(racine / "out/label-70000.obj"));
    // The box's mesh is centred on the world image of its voxels' centre (3.5, 3, 2): LPS
    // (10 + 1.75, -20 + 2.4, 30 + 3), that is RAS (-11.75, 17.6, 33).
    std::ifstream obj(racine / "out/label-3000000000-Boite_haute.obj");
    ASSERT_TRUE(obj.good());
    std::array<double, 3> somme{};
    int sommets = 0;
    for (std::string ligne; std::getline(obj, ligne);) {
        double x, y, z;
        if (std::sscanf(ligne.c_str(), "v %lf %lf %lf", &x, &y, &z) == 3) {
            somme[0] += x;
            somme[1] += y;
            somme[2] += z;
            ++sommets;
        }
    }
    ASSERT_GT(sommets, 0);
    EXPECT_NEAR(somme[0] / sommets, -11.75, 0.1);
    EXPECT_NEAR(somme[1] / sommets, 17.6, 0.1);
    EXPECT_NEAR(somme[2] / sommets, 33, 0.1);

    // --label finds a value of the label file and reports it.
    const Resultat g =
        lancer("labels.seg.nrrd --segmentation labels.seg.nrrd --label 3000000000", racine);
    ASSERT_EQ(g.statut, 0) << g.sortie;
    EXPECT_EQ(champ(g.sortie, "seed"), "[2, 2, 1]");
    EXPECT_EQ(champ(g.sortie, "seed_value"), "3000000000");
    EXPECT_EQ(champ(g.sortie, "voxels_grown"), "36");
    EXPECT_EQ(
        lancer("labels.seg.nrrd --segmentation labels.seg.nrrd --label 3000000001", racine).statut,
        2);
    // Given alone, the label file holds the labels that --label names, by either method; the
    // image's grey levels are asked for by --source image.
    for (const std::string methode : {"", " --method nets"}) {
        const Resultat seul = lancer("labels.seg.nrrd --label 70000" + methode, racine);
        ASSERT_EQ(seul.statut, 0) << seul.sortie;
        EXPECT_EQ(champ(seul.sortie, "seed"), "[7, 5, 2]");
        EXPECT_EQ(champ(seul.sortie, "seed_value"), "70000");
        EXPECT_EQ(champ(seul.sortie, "source"), "\"segmentation\"");
        EXPECT_EQ(champ(seul.sortie, "voxels_grown"), "12");
    }
    EXPECT_EQ(lancer("labels.seg.nrrd --source image --label 70000", racine).statut, 2);
}

TEST_F(Extraction, ImageSourceSeedAndWrittenFiles) {
    const Resultat r = lancer("scan --source image --seed 9 8 6 --output ball.stl", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    EXPECT_EQ(champ(r.sortie, "seed_value"), "200");
    EXPECT_EQ(std::stoi(champ(r.sortie, "voxels_grown")), voxelsBoule);
    const int triangles = std::stoi(champ(r.sortie, "triangles"));
    ASSERT_TRUE(fs::exists(racine / "ball.stl"));
    EXPECT_EQ(fs::file_size(racine / "ball.stl"), 84u + 50u * static_cast<unsigned>(triangles));

    ASSERT_EQ(lancer("scan --source image --seed 9 8 6 --output Ball.OBJ", racine).statut, 0);
    std::ifstream obj(racine / "Ball.OBJ");
    int faces = 0;
    for (std::string ligne; std::getline(obj, ligne);)
        faces += ligne.rfind("f ", 0) == 0;
    EXPECT_EQ(faces, triangles);

    ASSERT_EQ(
        lancer("scan --source image --seed 9 8 6 --smooth 0 --output ball.ply", racine).statut, 0);
    std::ifstream ply(racine / "ball.ply", std::ios::binary);
    std::string entete;
    for (std::string ligne; std::getline(ply, ligne) && ligne != "end_header";)
        entete += ligne + "\n";
    EXPECT_NE(entete.find("element face " + std::to_string(triangles)), std::string::npos);
}

// The smoothing and tolerance options: named in the summary when used, refused when unusable.
TEST_F(Extraction, SmoothingAndToleranceOptions) {
    const std::string ballon = "scan --source image --seed 9 8 6";
    const Resultat defaut = lancer(ballon + " --output taubin.stl", racine);
    ASSERT_EQ(defaut.statut, 0) << defaut.sortie;
    EXPECT_EQ(champ(defaut.sortie, "smoothing_method"), "");
    EXPECT_EQ(champ(defaut.sortie, "tolerance"), "");
    const Resultat contraint =
        lancer(ballon + " --smoothing constrained --smooth 20 --output contraint.stl", racine);
    ASSERT_EQ(contraint.statut, 0) << contraint.sortie;
    EXPECT_EQ(champ(contraint.sortie, "smoothing_method"), "\"constrained\"");
    EXPECT_EQ(champ(contraint.sortie, "closed"), "true");
    EXPECT_EQ(champ(contraint.sortie, "triangles"), champ(defaut.sortie, "triangles"));
    EXPECT_NE(fs::file_size(racine / "contraint.stl"), 0u);
    // Without --smooth the constrained method takes its own twenty rounds.
    ASSERT_EQ(lancer(ballon + " --smoothing constrained --output vingt.stl", racine).statut, 0);
    EXPECT_EQ(lireOctets((racine / "vingt.stl").string()),
              lireOctets((racine / "contraint.stl").string()));
    // The ball (200) and the background (20) within a tolerance of 180: the whole volume.
    const Resultat tolerant = lancer(ballon + " --tolerance 180", racine);
    ASSERT_EQ(tolerant.statut, 0) << tolerant.sortie;
    EXPECT_EQ(champ(tolerant.sortie, "tolerance"), "180");
    EXPECT_EQ(std::stoi(champ(tolerant.sortie, "voxels_grown")), W * H * D);
    for (const std::string& d :
         {ballon + " --smoothing laplace", ballon + " --tolerance -1", ballon + " --tolerance 256",
          std::string("scan --all-labels --output-dir out --tolerance 3")})
        EXPECT_EQ(lancer(d, racine).statut, 2) << d;
}

// --decimate on the ball: the ratio asked passes as it stands, with fewer triangles, a checked
// surface and the figures in the summary.
TEST_F(Extraction, DecimationKeepsTheRatioAskedWhenItPasses) {
    const std::string ballon = "scan --source image --seed 9 8 6";
    const Resultat entier = lancer(ballon, racine);
    ASSERT_EQ(entier.statut, 0);
    EXPECT_EQ(champ(entier.sortie, "decimation"), "");
    const int avant = std::stoi(champ(entier.sortie, "triangles"));
    const Resultat r = lancer(ballon + " --decimate 0.6 --output decime.ply", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json j = nlohmann::json::parse(r.sortie);
    const nlohmann::json& d = j["decimation"];
    EXPECT_EQ(d["ratio_asked"], 0.6);
    EXPECT_EQ(d["ratio"], 0.6);
    EXPECT_EQ(d["triangles_before"], avant);
    EXPECT_LT(j["triangles"].get<int>(), avant);
    EXPECT_LE(j["triangles"].get<int>(), 0.7 * avant);
    EXPECT_EQ(j["closed"], true);
    EXPECT_EQ(j["irregular_vertices"], 0);
    EXPECT_LT(d["volume_change"].get<double>(), 0.01);
    EXPECT_LE(d["max_distance"].get<double>(), 0.5);
    EXPECT_TRUE(fs::exists(racine / "decime.ply"));
    for (const char* ratio : {"0", "1.5", "-1", "half"})
        EXPECT_EQ(lancer(ballon + " --decimate " + ratio, racine).statut, 2) << ratio;
}

// The lone voxel smoothed: collapsing half of its 12 triangles fails the checks, so milder
// ratios are tried and the summary says which one passed.
TEST_F(Extraction, DecimationFallsBackToAMilderRatio) {
    ecrireVoxelSeul(racine);
    const Resultat r = lancer("point --seed 2 2 2 --decimate 0.5", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json j = nlohmann::json::parse(r.sortie);
    const nlohmann::json& d = j["decimation"];
    EXPECT_EQ(d["ratio_asked"], 0.5);
    EXPECT_GT(d["ratio"].get<double>(), 0.5);
    EXPECT_LT(d["ratio"].get<double>(), 1.0);
    EXPECT_EQ(d["triangles_before"], 12);
    EXPECT_LT(j["triangles"].get<int>(), 12);
    EXPECT_EQ(j["closed"], true);
    EXPECT_EQ(j["irregular_vertices"], 0);
    EXPECT_LT(d["volume_change"].get<double>(), 0.01);
    EXPECT_LE(d["max_distance"].get<double>(), 0.5);
}

// Left unsmoothed the lone voxel is a unit cube: every collapse moves a corner more than half a
// voxel from the surface, so no ratio passes. Refused with one line, nothing written.
TEST_F(Extraction, DecimationThatNothingPassesIsRefused) {
    ecrireVoxelSeul(racine);
    const std::string cube = "point --seed 2 2 2 --smooth 0";
    const Resultat entier = lancer(cube, racine);
    ASSERT_EQ(entier.statut, 0) << entier.sortie;
    EXPECT_EQ(champ(entier.sortie, "triangles"), "12");
    for (const char* ratio : {"0.5", "0.9"}) {
        const Resultat r =
            lancer(cube + " --decimate " + ratio + " --output cube.stl", racine, "&1");
        EXPECT_EQ(r.statut, 2) << ratio;
        EXPECT_EQ(r.sortie.rfind("stravol-extract: ", 0), 0u) << r.sortie;
        EXPECT_EQ(std::count(r.sortie.begin(), r.sortie.end(), '\n'), 1) << r.sortie;
        EXPECT_FALSE(fs::exists(racine / "cube.stl")) << ratio;
    }
}

// The thread count changes nothing of the mesh written.
TEST_F(Extraction, ThreadCountLeavesTheMeshUnchanged) {
    const Resultat un =
        lancer("scan --source image --seed 9 8 6 --threads 1 --output un.obj", racine);
    ASSERT_EQ(un.statut, 0) << un.sortie;
    const Resultat deux =
        lancer("scan --source image --seed 9 8 6 --threads 2 --output deux.obj", racine);
    ASSERT_EQ(deux.statut, 0) << deux.sortie;
    std::ifstream a(racine / "un.obj"), b(racine / "deux.obj");
    const std::string texteA((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
    const std::string texteB((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(texteA.empty());
    EXPECT_TRUE(texteA == texteB);
    fs::remove(racine / "un.obj");
    fs::remove(racine / "deux.obj");
}

TEST_F(Extraction, UnusableRequestsExitWithStatusTwoAndLeaveNothing) {
    const std::vector<std::string> demandes = {
        "",
        "scan",
        "scan --seed 1 2",
        "scan --seed 1 2 3 --label 4",
        "scan --label 300",
        "scan --label 90 --smooth -1",
        "scan --label 90 --source colour",
        "missing --label 3",
        "scan --label 123",
        "scan --seed 16 0 0",
        "scan --seed 0 0 -1",
        "scan --label 90 --output out.txt",
        "scan --label 90 --output nowhere/out.stl",
        "scan --label 90 --output scan",
        "scan --label 90 --bogus",
        "scan --label 90 --threads -1",
        "scan --label 90 --threads two",
        "scan/alpha --label 3",
    };
    for (const std::string& d : demandes) {
        const Resultat r = lancer(d, racine);
        EXPECT_EQ(r.statut, 2) << d;
        EXPECT_TRUE(r.sortie.empty()) << d;
    }
    // Only the input folder remains.
    std::vector<std::string> restes;
    for (const auto& e : fs::directory_iterator(racine))
        restes.push_back(e.path().filename().string());
    EXPECT_EQ(restes, std::vector<std::string>{"scan"});

    // A volume without a segmentation: the image is the default source; asking for the
    // segmentation is refused.
    fs::remove_all(parent / "Beta");
    const Resultat r = lancer("scan --label 200", racine);
    ASSERT_EQ(r.statut, 0);
    EXPECT_EQ(champ(r.sortie, "source"), "\"image\"");
    EXPECT_EQ(lancer("scan --source segmentation --label 3", racine).statut, 2);
}

TEST_F(Extraction, HelpAndVersionExitWithZeroOnStdout) {
    const Resultat aide = lancer("--help", racine);
    EXPECT_EQ(aide.statut, 0);
    for (const char* option : {"--seed", "--label", "--source", "--output", "--smooth", "--param",
                               "--evolve", "--progress", "--version"})
        EXPECT_NE(aide.sortie.find(option), std::string::npos) << option;
    const Resultat version = lancer("--version", racine);
    EXPECT_EQ(version.statut, 0);
    EXPECT_EQ(version.sortie.rfind("stravol-extract ", 0), 0u) << version.sortie;
}

TEST_F(Extraction, ErrorsAreOneLineOnStderrWithStatusTwo) {
    for (const std::string& d :
         {std::string("scan --seed 1 2"), std::string("scan --smooth x --label 3"),
          std::string("scan --bogus --label 3"), std::string("--label 3"),
          std::string("scan other --label 3"), std::string("scan --param x --label 3")}) {
        const Resultat r = lancer(d, racine, "&1");
        EXPECT_EQ(r.statut, 2) << d;
        EXPECT_EQ(r.sortie.rfind("stravol-extract: ", 0), 0u) << d << ": " << r.sortie;
        EXPECT_EQ(std::count(r.sortie.begin(), r.sortie.end(), '\n'), 1) << r.sortie;
    }
}

TEST_F(Extraction, FolderNamesWithQuotesAndBackslashesGiveValidJson) {
    const std::string nom = "sc\"a n\\x";
    fs::rename(parent, racine / nom);
    const Resultat r = lancer("'" + nom + "' --label 160 --evolve 1", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json j = nlohmann::json::parse(r.sortie);
    EXPECT_EQ(j["source"], "segmentation");
    EXPECT_EQ(j["voxels_grown"], voxelsBoule);
    EXPECT_EQ(j["evolution"]["iterations"], 1);
    // Keys in the order of the summary's description.
    std::vector<std::string> cles;
    const nlohmann::ordered_json ordonne = nlohmann::ordered_json::parse(r.sortie);
    for (const auto& [cle, valeur] : ordonne.items())
        cles.push_back(cle);
    EXPECT_EQ(cles, (std::vector<std::string>{"dimensions", "seed", "seed_value", "source",
                                              "voxels_grown", "voxels_region", "voxels_repaired",
                                              "vertices", "triangles", "closed",
                                              "irregular_vertices", "spacing", "volume_mm3",
                                              "area_mm2", "seconds", "evolution", "peak_rss_mb"}));
}

TEST_F(Extraction, ProgressGoesToStderrAndLeavesTheSummaryAlone) {
    const std::string label = "scan --label 160";
    const Resultat sans = lancer(label, racine);
    const Resultat avec = lancer(label + " --progress --output p.stl", racine, "progress.txt");
    ASSERT_EQ(avec.statut, 0);
    EXPECT_EQ(champ(avec.sortie, "triangles"), champ(sans.sortie, "triangles"));
    std::ifstream f(racine / "progress.txt");
    std::vector<std::string> lignes;
    for (std::string ligne; std::getline(f, ligne);)
        lignes.push_back(ligne);
    ASSERT_FALSE(lignes.empty());
    EXPECT_EQ(lignes.front(), "stravol-extract: load 0.00");
    EXPECT_EQ(lignes.back(), "stravol-extract: write 1.00");
    for (const char* etape :
         {"stravol-extract: load 1.00", "stravol-extract: segmentation 1.00",
          "stravol-extract: extraction 0.00", "stravol-extract: extraction 1.00"})
        EXPECT_NE(std::find(lignes.begin(), lignes.end(), etape), lignes.end()) << etape;
    EXPECT_EQ(lancer(label, racine, "&1").sortie.find("stravol-extract:"), std::string::npos);
}
