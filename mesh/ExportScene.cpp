#include "mesh/ExportScene.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <utility>

#include <tiny_gltf.h>

#include "core/Message.h"
#include "core/Parallele.h"
#include "mesh/EcritureMaillage.h"
#include "volume/VolumeBrut.h"

namespace Stravol {

namespace {

using namespace ecriture;

// Binary STL: an 80-byte header and the triangles' count, then 50 bytes a triangle.
constexpr std::size_t kOctetsEnteteStl = 80;
constexpr int kOctetsCompteStl = 4;
constexpr std::size_t kOctetsTriangleStl = 50;

std::string extensionMinuscule(const std::string& chemin) {
    std::string e = std::filesystem::path(chemin).extension().string();
    std::transform(e.begin(), e.end(), e.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e;
}

bool refuserMaillage(const std::string& chemin) {
    Message(Chaine("Maillage incohérent, fichier non écrit : ") + chemin.c_str());
    return false;
}

bool refuser(const std::string& texte) {
    Message(Chaine(texte.c_str()));
    return false;
}

// A flat mesh taken to a frame: positions, unit normals a vertex (where asked) and a triangle,
// corners in outward order in that frame.
struct MaillageRepere {
    std::vector<float> positions;
    std::vector<float> normales;
    std::vector<float> normalesTriangles;
    std::vector<std::uint32_t> triangles;

    std::size_t nbSommets() const { return positions.size() / 3; }
    std::size_t nbTriangles() const { return triangles.size() / 3; }
};

MaillageRepere dansRepere(const MaillagePlat& m, const Repere& r,
                          NormalesSommets normales = NormalesSommets::Avec) {
    MaillageRepere s;
    s.positions.resize(m.positions.size());
    for (std::size_t i = 0; i < m.positions.size(); i += 3)
        r.position(m.positions[i], m.positions[i + 1], m.positions[i + 2], &s.positions[i]);
    if (normales == NormalesSommets::Avec) {
        const MaillagePlat* source = &m;
        MaillagePlat avecNormales;
        if (m.normales.empty()) {
            avecNormales = m;
            calculerNormalesPlat(avecNormales);
            source = &avecNormales;
        }
        s.normales.resize(m.positions.size());
        for (std::size_t i = 0; i < m.positions.size(); i += 3) {
            const float* n = &source->normales[i];
            r.normale(n[0], n[1], n[2], &s.normales[i]);
        }
    }
    s.triangles = m.triangles;
    if (r.miroir)
        for (std::size_t t = 0; t < s.triangles.size(); t += 3)
            std::swap(s.triangles[t + 1], s.triangles[t + 2]);
    s.normalesTriangles.resize(m.triangles.size());
    for (std::size_t t = 0; t < s.triangles.size(); t += 3) {
        float* sortie = &s.normalesTriangles[t];
        if (!m.normalesTriangles.empty()) {
            r.normale(m.normalesTriangles[t], m.normalesTriangles[t + 1],
                      m.normalesTriangles[t + 2], sortie);
            continue;
        }
        const float* p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = &s.positions[3 * static_cast<std::size_t>(s.triangles[t + k])];
        const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int k = 0; k < 3; ++k)
            sortie[k] = l > 0.0 ? static_cast<float>(n[k] / l) : 0.0f;
    }
    return s;
}

void ajouterCouleur(Tampon& tampon, const CouleurRVB& c) {
    for (std::uint8_t composante : c)
        tampon.push_back(static_cast<char>(composante));
}

// One line of a header or comment: control characters become spaces.
std::string surUneLigne(const std::string& texte) {
    std::string s = texte;
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return s;
}

// A name as one OBJ token: blanks and control characters become '_'.
std::string nomObj(const std::string& nom) {
    std::string s = nom;
    for (char& c : s)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            c = '_';
    return s;
}

bool ecrireSTL(const MaillageRepere& m, const std::string& chemin, const Repere& r) {
    Tampon tampon;
    tampon.reserve(kOctetsEnteteStl + kOctetsCompteStl + kOctetsTriangleStl * m.nbTriangles());
    std::string entete = r.entete();
    entete.resize(kOctetsEnteteStl, ' ');
    tampon += entete;
    ajouterOctets(tampon, static_cast<std::uint32_t>(m.nbTriangles()), kOctetsCompteStl);
    // A triangle's record: its normal, its corners and two bytes of attributes, left at 0.
    char enregistrement[kOctetsTriangleStl] = {};
    for (std::size_t t = 0; t < m.triangles.size(); t += 3) {
        octetsPoint(enregistrement, &m.normalesTriangles[t]);
        for (std::size_t k = 0; k < 3; ++k)
            octetsPoint(enregistrement + kOctetsPoint * (k + 1),
                        &m.positions[3 * static_cast<std::size_t>(m.triangles[t + k])]);
        tampon.append(enregistrement, sizeof enregistrement);
    }
    return ecrireFichier(chemin, tampon);
}

// The "v", "vn" and "f" lines of a mesh whose vertices are numbered from premier + 1.
void ajouterObj(Tampon& tampon, const MaillageRepere& m, std::uint64_t premier) {
    for (std::size_t i = 0; i < m.positions.size(); i += 3) {
        tampon += 'v';
        ajouterPointTexte(tampon, &m.positions[i]);
        tampon += '\n';
    }
    for (std::size_t i = 0; i < m.normales.size(); i += 3) {
        tampon += "vn";
        ajouterPointTexte(tampon, &m.normales[i]);
        tampon += '\n';
    }
    for (std::size_t t = 0; t < m.triangles.size(); t += 3) {
        tampon += 'f';
        for (int k = 0; k < 3; ++k) {
            const std::uint64_t numero = premier + m.triangles[t + k] + 1;
            tampon += ' ';
            ajouterTexte(tampon, numero);
            tampon += "//";
            ajouterTexte(tampon, numero);
        }
        tampon += '\n';
    }
}

bool ecrireOBJ(const MaillageRepere& m, const std::string& chemin, const Repere& r) {
    Tampon tampon;
    tampon.reserve(60 * m.nbSommets() + 30 * m.triangles.size());
    tampon += "# " + r.entete() + "\n";
    ajouterObj(tampon, m, 0);
    return ecrireFichier(chemin, tampon);
}

void ajouterSommetsPly(Tampon& tampon, const MaillageRepere& m, const CouleurRVB* couleur) {
    for (std::size_t i = 0; i < m.positions.size(); i += 3) {
        ajouterPoint(tampon, &m.positions[i]);
        ajouterPoint(tampon, &m.normales[i]);
        if (couleur != nullptr)
            ajouterCouleur(tampon, *couleur);
    }
}

const char* const kProprietesSommet = "property float x\nproperty float y\nproperty float z\n"
                                      "property float nx\nproperty float ny\nproperty float nz\n";
const char* const kProprietesCouleur =
    "property uchar red\nproperty uchar green\nproperty uchar blue\n";

bool ecrirePLY(const MaillageRepere& m, const std::string& chemin, const Repere& r,
               const CouleurRVB* couleur) {
    Tampon tampon;
    tampon.reserve(400 + 27 * m.nbSommets() + 13 * m.nbTriangles());
    tampon += "ply\nformat binary_little_endian 1.0\ncomment " + r.entete() + "\n";
    tampon += "element vertex " + std::to_string(m.nbSommets()) + "\n" + kProprietesSommet;
    if (couleur != nullptr)
        tampon += kProprietesCouleur;
    tampon += "element face " + std::to_string(m.nbTriangles()) + "\n";
    tampon += "property list uchar int vertex_indices\nend_header\n";
    ajouterSommetsPly(tampon, m, couleur);
    for (std::size_t t = 0; t < m.triangles.size(); t += 3) {
        tampon.push_back(3);
        for (int k = 0; k < 3; ++k)
            ajouterOctets(tampon, m.triangles[t + k], 4);
    }
    return ecrireFichier(chemin, tampon);
}

// The labels of a scene, each in the frame; false (with a message) when a mesh is not
// coherent or the scene is empty.
bool preparerScene(const std::vector<MaillageEtiquette>& etiquettes, const std::string& chemin,
                   const Repere& r, std::vector<const MaillageEtiquette*>& retenues,
                   std::vector<MaillageRepere>& maillages) {
    for (const MaillageEtiquette& e : etiquettes) {
        if (!coherent(e.maillage))
            return refuserMaillage(chemin);
        if (!e.maillage.vide())
            retenues.push_back(&e);
    }
    if (retenues.empty())
        return refuser("Aucun maillage à écrire dans la scène " + chemin);
    // The labels taken to the frame on the threads; memory running out on one is told once
    // they have met.
    maillages.resize(retenues.size());
    const auto n = static_cast<std::ptrdiff_t>(retenues.size());
    int manques = 0;
#pragma omp parallel for num_threads(nbThreads()) schedule(dynamic) reduction(+ : manques)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        try {
            maillages[static_cast<std::size_t>(i)] =
                dansRepere(retenues[static_cast<std::size_t>(i)]->maillage, r);
        } catch (const std::bad_alloc&) {
            ++manques;
        }
    }
    if (manques > 0)
        throw std::bad_alloc();
    return true;
}

bool ecrireScenePLY(const std::vector<const MaillageEtiquette*>& etiquettes,
                    const std::vector<MaillageRepere>& maillages, const std::string& chemin,
                    const Repere& r) {
    std::size_t nbSommets = 0, nbTriangles = 0;
    bool grandesValeurs = false;
    for (std::size_t i = 0; i < etiquettes.size(); ++i) {
        nbSommets += maillages[i].nbSommets();
        nbTriangles += maillages[i].nbTriangles();
        grandesValeurs =
            grandesValeurs || etiquettes[i]->valeur > std::numeric_limits<std::int32_t>::max();
    }
    if (nbSommets > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return refuser("Scène trop grande pour un fichier PLY : " + chemin);
    Tampon tampon;
    tampon.reserve(400 + 64 * etiquettes.size() + 27 * nbSommets + 17 * nbTriangles);
    tampon += "ply\nformat binary_little_endian 1.0\ncomment " + r.entete("scene") + "\n";
    for (const MaillageEtiquette* e : etiquettes) {
        tampon += "comment label " + std::to_string(e->valeur);
        if (!e->nom.empty())
            tampon += " " + surUneLigne(e->nom);
        tampon += '\n';
    }
    tampon += "element vertex " + std::to_string(nbSommets) + "\n" + kProprietesSommet +
              kProprietesCouleur;
    tampon += "element face " + std::to_string(nbTriangles) + "\n";
    tampon += "property list uchar int vertex_indices\n";
    tampon += grandesValeurs ? "property uint label\n" : "property int label\n";
    tampon += "end_header\n";
    for (std::size_t i = 0; i < etiquettes.size(); ++i)
        ajouterSommetsPly(tampon, maillages[i], &etiquettes[i]->couleur);
    std::uint32_t premier = 0;
    for (std::size_t i = 0; i < etiquettes.size(); ++i) {
        const MaillageRepere& m = maillages[i];
        for (std::size_t t = 0; t < m.triangles.size(); t += 3) {
            tampon.push_back(3);
            for (int k = 0; k < 3; ++k)
                ajouterOctets(tampon, premier + m.triangles[t + k], 4);
            ajouterOctets(tampon, etiquettes[i]->valeur, 4);
        }
        premier += static_cast<std::uint32_t>(m.nbSommets());
    }
    return ecrireFichier(chemin, tampon);
}

std::string nomMateriau(const MaillageEtiquette& e) { return "label-" + std::to_string(e.valeur); }

bool ecrireSceneOBJ(const std::vector<const MaillageEtiquette*>& etiquettes,
                    const std::vector<MaillageRepere>& maillages, const std::string& chemin,
                    const Repere& r) {
    const std::filesystem::path cheminMtl = std::filesystem::path(chemin).replace_extension(".mtl");
    Tampon mtl = "# Stravol scene materials\n";
    for (const MaillageEtiquette* e : etiquettes) {
        mtl += "newmtl " + nomMateriau(*e) + "\nKd";
        for (std::uint8_t c : e->couleur) {
            mtl += ' ';
            ajouterTexte(mtl, static_cast<float>(c / 255.0));
        }
        mtl += "\n";
    }
    Tampon obj;
    obj += "# " + r.entete("scene") + "\n";
    obj += "mtllib " + cheminMtl.filename().string() + "\n";
    std::uint64_t premier = 0;
    for (std::size_t i = 0; i < etiquettes.size(); ++i) {
        const MaillageEtiquette& e = *etiquettes[i];
        obj += "o " + nomObj(nomScene(e.valeur, e.nom)) + "\nusemtl " + nomMateriau(e) + "\n";
        ajouterObj(obj, maillages[i], premier);
        premier += maillages[i].nbSommets();
    }
    if (!ecrireFichier(cheminMtl.string(), mtl))
        return false;
    if (!ecrireFichier(chemin, obj)) {
        std::remove(cheminMtl.string().c_str());
        return false;
    }
    return true;
}

double lineaire(std::uint8_t srgb) {
    const double c = srgb / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Appends the bytes of values to the buffer at a 4-byte boundary, with the view that holds
// them; returns the view's number.
template <class T>
int ajouterVue(tinygltf::Model& modele, const std::vector<T>& valeurs, int cible) {
    std::vector<unsigned char>& octets = modele.buffers[0].data;
    octets.resize((octets.size() + 3) / 4 * 4, 0);
    tinygltf::BufferView vue;
    vue.buffer = 0;
    vue.byteOffset = octets.size();
    vue.byteLength = valeurs.size() * sizeof(T);
    vue.target = cible;
    const auto* debut = reinterpret_cast<const unsigned char*>(valeurs.data());
    octets.insert(octets.end(), debut, debut + vue.byteLength);
    modele.bufferViews.push_back(vue);
    return static_cast<int>(modele.bufferViews.size()) - 1;
}

// An accessor of vectors of 3 floats, with their bounds (which glTF requires for positions).
int ajouterVecteurs(tinygltf::Model& modele, const std::vector<float>& v, bool bornes) {
    tinygltf::Accessor a;
    a.bufferView = ajouterVue(modele, v, TINYGLTF_TARGET_ARRAY_BUFFER);
    a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    a.type = TINYGLTF_TYPE_VEC3;
    a.count = v.size() / 3;
    if (bornes) {
        a.minValues.assign(3, std::numeric_limits<double>::infinity());
        a.maxValues.assign(3, -std::numeric_limits<double>::infinity());
        for (std::size_t i = 0; i < v.size(); ++i) {
            a.minValues[i % 3] = std::min<double>(a.minValues[i % 3], v[i]);
            a.maxValues[i % 3] = std::max<double>(a.maxValues[i % 3], v[i]);
        }
    }
    modele.accessors.push_back(a);
    return static_cast<int>(modele.accessors.size()) - 1;
}

// (x, y, z) millimetres of the space -> glTF metres, Y up: (x, z, -y) / 1000.
void versGltf(const std::vector<float>& source, std::vector<float>& sortie, double echelle) {
    sortie.resize(source.size());
    for (std::size_t i = 0; i < source.size(); i += 3) {
        sortie[i] = static_cast<float>(source[i] * echelle);
        sortie[i + 1] = static_cast<float>(source[i + 2] * echelle);
        sortie[i + 2] = static_cast<float>(-source[i + 1] * echelle);
    }
}

bool normalesUnitaires(const std::vector<float>& n) {
    for (std::size_t i = 0; i < n.size(); i += 3)
        if (std::fabs(std::sqrt(n[i] * n[i] + n[i + 1] * n[i + 1] + n[i + 2] * n[i + 2]) - 1.0) >
            1e-4)
            return false;
    return true;
}

// A glTF binary file holds its chunks' lengths in 32 bits; room is kept for the JSON.
constexpr std::size_t kOctetsGlbMax = std::numeric_limits<std::uint32_t>::max() - (64u << 20);
// Room for the JSON of a glTF binary file: its fixed part and each label's mesh, node and
// material (a few hundred bytes, with the name).
constexpr std::size_t kOctetsJsonScene = 4096;
constexpr std::size_t kOctetsJsonParEtiquette = 1024;

bool ecrireSceneGLB(const std::vector<const MaillageEtiquette*>& etiquettes,
                    const std::vector<MaillageRepere>& maillages, const std::string& chemin,
                    EspaceSortie espace) {
    std::size_t octets = 0;
    for (const MaillageRepere& m : maillages)
        octets += 24 * m.nbSommets() + 12 * m.nbTriangles() + 8;
    if (octets > kOctetsGlbMax)
        return refuser("Scène trop grande pour un fichier glb : " + chemin);
    tinygltf::Model modele;
    modele.asset.version = "2.0";
    modele.asset.generator = "Stravol";
    tinygltf::Value::Object extras;
    extras["space"] = tinygltf::Value(std::string(nomEspace(espace)));
    modele.asset.extras = tinygltf::Value(extras);
    modele.buffers.emplace_back();
    modele.buffers[0].data.reserve(octets);
    tinygltf::Scene scene;
    std::vector<float> v;
    for (std::size_t i = 0; i < etiquettes.size(); ++i) {
        const MaillageEtiquette& e = *etiquettes[i];
        const MaillageRepere& m = maillages[i];
        // Names go into JSON: text that is not UTF-8 is replaced by the label's number.
        const std::string nom =
            utf8Valide(e.nom) ? nomScene(e.valeur, e.nom) : nomScene(e.valeur, "");

        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        versGltf(m.positions, v, 1e-3);
        primitive.attributes["POSITION"] = ajouterVecteurs(modele, v, true);
        versGltf(m.normales, v, 1.0);
        if (normalesUnitaires(v))
            primitive.attributes["NORMAL"] = ajouterVecteurs(modele, v, false);
        tinygltf::Accessor indices;
        indices.bufferView = ajouterVue(modele, m.triangles, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        indices.type = TINYGLTF_TYPE_SCALAR;
        indices.count = m.triangles.size();
        modele.accessors.push_back(indices);
        primitive.indices = static_cast<int>(modele.accessors.size()) - 1;

        tinygltf::Material materiau;
        materiau.name = nom;
        materiau.pbrMetallicRoughness.baseColorFactor = {
            lineaire(e.couleur[0]), lineaire(e.couleur[1]), lineaire(e.couleur[2]), 1.0};
        materiau.pbrMetallicRoughness.metallicFactor = 0.0;
        materiau.pbrMetallicRoughness.roughnessFactor = 0.6;
        modele.materials.push_back(materiau);
        primitive.material = static_cast<int>(modele.materials.size()) - 1;

        tinygltf::Mesh maillage;
        maillage.name = nom;
        maillage.primitives.push_back(primitive);
        modele.meshes.push_back(maillage);
        tinygltf::Node noeud;
        noeud.name = nom;
        noeud.mesh = static_cast<int>(modele.meshes.size()) - 1;
        modele.nodes.push_back(noeud);
        scene.nodes.push_back(static_cast<int>(modele.nodes.size()) - 1);
    }
    modele.scenes.push_back(scene);
    modele.defaultScene = 0;
    // The file is made in memory taken at once: the buffer and room for the JSON.
    std::string contenu;
    contenu.reserve(modele.buffers[0].data.size() + kOctetsJsonParEtiquette * etiquettes.size() +
                    kOctetsJsonScene);
    std::ostringstream flux(std::move(contenu));
    tinygltf::TinyGLTF gltf;
    if (!gltf.WriteGltfSceneToStream(&modele, flux, false, true) || !flux)
        return refuser("Impossible d'écrire la scène " + chemin);
    return ecrireFichier(chemin, std::move(flux).str());
}

} // namespace

const char* nomEspace(EspaceSortie espace) {
    switch (espace) {
    case EspaceSortie::LPS:
        return "LPS";
    case EspaceSortie::Voxels:
        return "voxel";
    case EspaceSortie::RAS:
        break;
    }
    return "RAS";
}

bool lireEspace(const std::string& texte, EspaceSortie& espace) {
    std::string t = texte;
    std::transform(t.begin(), t.end(), t.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (t == "ras" || t == "world")
        espace = EspaceSortie::RAS;
    else if (t == "lps")
        espace = EspaceSortie::LPS;
    else if (t == "voxel")
        espace = EspaceSortie::Voxels;
    else
        return false;
    return true;
}

bool exporterMaillagePlat(const MaillagePlat& maillage, const std::string& chemin,
                          const Geometrie& geometrie, EspaceSortie espace,
                          const CouleurRVB* couleur) {
    const std::string extension = extensionMinuscule(chemin);
    if (extension != ".stl" && extension != ".obj" && extension != ".ply")
        return refuser("Format de maillage inconnu (.stl, .obj ou .ply attendu) : " + chemin);
    if (!coherent(maillage))
        return refuserMaillage(chemin);
    try {
        const Repere r = repereEspace(geometrie, espace);
        // STL files hold the triangles' normals alone.
        const MaillageRepere m = dansRepere(
            maillage, r, extension == ".stl" ? NormalesSommets::Sans : NormalesSommets::Avec);
        if (extension == ".stl")
            return ecrireSTL(m, chemin, r);
        if (extension == ".obj")
            return ecrireOBJ(m, chemin, r);
        return ecrirePLY(m, chemin, r, couleur);
    } catch (const std::bad_alloc&) {
        return refuser("Mémoire insuffisante pour écrire " + chemin);
    }
}

bool exporterScene(const std::vector<MaillageEtiquette>& etiquettes, const std::string& chemin,
                   const Geometrie& geometrie, EspaceSortie espace) {
    const std::string extension = extensionMinuscule(chemin);
    if (extension != ".glb" && extension != ".obj" && extension != ".ply")
        return refuser("Format de scène inconnu (.glb, .obj ou .ply attendu) : " + chemin);
    try {
        const Repere r = repereEspace(geometrie, espace);
        std::vector<const MaillageEtiquette*> retenues;
        std::vector<MaillageRepere> maillages;
        if (!preparerScene(etiquettes, chemin, r, retenues, maillages))
            return false;
        if (extension == ".glb")
            return ecrireSceneGLB(retenues, maillages, chemin, espace);
        if (extension == ".obj")
            return ecrireSceneOBJ(retenues, maillages, chemin, r);
        return ecrireScenePLY(retenues, maillages, chemin, r);
    } catch (const std::bad_alloc&) {
        return refuser("Mémoire insuffisante pour écrire la scène " + chemin);
    } catch (const std::exception& e) {
        return refuser("Impossible d'écrire la scène " + chemin + " : " + e.what());
    }
}

} // namespace Stravol
