#include "mesh/ExportMaillage.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "core/Message.h"
#include "mesh/CMaillageTriangleChRegion.h"

namespace {

using Tampon = std::string;

void ajouterOctets(Tampon& tampon, std::uint32_t valeur, int nbOctets) {
    for (int i = 0; i < nbOctets; ++i)
        tampon.push_back(static_cast<char>((valeur >> (8 * i)) & 0xff));
}

void ajouterFloat(Tampon& tampon, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    ajouterOctets(tampon, bits, 4);
}

void ajouterTexte(Tampon& tampon, float f) {
    char texte[32];
    const auto fin = std::to_chars(texte, texte + sizeof texte, f).ptr;
    tampon.append(texte, fin);
}

void ajouterTexte(Tampon& tampon, int n) {
    char texte[16];
    const auto fin = std::to_chars(texte, texte + sizeof texte, n).ptr;
    tampon.append(texte, fin);
}

// Corners of a triangle turning counter-clockwise seen from outside.
void coinsSortants(const CTriangleChRegion* t, const CSommetChRegion* coins[3]) {
    coins[0] = t->a;
    coins[1] = t->orientation < 0 ? t->c : t->b;
    coins[2] = t->orientation < 0 ? t->b : t->c;
}

// Vertex numbers in list order, and the corner numbers of each triangle in outward order;
// false when a triangle has a corner that is not a listed vertex.
bool numeroter(const CMaillageTriangleChRegion& maillage,
               std::vector<const CSommetChRegion*>& sommets, std::vector<int>& coins) {
    std::unordered_map<const CSommetChRegion*, int> numeros;
    numeros.reserve(static_cast<std::size_t>(maillage.nbSommets > 0 ? maillage.nbSommets : 0));
    for (const CSommetChRegion* s = maillage.premierSommet; s != nullptr; s = s->suivant) {
        numeros.emplace(s, static_cast<int>(sommets.size()));
        sommets.push_back(s);
    }
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* c[3];
        coinsSortants(t, c);
        for (const CSommetChRegion* s : c) {
            auto it = numeros.find(s);
            if (it == numeros.end())
                return false;
            coins.push_back(it->second);
        }
    }
    return true;
}

// Writes the whole buffer to a temporary file beside chemin, then renames it over chemin.
bool ecrireFichier(const char* chemin, const Tampon& contenu) {
    std::string temporaire = std::string(chemin) + ".XXXXXX";
    const int descripteur = mkstemp(temporaire.data());
    if (descripteur < 0) {
        Message(Chaine("Impossible de créer le fichier ") + chemin);
        return false;
    }
    std::FILE* fichier = fdopen(descripteur, "wb");
    if (fichier == nullptr) {
        close(descripteur);
        std::remove(temporaire.c_str());
        Message(Chaine("Impossible d'écrire le fichier ") + chemin);
        return false;
    }
    bool ok = std::fwrite(contenu.data(), 1, contenu.size(), fichier) == contenu.size();
    ok = std::fflush(fichier) == 0 && ok;
    ok = std::fclose(fichier) == 0 && ok;
    if (ok) {
        // mkstemp creates the file readable by its owner only; give it the usual rights.
        const mode_t masque = umask(0);
        umask(masque);
        chmod(temporaire.c_str(), 0666 & ~masque);
        ok = std::rename(temporaire.c_str(), chemin) == 0;
    }
    if (!ok) {
        std::remove(temporaire.c_str());
        Message(Chaine("Impossible d'écrire le fichier ") + chemin);
    }
    return ok;
}

bool refuserMaillage(const char* chemin) {
    Message(Chaine("Maillage incohérent, fichier non écrit : ") + chemin);
    return false;
}

} // namespace

bool exporterSTL(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    std::vector<const CSommetChRegion*> sommets;
    std::vector<int> coins;
    if (!numeroter(maillage, sommets, coins))
        return refuserMaillage(chemin);
    const std::size_t nbTriangles = coins.size() / 3;
    Tampon tampon;
    tampon.reserve(84 + 50 * nbTriangles);
    std::string entete = "Stravol mesh, voxel coordinates";
    entete.resize(80, ' ');
    tampon += entete;
    ajouterOctets(tampon, static_cast<std::uint32_t>(nbTriangles), 4);
    std::size_t i = 0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant, ++i) {
        for (float n : t->normale)
            ajouterFloat(tampon, n);
        for (int k = 0; k < 3; ++k) {
            const CSommetChRegion* s = sommets[static_cast<std::size_t>(coins[3 * i + k])];
            ajouterFloat(tampon, s->x);
            ajouterFloat(tampon, s->y);
            ajouterFloat(tampon, s->z);
        }
        ajouterOctets(tampon, 0, 2);
    }
    return ecrireFichier(chemin, tampon);
}

bool exporterOBJ(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    std::vector<const CSommetChRegion*> sommets;
    std::vector<int> coins;
    if (!numeroter(maillage, sommets, coins))
        return refuserMaillage(chemin);
    Tampon tampon;
    tampon.reserve(60 * sommets.size() + 30 * coins.size());
    tampon += "# Stravol mesh, voxel coordinates\n";
    for (const CSommetChRegion* s : sommets) {
        tampon += "v ";
        ajouterTexte(tampon, s->x);
        tampon += ' ';
        ajouterTexte(tampon, s->y);
        tampon += ' ';
        ajouterTexte(tampon, s->z);
        tampon += '\n';
    }
    for (const CSommetChRegion* s : sommets) {
        tampon += "vn ";
        ajouterTexte(tampon, s->normale.x);
        tampon += ' ';
        ajouterTexte(tampon, s->normale.y);
        tampon += ' ';
        ajouterTexte(tampon, s->normale.z);
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
    std::vector<const CSommetChRegion*> sommets;
    std::vector<int> coins;
    if (!numeroter(maillage, sommets, coins))
        return refuserMaillage(chemin);
    Tampon tampon;
    tampon.reserve(300 + 24 * sommets.size() + 13 * (coins.size() / 3));
    tampon += "ply\nformat binary_little_endian 1.0\ncomment Stravol mesh, voxel coordinates\n";
    tampon += "element vertex " + std::to_string(sommets.size()) + "\n";
    tampon += "property float x\nproperty float y\nproperty float z\n";
    tampon += "property float nx\nproperty float ny\nproperty float nz\n";
    tampon += "element face " + std::to_string(coins.size() / 3) + "\n";
    tampon += "property list uchar int vertex_indices\nend_header\n";
    for (const CSommetChRegion* s : sommets) {
        ajouterFloat(tampon, s->x);
        ajouterFloat(tampon, s->y);
        ajouterFloat(tampon, s->z);
        ajouterFloat(tampon, s->normale.x);
        ajouterFloat(tampon, s->normale.y);
        ajouterFloat(tampon, s->normale.z);
    }
    for (std::size_t i = 0; i < coins.size(); i += 3) {
        tampon.push_back(3);
        for (std::size_t k = 0; k < 3; ++k)
            ajouterOctets(tampon, static_cast<std::uint32_t>(coins[i + k]), 4);
    }
    return ecrireFichier(chemin, tampon);
}

bool exporterMaillage(const CMaillageTriangleChRegion& maillage, const char* chemin) {
    const std::size_t longueur = std::strlen(chemin);
    std::string extension;
    if (longueur >= 4)
        for (std::size_t i = longueur - 4; i < longueur; ++i)
            extension.push_back(
                static_cast<char>(std::tolower(static_cast<unsigned char>(chemin[i]))));
    if (extension == ".stl")
        return exporterSTL(maillage, chemin);
    if (extension == ".obj")
        return exporterOBJ(maillage, chemin);
    if (extension == ".ply")
        return exporterPLY(maillage, chemin);
    Message(Chaine("Format de maillage inconnu (.stl, .obj ou .ply attendu) : ") + chemin);
    return false;
}
