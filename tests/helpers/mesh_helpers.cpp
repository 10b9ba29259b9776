#include "helpers/mesh_helpers.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

void remplirRegion(CRegion3D& region, int X, int Y, int Z,
                   const std::vector<CTriplet<int>>& voxels) {
    CRegion3D::initialiserVoisinages();
    region.init(X, Y, Z);
    region.vider();
    for (const CTriplet<int>& v : voxels)
        region.ajouter(v);
    region.calculerVoxelsBord();
}

bool maillageDeVoxels(CMaillageTriangleChRegion& m, int X, int Y, int Z,
                      const std::vector<CTriplet<int>>& voxels, int echelle) {
    CRegion3D region;
    remplirRegion(region, X, Y, Z, voxels);
    return m.creerMaillageTriangleChRegion2(region, echelle);
}

std::vector<CPoint3D> positions(const CMaillageTriangleChRegion& m) {
    std::vector<CPoint3D> p;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        p.emplace_back(s->x, s->y, s->z);
    return p;
}

std::vector<CTriplet<int>> blobAleatoire(std::uint32_t graine, int X, int Y, int Z, int nbGraines) {
    std::mt19937 aleatoire(graine);
    std::set<std::array<int, 3>> voxels;
    for (int i = 0; i < nbGraines; ++i) {
        const int x = 2 + static_cast<int>(aleatoire() % static_cast<unsigned>(X - 4));
        const int y = 2 + static_cast<int>(aleatoire() % static_cast<unsigned>(Y - 4));
        const int z = 2 + static_cast<int>(aleatoire() % static_cast<unsigned>(Z - 4));
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz)
                    voxels.insert({x + dx, y + dy, z + dz});
    }
    std::vector<CTriplet<int>> liste;
    for (const auto& v : voxels)
        liste.emplace_back(v[0], v[1], v[2]);
    return liste;
}

std::vector<CTriplet<int>> boule(CTriplet<int> c, double r) {
    std::vector<CTriplet<int>> liste;
    const int n = static_cast<int>(std::ceil(r));
    for (int x = -n; x <= n; ++x)
        for (int y = -n; y <= n; ++y)
            for (int z = -n; z <= n; ++z)
                if (x * x + y * y + z * z <= r * r)
                    liste.emplace_back(c.x + x, c.y + y, c.z + z);
    return liste;
}

std::vector<CTriplet<int>> boite(CTriplet<int> a, CTriplet<int> b) {
    std::vector<CTriplet<int>> liste;
    for (int x = a.x; x <= b.x; ++x)
        for (int y = a.y; y <= b.y; ++y)
            for (int z = a.z; z <= b.z; ++z)
                liste.emplace_back(x, y, z);
    return liste;
}

Soupe soupeMaillage(const CMaillageTriangleChRegion& m) {
    Soupe soupe;
    std::map<const CSommetChRegion*, int> numeros;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        numeros[s] = static_cast<int>(soupe.positions.size());
        soupe.positions.push_back({s->x, s->y, s->z});
        soupe.normales.push_back({s->normale.x, s->normale.y, s->normale.z});
    }
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* b = t->orientation < 0 ? t->c : t->b;
        const CSommetChRegion* c = t->orientation < 0 ? t->b : t->c;
        soupe.triangles.push_back({numeros.at(t->a), numeros.at(b), numeros.at(c)});
    }
    return soupe;
}

namespace {

bool lireFichier(const std::string& chemin, std::string& contenu) {
    std::ifstream f(chemin, std::ios::binary);
    if (!f)
        return false;
    std::ostringstream s;
    s << f.rdbuf();
    contenu = s.str();
    return true;
}

template <typename T> T lireLE(const std::string& c, std::size_t& pos) {
    T v;
    std::memcpy(&v, c.data() + pos, sizeof v);
    pos += sizeof v;
    return v;
}

} // namespace

bool lireSTL(const std::string& chemin, Soupe& soupe) {
    std::string c;
    if (!lireFichier(chemin, c) || c.size() < 84)
        return false;
    std::size_t pos = 80;
    const std::uint32_t n = lireLE<std::uint32_t>(c, pos);
    if (c.size() != 84 + 50ull * n)
        return false;
    for (std::uint32_t i = 0; i < n; ++i) {
        std::array<float, 3> normale;
        for (float& v : normale)
            v = lireLE<float>(c, pos);
        soupe.normales.push_back(normale);
        std::array<int, 3> tri;
        for (int k = 0; k < 3; ++k) {
            std::array<float, 3> p;
            for (float& v : p)
                v = lireLE<float>(c, pos);
            tri[k] = static_cast<int>(soupe.positions.size());
            soupe.positions.push_back(p);
        }
        soupe.triangles.push_back(tri);
        pos += 2;
    }
    return true;
}

bool lireOBJ(const std::string& chemin, Soupe& soupe) {
    std::ifstream f(chemin);
    if (!f)
        return false;
    std::string ligne;
    while (std::getline(f, ligne)) {
        std::istringstream s(ligne);
        std::string mot;
        s >> mot;
        if (mot == "v" || mot == "vn") {
            std::array<float, 3> p;
            s >> p[0] >> p[1] >> p[2];
            (mot == "v" ? soupe.positions : soupe.normales).push_back(p);
        } else if (mot == "f") {
            std::array<int, 3> tri;
            for (int& k : tri) {
                std::string coin;
                s >> coin;
                const std::size_t barre = coin.find("//");
                if (barre == std::string::npos || coin.substr(0, barre) != coin.substr(barre + 2))
                    return false;
                k = std::stoi(coin.substr(0, barre)) - 1;
            }
            soupe.triangles.push_back(tri);
        }
    }
    return true;
}

bool lirePLY(const std::string& chemin, Soupe& soupe) {
    std::string c;
    if (!lireFichier(chemin, c))
        return false;
    const std::size_t fin = c.find("end_header\n");
    if (fin == std::string::npos || c.rfind("ply\nformat binary_little_endian 1.0\n", 0) != 0)
        return false;
    std::istringstream entete(c.substr(0, fin));
    std::string ligne;
    long nbSommets = -1, nbFaces = -1;
    while (std::getline(entete, ligne)) {
        std::istringstream s(ligne);
        std::string a, b;
        long n;
        if (s >> a >> b >> n && a == "element")
            (b == "vertex" ? nbSommets : nbFaces) = n;
    }
    std::size_t pos = fin + std::strlen("end_header\n");
    if (nbSommets < 0 || nbFaces < 0 || c.size() != pos + 24ull * nbSommets + 13ull * nbFaces)
        return false;
    for (long i = 0; i < nbSommets; ++i) {
        std::array<float, 3> p, n;
        for (float& v : p)
            v = lireLE<float>(c, pos);
        for (float& v : n)
            v = lireLE<float>(c, pos);
        soupe.positions.push_back(p);
        soupe.normales.push_back(n);
    }
    for (long i = 0; i < nbFaces; ++i) {
        if (static_cast<unsigned char>(c[pos++]) != 3)
            return false;
        std::array<int, 3> tri;
        for (int& k : tri)
            k = lireLE<std::int32_t>(c, pos);
        soupe.triangles.push_back(tri);
    }
    return true;
}

bool lirePLYComplet(const std::string& chemin, PlyLu& ply) {
    std::string c;
    if (!lireFichier(chemin, c))
        return false;
    const std::size_t fin = c.find("end_header\n");
    if (fin == std::string::npos || c.rfind("ply\nformat binary_little_endian 1.0\n", 0) != 0)
        return false;
    std::istringstream entete(c.substr(0, fin));
    std::string ligne, element;
    long nbSommets = -1, nbFaces = -1;
    std::vector<std::pair<std::string, std::string>> sommet, face; // (type, name)
    while (std::getline(entete, ligne)) {
        std::istringstream s(ligne);
        std::string mot;
        s >> mot;
        if (mot == "comment") {
            ply.commentaires.push_back(ligne.substr(std::min(ligne.size(), std::size_t{8})));
        } else if (mot == "element") {
            long n = 0;
            s >> element >> n;
            (element == "vertex" ? nbSommets : nbFaces) = n;
        } else if (mot == "property") {
            std::string type, nom;
            s >> type;
            if (type == "list") {
                std::string compte, indice;
                s >> compte >> indice >> nom;
                if (compte != "uchar" || indice != "int" || nom != "vertex_indices")
                    return false;
                type = "list";
            } else {
                s >> nom;
            }
            (element == "vertex" ? sommet : face).emplace_back(type, nom);
        }
    }
    std::size_t pos = fin + std::strlen("end_header\n");
    const auto valeur = [&](const std::string& type, double& v) {
        if (pos + (type == "uchar" ? 1 : 4) > c.size())
            return false;
        if (type == "float")
            v = lireLE<float>(c, pos);
        else if (type == "uchar")
            v = static_cast<unsigned char>(c.at(pos++));
        else if (type == "int")
            v = lireLE<std::int32_t>(c, pos);
        else if (type == "uint")
            v = lireLE<std::uint32_t>(c, pos);
        else
            return false;
        return true;
    };
    for (long i = 0; i < nbSommets; ++i) {
        std::map<std::string, double> v;
        for (const auto& [type, nom] : sommet)
            if (!valeur(type, v[nom]))
                return false;
        ply.soupe.positions.push_back(
            {static_cast<float>(v["x"]), static_cast<float>(v["y"]), static_cast<float>(v["z"])});
        if (v.count("nx"))
            ply.soupe.normales.push_back({static_cast<float>(v["nx"]), static_cast<float>(v["ny"]),
                                          static_cast<float>(v["nz"])});
        if (v.count("red"))
            ply.couleurs.push_back({static_cast<std::uint8_t>(v["red"]),
                                    static_cast<std::uint8_t>(v["green"]),
                                    static_cast<std::uint8_t>(v["blue"])});
    }
    for (long i = 0; i < nbFaces; ++i)
        for (const auto& [type, nom] : face) {
            if (pos >= c.size())
                return false;
            if (type == "list") {
                if (c[pos++] != 3 || pos + 12 > c.size())
                    return false;
                std::array<int, 3> t;
                for (int& k : t)
                    k = lireLE<std::int32_t>(c, pos);
                ply.soupe.triangles.push_back(t);
                continue;
            }
            double v = 0;
            if (!valeur(type, v))
                return false;
            if (nom == "label") {
                ply.labels.push_back(static_cast<std::uint64_t>(v));
                ply.typeLabel = type;
            }
        }
    return pos == c.size();
}

Soupe fusionnerPositions(const Soupe& soupe) {
    Soupe resultat;
    std::map<std::array<float, 3>, int> numeros;
    std::vector<int> nouveau(soupe.positions.size());
    for (std::size_t i = 0; i < soupe.positions.size(); ++i) {
        auto [it, ajoute] =
            numeros.emplace(soupe.positions[i], static_cast<int>(resultat.positions.size()));
        if (ajoute)
            resultat.positions.push_back(soupe.positions[i]);
        nouveau[i] = it->second;
    }
    for (const auto& t : soupe.triangles)
        resultat.triangles.push_back({nouveau[t[0]], nouveau[t[1]], nouveau[t[2]]});
    return resultat;
}

double volumeSigne(const Soupe& soupe) {
    double volume = 0.0;
    for (const auto& t : soupe.triangles) {
        const auto &a = soupe.positions[t[0]], &b = soupe.positions[t[1]],
                   &c = soupe.positions[t[2]];
        volume += (static_cast<double>(a[0]) *
                       (static_cast<double>(b[1]) * c[2] - static_cast<double>(b[2]) * c[1]) -
                   static_cast<double>(a[1]) *
                       (static_cast<double>(b[0]) * c[2] - static_cast<double>(b[2]) * c[0]) +
                   static_cast<double>(a[2]) *
                       (static_cast<double>(b[0]) * c[1] - static_cast<double>(b[1]) * c[0]));
    }
    // Dividing once keeps the sum exact for half-integer voxel-corner coordinates.
    return volume / 6.0;
}

bool fermeeEtOrientee(const Soupe& soupe) {
    std::map<std::pair<int, int>, int> aretes;
    for (const auto& t : soupe.triangles)
        for (int k = 0; k < 3; ++k)
            ++aretes[{t[k], t[(k + 1) % 3]}];
    for (const auto& [arete, n] : aretes) {
        auto inverse = aretes.find({arete.second, arete.first});
        if (n != 1 || inverse == aretes.end() || inverse->second != 1)
            return false;
    }
    return true;
}

int caracteristiqueEuler(const Soupe& soupe) {
    std::set<std::pair<int, int>> aretes;
    for (const auto& t : soupe.triangles)
        for (int k = 0; k < 3; ++k)
            aretes.insert(std::minmax(t[k], t[(k + 1) % 3]));
    return static_cast<int>(soupe.positions.size()) - static_cast<int>(aretes.size()) +
           static_cast<int>(soupe.triangles.size());
}

int caracteristiqueEuler(const CMaillageTriangleChRegion& m) {
    return caracteristiqueEuler(soupeMaillage(m));
}
