#include "mesh/Decimation.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MesuresMaillage.h"

namespace {

// Below this squared doubled area (voxel^4) a triangle has no area.
constexpr double kAire2Nulle = 1e-12;
// A triangle whose height is below this fraction of its longest edge, squared, counts as flat.
constexpr double kAplati = 1e-8;
// A triangle is turned over when its normal and the source's make a cosine below this.
constexpr double kCosinusRetourne = -1e-3;

struct Point {
    double x, y, z;
};

Point moins(const Point& p, const Point& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
double scalaire(const Point& u, const Point& v) { return u.x * v.x + u.y * v.y + u.z * v.z; }
Point plus(const Point& p, const Point& u, double t) {
    return {p.x + t * u.x, p.y + t * u.y, p.z + t * u.z};
}

// Closest point of triangle abc to p (Ericson, Real-Time Collision Detection, 5.1.5).
Point plusProche(const Point& p, const Point& a, const Point& b, const Point& c) {
    const Point ab = moins(b, a), ac = moins(c, a), ap = moins(p, a);
    const double d1 = scalaire(ab, ap), d2 = scalaire(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return a;
    const Point bp = moins(p, b);
    const double d3 = scalaire(ab, bp), d4 = scalaire(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return plus(a, ab, d1 / (d1 - d3));
    const Point cp = moins(p, c);
    const double d5 = scalaire(ab, cp), d6 = scalaire(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return plus(a, ac, d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return plus(b, moins(c, b), (d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double somme = va + vb + vc;
    return plus(plus(a, ab, vb / somme), ac, vc / somme);
}

// Largest distance of the points to the triangles, looked for only up to limite: a point
// farther than limite from every triangle gives a value above limite. Triangles are filed in
// a grid of cells of side limite by their box grown by limite, so a point meets in its own
// cell every triangle within limite of it.
double distanceMax(const std::vector<float>& points, const std::vector<float>& positions,
                   const std::vector<unsigned>& coins, double limite) {
    const auto cellule = [limite](double v) {
        return static_cast<long long>(std::floor(v / limite));
    };
    const auto cle = [](long long i, long long j, long long k) {
        return static_cast<std::uint64_t>((i & 0x1fffff) | (j & 0x1fffff) << 21 |
                                          (k & 0x1fffff) << 42);
    };
    const auto sommet = [&](unsigned n) {
        return Point{positions[3 * n], positions[3 * n + 1], positions[3 * n + 2]};
    };
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> grille;
    for (std::size_t t = 0; t < coins.size() / 3; ++t) {
        Point bas{1e300, 1e300, 1e300}, haut{-1e300, -1e300, -1e300};
        for (int k = 0; k < 3; ++k) {
            const Point s = sommet(coins[3 * t + static_cast<std::size_t>(k)]);
            bas = {std::min(bas.x, s.x), std::min(bas.y, s.y), std::min(bas.z, s.z)};
            haut = {std::max(haut.x, s.x), std::max(haut.y, s.y), std::max(haut.z, s.z)};
        }
        for (long long i = cellule(bas.x - limite); i <= cellule(haut.x + limite); ++i)
            for (long long j = cellule(bas.y - limite); j <= cellule(haut.y + limite); ++j)
                for (long long k = cellule(bas.z - limite); k <= cellule(haut.z + limite); ++k)
                    grille[cle(i, j, k)].push_back(t);
    }
    double pire = 0.0;
    for (std::size_t n = 0; n < points.size() / 3; ++n) {
        const Point p{points[3 * n], points[3 * n + 1], points[3 * n + 2]};
        double meilleure = 2.0 * limite;
        const auto it = grille.find(cle(cellule(p.x), cellule(p.y), cellule(p.z)));
        if (it != grille.end())
            for (std::size_t t : it->second) {
                const Point q = plusProche(p, sommet(coins[3 * t]), sommet(coins[3 * t + 1]),
                                           sommet(coins[3 * t + 2]));
                const Point d = moins(p, q);
                meilleure = std::min(meilleure, std::sqrt(scalaire(d, d)));
            }
        pire = std::max(pire, meilleure);
    }
    return pire;
}

// Triangles of the decimated surface turned over: without area, or facing away from the
// surface they replace, as told by the vertex normals of the source at their corners.
int retournes(const std::vector<float>& positions, const std::vector<unsigned>& coins,
              const std::vector<float>& normales, const std::vector<unsigned>& origine) {
    const auto point = [](const std::vector<float>& v, std::size_t n) {
        return Point{v[3 * n], v[3 * n + 1], v[3 * n + 2]};
    };
    int n = 0;
    for (std::size_t t = 0; t < coins.size() / 3; ++t) {
        const unsigned* c = &coins[3 * t];
        const Point a = point(positions, c[0]);
        const Point u = moins(point(positions, c[1]), a), v = moins(point(positions, c[2]), a);
        const Point normale{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        Point attendue{0.0, 0.0, 0.0};
        for (int k = 0; k < 3; ++k)
            attendue = plus(attendue, point(normales, origine[c[k]]), 1.0);
        if (scalaire(normale, normale) < kAire2Nulle ||
            scalaire(normale, attendue) <
                kCosinusRetourne *
                    std::sqrt(scalaire(normale, normale) * scalaire(attendue, attendue)))
            ++n;
    }
    return n;
}

// Collapses leave triangles without area where vertices of a flat part line up. Such a
// triangle's longest edge is flipped with the triangle on its other side, which splits the
// pair at the middle vertex; a flip that would duplicate an edge is not made. Rounds until no
// flip is possible.
bool aplati(const std::vector<float>& positions, const unsigned* c) {
    const auto point = [&](unsigned n) {
        return Point{positions[3 * n], positions[3 * n + 1], positions[3 * n + 2]};
    };
    const Point a = point(c[0]);
    const Point u = moins(point(c[1]), a), v = moins(point(c[2]), a);
    const Point w = moins(v, u);
    const Point n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    const double l2 = std::max({scalaire(u, u), scalaire(v, v), scalaire(w, w)});
    return scalaire(n, n) < kAplati * l2 * l2;
}

void retournerAplatis(const std::vector<float>& positions, std::vector<unsigned>& coins) {
    constexpr int kToursMax = 8;
    const auto point = [&](unsigned n) {
        return Point{positions[3 * n], positions[3 * n + 1], positions[3 * n + 2]};
    };
    const auto cle = [](unsigned a, unsigned b) { return std::uint64_t{a} << 32 | b; };
    std::unordered_map<std::uint64_t, std::size_t> aretes;
    const std::size_t nbT = coins.size() / 3;
    for (std::size_t t = 0; t < nbT; ++t)
        for (int k = 0; k < 3; ++k)
            aretes[cle(coins[3 * t + k], coins[3 * t + (k + 1) % 3])] = t;
    for (int tour = 0; tour < kToursMax; ++tour) {
        int retournes = 0;
        for (std::size_t t = 0; t < nbT; ++t) {
            unsigned* c = &coins[3 * t];
            if (!aplati(positions, c))
                continue;
            // The longest edge p -> q of t, m the corner opposite.
            int k = 0;
            double longueur = -1.0;
            for (int e = 0; e < 3; ++e) {
                const Point d = moins(point(c[(e + 1) % 3]), point(c[e]));
                if (scalaire(d, d) > longueur) {
                    longueur = scalaire(d, d);
                    k = e;
                }
            }
            const unsigned p = c[k], q = c[(k + 1) % 3], m = c[(k + 2) % 3];
            const auto voisin = aretes.find(cle(q, p));
            if (voisin == aretes.end())
                continue;
            const std::size_t w = voisin->second;
            unsigned* o = &coins[3 * w];
            const unsigned d =
                o[0] != q && o[0] != p ? o[0] : (o[1] != q && o[1] != p ? o[1] : o[2]);
            if (d == m || aretes.count(cle(m, d)) > 0 || aretes.count(cle(d, m)) > 0)
                continue;
            aretes.erase(cle(p, q));
            aretes.erase(cle(q, p));
            c[0] = p, c[1] = d, c[2] = m;
            o[0] = d, o[1] = q, o[2] = m;
            for (int e = 0; e < 3; ++e) {
                aretes[cle(c[e], c[(e + 1) % 3])] = t;
                aretes[cle(o[e], o[(e + 1) % 3])] = w;
            }
            ++retournes;
        }
        if (retournes == 0)
            break;
    }
}

// What flips leave: the middle vertex of each triangle still without area is merged into the
// nearer end of its longest edge, and the triangles that lose a corner go. Then flips again.
// The checks that follow refuse whatever this cannot mend.
void reparerAplatis(const std::vector<float>& positions, std::vector<unsigned>& coins) {
    constexpr int kFusionsMax = 4;
    const auto distance2 = [&](unsigned a, unsigned b) {
        const Point d{positions[3 * a] - positions[3 * b],
                      positions[3 * a + 1] - positions[3 * b + 1],
                      positions[3 * a + 2] - positions[3 * b + 2]};
        return scalaire(d, d);
    };
    for (int fusion = 0; fusion < kFusionsMax; ++fusion) {
        retournerAplatis(positions, coins);
        std::unordered_map<unsigned, unsigned> remplace;
        for (std::size_t t = 0; t < coins.size() / 3; ++t) {
            const unsigned* c = &coins[3 * t];
            if (!aplati(positions, c))
                continue;
            // The middle vertex is the one opposite the longest edge.
            int k = 0;
            for (int e = 1; e < 3; ++e)
                if (distance2(c[(e + 1) % 3], c[(e + 2) % 3]) >
                    distance2(c[(k + 1) % 3], c[(k + 2) % 3]))
                    k = e;
            const unsigned m = c[k], p = c[(k + 1) % 3], q = c[(k + 2) % 3];
            if (remplace.count(m) == 0 && remplace.count(p) == 0 && remplace.count(q) == 0)
                remplace[m] = distance2(m, p) < distance2(m, q) ? p : q;
        }
        if (remplace.empty())
            return;
        std::vector<unsigned> gardes;
        gardes.reserve(coins.size());
        for (std::size_t t = 0; t < coins.size() / 3; ++t) {
            unsigned c[3];
            for (int k = 0; k < 3; ++k) {
                const auto r = remplace.find(coins[3 * t + k]);
                c[k] = r == remplace.end() ? coins[3 * t + k] : r->second;
            }
            if (c[0] != c[1] && c[1] != c[2] && c[0] != c[2])
                gardes.insert(gardes.end(), {c[0], c[1], c[2]});
        }
        coins = std::move(gardes);
    }
}

int euler(const CMaillageTriangleChRegion& m) {
    // Closed surface: every edge is shared by two triangles, E = 3F / 2.
    return m.nbSommets - 3 * m.nbTriangles / 2 + m.nbTriangles;
}

// Candidate ratios: the one asked, then milder ones.
constexpr int kEssais = 3;

} // namespace

bool creerMaillageDepuisTriangles(CMaillageTriangleChRegion& m, const std::vector<float>& positions,
                                  const std::vector<unsigned>& coins, std::string& raison) {
    m.vider();
    const std::size_t nbS = positions.size() / 3, nbT = coins.size() / 3;
    std::vector<CSommetChRegion*> sommets(nbS);
    for (std::size_t i = 0; i < nbS; ++i) {
        auto* s = new CSommetChRegion();
        s->x = positions[3 * i];
        s->y = positions[3 * i + 1];
        s->z = positions[3 * i + 2];
        s->precedent = m.dernierSommet;
        (m.dernierSommet != nullptr ? m.dernierSommet->suivant : m.premierSommet) = s;
        m.dernierSommet = s;
        ++m.nbSommets;
        sommets[i] = s;
    }
    // Directed edge (from, to) -> its triangle; each must be used once, its reverse once.
    std::unordered_map<std::uint64_t, std::size_t> aretes;
    aretes.reserve(3 * nbT);
    const auto cle = [](unsigned a, unsigned b) { return std::uint64_t{a} << 32 | b; };
    std::vector<std::vector<std::size_t>> incidents(nbS);
    std::vector<CTriangleChRegion*> triangles(nbT);
    const auto echouer = [&](const char* pourquoi) {
        raison = pourquoi;
        m.vider();
        return false;
    };
    for (std::size_t t = 0; t < nbT; ++t) {
        const unsigned* c = &coins[3 * t];
        if (c[0] >= nbS || c[1] >= nbS || c[2] >= nbS || c[0] == c[1] || c[1] == c[2] ||
            c[0] == c[2])
            return echouer("triangle dégénéré");
        auto* tri = new CTriangleChRegion(sommets[c[0]], sommets[c[1]], sommets[c[2]]);
        tri->orientation = 1;
        tri->precedent = m.dernierTriangle;
        (m.dernierTriangle != nullptr ? m.dernierTriangle->suivant : m.premierTriangle) = tri;
        m.dernierTriangle = tri;
        ++m.nbTriangles;
        triangles[t] = tri;
        for (int k = 0; k < 3; ++k) {
            if (!aretes.emplace(cle(c[k], c[(k + 1) % 3]), t).second)
                return echouer("surface non orientable ou non manifold");
            incidents[c[k]].push_back(t);
        }
    }
    // Each vertex's fan, walked from one triangle (v, p, q) to the one holding edge v -> q,
    // must be one cycle through all its triangles.
    for (std::size_t v = 0; v < nbS; ++v) {
        const std::vector<std::size_t>& fan = incidents[v];
        if (fan.size() < 3 ||
            fan.size() > static_cast<std::size_t>(CSommetChRegion::CAPACITE_ANNEAU))
            return echouer("sommet irrégulier");
        CSommetChRegion* s = sommets[v];
        std::size_t t = fan.front();
        for (std::size_t pas = 0; pas < fan.size(); ++pas) {
            const unsigned* c = &coins[3 * t];
            const int k = c[0] == v ? 0 : (c[1] == v ? 1 : 2);
            const unsigned p = c[(k + 1) % 3], q = c[(k + 2) % 3];
            s->voisins.ajouter(sommets[p]);
            s->triangles.ajouter(triangles[t]);
            const auto suivant = aretes.find(cle(static_cast<unsigned>(v), q));
            if (suivant == aretes.end())
                return echouer("surface ouverte");
            t = suivant->second;
            if ((t == fan.front()) != (pas + 1 == fan.size()))
                return echouer("sommet non manifold");
        }
    }
    // Every vertex active, in list order, as after a construction.
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        s->actif = true;
        s->enListeActive = true;
        m.sommetsActifs.ajouter(s);
        s->elementActif = m.sommetsActifs.fin;
    }
    m.calculerNormales();
    m.calculerNormalesSommets();
    return true;
}

bool decimerMaillage(const CMaillageTriangleChRegion& source, double ratio,
                     CMaillageTriangleChRegion& resultat, BilanDecimation& bilan,
                     std::string& raison) {
    if (!(ratio > 0.0 && ratio <= 1.0)) {
        raison = "le taux de décimation doit être compris entre 0 (exclu) et 1";
        return false;
    }
    if (!controlerMaillage(source).ferme || source.nbTriangles <= 0) {
        raison = "le maillage à décimer n'est pas fermé";
        return false;
    }
    // Positions in list order, corners in outward order.
    std::vector<float> positions, normales;
    positions.reserve(3 * static_cast<std::size_t>(source.nbSommets));
    normales.reserve(3 * static_cast<std::size_t>(source.nbSommets));
    for (CSommetChRegion* v = source.premierSommet; v != nullptr; v = v->suivant) {
        v->indice = static_cast<int>(positions.size() / 3);
        positions.insert(positions.end(), {v->x, v->y, v->z});
        normales.insert(normales.end(), {v->normale.x, v->normale.y, v->normale.z});
    }
    std::vector<unsigned> coins;
    coins.reserve(3 * static_cast<std::size_t>(source.nbTriangles));
    for (const CTriangleChRegion* t = source.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* b = t->orientation < 0 ? t->c : t->b;
        const CSommetChRegion* c = t->orientation < 0 ? t->b : t->c;
        coins.insert(coins.end(),
                     {static_cast<unsigned>(t->a->indice), static_cast<unsigned>(b->indice),
                      static_cast<unsigned>(c->indice)});
    }
    const std::size_t nbSommets = positions.size() / 3;
    const double volumeSource = volumeEnclos(source);
    const int eulerSource = euler(source);
    // The library's error is relative to the mesh's extent.
    const float echelle = meshopt_simplifyScale(positions.data(), nbSommets, 3 * sizeof(float));
    const float erreurRelative =
        echelle > 0.0f ? static_cast<float>(kDistanceDecimation / 2.0) / echelle : 0.0f;

    double essai = ratio;
    for (int n = 0; n < kEssais; ++n, essai = 0.5 * (1.0 + essai)) {
        const std::size_t cible =
            std::max<std::size_t>(12, static_cast<std::size_t>(essai * coins.size()) / 3 * 3);
        std::vector<unsigned> reduits(coins.size());
        reduits.resize(meshopt_simplify(reduits.data(), coins.data(), coins.size(),
                                        positions.data(), nbSommets, 3 * sizeof(float), cible,
                                        erreurRelative));
        reparerAplatis(positions, reduits);
        // Only the vertices still used, renumbered in their first order.
        std::vector<unsigned> numero(nbSommets, ~0u);
        std::vector<float> gardees;
        std::vector<unsigned> origine; // source vertex of each kept one
        for (unsigned& c : reduits) {
            if (numero[c] == ~0u) {
                numero[c] = static_cast<unsigned>(gardees.size() / 3);
                origine.push_back(c);
                gardees.insert(gardees.end(),
                               {positions[3 * c], positions[3 * c + 1], positions[3 * c + 2]});
            }
            c = numero[c];
        }
        CMaillageTriangleChRegion essaye;
        if (!creerMaillageDepuisTriangles(essaye, gardees, reduits, raison))
            continue;
        const ControleMaillage controle = controlerMaillage(essaye);
        if (!controle.ferme || controle.irreguliers > 0) {
            raison = "la surface décimée n'est pas fermée ou a des sommets irréguliers";
            continue;
        }
        if (retournes(gardees, reduits, normales, origine) > 0) {
            raison = "la surface décimée se replie sur elle-même";
            continue;
        }
        if (euler(essaye) != eulerSource) {
            raison = "la décimation change la topologie de la surface";
            continue;
        }
        const double ecart = std::fabs(volumeEnclos(essaye) - volumeSource) / volumeSource;
        if (!(ecart < kEcartVolumeDecimation)) {
            raison = "la décimation change le volume de plus de 1 %";
            continue;
        }
        const double distance = distanceMax(positions, gardees, reduits, kDistanceDecimation);
        if (distance > kDistanceDecimation) {
            raison = "la surface décimée s'écarte de plus d'un demi-voxel";
            continue;
        }
        bilan.ratio = essai;
        bilan.trianglesAvant = source.nbTriangles;
        bilan.trianglesApres = essaye.nbTriangles;
        bilan.ecartVolume = ecart;
        bilan.distanceMax = distance;
        resultat = essaye;
        resultat.calculerNormales();
        resultat.calculerNormalesSommets();
        return true;
    }
    raison = "décimation refusée : " + raison;
    return false;
}
