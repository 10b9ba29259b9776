#include "mesh/MesuresMaillage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "mesh/CMaillageTriangleChRegion.h"

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

// The same in world units.
Vecteur normaleSortante(const CTriangleChRegion* t, const Stravol::Geometrie& monde) {
    const CSommetChRegion* c[3];
    coinsSortants(t, c);
    const Vecteur a = lineaire(monde, position(c[0]));
    return produitVectoriel(moins(lineaire(monde, position(c[1])), a),
                            moins(lineaire(monde, position(c[2])), a));
}

// Below this squared length (voxel^4) a triangle's doubled-area normal counts as no area.
constexpr double AIRE2_NULLE = 1e-12;

// One use of an undirected edge (smaller vertex number first) by a triangle, and whether the
// triangle's outward order runs from the smaller number to the larger.
struct UsageArete {
    std::uint64_t cle;
    std::uint32_t triangle;
    bool montant;
};

// Smaller winding class of each connected piece, the classes propagated across the edges used
// by exactly two triangles.
int compterInverses(std::vector<UsageArete>& usages, std::size_t nbTriangles) {
    std::sort(usages.begin(), usages.end(), [](const UsageArete& p, const UsageArete& q) {
        return p.cle < q.cle || (p.cle == q.cle && p.triangle < q.triangle);
    });
    // Adjacency: (other triangle, same winding class?).
    std::vector<std::vector<std::pair<std::uint32_t, bool>>> voisins(nbTriangles);
    for (std::size_t i = 0; i < usages.size();) {
        std::size_t j = i;
        while (j < usages.size() && usages[j].cle == usages[i].cle)
            ++j;
        if (j - i == 2) {
            const UsageArete &p = usages[i], &q = usages[i + 1];
            const bool memeClasse = p.montant != q.montant;
            voisins[p.triangle].emplace_back(q.triangle, memeClasse);
            voisins[q.triangle].emplace_back(p.triangle, memeClasse);
        }
        i = j;
    }
    constexpr int kNonVu = -1;
    std::vector<int> classe(nbTriangles, kNonVu);
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
            for (const auto& [u, meme] : voisins[t]) {
                if (classe[u] != kNonVu)
                    continue;
                classe[u] = meme ? classe[t] : 1 - classe[t];
                ++effectifs[classe[u]];
                pile.push_back(u);
            }
        }
        inverses += std::min(effectifs[0], effectifs[1]);
    }
    return inverses;
}

} // namespace

double volumeEnclos(const CMaillageTriangleChRegion& maillage) {
    double volume = 0.0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* c[3];
        coinsSortants(t, c);
        volume += produitScalaire(position(c[0]), produitVectoriel(position(c[1]), position(c[2])));
    }
    return volume / 6.0;
}

double aireSurface(const CMaillageTriangleChRegion& maillage) {
    double aire = 0.0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const Vecteur n = normaleSortante(t);
        aire += std::sqrt(produitScalaire(n, n));
    }
    return aire / 2.0;
}

MesuresMaillage mesurerMaillage(const CMaillageTriangleChRegion& maillage,
                                const Stravol::Geometrie& monde) {
    MesuresMaillage m;
    m.volume = volumeEnclos(maillage);
    m.aire = aireSurface(maillage);
    // A voxel's world volume is the determinant's magnitude; a mirror turns the corners over
    // as well, so the sign of the voxel volume stays.
    m.volumeMm3 = m.volume * std::fabs(monde.determinant());
    double aire = 0.0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const Vecteur n = normaleSortante(t, monde);
        aire += std::sqrt(produitScalaire(n, n));
    }
    m.aireMm2 = aire / 2.0;
    return m;
}

ControleMaillage controlerMaillage(const CMaillageTriangleChRegion& maillage) {
    ControleMaillage c;
    std::unordered_map<const CSommetChRegion*, std::uint32_t> numeros;
    numeros.reserve(static_cast<std::size_t>(maillage.nbSommets > 0 ? maillage.nbSommets : 0));
    std::uint32_t n = 0;
    for (const CSommetChRegion* v = maillage.premierSommet; v != nullptr; v = v->suivant) {
        numeros.emplace(v, n++);
        if (v->voisins.nb != v->triangles.nb || !maillage.verifierVoisins(v))
            ++c.irreguliers;
    }

    // Directed edges (from, to) with the triangle using them, sorted: each undirected edge of
    // a closed, consistently wound surface appears once each way.
    struct Arete {
        std::uint64_t cle;
        const CTriangleChRegion* triangle;
    };
    std::vector<Arete> aretes;
    aretes.reserve(static_cast<std::size_t>(maillage.nbTriangles > 0 ? maillage.nbTriangles : 0) *
                   3);
    std::vector<UsageArete> usages;
    usages.reserve(aretes.capacity());
    std::unordered_map<const CTriangleChRegion*, std::uint32_t> numerosTriangles;
    numerosTriangles.reserve(aretes.capacity() / 3);
    bool coinsConnus = true;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const auto numeroTriangle = static_cast<std::uint32_t>(numerosTriangles.size());
        numerosTriangles.emplace(t, numeroTriangle);
        const CSommetChRegion* coins[3];
        coinsSortants(t, coins);
        for (int k = 0; k < 3; ++k) {
            const auto i = numeros.find(coins[k]);
            const auto j = numeros.find(coins[(k + 1) % 3]);
            if (i == numeros.end() || j == numeros.end()) {
                coinsConnus = false;
                continue;
            }
            aretes.push_back({std::uint64_t{i->second} << 32 | j->second, t});
            const std::uint32_t bas = std::min(i->second, j->second);
            const std::uint32_t haut = std::max(i->second, j->second);
            usages.push_back(
                {std::uint64_t{bas} << 32 | haut, numeroTriangle, i->second < j->second});
        }
    }
    c.trianglesInverses = compterInverses(usages, numerosTriangles.size());
    std::sort(aretes.begin(), aretes.end(),
              [](const Arete& p, const Arete& q) { return p.cle < q.cle; });
    const auto trouver = [&](std::uint64_t cle) -> const Arete* {
        const auto it = std::lower_bound(aretes.begin(), aretes.end(), cle,
                                         [](const Arete& p, std::uint64_t k) { return p.cle < k; });
        return it != aretes.end() && it->cle == cle ? &*it : nullptr;
    };
    c.ferme = coinsConnus && maillage.nbTriangles > 0;
    std::unordered_set<const CTriangleChRegion*> plies;
    for (std::size_t k = 0; k < aretes.size(); ++k) {
        const Arete& e = aretes[k];
        if (k + 1 < aretes.size() && aretes[k + 1].cle == e.cle)
            c.ferme = false; // the same directed edge twice
        const std::uint64_t inverse = (e.cle & 0xffffffffu) << 32 | e.cle >> 32;
        const Arete* oppose = trouver(inverse);
        if (oppose == nullptr) {
            c.ferme = false;
            continue;
        }
        // Each undirected edge is looked at once, from its smaller end.
        if (e.cle > inverse)
            continue;
        const Vecteur n1 = normaleSortante(e.triangle);
        const Vecteur n2 = normaleSortante(oppose->triangle);
        if (produitScalaire(n1, n1) < AIRE2_NULLE || produitScalaire(n2, n2) < AIRE2_NULLE ||
            produitScalaire(n1, n2) < 0.0) {
            ++c.plis;
            plies.insert(e.triangle);
            plies.insert(oppose->triangle);
        }
    }
    c.trianglesPlies = static_cast<int>(plies.size());
    return c;
}
