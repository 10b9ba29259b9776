#include "mesh/ExportMaillage.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Message.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MaillagePlat.h"
#include "volume/VolumeBrut.h"

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

// Frame of the written coordinates: the voxel frame as it stands, or the world frame of an
// affine transform (positions through it, normals through its inverse transpose).
struct Repere {
    bool monde = false;
    bool miroir = false; // the transform reverses orientation: corners are written reversed
    double a[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    double n[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    const char* entete() const {
        return monde ? "Stravol mesh, world coordinates (mm, RAS)"
                     : "Stravol mesh, voxel coordinates";
    }
    void position(const CPoint3D& p, float sortie[3]) const {
        if (!monde) {
            sortie[0] = p.x, sortie[1] = p.y, sortie[2] = p.z;
            return;
        }
        for (int i = 0; i < 3; ++i)
            sortie[i] = static_cast<float>(a[i][0] * p.x + a[i][1] * p.y + a[i][2] * p.z + a[i][3]);
    }
    void normale(const CPoint3D& v, float sortie[3]) const {
        if (!monde) {
            sortie[0] = v.x, sortie[1] = v.y, sortie[2] = v.z;
            return;
        }
        double m[3], longueur = 0.0;
        for (int i = 0; i < 3; ++i) {
            m[i] = n[i][0] * v.x + n[i][1] * v.y + n[i][2] * v.z;
            longueur += m[i] * m[i];
        }
        longueur = std::sqrt(longueur);
        for (int i = 0; i < 3; ++i)
            sortie[i] = static_cast<float>(longueur > 0.0 ? m[i] / longueur : 0.0);
    }
};

Repere repereMonde(const Stravol::Geometrie& g) {
    Repere r;
    if (g.identite())
        return r;
    r.monde = true;
    const auto& a = g.affine;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            r.a[i][j] = a[i][j];
    // Inverse transpose of the linear part: the cofactor matrix over the determinant (its
    // sign is kept, so that outward normals stay outward).
    const double d = g.determinant();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            r.n[i][j] = (a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1]) / d;
        }
    r.miroir = d < 0.0;
    return r;
}

void ajouterPoint(Tampon& tampon, const float p[3]) {
    for (int k = 0; k < 3; ++k)
        ajouterFloat(tampon, p[k]);
}

void ajouterPointTexte(Tampon& tampon, const float p[3]) {
    for (int k = 0; k < 3; ++k) {
        tampon += ' ';
        ajouterTexte(tampon, p[k]);
    }
}

} // namespace

// Writers in a given frame; the public writers use the voxel frame.
bool ecrireSTL(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r);
bool ecrireOBJ(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r);
bool ecrirePLY(const CMaillageTriangleChRegion& maillage, const char* chemin, const Repere& r);

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

namespace {

// The flat mesh's corners in the written order (reversed when the frame mirrors), and its
// vertex normals; false when a corner is not a vertex.
bool coinsPlat(const Stravol::MaillagePlat& m, const Repere& r, std::vector<std::uint32_t>& coins,
               std::vector<float>& normales) {
    const std::size_t nb = m.nbSommets();
    coins = m.triangles;
    for (std::size_t t = 0; t + 2 < coins.size(); t += 3) {
        if (coins[t] >= nb || coins[t + 1] >= nb || coins[t + 2] >= nb)
            return false;
        if (r.miroir)
            std::swap(coins[t + 1], coins[t + 2]);
    }
    if (m.normales.size() == m.positions.size()) {
        normales = m.normales;
    } else {
        Stravol::MaillagePlat copie;
        copie.positions = m.positions;
        copie.triangles = m.triangles;
        Stravol::calculerNormalesPlat(copie);
        normales = std::move(copie.normales);
    }
    return coins.size() % 3 == 0;
}

CPoint3D pointPlat(const std::vector<float>& valeurs, std::size_t v) {
    return CPoint3D(valeurs[3 * v], valeurs[3 * v + 1], valeurs[3 * v + 2]);
}

bool ecrirePlat(const Stravol::MaillagePlat& m, const char* chemin, const Repere& r,
                const std::string& extension) {
    std::vector<std::uint32_t> coins;
    std::vector<float> normales;
    if (!coinsPlat(m, r, coins, normales))
        return refuserMaillage(chemin);
    const std::size_t nbSommets = m.nbSommets(), nbTriangles = coins.size() / 3;
    Tampon tampon;
    float p[3];
    if (extension == ".stl") {
        tampon.reserve(84 + 50 * nbTriangles);
        std::string entete = r.entete();
        entete.resize(80, ' ');
        tampon += entete;
        ajouterOctets(tampon, static_cast<std::uint32_t>(nbTriangles), 4);
        for (std::size_t t = 0; t < nbTriangles; ++t) {
            // The facet's normal from its corners in the voxel frame, turned outward.
            const std::uint32_t* c = &m.triangles[3 * t];
            double u[3], v[3];
            for (std::size_t k = 0; k < 3; ++k) {
                u[k] = double(m.positions[3 * c[1] + k]) - m.positions[3 * c[0] + k];
                v[k] = double(m.positions[3 * c[2] + k]) - m.positions[3 * c[0] + k];
            }
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
            const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            const CPoint3D normale =
                l > 0.0 ? CPoint3D(static_cast<float>(n[0] / l), static_cast<float>(n[1] / l),
                                   static_cast<float>(n[2] / l))
                        : CPoint3D(0.0f, 0.0f, 0.0f);
            r.normale(normale, p);
            ajouterPoint(tampon, p);
            for (std::size_t k = 0; k < 3; ++k) {
                r.position(pointPlat(m.positions, coins[3 * t + k]), p);
                ajouterPoint(tampon, p);
            }
            ajouterOctets(tampon, 0, 2);
        }
    } else if (extension == ".obj") {
        tampon.reserve(60 * nbSommets + 30 * coins.size());
        tampon += std::string("# ") + r.entete() + "\n";
        for (std::size_t v = 0; v < nbSommets; ++v) {
            tampon += 'v';
            r.position(pointPlat(m.positions, v), p);
            ajouterPointTexte(tampon, p);
            tampon += '\n';
        }
        for (std::size_t v = 0; v < nbSommets; ++v) {
            tampon += "vn";
            r.normale(pointPlat(normales, v), p);
            ajouterPointTexte(tampon, p);
            tampon += '\n';
        }
        for (std::size_t i = 0; i < coins.size(); i += 3) {
            tampon += 'f';
            for (std::size_t k = 0; k < 3; ++k) {
                tampon += ' ';
                ajouterTexte(tampon, static_cast<int>(coins[i + k]) + 1);
                tampon += "//";
                ajouterTexte(tampon, static_cast<int>(coins[i + k]) + 1);
            }
            tampon += '\n';
        }
    } else {
        tampon.reserve(300 + 24 * nbSommets + 13 * nbTriangles);
        tampon += std::string("ply\nformat binary_little_endian 1.0\ncomment ") + r.entete() + "\n";
        tampon += "element vertex " + std::to_string(nbSommets) + "\n";
        tampon += "property float x\nproperty float y\nproperty float z\n";
        tampon += "property float nx\nproperty float ny\nproperty float nz\n";
        tampon += "element face " + std::to_string(nbTriangles) + "\n";
        tampon += "property list uchar int vertex_indices\nend_header\n";
        for (std::size_t v = 0; v < nbSommets; ++v) {
            r.position(pointPlat(m.positions, v), p);
            ajouterPoint(tampon, p);
            r.normale(pointPlat(normales, v), p);
            ajouterPoint(tampon, p);
        }
        for (std::size_t i = 0; i < coins.size(); i += 3) {
            tampon.push_back(3);
            for (std::size_t k = 0; k < 3; ++k)
                ajouterOctets(tampon, coins[i + k], 4);
        }
    }
    return ecrireFichier(chemin, tampon);
}

} // namespace

bool exporterMaillage(const Stravol::MaillagePlat& maillage, const char* chemin,
                      const Stravol::Geometrie& monde) {
    const std::size_t longueur = std::strlen(chemin);
    std::string extension;
    if (longueur >= 4)
        for (std::size_t i = longueur - 4; i < longueur; ++i)
            extension.push_back(
                static_cast<char>(std::tolower(static_cast<unsigned char>(chemin[i]))));
    if (extension != ".stl" && extension != ".obj" && extension != ".ply") {
        Message(Chaine("Format de maillage inconnu (.stl, .obj ou .ply attendu) : ") + chemin);
        return false;
    }
    return ecrirePlat(maillage, chemin, repereMonde(monde), extension);
}
