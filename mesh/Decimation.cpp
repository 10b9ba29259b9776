#include "mesh/Decimation.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MaillagePlat.h"
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
// farther than limite from every triangle gives a value above limite, and its number goes to
// loin. Triangles are filed in a grid, of cells about as wide as a triangle, by their box
// grown by limite, so a point meets in its own cell every triangle within limite of it.
double distanceMax(const std::vector<float>& points, const std::vector<float>& positions,
                   const std::vector<unsigned>& coins, double limite, std::vector<unsigned>& loin) {
    const std::size_t nbT = coins.size() / 3;
    const auto sommet = [&](unsigned n) {
        return Point{positions[3 * n], positions[3 * n + 1], positions[3 * n + 2]};
    };
    std::vector<std::pair<Point, Point>> boites(nbT);
    double largeur = 0.0;
    for (std::size_t t = 0; t < nbT; ++t) {
        Point bas{1e300, 1e300, 1e300}, haut{-1e300, -1e300, -1e300};
        for (int k = 0; k < 3; ++k) {
            const Point s = sommet(coins[3 * t + static_cast<std::size_t>(k)]);
            bas = {std::min(bas.x, s.x), std::min(bas.y, s.y), std::min(bas.z, s.z)};
            haut = {std::max(haut.x, s.x), std::max(haut.y, s.y), std::max(haut.z, s.z)};
        }
        boites[t] = {plus(bas, {1.0, 1.0, 1.0}, -limite), plus(haut, {1.0, 1.0, 1.0}, limite)};
        largeur += std::max({haut.x - bas.x, haut.y - bas.y, haut.z - bas.z});
    }
    const double cote = std::max(limite, nbT > 0 ? largeur / static_cast<double>(nbT) : 0.0);
    const auto cellule = [cote](double v) { return static_cast<long long>(std::floor(v / cote)); };
    const auto cle = [](long long i, long long j, long long k) {
        return static_cast<std::uint64_t>((i & 0x1fffff) | (j & 0x1fffff) << 21 |
                                          (k & 0x1fffff) << 42);
    };
    // (cell, triangle) pairs sorted by cell.
    std::vector<std::pair<std::uint64_t, std::size_t>> grille;
    grille.reserve(8 * nbT);
    for (std::size_t t = 0; t < nbT; ++t) {
        const auto& [bas, haut] = boites[t];
        for (long long i = cellule(bas.x); i <= cellule(haut.x); ++i)
            for (long long j = cellule(bas.y); j <= cellule(haut.y); ++j)
                for (long long k = cellule(bas.z); k <= cellule(haut.z); ++k)
                    grille.emplace_back(cle(i, j, k), t);
    }
    std::sort(grille.begin(), grille.end());
    double pire = 0.0;
    for (std::size_t n = 0; n < points.size() / 3; ++n) {
        const Point p{points[3 * n], points[3 * n + 1], points[3 * n + 2]};
        double meilleure = 2.0 * limite;
        const std::uint64_t c = cle(cellule(p.x), cellule(p.y), cellule(p.z));
        for (auto it = std::lower_bound(grille.begin(), grille.end(), std::pair{c, std::size_t{0}});
             it != grille.end() && it->first == c; ++it) {
            const unsigned* t = &coins[3 * it->second];
            const Point d = moins(p, plusProche(p, sommet(t[0]), sommet(t[1]), sommet(t[2])));
            meilleure = std::min(meilleure, std::sqrt(scalaire(d, d)));
        }
        if (meilleure > limite)
            loin.push_back(static_cast<unsigned>(n));
        pire = std::max(pire, meilleure);
    }
    return pire;
}

// Whether triangle c (source numbers) is turned over: without area, or facing away from the
// surface it replaces, as told by the source's vertex normals at its corners.
bool retourne(const std::vector<float>& positions, const std::vector<float>& normales,
              const unsigned* c) {
    const auto point = [](const std::vector<float>& v, std::size_t n) {
        return Point{v[3 * n], v[3 * n + 1], v[3 * n + 2]};
    };
    const Point a = point(positions, c[0]);
    const Point u = moins(point(positions, c[1]), a), v = moins(point(positions, c[2]), a);
    const Point normale{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    Point attendue{0.0, 0.0, 0.0};
    for (int k = 0; k < 3; ++k)
        attendue = plus(attendue, point(normales, c[k]), 1.0);
    return scalaire(normale, normale) < kAire2Nulle ||
           scalaire(normale, attendue) < kCosinusRetourne * std::sqrt(scalaire(normale, normale) *
                                                                      scalaire(attendue, attendue));
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

// Ratios tried: the one asked, then a bisection towards 1 for the smallest that passes.
constexpr int kEssais = 6;
// Rounds of locking around the faults before a step is given up.
constexpr int kToursVerrou = 12;
// Fraction of the triangles a step keeps at least, and above which a step gained too little.
constexpr double kPas = 0.6;
constexpr double kGainMin = 0.97;

std::uint64_t cleArete(unsigned a, unsigned b) { return std::uint64_t{a} << 32 | b; }

// Vertices (source numbers) where the triangles are not a closed, consistently wound manifold
// with rings of 3 to CSommetChRegion::CAPACITE_ANNEAU triangles, or that hold a triangle
// turned over.
std::vector<unsigned> sommetsFautifs(const std::vector<float>& positions,
                                     const std::vector<float>& normales,
                                     const std::vector<unsigned>& coins) {
    const std::size_t nbS = positions.size() / 3, nbT = coins.size() / 3;
    std::vector<char> fautif(nbS, 0);
    std::unordered_map<std::uint64_t, std::size_t> aretes;
    aretes.reserve(3 * nbT);
    std::vector<std::vector<std::size_t>> incidents(nbS);
    for (std::size_t t = 0; t < nbT; ++t) {
        const unsigned* c = &coins[3 * t];
        const bool mauvais = retourne(positions, normales, c);
        for (int k = 0; k < 3; ++k) {
            const unsigned p = c[k], q = c[(k + 1) % 3];
            if (mauvais || !aretes.emplace(cleArete(p, q), t).second)
                fautif[p] = fautif[q] = 1;
            incidents[p].push_back(t);
        }
    }
    for (std::size_t v = 0; v < nbS; ++v) {
        const std::vector<std::size_t>& fan = incidents[v];
        if (fan.empty() || fautif[v])
            continue;
        if (fan.size() < 3 ||
            fan.size() > static_cast<std::size_t>(CSommetChRegion::CAPACITE_ANNEAU)) {
            fautif[v] = 1;
            continue;
        }
        // The fan walked from one triangle (v, p, q) to the one holding v -> q is one cycle.
        std::size_t t = fan.front();
        for (std::size_t pas = 0; pas < fan.size(); ++pas) {
            const unsigned* c = &coins[3 * t];
            const int k = c[0] == v ? 0 : (c[1] == v ? 1 : 2);
            const unsigned q = c[(k + 2) % 3];
            const auto suivant = aretes.find(cleArete(static_cast<unsigned>(v), q));
            if (suivant == aretes.end()) {
                fautif[v] = fautif[q] = 1;
                break;
            }
            t = suivant->second;
            if ((t == fan.front()) != (pas + 1 == fan.size())) {
                fautif[v] = 1;
                break;
            }
        }
    }
    std::vector<unsigned> liste;
    for (std::size_t v = 0; v < nbS; ++v)
        if (fautif[v])
            liste.push_back(static_cast<unsigned>(v));
    return liste;
}

// Locks every source vertex within its radius (voxel) of a centre, by a grid of cells as wide
// as the largest radius.
void verrouillerAutour(const std::vector<float>& positions, const std::vector<unsigned>& centres,
                       const std::vector<double>& rayons, std::vector<char>& verrou) {
    double cote = 0.0;
    for (double r : rayons)
        cote = std::max(cote, r);
    if (centres.empty() || !(cote > 0.0))
        return;
    const auto cellule = [cote](float v) { return static_cast<long long>(std::floor(v / cote)); };
    const auto cle = [](long long i, long long j, long long k) {
        return static_cast<std::uint64_t>((i & 0x1fffff) | (j & 0x1fffff) << 21 |
                                          (k & 0x1fffff) << 42);
    };
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> grille;
    for (std::size_t n = 0; n < centres.size(); ++n) {
        const unsigned c = centres[n];
        grille[cle(cellule(positions[3 * c]), cellule(positions[3 * c + 1]),
                   cellule(positions[3 * c + 2]))]
            .push_back(n);
    }
    for (std::size_t v = 0; v < positions.size() / 3; ++v) {
        const Point p{positions[3 * v], positions[3 * v + 1], positions[3 * v + 2]};
        const long long i = cellule(positions[3 * v]), j = cellule(positions[3 * v + 1]),
                        k = cellule(positions[3 * v + 2]);
        for (long long di = -1; di <= 1 && !verrou[v]; ++di)
            for (long long dj = -1; dj <= 1 && !verrou[v]; ++dj)
                for (long long dk = -1; dk <= 1 && !verrou[v]; ++dk) {
                    const auto it = grille.find(cle(i + di, j + dj, k + dk));
                    if (it == grille.end())
                        continue;
                    for (std::size_t n : it->second) {
                        const unsigned c = centres[n];
                        const Point d = moins(
                            p, {positions[3 * c], positions[3 * c + 1], positions[3 * c + 2]});
                        if (scalaire(d, d) <= rayons[n] * rayons[n]) {
                            verrou[v] = 1;
                            break;
                        }
                    }
                }
    }
}

// Longest edge (voxel) at each vertex of the triangles, 0 elsewhere, and the mean edge.
std::vector<double> aretesMax(const std::vector<float>& positions,
                              const std::vector<unsigned>& coins, double& moyenne) {
    std::vector<double> plusLongue(positions.size() / 3, 0.0);
    double somme = 0.0;
    for (std::size_t n = 0; n < coins.size(); ++n) {
        const unsigned p = coins[n], q = coins[n % 3 == 2 ? n - 2 : n + 1];
        const Point d{positions[3 * p] - positions[3 * q],
                      positions[3 * p + 1] - positions[3 * q + 1],
                      positions[3 * p + 2] - positions[3 * q + 2]};
        const double l = std::sqrt(scalaire(d, d));
        plusLongue[p] = std::max(plusLongue[p], l);
        plusLongue[q] = std::max(plusLongue[q], l);
        somme += l;
    }
    moyenne = coins.empty() ? 0.0 : somme / static_cast<double>(coins.size());
    return plusLongue;
}

// Collapses towards a fraction of the triangles, on those with no locked corner only: those
// with one are kept as they are, and the library keeps the border between the two parts.
std::vector<unsigned> simplifierHorsVerrou(const std::vector<float>& positions,
                                           const std::vector<unsigned>& coins,
                                           const std::vector<char>& verrou, double fraction,
                                           float erreur) {
    std::vector<unsigned> gardes, libres;
    for (std::size_t t = 0; t < coins.size() / 3; ++t) {
        const unsigned* c = &coins[3 * t];
        std::vector<unsigned>& part =
            verrou[c[0]] || verrou[c[1]] || verrou[c[2]] ? gardes : libres;
        part.insert(part.end(), {c[0], c[1], c[2]});
    }
    // Pushing the others harder to make up for the kept ones makes faults elsewhere.
    const std::size_t cibleLibre =
        static_cast<std::size_t>(fraction * static_cast<double>(libres.size())) / 3 * 3;
    std::vector<unsigned> reduits(libres.size());
    reduits.resize(meshopt_simplify(reduits.data(), libres.data(), libres.size(), positions.data(),
                                    positions.size() / 3, 3 * sizeof(float), cibleLibre, erreur,
                                    meshopt_SimplifyLockBorder));
    gardes.insert(gardes.end(), reduits.begin(), reduits.end());
    reparerAplatis(positions, gardes);
    return gardes;
}

// One step of collapses towards a fraction of the triangles that passes the local checks:
// wherever the result is faulty or too far from the source's vertices, the triangles are
// locked around and the collapses done again. Empty when the rounds run out.
std::vector<unsigned> pasLocal(const std::vector<float>& positions,
                               const std::vector<float>& normales,
                               const std::vector<unsigned>& coins, double fraction, float erreur) {
    std::vector<char> verrou(positions.size() / 3, 0);
    for (int tour = 0; tour < kToursVerrou; ++tour) {
        std::vector<unsigned> reduits =
            simplifierHorsVerrou(positions, coins, verrou, fraction, erreur);
        std::vector<unsigned> fautifs = sommetsFautifs(positions, normales, reduits);
        if (fautifs.empty())
            distanceMax(positions, positions, reduits, kDistanceDecimation, fautifs);
        if (fautifs.empty())
            return reduits;
        // Around a fault, as far as its longest edge but no farther than a mean edge per
        // round; around a source vertex too far from the result, a mean edge per round.
        double moyenne = 0.0;
        const std::vector<double> plusLongue = aretesMax(positions, reduits, moyenne);
        const double portee = (1.0 + tour) * moyenne;
        std::vector<double> rayons;
        for (unsigned v : fautifs)
            rayons.push_back(plusLongue[v] > 0.0 ? std::min(plusLongue[v], portee) : portee);
        verrouillerAutour(positions, fautifs, rayons, verrou);
    }
    return {};
}

// Decimation towards a fraction of the triangles in steps of at most kPas each, every step
// passing the local checks before the next starts from it; stops when a step gains little.
std::vector<unsigned> deciderLocalement(const std::vector<float>& positions,
                                        const std::vector<float>& normales,
                                        const std::vector<unsigned>& coins, double fraction,
                                        float erreur) {
    const double cible = fraction * static_cast<double>(coins.size());
    std::vector<unsigned> courant = coins;
    while (static_cast<double>(courant.size()) > cible) {
        const double pas = std::max(kPas, cible / static_cast<double>(courant.size()));
        std::vector<unsigned> suivant = pasLocal(positions, normales, courant, pas, erreur);
        if (suivant.empty())
            return courant.size() < coins.size() ? courant : suivant;
        const bool peu =
            static_cast<double>(suivant.size()) > kGainMin * static_cast<double>(courant.size());
        courant = std::move(suivant);
        if (peu)
            break;
    }
    return courant;
}

// Collapses cut across curved parts and shrink the volume: the vertices of the triangles are
// moved along their volume gradient (area-weighted normal) by one common offset so that the
// enclosed volume is the source's again, to first order twice.
void restaurerVolume(std::vector<float>& positions, const std::vector<unsigned>& coins,
                     double volumeCible) {
    constexpr int kIterations = 2;
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        std::vector<Point> gradient(positions.size() / 3, Point{0.0, 0.0, 0.0});
        double volume = 0.0;
        const auto point = [&](unsigned n) {
            return Point{positions[3 * n], positions[3 * n + 1], positions[3 * n + 2]};
        };
        const auto croix = [](const Point& u, const Point& v) {
            return Point{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        };
        for (std::size_t t = 0; t < coins.size() / 3; ++t) {
            const unsigned* c = &coins[3 * t];
            const Point a = point(c[0]), b = point(c[1]), d = point(c[2]);
            volume += scalaire(a, croix(b, d)) / 6.0;
            gradient[c[0]] = plus(gradient[c[0]], croix(b, d), 1.0 / 6.0);
            gradient[c[1]] = plus(gradient[c[1]], croix(d, a), 1.0 / 6.0);
            gradient[c[2]] = plus(gradient[c[2]], croix(a, b), 1.0 / 6.0);
        }
        // Moving each vertex by offset along its unit gradient changes the volume by offset
        // times the sum of the gradients' lengths.
        double pente = 0.0;
        for (const Point& g : gradient)
            pente += std::sqrt(scalaire(g, g));
        if (!(pente > 0.0))
            return;
        const double decalage = (volumeCible - volume) / pente;
        for (std::size_t n = 0; n < gradient.size(); ++n) {
            const double longueur = std::sqrt(scalaire(gradient[n], gradient[n]));
            if (!(longueur > 0.0))
                continue;
            const Point p = plus(point(static_cast<unsigned>(n)), gradient[n], decalage / longueur);
            positions[3 * n] = static_cast<float>(p.x);
            positions[3 * n + 1] = static_cast<float>(p.y);
            positions[3 * n + 2] = static_cast<float>(p.z);
        }
    }
}

// Only the vertices the corners still use, renumbered in their first order: their positions,
// and the corners renumbered in place.
std::vector<float> garderUtilises(const std::vector<float>& positions,
                                  std::vector<unsigned>& coins) {
    std::vector<unsigned> numero(positions.size() / 3, ~0u);
    std::vector<float> gardees;
    for (unsigned& c : coins) {
        if (numero[c] == ~0u) {
            numero[c] = static_cast<unsigned>(gardees.size() / 3);
            gardees.insert(gardees.end(),
                           {positions[3 * c], positions[3 * c + 1], positions[3 * c + 2]});
        }
        c = numero[c];
    }
    return gardees;
}

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
    const Stravol::MaillagePlat plat = Stravol::versMaillagePlat(source);
    const std::vector<float>& positions = plat.positions;
    const std::vector<float>& normales = plat.normales;
    const std::vector<unsigned>& coins = plat.triangles;
    const std::size_t nbSommets = positions.size() / 3;
    const double volumeSource = volumeEnclos(source);
    const int eulerSource = euler(source);
    // The library's error is relative to the mesh's extent.
    const float echelle = meshopt_simplifyScale(positions.data(), nbSommets, 3 * sizeof(float));
    const float erreurRelative =
        echelle > 0.0f ? static_cast<float>(kDistanceDecimation / 2.0) / echelle : 0.0f;

    const auto essayer = [&](double essai) {
        std::vector<unsigned> reduits =
            deciderLocalement(positions, normales, coins, essai, erreurRelative);
        if (reduits.empty()) {
            raison = "la surface décimée n'est pas fermée ou a des sommets irréguliers";
            return false;
        }
        // Every collapse locked away: the surface as it was is no decimation.
        if (reduits.size() >= coins.size()) {
            raison = "aucune fusion d'arêtes ne passe les contrôles";
            return false;
        }
        // The volume is restored unless that turns a triangle over.
        std::vector<float> deplacees = positions;
        restaurerVolume(deplacees, reduits, volumeSource);
        if (!sommetsFautifs(deplacees, normales, reduits).empty())
            deplacees = positions;
        const std::vector<float> gardees = garderUtilises(deplacees, reduits);
        CMaillageTriangleChRegion essaye;
        if (!creerMaillageDepuisTriangles(essaye, gardees, reduits, raison))
            return false;
        const ControleMaillage controle = controlerMaillage(essaye);
        if (!controle.ferme || controle.irreguliers > 0) {
            raison = "la surface décimée n'est pas fermée ou a des sommets irréguliers";
            return false;
        }
        if (euler(essaye) != eulerSource) {
            raison = "la décimation change la topologie de la surface";
            return false;
        }
        const double ecart = std::fabs(volumeEnclos(essaye) - volumeSource) / volumeSource;
        if (!(ecart < kEcartVolumeDecimation)) {
            raison = "la décimation change le volume de plus de 1 %";
            return false;
        }
        std::vector<unsigned> loin;
        const double distance = distanceMax(positions, gardees, reduits, kDistanceDecimation, loin);
        if (distance > kDistanceDecimation) {
            raison = "la surface décimée s'écarte de plus d'un demi-voxel";
            return false;
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
    };
    // The ratio asked, else a bisection between it and 1 for the smallest one that passes.
    if (essayer(ratio))
        return true;
    bool trouve = false;
    double refuse = ratio, accepte = 1.0;
    for (int n = 1; n < kEssais; ++n) {
        const double essai = 0.5 * (refuse + accepte);
        if (essayer(essai)) {
            trouve = true;
            accepte = essai;
        } else {
            refuse = essai;
        }
    }
    if (trouve)
        return true;
    raison = "décimation refusée : " + raison;
    return false;
}
