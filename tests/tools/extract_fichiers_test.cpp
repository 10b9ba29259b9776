// stravol-extract on volume files: label files, grey window, spacing, world or voxel output,
// every label at once, 4-D files, and the figures of the summary against values worked out by
// hand.
#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "helpers/volumes.h"
#include "volume/EcritureVolume.h"

#include <gtest/gtest.h>
#include <nifti2_io.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Stravol;

namespace {

struct Resultat {
    int statut = -1;
    std::string sortie;
};

// Runs the tool from repertoire; stderr goes to the file erreurs.
Resultat lancer(const std::string& arguments, const fs::path& repertoire,
                const std::string& erreurs = "/dev/null") {
    const std::string commande = "cd '" + repertoire.string() +
                                 "' && '" STRAVOL_TOOLS_DIR "/stravol-extract' " + arguments +
                                 " 2>" + erreurs;
    Resultat r;
    FILE* p = popen(commande.c_str(), "r");
    if (p == nullptr)
        return r;
    char tampon[4096];
    std::size_t n;
    while ((n = fread(tampon, 1, sizeof tampon, p)) > 0)
        r.sortie.append(tampon, n);
    const int s = pclose(p);
    r.statut = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

std::string lireTexte(const fs::path& f) {
    std::ifstream e(f);
    return std::string(std::istreambuf_iterator<char>(e), {});
}

nlohmann::json json(const Resultat& r) { return nlohmann::json::parse(r.sortie, nullptr, false); }

// Voxel to world of the files: a rotation about z (cos 0.6, sin 0.8) of 0.5 x 0.8 x 1.5 mm
// voxels whose x axis runs the other way, R diag(-0.5, 0.8, 1.5) + t; a voxel holds 0.6 mm^3.
constexpr std::array<std::array<double, 4>, 3> kAffine = {
    {{-0.3, -0.64, 0, 30}, {-0.4, 0.48, 0, -12}, {0, 0, 1.5, 7}}};

// Grey (int16, 20 x 18 x 16): 100 around; box A (x 4..9, y 3..8, z 2..6, 180 voxels) at 600
// against box B (x 10..13, same y and z, 120 voxels) at 620.
// Labels (uint16, same grid): 300 on box A, 9 on x 14..17, y 12..15, z 10..13 (64 voxels),
// 7 on the lone voxel (17, 3, 12).
bool dansA(int x, int y, int z) { return x >= 4 && x <= 9 && y >= 3 && y <= 8 && z >= 2 && z <= 6; }
bool dansB(int x, int y, int z) {
    return x >= 10 && x <= 13 && y >= 3 && y <= 8 && z >= 2 && z <= 6;
}
int etiquette(int x, int y, int z) {
    if (dansA(x, y, z))
        return 300;
    if (x >= 14 && x <= 17 && y >= 12 && y <= 15 && z >= 10 && z <= 13)
        return 9;
    return x == 17 && y == 3 && z == 12 ? 7 : 0;
}

class ExtractionFichiers : public ::testing::Test {
protected:
    void SetUp() override {
        Geometrie g;
        g.affine = kAffine;
        g.espacement = {0.5, 0.8, 1.5};
        g.origine = OrigineGeometrie::SForm;
        VolumeBrut gris = volumeTest(TypeVoxel::Entier16, 20, 18, 16, [](int x, int y, int z) {
            return dansA(x, y, z) ? 600 : dansB(x, y, z) ? 620 : 100;
        });
        gris.geometrie = g;
        VolumeBrut labels = volumeTest(TypeVoxel::EntierNonSigne16, 20, 18, 16, etiquette);
        labels.geometrie = g;
        std::string erreur;
        ASSERT_TRUE(ecrireNifti(racine / "vol.nii.gz", gris, 1, erreur)) << erreur;
        ASSERT_TRUE(ecrireNifti(racine / "lab.nii", labels, 2, erreur)) << erreur;
    }

    DossierTemporaire temporaire;
    const fs::path racine = temporaire.chemin();
};

// A mesh file read back; PLY files of labels carry a colour a vertex.
Soupe lireMaillage(const fs::path& f) {
    Soupe s;
    const std::string ext = f.extension().string();
    PlyLu ply;
    const bool lu = ext == ".obj"   ? lireOBJ(f.string(), s)
                    : ext == ".ply" ? lirePLYComplet(f.string(), ply)
                                    : lireSTL(f.string(), s);
    EXPECT_TRUE(lu) << f;
    if (ext == ".ply")
        return ply.soupe;
    return ext == ".stl" ? fusionnerPositions(s) : s;
}

std::set<std::string> fichiers(const fs::path& dossier) {
    std::set<std::string> noms;
    for (const auto& e : fs::directory_iterator(dossier))
        noms.insert(e.path().filename().string());
    return noms;
}

} // namespace

// A label file on the volume's grid but placed elsewhere by its transform (x mirrored) is
// refused; one placed a third of a voxel off is read, and the gap is told.
TEST_F(ExtractionFichiers, LabelFileOffTheVolumesGrid) {
    VolumeBrut labels = volumeTest(TypeVoxel::EntierNonSigne16, 20, 18, 16, etiquette);
    labels.geometrie.affine = kAffine;
    labels.geometrie.espacement = {0.5, 0.8, 1.5};
    std::array<std::array<double, 4>, 3>& a = labels.geometrie.affine;
    for (int i = 0; i < 3; ++i) {
        a[i][3] += a[i][0] * 19;
        a[i][0] = -a[i][0];
    }
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(racine / "miroir.nii", labels, 1, erreur)) << erreur;
    const Resultat refus =
        lancer("vol.nii.gz --segmentation miroir.nii --label 300", racine, "refus.txt");
    EXPECT_EQ(refus.statut, 2);
    EXPECT_NE(lireTexte(racine / "refus.txt").find("refusée"), std::string::npos);

    labels.geometrie.affine = kAffine;
    labels.geometrie.affine[2][3] += 0.5; // a third of a 1.5 mm voxel
    ASSERT_TRUE(ecrireNifti(racine / "proche.nii", labels, 1, erreur)) << erreur;
    const Resultat lu =
        lancer("vol.nii.gz --segmentation proche.nii --label 300", racine, "proche.txt");
    ASSERT_EQ(lu.statut, 0) << lu.sortie;
    EXPECT_EQ(json(lu)["voxels_grown"], 180);
    EXPECT_NE(lireTexte(racine / "proche.txt").find("grille du volume"), std::string::npos);
}

// The label file gives the labels, values above 255 kept; without it the grey volume has none
// of them; a label file of another grid or unreadable is refused.
TEST_F(ExtractionFichiers, SegmentationFileGivesExactLabels) {
    const Resultat r = lancer("vol.nii.gz --segmentation lab.nii --label 300", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json j = json(r);
    EXPECT_EQ(j["source"], "segmentation");
    EXPECT_EQ(j["seed"], nlohmann::json({4, 3, 2}));
    EXPECT_EQ(j["seed_value"], 300);
    EXPECT_EQ(j["voxels_grown"], 180);
    EXPECT_EQ(j["closed"], true);
    // The last label file read is the one kept.
    const Resultat deux =
        lancer("vol.nii.gz --segmentation vol.nii.gz --segmentation lab.nii --label 9", racine);
    ASSERT_EQ(deux.statut, 0) << deux.sortie;
    EXPECT_EQ(json(deux)["voxels_grown"], 64);

    EXPECT_EQ(lancer("vol.nii.gz --label 300", racine).statut, 2);
    VolumeBrut autre = volumeTest(TypeVoxel::Octet, 20, 18, 15, [](int, int, int) { return 1; });
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(racine / "autre.nii", autre, 1, erreur)) << erreur;
    for (const char* seg : {"autre.nii", "absent.nii"}) {
        const Resultat refus =
            lancer(std::string("vol.nii.gz --segmentation ") + seg + " --label 300", racine);
        EXPECT_EQ(refus.statut, 2) << seg;
        EXPECT_TRUE(refus.sortie.empty()) << seg;
    }
}

// The grey window maps MIN to 0 and MAX to 255, rounded: it decides which levels are one. The
// default, the 0.5th to 99.5th percentiles, is 100 to 620 here.
TEST_F(ExtractionFichiers, WindowDecidesTheGreyLevels) {
    const std::string graine = "vol.nii.gz --source image --seed 5 5 4";
    struct Cas {
        std::string fenetre;
        int gris;   // 600 through the window
        int voxels; // box A alone, or A and B when 600 and 620 fall on one level
    };
    for (const Cas& c : {Cas{"", 245, 180}, Cas{" --window 0 1000", 153, 180},
                         Cas{" --window 0 20000", 8, 300}, Cas{" --window -500 600", 255, 300}}) {
        const Resultat r = lancer(graine + c.fenetre, racine);
        ASSERT_EQ(r.statut, 0) << c.fenetre << r.sortie;
        const nlohmann::json j = json(r);
        EXPECT_EQ(j["seed_value"], c.gris) << c.fenetre;
        EXPECT_EQ(j["voxels_grown"], c.voxels) << c.fenetre;
    }
    for (const char* refuse : {" --window 600 600", " --window 700 600", " --window 1"})
        EXPECT_EQ(lancer(graine + refuse, racine).statut, 2) << refuse;
}

// Unsmoothed, the mesh of box A is its voxel faces: 180 voxels of 0.6 mm^3, and 36, 30 and 30
// faces across z, y and x of 0.5 x 0.8, 0.5 x 1.5 and 0.8 x 1.5 mm. --spacing 1 2 3 keeps the
// directions: 6 mm^3 a voxel, faces of 2, 3 and 6 mm^2. Smoothed, the rounded edges and corners
// take less than 3 % of the volume and 15 % of the area.
TEST_F(ExtractionFichiers, VolumeAreaAndSpacingInMillimetres) {
    const std::string boite = "vol.nii.gz --segmentation lab.nii --label 300";
    struct Cas {
        std::string options;
        std::array<double, 3> espacement;
        double volume, aire;
    };
    for (const Cas& c :
         {Cas{" --smooth 0", {0.5, 0.8, 1.5}, 108.0, 2 * (36 * 0.4 + 30 * 0.75 + 30 * 1.2)},
          Cas{" --smooth 0 --spacing 1 2 3", {1, 2, 3}, 1080.0, 2 * (36 * 2 + 30 * 3 + 30 * 6)}}) {
        const Resultat r = lancer(boite + c.options, racine);
        ASSERT_EQ(r.statut, 0) << c.options << r.sortie;
        const nlohmann::json j = json(r);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(j["spacing"][k].get<double>(), c.espacement[k], 1e-6) << c.options;
        EXPECT_NEAR(j["volume_mm3"].get<double>(), c.volume, 1e-4 * c.volume) << c.options;
        EXPECT_NEAR(j["area_mm2"].get<double>(), c.aire, 1e-4 * c.aire) << c.options;
    }
    const Resultat lisse = lancer(boite, racine);
    ASSERT_EQ(lisse.statut, 0) << lisse.sortie;
    const double volume = json(lisse)["volume_mm3"].get<double>();
    EXPECT_LT(volume, 108.0);
    EXPECT_GT(volume, 0.97 * 108.0);
    const double aire = json(lisse)["area_mm2"].get<double>();
    EXPECT_LT(aire, 145.8);
    EXPECT_GT(aire, 0.85 * 145.8);
}

// World output (the default) is the voxel output through the file's transform, still closed
// and wound outward although the transform mirrors; --space voxel gives voxel coordinates.
TEST_F(ExtractionFichiers, WorldMillimetresOrVoxelCoordinates) {
    const std::string boite = "vol.nii.gz --segmentation lab.nii --label 300 --smooth 0";
    ASSERT_EQ(lancer(boite + " --space voxel --output v.obj", racine).statut, 0);
    ASSERT_EQ(lancer(boite + " --output w.obj", racine).statut, 0);
    const Soupe v = lireMaillage(racine / "v.obj"), w = lireMaillage(racine / "w.obj");
    ASSERT_EQ(v.positions.size(), w.positions.size());
    ASSERT_FALSE(v.positions.empty());
    std::array<float, 3> bas = v.positions[0], haut = v.positions[0];
    for (std::size_t i = 0; i < v.positions.size(); ++i) {
        const auto& p = v.positions[i];
        for (int k = 0; k < 3; ++k) {
            bas[k] = std::min(bas[k], p[k]);
            haut[k] = std::max(haut[k], p[k]);
            const double monde =
                kAffine[k][0] * p[0] + kAffine[k][1] * p[1] + kAffine[k][2] * p[2] + kAffine[k][3];
            ASSERT_NEAR(w.positions[i][k], monde, 1e-4) << i;
        }
    }
    // The faces of voxels 4..9, 3..8, 2..6.
    EXPECT_EQ(bas, (std::array<float, 3>{3.5f, 2.5f, 1.5f}));
    EXPECT_EQ(haut, (std::array<float, 3>{9.5f, 8.5f, 6.5f}));
    EXPECT_TRUE(fermeeEtOrientee(v));
    EXPECT_TRUE(fermeeEtOrientee(w));
    EXPECT_NEAR(volumeSigne(v), 180.0, 1e-3);
    EXPECT_NEAR(volumeSigne(w), 108.0, 1e-3);
    const auto entete = [&](const char* nom) {
        const OctetsTest o = lireOctets(racine / nom);
        return std::string(o.begin(), std::find(o.begin(), o.end(), '\n'));
    };
    EXPECT_EQ(entete("v.obj"), "# Stravol mesh, voxel coordinates");
    EXPECT_EQ(entete("w.obj"), "# Stravol mesh, world coordinates (mm, RAS)");
    EXPECT_EQ(lancer(boite + " --space scanner", racine).statut, 2);
}

// --all-labels: one file a non-zero label named by its value, one entry a label; the label file
// itself may be the input.
TEST_F(ExtractionFichiers, AllLabelsOneFileAndOneEntryEach) {
    const std::map<int, int> voxels = {{7, 1}, {9, 64}, {300, 180}};
    struct Cas {
        std::string arguments, dossier, extension;
    };
    for (const Cas& c :
         {Cas{"vol.nii.gz --segmentation lab.nii --all-labels --output-dir out --format obj", "out",
              "obj"},
          Cas{"lab.nii --all-labels --output-dir sortie/ply --format ply", "sortie/ply", "ply"},
          Cas{"lab.nii --all-labels --output-dir stl", "stl", "stl"}}) {
        SCOPED_TRACE(c.arguments);
        const Resultat r = lancer(c.arguments, racine);
        ASSERT_EQ(r.statut, 0) << r.sortie;
        const nlohmann::json j = json(r);
        EXPECT_EQ(j["labels_found"], 3);
        EXPECT_EQ(j["labels_failed"], 0);
        EXPECT_EQ(j["space"], "RAS");
        std::set<std::string> attendus;
        ASSERT_EQ(j["labels"].size(), 3u);
        for (const nlohmann::json& e : j["labels"]) {
            const int valeur = e["value"].get<int>();
            ASSERT_EQ(voxels.count(valeur), 1u) << valeur;
            EXPECT_EQ(e["voxels"], voxels.at(valeur));
            const std::string nom = "label-" + std::to_string(valeur) + "." + c.extension;
            attendus.insert(nom);
            EXPECT_EQ(e["file"], c.dossier + "/" + nom);
            EXPECT_EQ(e["closed"], true);
            const Soupe s = lireMaillage(racine / c.dossier / nom);
            EXPECT_EQ(s.positions.size(), e["vertices"].get<std::size_t>()) << nom;
            EXPECT_EQ(s.triangles.size(), e["triangles"].get<std::size_t>()) << nom;
            EXPECT_TRUE(fermeeEtOrientee(s)) << nom;
            EXPECT_NEAR(volumeSigne(s), e["volume_mm3"].get<double>(),
                        1e-4 * e["volume_mm3"].get<double>())
                << nom;
        }
        EXPECT_EQ(fichiers(racine / c.dossier), attendus);
    }
}

// A label that fails is told in its entry, the others are written, and the status is 1: the
// lone voxel, unsmoothed, is a cube that no decimation passes (the decimation works on the
// meshes of the faces method).
TEST_F(ExtractionFichiers, AllLabelsWithOneFailureEndsWithStatusOne) {
    const Resultat r = lancer(
        "lab.nii --all-labels --output-dir out --method faces --smooth 0 --decimate 0.5", racine);
    ASSERT_EQ(r.statut, 1) << r.sortie;
    const nlohmann::json j = json(r);
    EXPECT_EQ(j["labels_found"], 3);
    EXPECT_EQ(j["labels_failed"], 1);
    for (const nlohmann::json& e : j["labels"]) {
        const bool seul = e["value"] == 7;
        EXPECT_EQ(e.contains("error"), seul) << e;
        EXPECT_EQ(e.contains("file"), !seul) << e;
        if (!seul) {
            EXPECT_LT(e["triangles"].get<int>(), e["decimation"]["triangles_before"].get<int>());
        }
    }
    EXPECT_EQ(fichiers(racine / "out"), (std::set<std::string>{"label-9.stl", "label-300.stl"}));
}

// A 4-D file: its first volume is read, and a remark says how many there were.
TEST_F(ExtractionFichiers, FourDimensionalFileGivesItsFirstVolume) {
    nifti_set_debug_level(0);
    const int64_t dims[8] = {4, 8, 8, 8, 3, 1, 1, 1};
    nifti_image* n = nifti_make_new_nim(dims, DT_UINT8, 1);
    ASSERT_NE(n, nullptr);
    auto* p = static_cast<unsigned char*>(n->data);
    // Volume 0: a cube of 200 on 2..4; volume 1: a larger one on 1..6; volume 2: all 200.
    for (int t = 0; t < 3; ++t)
        for (int z = 0; z < 8; ++z)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const int bas = t == 0 ? 2 : t == 1 ? 1 : 0, haut = t == 0 ? 4 : t == 1 ? 6 : 7;
                    const bool dedans = std::min({x, y, z}) >= bas && std::max({x, y, z}) <= haut;
                    p[((t * 8 + z) * 8 + y) * 8 + x] = dedans ? 200 : 10;
                }
    const std::string f = racine / "t.nii";
    ASSERT_EQ(nifti_set_filenames(n, f.c_str(), 0, 1), 0);
    nifti_image_write(n);
    nifti_image_free(n);
    const Resultat r = lancer("t.nii --label 200", racine, "remarques.txt");
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json j = json(r);
    EXPECT_EQ(j["dimensions"], nlohmann::json({8, 8, 8}));
    EXPECT_EQ(j["seed"], nlohmann::json({2, 2, 2}));
    EXPECT_EQ(j["voxels_grown"], 27);
    const OctetsTest remarques = lireOctets(racine / "remarques.txt");
    EXPECT_NE(std::string(remarques.begin(), remarques.end()).find("3 volumes"), std::string::npos);
}

// folded_triangles and inward_triangles count what the written file shows. A line of voxels
// smoothed folds along its length: triangles with an edge across which the outward normals
// turn more than 90 degrees (or that have no area); none is wound against its neighbours.
TEST_F(ExtractionFichiers, FoldedAndInwardTrianglesCountTheWrittenSurface) {
    VolumeBrut ligne = volumeTest(TypeVoxel::Octet, 16, 16, 12, [](int x, int y, int z) {
        return x >= 3 && x <= 12 && y == 8 && z == 6 ? 200 : 20;
    });
    std::string erreur;
    ASSERT_TRUE(ecrireNifti(racine / "ligne.nii", ligne, 1, erreur)) << erreur;
    const Resultat r = lancer("ligne.nii --seed 8 8 6 --evolve 1 --output l.obj", racine);
    ASSERT_EQ(r.statut, 0) << r.sortie;
    const nlohmann::json j = json(r);
    const Soupe s = lireMaillage(racine / "l.obj");
    ASSERT_EQ(s.triangles.size(), j["evolution"]["triangles"].get<std::size_t>());
    using V = std::array<double, 3>;
    std::vector<V> normales;
    for (const auto& t : s.triangles) {
        const auto& a = s.positions[static_cast<std::size_t>(t[0])];
        const auto& b = s.positions[static_cast<std::size_t>(t[1])];
        const auto& c = s.positions[static_cast<std::size_t>(t[2])];
        const V u{double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const V w{double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        normales.push_back(
            {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]});
    }
    const auto scalaire = [](const V& a, const V& b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    };
    std::map<std::pair<int, int>, std::vector<std::size_t>> aretes;
    for (std::size_t t = 0; t < s.triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            const int a = s.triangles[t][k], b = s.triangles[t][(k + 1) % 3];
            aretes[{std::min(a, b), std::max(a, b)}].push_back(t);
        }
    std::set<std::size_t> plies;
    for (const auto& [arete, triangles] : aretes) {
        ASSERT_EQ(triangles.size(), 2u);
        const V& n1 = normales[triangles[0]];
        const V& n2 = normales[triangles[1]];
        if (scalaire(n1, n1) < 1e-12 || scalaire(n2, n2) < 1e-12 || scalaire(n1, n2) < 0.0)
            plies.insert(triangles.begin(), triangles.end());
    }
    EXPECT_GT(plies.size(), 0u);
    EXPECT_EQ(j["evolution"]["folded_triangles"], plies.size());
    EXPECT_TRUE(fermeeEtOrientee(s));
    EXPECT_EQ(j["evolution"]["inward_triangles"], 0);
}
