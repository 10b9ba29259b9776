// Label meshes with names and colours: flat meshes written as today's files, coloured PLY,
// LPS against RAS, and the three scene formats read back against each other (the glTF file
// through tinygltf, and through the Khronos validator where node and the validator are
// installed).

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <tiny_gltf.h>

#include "helpers/images.h"
#include "helpers/mesh_helpers.h"
#include "mesh/ExportMaillage.h"
#include "mesh/ExportScene.h"
#include "volume/VolumeBrut.h"

using namespace Stravol;

namespace {

void construire(CMaillageTriangleChRegion& m, const std::vector<CTriplet<int>>& voxels) {
    ASSERT_TRUE(maillageDeVoxels(m, 20, 18, 16, voxels));
    m.lisserCourbureTaubin(10);
    m.calculerNormales();
    m.calculerNormalesSommets();
}

// Three labels: one with a plain name, one above 2^31 with a name that no file system or OBJ
// reader takes as it stands, one without a name.
std::vector<MaillageEtiquette> etiquettes() {
    const std::vector<std::vector<CTriplet<int>>> voxels = {
        boite({4, 3, 2}, {9, 8, 6}), boule({14, 11, 10}, 3.0), boite({2, 12, 9}, {5, 15, 13})};
    const std::uint32_t valeurs[] = {3, 4000000000u, 7};
    const char* noms[] = {"Left-Hippocampus", "Caudate, left \xc3\xa9", ""};
    const CouleurRVB couleurs[] = {{220, 180, 140}, {10, 200, 30}, {0, 0, 255}};
    std::vector<MaillageEtiquette> e(3);
    for (int i = 0; i < 3; ++i) {
        CMaillageTriangleChRegion m;
        construire(m, voxels[static_cast<std::size_t>(i)]);
        e[i] = {valeurs[i], noms[i], couleurs[i], versMaillagePlat(m)};
    }
    return e;
}

Geometrie oblique(bool miroir) {
    Geometrie g;
    const double a = 0.4, c = std::cos(a), s = std::sin(a);
    const double sx = miroir ? -0.5 : 0.5;
    g.affine = {{{sx * c, -0.8 * s, 0.1, 30}, {sx * s, 0.8 * c, 0, -12}, {0, 0, 1.5, 7}}};
    g.espacement = {0.5, 0.8, 1.5};
    return g;
}

std::string texte(const std::string& chemin) {
    const OctetsTest o = lireOctets(chemin);
    return std::string(o.begin(), o.end());
}

void attendreProches(const std::array<float, 3>& a, const std::array<float, 3>& b,
                     double tolerance) {
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], tolerance) << k;
}

// The part of a scene of the faces labelled valeur, whose vertices are the n from premier.
Soupe partie(const PlyLu& ply, std::uint64_t valeur, std::size_t premier, std::size_t n) {
    Soupe s;
    s.positions.assign(ply.soupe.positions.begin() + static_cast<std::ptrdiff_t>(premier),
                       ply.soupe.positions.begin() + static_cast<std::ptrdiff_t>(premier + n));
    for (std::size_t t = 0; t < ply.soupe.triangles.size(); ++t) {
        if (ply.labels[t] != valeur)
            continue;
        std::array<int, 3> tri = ply.soupe.triangles[t];
        for (int& k : tri) {
            EXPECT_GE(k, static_cast<int>(premier));
            EXPECT_LT(k, static_cast<int>(premier + n));
            k -= static_cast<int>(premier);
        }
        s.triangles.push_back(tri);
    }
    return s;
}

// OBJ scene read back: objects in file order with their material and their triangles, and
// the shared vertex list.
struct ObjetObj {
    std::string nom, materiau;
    std::vector<std::array<int, 3>> triangles;
};
bool lireSceneObj(const std::string& chemin, std::vector<ObjetObj>& objets, Soupe& sommets,
                  std::string& mtllib) {
    std::istringstream f(texte(chemin));
    std::string ligne;
    while (std::getline(f, ligne)) {
        std::istringstream s(ligne);
        std::string mot;
        s >> mot;
        if (mot == "mtllib") {
            s >> mtllib;
        } else if (mot == "o") {
            objets.emplace_back();
            s >> objets.back().nom;
        } else if (mot == "usemtl" && !objets.empty()) {
            s >> objets.back().materiau;
        } else if (mot == "v") {
            std::array<float, 3> p;
            s >> p[0] >> p[1] >> p[2];
            sommets.positions.push_back(p);
        } else if (mot == "vn") {
            std::array<float, 3> n;
            s >> n[0] >> n[1] >> n[2];
            sommets.normales.push_back(n);
        } else if (mot == "f" && !objets.empty()) {
            std::array<int, 3> t;
            for (int& k : t) {
                std::string coin;
                s >> coin;
                k = std::stoi(coin.substr(0, coin.find('/'))) - 1;
            }
            objets.back().triangles.push_back(t);
        }
    }
    return !objets.empty();
}

// The float vectors of an accessor of a glTF model.
std::vector<std::array<float, 3>> vecteurs(const tinygltf::Model& m, int accessor) {
    const tinygltf::Accessor& a = m.accessors.at(static_cast<std::size_t>(accessor));
    const tinygltf::BufferView& v = m.bufferViews.at(static_cast<std::size_t>(a.bufferView));
    const auto* octets = m.buffers.at(0).data.data() + v.byteOffset + a.byteOffset;
    std::vector<std::array<float, 3>> r(a.count);
    std::memcpy(r.data(), octets, a.count * 12);
    return r;
}

std::vector<std::uint32_t> indices(const tinygltf::Model& m, int accessor) {
    const tinygltf::Accessor& a = m.accessors.at(static_cast<std::size_t>(accessor));
    EXPECT_EQ(a.componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
    const tinygltf::BufferView& v = m.bufferViews.at(static_cast<std::size_t>(a.bufferView));
    std::vector<std::uint32_t> r(a.count);
    std::memcpy(r.data(), m.buffers.at(0).data.data() + v.byteOffset + a.byteOffset, a.count * 4);
    return r;
}

double lineaire(double srgb) {
    return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
}

} // namespace

TEST(ExportScene, FlatMeshesGiveTodaysFilesByteForByte) {
    CMaillageTriangleChRegion m;
    construire(m, boule({9, 8, 7}, 4.0));
    const MaillagePlat plat = versMaillagePlat(m);
    DossierTemporaire tmp;
    for (const Geometrie& g : {Geometrie(), oblique(false), oblique(true)})
        for (const char* ext : {".stl", ".obj", ".ply"}) {
            SCOPED_TRACE(std::string(ext) + " " + std::to_string(g.determinant()));
            const std::string a = tmp / (std::string("a") + ext),
                              b = tmp / (std::string("b") + ext),
                              c = tmp / (std::string("c") + ext);
            ASSERT_TRUE(exporterMaillage(m, a.c_str(), g));
            ASSERT_TRUE(exporterMaillagePlat(plat, b, g, EspaceSortie::RAS));
            EXPECT_EQ(lireOctets(a), lireOctets(b));
            // STL holds the triangles' normals alone: without vertex normals, the same bytes.
            if (std::string(ext) == ".stl") {
                MaillagePlat sans = plat;
                sans.normales.clear();
                ASSERT_TRUE(exporterMaillagePlat(sans, c, g, EspaceSortie::RAS));
                EXPECT_EQ(lireOctets(b), lireOctets(c));
            }
            ASSERT_TRUE(exporterMaillage(m, a.c_str()));
            ASSERT_TRUE(exporterMaillagePlat(plat, c, g, EspaceSortie::Voxels));
            EXPECT_EQ(lireOctets(a), lireOctets(c));
        }
}

TEST(ExportScene, ColouredPlyKeepsTheGeometry) {
    const std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    const CouleurRVB couleur = e[0].couleur;
    ASSERT_TRUE(
        exporterMaillagePlat(e[0].maillage, tmp / "simple.ply", oblique(true), EspaceSortie::RAS));
    ASSERT_TRUE(exporterMaillagePlat(e[0].maillage, tmp / "couleur.PLY", oblique(true),
                                     EspaceSortie::RAS, &couleur));
    Soupe simple;
    ASSERT_TRUE(lirePLY(tmp / "simple.ply", simple));
    PlyLu ply;
    ASSERT_TRUE(lirePLYComplet(tmp / "couleur.PLY", ply));
    EXPECT_EQ(ply.soupe.positions, simple.positions);
    EXPECT_EQ(ply.soupe.normales, simple.normales);
    EXPECT_EQ(ply.soupe.triangles, simple.triangles);
    ASSERT_EQ(ply.couleurs.size(), simple.positions.size());
    for (const auto& c : ply.couleurs)
        EXPECT_EQ(c, couleur);
    EXPECT_EQ(ply.commentaires,
              std::vector<std::string>{"Stravol mesh, world coordinates (mm, RAS)"});
}

TEST(ExportScene, LpsIsRasTurnedHalfAboutZ) {
    const std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    for (bool miroir : {false, true}) {
        const Geometrie g = oblique(miroir);
        for (const char* ext : {".stl", ".obj", ".ply"}) {
            SCOPED_TRACE(std::string(ext) + (miroir ? " miroir" : ""));
            const std::string ras = tmp / (std::string("ras") + ext),
                              lps = tmp / (std::string("lps") + ext);
            ASSERT_TRUE(exporterMaillagePlat(e[1].maillage, ras, g, EspaceSortie::RAS));
            ASSERT_TRUE(exporterMaillagePlat(e[1].maillage, lps, g, EspaceSortie::LPS));
            Soupe a, b;
            const std::string x = ext;
            const auto lire = [&](const std::string& f, Soupe& s) {
                return x == ".stl" ? lireSTL(f, s) : x == ".obj" ? lireOBJ(f, s) : lirePLY(f, s);
            };
            ASSERT_TRUE(lire(ras, a));
            ASSERT_TRUE(lire(lps, b));
            ASSERT_EQ(a.positions.size(), b.positions.size());
            EXPECT_EQ(a.triangles, b.triangles);
            for (std::size_t i = 0; i < a.positions.size(); ++i) {
                const auto& p = a.positions[i];
                attendreProches(b.positions[i], {-p[0], -p[1], p[2]}, 1e-4);
            }
            ASSERT_EQ(a.normales.size(), b.normales.size());
            for (std::size_t i = 0; i < a.normales.size(); ++i) {
                const auto& n = a.normales[i];
                attendreProches(b.normales[i], {-n[0], -n[1], n[2]}, 1e-6);
            }
            if (x == ".stl") {
                a = fusionnerPositions(a);
                b = fusionnerPositions(b);
            }
            EXPECT_TRUE(fermeeEtOrientee(b));
            EXPECT_GT(volumeSigne(b), 0.0);
            EXPECT_NEAR(volumeSigne(b), volumeSigne(a), 1e-3 * volumeSigne(a));
            const std::string debut = texte(lps).substr(0, 100);
            EXPECT_NE(debut.find("Stravol mesh, world coordinates (mm, LPS)"), std::string::npos)
                << debut;
        }
    }
    // A volume without a world frame still has an LPS frame: the voxel frame turned.
    ASSERT_TRUE(exporterMaillagePlat(e[2].maillage, tmp / "v.obj", Geometrie(), EspaceSortie::LPS));
    Soupe v;
    ASSERT_TRUE(lireOBJ(tmp / "v.obj", v));
    attendreProches(
        v.positions[0],
        {-e[2].maillage.positions[0], -e[2].maillage.positions[1], e[2].maillage.positions[2]},
        1e-6);
    EXPECT_EQ(texte(tmp / "v.obj").rfind("# Stravol mesh, world coordinates (mm, LPS)\n", 0), 0u);
    ASSERT_TRUE(
        exporterMaillagePlat(e[2].maillage, tmp / "v.stl", oblique(false), EspaceSortie::Voxels));
    EXPECT_EQ(texte(tmp / "v.stl").rfind("Stravol mesh, voxel coordinates ", 0), 0u);
}

TEST(ExportScene, PlySceneHoldsEveryLabelWithItsColour) {
    const std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    const Geometrie g = oblique(true);
    ASSERT_TRUE(exporterScene(e, tmp / "scene.ply", g, EspaceSortie::RAS));
    PlyLu ply;
    ASSERT_TRUE(lirePLYComplet(tmp / "scene.ply", ply));
    EXPECT_EQ(ply.typeLabel, "uint");
    EXPECT_EQ(ply.commentaires,
              (std::vector<std::string>{"Stravol scene, world coordinates (mm, RAS)",
                                        "label 3 Left-Hippocampus",
                                        "label 4000000000 Caudate, left \xc3\xa9", "label 7"}));
    std::size_t sommets = 0;
    for (const MaillageEtiquette& l : e) {
        SCOPED_TRACE(l.valeur);
        // The label's part is the label's own mesh file, colour on every vertex.
        const Soupe s = partie(ply, l.valeur, sommets, l.maillage.nbSommets());
        const std::string seul = tmp / "seul.ply";
        ASSERT_TRUE(exporterMaillagePlat(l.maillage, seul, g, EspaceSortie::RAS));
        Soupe attendu;
        ASSERT_TRUE(lirePLY(seul, attendu));
        EXPECT_EQ(s.positions, attendu.positions);
        EXPECT_EQ(s.triangles, attendu.triangles);
        EXPECT_TRUE(fermeeEtOrientee(s));
        EXPECT_GT(volumeSigne(s), 0.0);
        for (std::size_t i = 0; i < l.maillage.nbSommets(); ++i)
            ASSERT_EQ(ply.couleurs[sommets + i], l.couleur);
        sommets += l.maillage.nbSommets();
    }
    EXPECT_EQ(ply.soupe.positions.size(), sommets);

    // Small values: an int property; an empty mesh is left out.
    std::vector<MaillageEtiquette> petites = {e[0], e[2]};
    petites.push_back({9, "vide", {1, 2, 3}, {}});
    ASSERT_TRUE(exporterScene(petites, tmp / "petites.ply", g, EspaceSortie::LPS));
    PlyLu p;
    ASSERT_TRUE(lirePLYComplet(tmp / "petites.ply", p));
    EXPECT_EQ(p.typeLabel, "int");
    EXPECT_EQ(p.commentaires.size(), 3u);
    EXPECT_EQ(p.commentaires[0], "Stravol scene, world coordinates (mm, LPS)");
}

TEST(ExportScene, ObjSceneHasOneObjectAndMaterialPerLabel) {
    const std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    const Geometrie g = oblique(false);
    ASSERT_TRUE(exporterScene(e, tmp / "scene.obj", g, EspaceSortie::RAS));
    ASSERT_TRUE(exporterScene(e, tmp / "scene.ply", g, EspaceSortie::RAS));
    std::vector<ObjetObj> objets;
    Soupe sommets;
    std::string mtllib;
    ASSERT_TRUE(lireSceneObj(tmp / "scene.obj", objets, sommets, mtllib));
    EXPECT_EQ(texte(tmp / "scene.obj").rfind("# Stravol scene, world coordinates (mm, RAS)\n", 0),
              0u);
    EXPECT_EQ(mtllib, "scene.mtl");
    ASSERT_EQ(objets.size(), 3u);
    EXPECT_EQ(objets[0].nom, "Left-Hippocampus");
    EXPECT_EQ(objets[1].nom, "Caudate,_left_\xc3\xa9");
    EXPECT_EQ(objets[2].nom, "label-7");
    PlyLu ply;
    ASSERT_TRUE(lirePLYComplet(tmp / "scene.ply", ply));
    ASSERT_EQ(sommets.positions.size(), ply.soupe.positions.size());
    for (std::size_t i = 0; i < sommets.positions.size(); ++i)
        attendreProches(sommets.positions[i], ply.soupe.positions[i], 1e-5);
    const std::string mtl = texte(tmp / "scene.mtl");
    std::size_t t = 0;
    for (std::size_t i = 0; i < e.size(); ++i) {
        SCOPED_TRACE(e[i].valeur);
        const std::string materiau = "label-" + std::to_string(e[i].valeur);
        EXPECT_EQ(objets[i].materiau, materiau);
        const std::size_t nouveau = mtl.find("newmtl " + materiau + "\n");
        ASSERT_NE(nouveau, std::string::npos);
        std::istringstream kd(mtl.substr(mtl.find("Kd", nouveau) + 2));
        for (std::uint8_t c : e[i].couleur) {
            float v = -1;
            kd >> v;
            EXPECT_NEAR(v, c / 255.0, 1e-6);
        }
        // The object's faces are the label's faces of the PLY scene.
        ASSERT_EQ(objets[i].triangles.size(), e[i].maillage.nbTriangles());
        for (const auto& tri : objets[i].triangles)
            EXPECT_EQ(tri, ply.soupe.triangles[t++]);
    }
}

TEST(ExportScene, GlbReadBackMatchesThePlyScene) {
    const std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    for (bool miroir : {false, true})
        for (EspaceSortie espace : {EspaceSortie::RAS, EspaceSortie::LPS}) {
            SCOPED_TRACE(std::string(nomEspace(espace)) + (miroir ? " miroir" : ""));
            const Geometrie g = oblique(miroir);
            ASSERT_TRUE(exporterScene(e, tmp / "scene.glb", g, espace));
            ASSERT_TRUE(exporterScene(e, tmp / "scene.ply", g, EspaceSortie::RAS));
            PlyLu ply;
            ASSERT_TRUE(lirePLYComplet(tmp / "scene.ply", ply));

            tinygltf::Model modele;
            tinygltf::TinyGLTF lecteur;
            std::string erreur, avertissement;
            ASSERT_TRUE(
                lecteur.LoadBinaryFromFile(&modele, &erreur, &avertissement, tmp / "scene.glb"))
                << erreur;
            EXPECT_EQ(modele.asset.version, "2.0");
            ASSERT_TRUE(modele.asset.extras.Has("space"));
            EXPECT_EQ(modele.asset.extras.Get("space").Get<std::string>(), nomEspace(espace));
            ASSERT_EQ(modele.scenes.size(), 1u);
            ASSERT_EQ(modele.nodes.size(), 3u);
            ASSERT_EQ(modele.meshes.size(), 3u);
            ASSERT_EQ(modele.materials.size(), 3u);
            const char* noms[] = {"Left-Hippocampus", "Caudate, left \xc3\xa9", "label-7"};
            std::size_t premier = 0, t = 0;
            for (std::size_t i = 0; i < 3; ++i) {
                SCOPED_TRACE(noms[i]);
                const tinygltf::Node& noeud = modele.nodes[i];
                EXPECT_EQ(noeud.name, noms[i]);
                const tinygltf::Mesh& maillage =
                    modele.meshes.at(static_cast<std::size_t>(noeud.mesh));
                EXPECT_EQ(maillage.name, noms[i]);
                ASSERT_EQ(maillage.primitives.size(), 1u);
                const tinygltf::Primitive& p = maillage.primitives[0];
                const tinygltf::Material& materiau =
                    modele.materials.at(static_cast<std::size_t>(p.material));
                EXPECT_EQ(materiau.name, noms[i]);
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(materiau.pbrMetallicRoughness.baseColorFactor[k],
                                lineaire(e[i].couleur[k] / 255.0), 1e-9);
                EXPECT_EQ(materiau.pbrMetallicRoughness.baseColorFactor[3], 1.0);

                // glTF metres, Y up, back to millimetres of the space, then to RAS.
                const auto positions = vecteurs(modele, p.attributes.at("POSITION"));
                const auto normales = vecteurs(modele, p.attributes.at("NORMAL"));
                ASSERT_EQ(positions.size(), e[i].maillage.nbSommets());
                const float signe = espace == EspaceSortie::LPS ? -1.0f : 1.0f;
                for (std::size_t v = 0; v < positions.size(); ++v) {
                    const auto& q = positions[v];
                    const std::array<float, 3> ras = {signe * q[0] * 1000, signe * -q[2] * 1000,
                                                      q[1] * 1000};
                    attendreProches(ras, ply.soupe.positions[premier + v], 1e-3);
                    const auto& n = normales[v];
                    EXPECT_NEAR(std::hypot(n[0], n[1], n[2]), 1.0, 1e-6);
                    attendreProches({signe * n[0], signe * -n[2], n[1]},
                                    ply.soupe.normales[premier + v], 1e-6);
                }
                const auto coins = indices(modele, p.indices);
                ASSERT_EQ(coins.size(), 3 * e[i].maillage.nbTriangles());
                for (std::size_t c = 0; c < coins.size(); c += 3, ++t)
                    for (int k = 0; k < 3; ++k)
                        EXPECT_EQ(
                            static_cast<int>(premier + coins[c + static_cast<std::size_t>(k)]),
                            ply.soupe.triangles[t][static_cast<std::size_t>(k)]);
                premier += positions.size();
            }
        }
}

TEST(ExportScene, GlbPassesTheKhronosValidator) {
    const std::string module =
        std::string(STRAVOL_TOOLS_DIR) + "/../gltf-validator/node_modules/gltf-validator";
    if (std::system("command -v node >/dev/null 2>&1") != 0 || !std::filesystem::exists(module))
        GTEST_SKIP() << "glTF validator NOT RUN: it needs node and the npm package gltf-validator "
                        "in <build>/gltf-validator (npm install --prefix build/gltf-validator "
                        "gltf-validator)";
    const std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    for (bool miroir : {false, true}) {
        const std::string glb = tmp / (miroir ? "miroir.glb" : "droit.glb");
        ASSERT_TRUE(exporterScene(e, glb, oblique(miroir), EspaceSortie::RAS));
        const std::string commande = "node " + std::string(STRAVOL_SOURCE_DIR) +
                                     "/tests/mesh/valider_gltf.js " + module + " " + glb + " 2>&1";
        std::FILE* sortie = popen(commande.c_str(), "r");
        ASSERT_NE(sortie, nullptr);
        std::string rapport;
        char tampon[4096];
        while (std::size_t n = std::fread(tampon, 1, sizeof tampon, sortie))
            rapport.append(tampon, n);
        const int statut = pclose(sortie);
        EXPECT_EQ(statut, 0) << rapport;
        EXPECT_NE(rapport.find("\"errors\":0"), std::string::npos) << rapport;
        std::printf("%s\n", rapport.c_str());
    }
}

TEST(ExportScene, RefusalsLeaveNothingBehind) {
    std::vector<MaillageEtiquette> e = etiquettes();
    DossierTemporaire tmp;
    const Geometrie g = oblique(false);
    EXPECT_FALSE(exporterScene(e, tmp / "scene.fbx", g, EspaceSortie::RAS));
    EXPECT_FALSE(exporterMaillagePlat(e[0].maillage, tmp / "a.glb", g, EspaceSortie::RAS));
    EXPECT_FALSE(exporterScene({}, tmp / "vide.glb", g, EspaceSortie::RAS));
    EXPECT_FALSE(exporterScene({{1, "", {}, {}}}, tmp / "vide.ply", g, EspaceSortie::RAS));
    // A corner that is no vertex.
    std::vector<MaillageEtiquette> faux = {e[0]};
    faux[0].maillage.triangles.back() = static_cast<std::uint32_t>(faux[0].maillage.nbSommets());
    for (const char* ext : {".glb", ".obj", ".ply"})
        EXPECT_FALSE(exporterScene(faux, tmp / (std::string("faux") + ext), g, EspaceSortie::RAS));
    EXPECT_FALSE(exporterMaillagePlat(faux[0].maillage, tmp / "faux.stl", g, EspaceSortie::RAS));
    // A folder in place of the scene: the materials written first are removed again.
    std::filesystem::create_directories(tmp / "rep.obj/x");
    EXPECT_FALSE(exporterScene(e, tmp / "rep.obj", g, EspaceSortie::RAS));
    EXPECT_FALSE(exporterScene(e, tmp / "absent/scene.glb", g, EspaceSortie::RAS));
    std::vector<std::string> restes;
    for (const auto& f : std::filesystem::directory_iterator(tmp.chemin()))
        restes.push_back(f.path().filename().string());
    EXPECT_EQ(restes, std::vector<std::string>{"rep.obj"});
}
