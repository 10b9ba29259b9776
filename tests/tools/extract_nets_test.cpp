// stravol-extract --method nets: every label of a label file at once with the surfaces between
// labels shared, their files, neighbours and interfaces; one object at a seed; the faces
// method and the options that go with it left as they are.
#include "helpers/commande.h"
#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "helpers/volumes.h"
#include "volume/EcritureVolume.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace Stravol;

namespace {

struct Resultat {
    int statut = -1;
    std::string sortie, erreurs; // stdout, stderr
};

// Runs the tool from repertoire.
Resultat lancer(const std::string& arguments, const fs::path& repertoire) {
    const std::string commande = "cd '" + repertoire.string() +
                                 "' && '" STRAVOL_TOOLS_DIR "/stravol-extract' " + arguments +
                                 " 2>erreurs.txt";
    const testcommande::SortieCommande c = testcommande::executer(commande);
    Resultat r;
    r.statut = c.statut;
    r.sortie = c.sortie;
    const OctetsTest erreurs = lireOctets((repertoire / "erreurs.txt").string());
    r.erreurs.assign(erreurs.begin(), erreurs.end());
    return r;
}

nlohmann::json json(const Resultat& r) { return nlohmann::json::parse(r.sortie, nullptr, false); }

// 0.5 x 0.8 x 1.5 mm voxels, the x axis mirrored: a voxel holds 0.6 mm^3.
constexpr std::array<std::array<double, 4>, 3> kAffine = {
    {{-0.5, 0, 0, 30}, {0, 0.8, 0, -12}, {0, 0, 1.5, 7}}};
constexpr double kVoxelMm3 = 0.6;
constexpr int W = 24, H = 20, D = 18;

// Labels: 5 and 6, boxes sharing a face; 400, a ball around 7; 9 along the face x = 0 of the
// volume, touching 5 along an edge only; 3, one voxel.
int etiquette(int x, int y, int z) {
    const auto dans = [&](double cx, double cy, double cz, double r) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz) <= r * r;
    };
    if (x >= 3 && x <= 8 && y >= 2 && y <= 9 && z >= 2 && z <= 8)
        return x <= 5 ? 5 : 6;
    if (dans(16, 12, 10, 5.5))
        return dans(16, 12, 10, 2.5) ? 7 : 400;
    if (x <= 2 && y >= 10 && y <= 16 && z >= 9 && z <= 15)
        return 9;
    return x == 20 && y == 3 && z == 3 ? 3 : 0;
}

class ExtractionNets : public ::testing::Test {
protected:
    void SetUp() override {
        VolumeBrut labels = volumeTest(TypeVoxel::EntierNonSigne16, W, H, D, etiquette);
        labels.geometrie.affine = kAffine;
        labels.geometrie.espacement = {0.5, 0.8, 1.5};
        labels.geometrie.origine = OrigineGeometrie::SForm;
        std::string erreur;
        ASSERT_TRUE(ecrireNifti(racine / "lab.nii", labels, 2, erreur)) << erreur;
    }

    DossierTemporaire temporaire;
    const fs::path racine = temporaire.chemin();
};

// Voxels of each label, and the pairs of labels (a < b, 0 outside the volume) whose voxels
// share a face.
std::map<int, int> voxels() {
    std::map<int, int> n;
    for (int z = 0; z < D; ++z)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (etiquette(x, y, z) != 0)
                    ++n[etiquette(x, y, z)];
    return n;
}

std::set<std::pair<int, int>> paires() {
    const auto valeur = [](int x, int y, int z) {
        return x < 0 || y < 0 || z < 0 || x >= W || y >= H || z >= D ? 0 : etiquette(x, y, z);
    };
    std::set<std::pair<int, int>> p;
    for (int z = -1; z < D; ++z)
        for (int y = -1; y < H; ++y)
            for (int x = -1; x < W; ++x) {
                const int v = valeur(x, y, z);
                for (const int u : {valeur(x + 1, y, z), valeur(x, y + 1, z), valeur(x, y, z + 1)})
                    if (u != v)
                        p.insert({std::min(u, v), std::max(u, v)});
            }
    return p;
}

Soupe lireObj(const fs::path& f) {
    Soupe s;
    EXPECT_TRUE(lireOBJ(f.string(), s)) << f;
    return s;
}

} // namespace

// Every label at once: closed manifold files with their voxels' volume, the neighbours each
// label touches with the same area seen from both sides, and one interface file a pair, on the
// very positions of both labels' files.
TEST_F(ExtractionNets, AllLabelsShareTheirInterfaces) {
    const Resultat r =
        lancer("lab.nii --all-labels --output-dir out --interfaces itf --format obj", racine);
    ASSERT_EQ(r.statut, 0) << r.erreurs;
    const nlohmann::json j = json(r);
    EXPECT_EQ(j["method"], "nets");
    EXPECT_EQ(j["smoothing_rounds"], 20);
    EXPECT_EQ(j["labels_failed"], 0);
    const std::map<int, int> attendus = voxels();
    ASSERT_EQ(j["labels"].size(), attendus.size());
    std::map<std::pair<int, int>, double> aires;
    std::map<int, std::set<std::array<float, 3>>> positions;
    for (const nlohmann::json& e : j["labels"]) {
        const int valeur = e["value"].get<int>();
        SCOPED_TRACE(valeur);
        ASSERT_EQ(attendus.count(valeur), 1u);
        EXPECT_EQ(e["voxels"], attendus.at(valeur));
        EXPECT_EQ(e["closed"], true);
        EXPECT_EQ(e["irregular_vertices"], 0);
        const Soupe s = lireObj(racine / e["file"].get<std::string>());
        EXPECT_EQ(s.positions.size(), e["vertices"].get<std::size_t>());
        EXPECT_EQ(s.triangles.size(), e["triangles"].get<std::size_t>());
        EXPECT_TRUE(fermeeEtOrientee(s));
        const double v = attendus.at(valeur) * kVoxelMm3;
        EXPECT_NEAR(volumeSigne(s), e["volume_mm3"].get<double>(), 1e-4 * v);
        EXPECT_NEAR(e["volume_mm3"].get<double>(), v,
                    (attendus.at(valeur) >= 100 ? 0.03 : 0.3) * v);
        positions[valeur].insert(s.positions.begin(), s.positions.end());
        for (const nlohmann::json& n : e["neighbours"]) {
            const int autre = n["label"].get<int>();
            EXPECT_NE(autre, valeur);
            aires[{valeur, autre}] = n["area_mm2"].get<double>();
        }
    }
    // Each pair seen from both sides with the same area; the pairs are those of the voxels.
    std::set<std::pair<int, int>> vues;
    for (const auto& [p, aire] : aires) {
        EXPECT_GT(aire, 0.0);
        if (p.second != 0) {
            ASSERT_EQ(aires.count({p.second, p.first}), 1u);
            EXPECT_EQ(aires.at({p.second, p.first}), aire);
        }
        vues.insert({std::min(p.first, p.second), std::max(p.first, p.second)});
    }
    EXPECT_EQ(vues, paires());
    // 9 touches 5 along an edge only: no surface between them.
    EXPECT_EQ(aires.count({9, 5}), 0u);

    std::set<std::string> noms;
    for (const auto& [a, b] : paires())
        noms.insert("interface-" + std::to_string(a) + "-" + std::to_string(b) + ".obj");
    std::set<std::string> ecrits;
    for (const auto& f : fs::directory_iterator(racine / "itf"))
        ecrits.insert(f.path().filename().string());
    EXPECT_EQ(ecrits, noms);
    EXPECT_EQ(j["interfaces"]["written"], noms.size());
    for (const auto& [a, b] : paires()) {
        const Soupe s = lireObj(
            racine / "itf" / ("interface-" + std::to_string(a) + "-" + std::to_string(b) + ".obj"));
        EXPECT_FALSE(s.triangles.empty());
        for (const std::array<float, 3>& p : s.positions) {
            EXPECT_EQ(positions[b].count(p), 1u) << a << "-" << b;
            if (a != 0) {
                EXPECT_EQ(positions[a].count(p), 1u) << a << "-" << b;
            }
        }
    }
}

// Without smoothing the surface is the voxels' own: volumes exact. Without --method, every label
// takes the dual method; --method faces gives the meshes of today, without neighbours.
TEST_F(ExtractionNets, RawSurfaceAndTheFacesMethod) {
    const Resultat brut = lancer("lab.nii --all-labels --output-dir brut --smooth 0", racine);
    ASSERT_EQ(brut.statut, 0) << brut.erreurs;
    const std::map<int, int> attendus = voxels();
    const nlohmann::json jBrut = json(brut);
    ASSERT_EQ(jBrut["labels"].size(), attendus.size());
    // Exact but for the rounding of float32 positions.
    for (const nlohmann::json& e : jBrut["labels"]) {
        const double attendu = attendus.at(e["value"].get<int>()) * kVoxelMm3;
        EXPECT_NEAR(e["volume_mm3"].get<double>(), attendu, 1e-6 * attendu);
    }
    const Resultat faces = lancer("lab.nii --all-labels --output-dir faces --method faces", racine);
    ASSERT_EQ(faces.statut, 0) << faces.erreurs;
    const nlohmann::json j = json(faces);
    EXPECT_FALSE(j.contains("method"));
    for (const nlohmann::json& e : j["labels"])
        EXPECT_FALSE(e.contains("neighbours"));
}

// One object: its 26-connected voxels (7 and 400 are apart), closed, their volume; without
// --method the seeded extraction is today's, file for file.
TEST_F(ExtractionNets, OneObjectAtASeed) {
    const Resultat r =
        lancer("lab.nii --segmentation lab.nii --label 400 --method nets --output o.stl", racine);
    ASSERT_EQ(r.statut, 0) << r.erreurs;
    const nlohmann::json j = json(r);
    EXPECT_EQ(j["method"], "nets");
    EXPECT_EQ(j["seed_value"], 400);
    EXPECT_EQ(j["voxels_grown"], voxels().at(400));
    EXPECT_EQ(j["closed"], true);
    const Soupe s = fusionnerPositions([&] {
        Soupe l;
        EXPECT_TRUE(lireSTL((racine / "o.stl").string(), l));
        return l;
    }());
    EXPECT_TRUE(fermeeEtOrientee(s));
    // The ball with its hole: the volume of its own voxels.
    EXPECT_NEAR(volumeSigne(s), voxels().at(400) * kVoxelMm3, 0.02 * voxels().at(400) * kVoxelMm3);
    const Resultat brut =
        lancer("lab.nii --segmentation lab.nii --seed 20 3 3 --method nets --smooth 0", racine);
    ASSERT_EQ(brut.statut, 0) << brut.erreurs;
    EXPECT_NEAR(json(brut)["volume_mm3"].get<double>(), kVoxelMm3, 1e-6);

    ASSERT_EQ(lancer("lab.nii --segmentation lab.nii --label 400 --output a.stl", racine).statut,
              0);
    ASSERT_EQ(
        lancer("lab.nii --segmentation lab.nii --label 400 --method faces --output b.stl", racine)
            .statut,
        0);
    EXPECT_EQ(lireOctets((racine / "a.stl").string()), lireOctets((racine / "b.stl").string()));
}

TEST_F(ExtractionNets, OptionsOfTheOtherMethodAreRefused) {
    for (const char* d : {"lab.nii --label 5 --method nets --decimate 0.5",
                          "lab.nii --label 5 --method nets --evolve 2",
                          "lab.nii --label 5 --method nets --smoothing constrained",
                          "lab.nii --all-labels --output-dir o --decimate 0.5",
                          "lab.nii --all-labels --output-dir o --method faces --interfaces i",
                          "lab.nii --label 5 --interfaces i", "lab.nii --label 5 --method voxels"})
        EXPECT_EQ(lancer(d, racine).statut, 2) << d;
}
