#include "mesh/FacesLocales.h"

#include <algorithm>
#include <functional>

#include "mesh/CMaillageTriangleChRegion.h"

namespace faces {

void coinsSortants(const CTriangleChRegion* t, CSommetChRegion* coins[3]) {
    coins[0] = t->a;
    coins[1] = t->orientation < 0 ? t->c : t->b;
    coins[2] = t->orientation < 0 ? t->b : t->c;
}

bool parcourt(const CTriangleChRegion* t, const CSommetChRegion* u, const CSommetChRegion* w) {
    CSommetChRegion* c[3];
    coinsSortants(t, c);
    for (int i = 0; i < 3; ++i)
        if (c[i] == u && c[(i + 1) % 3] == w)
            return true;
    return false;
}

CTriangleChRegion* triangleOppose(const CSommetChRegion* x, const CSommetChRegion* y,
                                  const CTriangleChRegion* t) {
    const int n = x->voisins.nb;
    if (n < 3 || n != x->triangles.nb)
        return nullptr;
    const int j = x->voisins.indice(const_cast<CSommetChRegion*>(y));
    if (j < 0)
        return nullptr;
    // The two triangles of x's ring on either side of y.
    CTriangleChRegion* avant = x->triangles.tab[(j + n - 1) % n];
    CTriangleChRegion* apres = x->triangles.tab[j];
    if (avant == t)
        return apres;
    if (apres == t)
        return avant;
    return nullptr;
}

Face faceDe(const CTriangleChRegion* t, const CSommetChRegion* ancien, const void* nouveau,
            const CPoint3D& position) {
    CSommetChRegion* c[3];
    coinsSortants(t, c);
    Face f;
    for (int i = 0; i < 3; ++i) {
        const bool remplace = ancien != nullptr && c[i] == ancien;
        f.coins[i] = remplace ? nouveau : c[i];
        f.positions[i] = remplace ? position : *c[i];
    }
    return f;
}

bool sansPli(const std::vector<Face>& nouvelles, const std::vector<Face>& bord) {
    // Every directed edge of every face, grouped by undirected edge: a group that holds an edge
    // of a new face must be exactly that edge and its reverse, on faces not folded together.
    struct Arete {
        const void* bas;
        const void* haut;
        bool montante; // runs from bas to haut
        bool nouvelle;
        std::size_t face;
    };
    thread_local std::vector<Arete> aretes;
    thread_local std::vector<Vecteur> normales;
    aretes.clear();
    normales.clear();
    const auto ajouter = [&](const Face& f, bool nouvelle) {
        const std::size_t indice = normales.size();
        normales.push_back(f.normale());
        for (int k = 0; k < 3; ++k) {
            const void* u = f.coins[k];
            const void* w = f.coins[(k + 1) % 3];
            const bool montante = std::less<const void*>()(u, w);
            aretes.push_back({montante ? u : w, montante ? w : u, montante, nouvelle, indice});
        }
    };
    for (const Face& f : nouvelles) {
        ajouter(f, true);
        if (scalaire(normales.back(), normales.back()) < kAire2Nulle)
            return false;
    }
    for (const Face& f : bord)
        ajouter(f, false);
    const auto avant = [](const Arete& p, const Arete& q) {
        const std::less<const void*> inferieur;
        if (p.bas != q.bas)
            return inferieur(p.bas, q.bas);
        return inferieur(p.haut, q.haut);
    };
    std::sort(aretes.begin(), aretes.end(), avant);
    for (std::size_t i = 0; i < aretes.size();) {
        std::size_t j = i;
        bool touchee = false;
        for (; j < aretes.size() && aretes[j].bas == aretes[i].bas &&
               aretes[j].haut == aretes[i].haut;
             ++j)
            touchee = touchee || aretes[j].nouvelle;
        if (touchee) {
            if (j - i != 2)
                return false;
            const Arete &p = aretes[i], &q = aretes[i + 1];
            if (p.montante == q.montante || scalaire(normales[p.face], normales[q.face]) < 0.0)
                return false;
        }
        i = j;
    }
    return true;
}

} // namespace faces
