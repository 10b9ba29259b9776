#include "mesh/ExportMaillage.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Message.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/EcritureMaillage.h"
#include "volume/VolumeBrut.h"

namespace {

using namespace Stravol::ecriture;

// Corners of a triangle turning counter-clockwise seen from outside.
void coinsSortants(const CTriangleChRegion* t, const CSommetChRegion* coins[3]) {
    coins[0] = t->a;
    coins[1] = t->orientation < 0 ? t->c : t->b;
    coins[2] = t->orientation < 0 ? t->b : t->c;
}

// Vertex numbers in list order, and the corner numbers of each triangle in outward order;
// false when a triangle has a corner that is not a listed vertex.
bool numeroter(const CMaillageTriangleChRegion& maillage,
               std::vector<const CSommetChRegion*>& sommets, std::vector<int>& coins,
               bool miroir = false) {
    std::unordered_map<const CSommetChRegion*, int> numeros;
    numeros.reserve(static_cast<std::size_t>(maillage.nbSommets > 0 ? maillage.nbSommets : 0));
    for (const CSommetChRegion* s = maillage.premierSommet; s != nullptr; s = s->suivant) {
        numeros.emplace(s, static_cast<int>(sommets.size()));
        sommets.push_back(s);
    }
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* c[3];
        coinsSortants(t, c);
        if (miroir)
            std::swap(c[1], c[2]);
        for (const CSommetChRegion* s : c) {
            auto it = numeros.find(s);
            if (it == numeros.end())
                return false;
            coins.push_back(it->second);
        }
    }
    return true;
}

bool refuserMaillage(const char* chemin) {
    Message(Chaine("Maillage incohérent, fichier non écrit : ") + chemin);
    return false;
}

} // namespace

// Writers in a given frame; the public writers use the voxel frame.
static bool ecrireSTL(const CMaillageTriangleChRegion& maillage, const char* chemin,
                      const Repere& r);
static bool ecrireOBJ(const CMaillageTriangleChRegion& maillage, const char* chemin,
                      const Repere& r);
static bool ecrirePLY(const CMaillageTriangleChRegion& maillage, const char* chemin,
                      const Repere& r);

bool exporterSTL(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    return ecrireSTL(maillage, chemin, Repere());
}

bool ecrireSTL(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r) {
    std::vector<const CSommetChRegion*> sommets;
    std::vector<int> coins;
    if (!numeroter(maillage, sommets, coins, r.miroir))
        return refuserMaillage(chemin);
    const std::size_t nbTriangles = coins.size() / 3;
    Tampon tampon;
    tampon.reserve(84 + 50 * nbTriangles);
    std::string entete = r.entete();
    entete.resize(80, ' ');
    tampon += entete;
    ajouterOctets(tampon, static_cast<std::uint32_t>(nbTriangles), 4);
    std::size_t i = 0;
    float p[3];
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant, ++i) {
        r.normale(CPoint3D(t->normale[0], t->normale[1], t->normale[2]), p);
        ajouterPoint(tampon, p);
        for (int k = 0; k < 3; ++k) {
            r.position(*sommets[static_cast<std::size_t>(coins[3 * i + k])], p);
            ajouterPoint(tampon, p);
        }
        ajouterOctets(tampon, 0, 2);
    }
    return ecrireFichier(chemin, tampon);
}

bool exporterOBJ(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    return ecrireOBJ(maillage, chemin, Repere());
}

bool ecrireOBJ(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r) {
    std::vector<const CSommetChRegion*> sommets;
    std::vector<int> coins;
    if (!numeroter(maillage, sommets, coins, r.miroir))
        return refuserMaillage(chemin);
    Tampon tampon;
    tampon.reserve(60 * sommets.size() + 30 * coins.size());
    tampon += std::string("# ") + r.entete() + "\n";
    float p[3];
    for (const CSommetChRegion* s : sommets) {
        tampon += 'v';
        r.position(*s, p);
        ajouterPointTexte(tampon, p);
        tampon += '\n';
    }
    for (const CSommetChRegion* s : sommets) {
        tampon += "vn";
        r.normale(s->normale, p);
        ajouterPointTexte(tampon, p);
        tampon += '\n';
    }
    for (std::size_t i = 0; i < coins.size(); i += 3) {
        tampon += 'f';
        for (std::size_t k = 0; k < 3; ++k) {
            tampon += ' ';
            ajouterTexte(tampon, coins[i + k] + 1);
            tampon += "//";
            ajouterTexte(tampon, coins[i + k] + 1);
        }
        tampon += '\n';
    }
    return ecrireFichier(chemin, tampon);
}

bool exporterPLY(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    return ecrirePLY(maillage, chemin, Repere());
}

bool ecrirePLY(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r) {
    std::vector<const CSommetChRegion*> sommets;
    std::vector<int> coins;
    if (!numeroter(maillage, sommets, coins, r.miroir))
        return refuserMaillage(chemin);
    Tampon tampon;
    tampon.reserve(300 + 24 * sommets.size() + 13 * (coins.size() / 3));
    tampon += std::string("ply\nformat binary_little_endian 1.0\ncomment ") + r.entete() + "\n";
    tampon += "element vertex " + std::to_string(sommets.size()) + "\n";
    tampon += "property float x\nproperty float y\nproperty float z\n";
    tampon += "property float nx\nproperty float ny\nproperty float nz\n";
    tampon += "element face " + std::to_string(coins.size() / 3) + "\n";
    tampon += "property list uchar int vertex_indices\nend_header\n";
    float p[3];
    for (const CSommetChRegion* s : sommets) {
        r.position(*s, p);
        ajouterPoint(tampon, p);
        r.normale(s->normale, p);
        ajouterPoint(tampon, p);
    }
    for (std::size_t i = 0; i < coins.size(); i += 3) {
        tampon.push_back(3);
        for (std::size_t k = 0; k < 3; ++k)
            ajouterOctets(tampon, static_cast<std::uint32_t>(coins[i + k]), 4);
    }
    return ecrireFichier(chemin, tampon);
}

namespace {

bool exporterDans(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r) {
    const std::size_t longueur = std::strlen(chemin);
    std::string extension;
    if (longueur >= 4)
        for (std::size_t i = longueur - 4; i < longueur; ++i)
            extension.push_back(
                static_cast<char>(std::tolower(static_cast<unsigned char>(chemin[i]))));
    if (extension == ".stl")
        return ecrireSTL(maillage, chemin, r);
    if (extension == ".obj")
        return ecrireOBJ(maillage, chemin, r);
    if (extension == ".ply")
        return ecrirePLY(maillage, chemin, r);
    Message(Chaine("Format de maillage inconnu (.stl, .obj ou .ply attendu) : ") + chemin);
    return false;
}

} // namespace

bool exporterMaillage(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    return exporterDans(maillage, chemin, Repere());
}

bool exporterMaillage(const CMaillageTriangleChRegion& maillage, const char* chemin,
                      const Stravol::Geometrie& monde) {
    return exporterDans(maillage, chemin, repereMonde(monde));
}
