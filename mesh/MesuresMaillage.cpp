#include "mesh/MesuresMaillage.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/Parallele.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ListesMaillage.h"
#include "mesh/MaillagePlat.h"

namespace {

struct Vecteur {
    double x, y, z;
};

Vecteur position(const CSommetChRegion* s) { return {s->x, s->y, s->z}; }

// The linear part of the voxel-to-world transform (the origin cancels out of areas).
Vecteur lineaire(const Stravol::Geometrie& monde, const Vecteur& p) {
    const auto& a = monde.affine;
    return {a[0][0] * p.x + a[0][1] * p.y + a[0][2] * p.z,
            a[1][0] * p.x + a[1][1] * p.y + a[1][2] * p.z,
            a[2][0] * p.x + a[2][1] * p.y + a[2][2] * p.z};
}

Vecteur moins(const Vecteur& p, const Vecteur& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }

Vecteur produitVectoriel(const Vecteur& u, const Vecteur& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

double produitScalaire(const Vecteur& u, const Vecteur& v) {
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

// Corners in outward order.
void coinsSortants(const CTriangleChRegion* t, const CSommetChRegion* coins[3]) {
    coins[0] = t->a;
    coins[1] = t->orientation < 0 ? t->c : t->b;
    coins[2] = t->orientation < 0 ? t->b : t->c;
}

// Outward normal scaled by twice the area.
Vecteur normaleSortante(const CTriangleChRegion* t) {
    const CSommetChRegion* c[3];
    coinsSortants(t, c);
    const Vecteur a = position(c[0]);
    return produitVectoriel(moins(position(c[1]), a), moins(position(c[2]), a));
}

// Below this squared length (voxel^4) a triangle's doubled-area normal counts as no area.
constexpr double AIRE2_NULLE = 1e-12;

// One use of an edge by a triangle (its number in list order). For the winding classes the key
// is the undirected edge (smaller vertex number first) and montant tells whether the
// triangle's outward order runs from the smaller number to the larger; for the closure the
// key is the directed edge (from, to). Twelve bytes a use: the key in two halves, montant in
// the low bit of the triangle's field.
struct UsageArete {
    UsageArete(std::uint64_t c, std::uint32_t t, bool m)
        : debut(static_cast<std::uint32_t>(c >> 32)), fin(static_cast<std::uint32_t>(c)),
          triangleEtSens(t << 1 | (m ? 1u : 0u)) {}
    std::uint64_t cle() const { return std::uint64_t{debut} << 32 | fin; }
    std::uint32_t triangle() const { return triangleEtSens >> 1; }
    bool montant() const { return (triangleEtSens & 1u) != 0; }

    std::uint32_t debut, fin;
    std::uint32_t triangleEtSens;
};

// Whether the sorted undirected uses hold every edge exactly twice, once each way.
bool parPairesOpposees(const std::vector<UsageArete>& usages) {
    if (usages.size() % 2 != 0)
        return false;
    for (std::size_t k = 0; k < usages.size(); k += 2)
        if (usages[k].cle() != usages[k + 1].cle() ||
            usages[k].montant() == usages[k + 1].montant() ||
            (k + 2 < usages.size() && usages[k + 2].cle() == usages[k].cle()))
            return false;
    return true;
}

// Smaller winding class of each connected piece of the sorted undirected uses, the classes
// propagated across the edges used by exactly two triangles.
int compterInverses(const std::vector<UsageArete>& usages, std::size_t nbTriangles) {
    // Adjacency in flat arrays: the neighbours of triangle t are voisins[debuts[t]] up to
    // voisins[debuts[t + 1]], each (other triangle << 1 | same winding class), in edge order.
    std::vector<std::uint32_t> debuts(nbTriangles + 1, 0);
    const auto pourChaquePaire = [&usages](const auto& faire) {
        for (std::size_t i = 0; i < usages.size();) {
            std::size_t j = i;
            while (j < usages.size() && usages[j].cle() == usages[i].cle())
                ++j;
            if (j - i == 2)
                faire(usages[i], usages[i + 1]);
            i = j;
        }
    };
    pourChaquePaire([&debuts](const UsageArete& p, const UsageArete& q) {
        ++debuts[p.triangle() + 1];
        ++debuts[q.triangle() + 1];
    });
    for (std::size_t t = 0; t < nbTriangles; ++t)
        debuts[t + 1] += debuts[t];
    std::vector<std::uint32_t> voisins(debuts[nbTriangles]);
    {
        std::vector<std::uint32_t> fins(debuts.begin(), debuts.end() - 1);
        pourChaquePaire([&](const UsageArete& p, const UsageArete& q) {
            const std::uint32_t meme = p.montant() != q.montant() ? 1 : 0;
            voisins[fins[p.triangle()]++] = q.triangle() << 1 | meme;
            voisins[fins[q.triangle()]++] = p.triangle() << 1 | meme;
        });
    }
    constexpr signed char kNonVu = -1;
    std::vector<signed char> classe(nbTriangles, kNonVu);
    std::vector<std::uint32_t> pile;
    int inverses = 0;
    for (std::uint32_t depart = 0; depart < nbTriangles; ++depart) {
        if (classe[depart] != kNonVu)
            continue;
        int effectifs[2] = {1, 0};
        classe[depart] = 0;
        pile.assign(1, depart);
        while (!pile.empty()) {
            const std::uint32_t t = pile.back();
            pile.pop_back();
            for (std::uint32_t k = debuts[t]; k < debuts[t + 1]; ++k) {
                const std::uint32_t u = voisins[k] >> 1;
                if (classe[u] != kNonVu)
                    continue;
                const bool meme = (voisins[k] & 1) != 0;
                classe[u] = static_cast<signed char>(meme ? classe[t] : 1 - classe[t]);
                ++effectifs[classe[u]];
                pile.push_back(u);
            }
        }
        inverses += std::min(effectifs[0], effectifs[1]);
    }
    return inverses;
}

} // namespace

namespace {

// Calls f(a, b, c) with the outward corners of each triangle in list order.
template <class F> void pourChaqueTriangle(const CMaillageTriangleChRegion& maillage, F&& f) {
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* c[3];
        coinsSortants(t, c);
        f(position(c[0]), position(c[1]), position(c[2]));
    }
}

template <class F> void pourChaqueTriangle(const Stravol::MaillagePlat& maillage, F&& f) {
    const auto point = [&maillage](std::uint32_t v) {
        const float* p = &maillage.positions[3 * std::size_t{v}];
        return Vecteur{p[0], p[1], p[2]};
    };
    for (std::size_t t = 0; t + 2 < maillage.triangles.size(); t += 3)
        f(point(maillage.triangles[t]), point(maillage.triangles[t + 1]),
          point(maillage.triangles[t + 2]));
}

template <class Maillage> double volumeEnclosDe(const Maillage& maillage) {
    double volume = 0.0;
    pourChaqueTriangle(maillage, [&](const Vecteur& a, const Vecteur& b, const Vecteur& c) {
        volume += produitScalaire(a, produitVectoriel(b, c));
    });
    return volume / 6.0;
}

// Twice the area of each triangle through the linear map, summed.
template <class Maillage, class Lineaire>
double aireDoubleDe(const Maillage& maillage, Lineaire lineaire) {
    double aire = 0.0;
    pourChaqueTriangle(maillage, [&](const Vecteur& a, const Vecteur& b, const Vecteur& c) {
        const Vecteur o = lineaire(a);
        const Vecteur n = produitVectoriel(moins(lineaire(b), o), moins(lineaire(c), o));
        aire += std::sqrt(produitScalaire(n, n));
    });
    return aire;
}

template <class Maillage>
MesuresMaillage mesurerDe(const Maillage& maillage, const Stravol::Geometrie& monde) {
    MesuresMaillage m;
    m.volume = volumeEnclosDe(maillage);
    m.aire = aireDoubleDe(maillage, [](const Vecteur& p) { return p; }) / 2.0;
    // A voxel's world volume is the determinant's magnitude; a mirror turns the corners over
    // as well, so the sign of the voxel volume stays.
    m.volumeMm3 = m.volume * std::fabs(monde.determinant());
    m.aireMm2 =
        aireDoubleDe(maillage, [&monde](const Vecteur& p) { return lineaire(monde, p); }) / 2.0;
    return m;
}

} // namespace

double volumeEnclos(const CMaillageTriangleChRegion& maillage) { return volumeEnclosDe(maillage); }

double aireSurface(const CMaillageTriangleChRegion& maillage) {
    return aireDoubleDe(maillage, [](const Vecteur& p) { return p; }) / 2.0;
}

MesuresMaillage mesurerMaillage(const CMaillageTriangleChRegion& maillage,
                                const Stravol::Geometrie& monde) {
    return mesurerDe(maillage, monde);
}

MesuresMaillage mesurerMaillage(const Stravol::MaillagePlat& maillage,
                                const Stravol::Geometrie& monde) {
    return mesurerDe(maillage, monde);
}

namespace {

constexpr std::uint32_t kInconnu = 0xffffffffu;

// Numbers the vertices in list order, in each vertex's scratch number, and counts those whose
// rings fail the ring check. The list comes from the construction's array while it holds, else
// from a walk; the vertices are looked at on all threads.
int numeroterSommets(const CMaillageTriangleChRegion& maillage,
                     std::vector<const CSommetChRegion*>& sommets) {
    sommets = Stravol::enTableau(maillage.listeSommetsConstruite(), maillage.premierSommet,
                                 maillage.nbSommets);
    const auto nbSommets = static_cast<std::ptrdiff_t>(sommets.size());
    int irreguliers = 0;
#pragma omp parallel for num_threads(Stravol::nbThreads()) \
    if (nbSommets >= Stravol::kSeuilParallele) schedule(static) reduction(+ : irreguliers)
    for (std::ptrdiff_t i = 0; i < nbSommets; ++i) {
        const CSommetChRegion* v = sommets[static_cast<std::size_t>(i)];
        v->indice = static_cast<int>(i);
        if (v->voisins.nb != v->triangles.nb || !maillage.verifierVoisins(v))
            ++irreguliers;
    }
    return irreguliers;
}

// The outward corners' numbers of each triangle, kInconnu for a corner that is not a listed
// vertex (its scratch number is confirmed by the list).
std::vector<std::uint32_t> coinsNumerotes(const std::vector<const CTriangleChRegion*>& triangles,
                                          const std::vector<const CSommetChRegion*>& sommets) {
    const auto numero = [&sommets](const CSommetChRegion* v) {
        const auto k = static_cast<std::size_t>(v->indice);
        return v->indice >= 0 && k < sommets.size() && sommets[k] == v
                   ? static_cast<std::uint32_t>(k)
                   : kInconnu;
    };
    const auto nbTriangles = static_cast<std::ptrdiff_t>(triangles.size());
    std::vector<std::uint32_t> coins(3 * triangles.size());
#pragma omp parallel for num_threads(                                                              \
    Stravol::nbThreads()) if (nbTriangles >= Stravol::kSeuilParallele) schedule(static)
    for (std::ptrdiff_t t = 0; t < nbTriangles; ++t) {
        const CSommetChRegion* sortants[3];
        coinsSortants(triangles[static_cast<std::size_t>(t)], sortants);
        for (std::size_t k = 0; k < 3; ++k)
            coins[3 * static_cast<std::size_t>(t) + k] = numero(sortants[k]);
    }
    return coins;
}

// The uses of the edges of the triangles' corners, undirected (for the winding classes) or
// directed; false when a corner has no number.
bool remplirUsages(const std::vector<std::uint32_t>& coins, bool orientees,
                   std::vector<UsageArete>& usages) {
    bool coinsConnus = true;
    usages.clear();
    const std::size_t nbTriangles = coins.size() / 3;
    for (std::size_t t = 0; t < nbTriangles; ++t)
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t i = coins[3 * t + k], j = coins[3 * t + (k + 1) % 3];
            if (i == kInconnu || j == kInconnu) {
                coinsConnus = false;
                continue;
            }
            const auto numeroTriangle = static_cast<std::uint32_t>(t);
            if (orientees) {
                usages.emplace_back(std::uint64_t{i} << 32 | j, numeroTriangle, false);
            } else {
                const std::uint32_t bas = std::min(i, j), haut = std::max(i, j);
                usages.emplace_back(std::uint64_t{bas} << 32 | haut, numeroTriangle, i < j);
            }
        }
    return coinsConnus;
}

// Two triangles fold at their edge: either has no area, or their normals are more than 90
// degrees apart.
bool plisDeuxTriangles(const CTriangleChRegion* t1, const CTriangleChRegion* t2) {
    const Vecteur n1 = normaleSortante(t1);
    const Vecteur n2 = normaleSortante(t2);
    return produitScalaire(n1, n1) < AIRE2_NULLE || produitScalaire(n2, n2) < AIRE2_NULLE ||
           produitScalaire(n1, n2) < 0.0;
}

// Closed and fold counts from the directed edge uses, sorted by key: a directed edge used
// twice, or without its inverse, opens the surface; each undirected edge is looked at once,
// from its smaller end.
void controlerAretesOrientees(const std::vector<UsageArete>& aretes,
                              const std::vector<const CTriangleChRegion*>& triangles,
                              std::vector<unsigned char>& plies, ControleMaillage& c) {
    const auto trouver = [&](std::uint64_t cle) -> const UsageArete* {
        const auto it =
            std::lower_bound(aretes.begin(), aretes.end(), cle,
                             [](const UsageArete& p, std::uint64_t k) { return p.cle() < k; });
        return it != aretes.end() && it->cle() == cle ? &*it : nullptr;
    };
    for (std::size_t k = 0; k < aretes.size(); ++k) {
        const UsageArete& e = aretes[k];
        if (k + 1 < aretes.size() && aretes[k + 1].cle() == e.cle())
            c.ferme = false; // the same directed edge twice
        const std::uint64_t inverse = std::uint64_t{e.fin} << 32 | e.debut;
        const UsageArete* oppose = trouver(inverse);
        if (oppose == nullptr) {
            c.ferme = false;
            continue;
        }
        if (e.cle() > inverse)
            continue;
        if (plisDeuxTriangles(triangles[e.triangle()], triangles[oppose->triangle()])) {
            ++c.plis;
            plies[e.triangle()] = 1;
            plies[oppose->triangle()] = 1;
        }
    }
}

} // namespace

ControleMaillage controlerMaillage(const CMaillageTriangleChRegion& maillage) {
    ControleMaillage c;
    std::vector<const CSommetChRegion*> sommets;
    c.irreguliers = numeroterSommets(maillage, sommets);
    // Triangles in list order with their outward corners' numbers.
    const std::vector<const CTriangleChRegion*> triangles = Stravol::enTableau(
        maillage.listeTrianglesConstruite(), maillage.premierTriangle, maillage.nbTriangles);
    std::vector<std::uint32_t> coins = coinsNumerotes(triangles, sommets);
    sommets = {};

    // The uses of the edges, one array filled twice in the same order: undirected for the
    // winding classes, then directed. Sorted, each undirected edge of a closed, consistently
    // wound surface appears once each way.
    std::vector<UsageArete> usages;
    usages.reserve(coins.size());
    const bool coinsConnus = remplirUsages(coins, false, usages);
    std::sort(usages.begin(), usages.end(), [](const UsageArete& p, const UsageArete& q) {
        return p.cle() < q.cle() || (p.cle() == q.cle() && p.triangle() < q.triangle());
    });
    // Every edge twice, once each way: each neighbour of a triangle is in its winding class,
    // so every piece is of one class.
    const bool parPaires = parPairesOpposees(usages);
    c.trianglesInverses = parPaires ? 0 : compterInverses(usages, triangles.size());
    c.ferme = coinsConnus && maillage.nbTriangles > 0;
    std::vector<unsigned char> plies(triangles.size(), 0);
    // Usual case: every undirected edge used twice, once each way. No directed edge is then
    // repeated or lacks its inverse, and each pair is looked at once.
    if (c.ferme && parPaires) {
        for (std::size_t k = 0; k < usages.size(); k += 2)
            if (plisDeuxTriangles(triangles[usages[k].triangle()],
                                  triangles[usages[k + 1].triangle()])) {
                ++c.plis;
                plies[usages[k].triangle()] = 1;
                plies[usages[k + 1].triangle()] = 1;
            }
    } else {
        remplirUsages(coins, true, usages);
        coins = {};
        std::sort(usages.begin(), usages.end(),
                  [](const UsageArete& p, const UsageArete& q) { return p.cle() < q.cle(); });
        controlerAretesOrientees(usages, triangles, plies, c);
    }
    c.trianglesPlies = static_cast<int>(std::count(plies.begin(), plies.end(), 1));
    return c;
}
