#include <cstdint>
#include <cstdio>
#include <unordered_set>

#include "mesh/CMaillageTriangleChRegion.h"

namespace {

bool echec(Chaine* rapport, const char* texte, const void* objet) {
    if (rapport != nullptr) {
        char ligne[200];
        std::snprintf(ligne, sizeof ligne, "%s (%p)", texte, objet);
        *rapport = ligne;
    }
    return false;
}

} // namespace

bool CMaillageTriangleChRegion::verifierCoherence(Chaine* rapport) const {
    // Lists: lengths equal to the counts, back links consistent, ends recorded.
    std::unordered_set<const CSommetChRegion*> sommets;
    sommets.reserve(static_cast<std::size_t>(nbSommets > 0 ? nbSommets : 0));
    const CSommetChRegion* precedentSommet = nullptr;
    for (const CSommetChRegion* s = premierSommet; s != nullptr; s = s->suivant) {
        if (s->precedent != precedentSommet)
            return echec(rapport, "lien precedent faux dans la liste des sommets", s);
        if (!sommets.insert(s).second || static_cast<int>(sommets.size()) > nbSommets)
            return echec(rapport, "liste des sommets plus longue que nbSommets", s);
        precedentSommet = s;
    }
    if (static_cast<int>(sommets.size()) != nbSommets || dernierSommet != precedentSommet)
        return echec(rapport, "liste des sommets plus courte que nbSommets ou fin fausse",
                     dernierSommet);

    std::unordered_set<const CTriangleChRegion*> triangles;
    triangles.reserve(static_cast<std::size_t>(nbTriangles > 0 ? nbTriangles : 0));
    const CTriangleChRegion* precedentTriangle = nullptr;
    for (const CTriangleChRegion* t = premierTriangle; t != nullptr; t = t->suivant) {
        if (t->precedent != precedentTriangle)
            return echec(rapport, "lien precedent faux dans la liste des triangles", t);
        if (!triangles.insert(t).second || static_cast<int>(triangles.size()) > nbTriangles)
            return echec(rapport, "liste des triangles plus longue que nbTriangles", t);
        if (sommets.count(t->a) == 0 || sommets.count(t->b) == 0 || sommets.count(t->c) == 0)
            return echec(rapport, "coin de triangle absent de la liste des sommets", t);
        if (t->a == t->b || t->b == t->c || t->a == t->c)
            return echec(rapport, "triangle a deux coins confondus", t);
        precedentTriangle = t;
    }
    if (static_cast<int>(triangles.size()) != nbTriangles || dernierTriangle != precedentTriangle)
        return echec(rapport, "liste des triangles plus courte que nbTriangles ou fin fausse",
                     dernierTriangle);

    // Rings: same length, within capacity, ordered, symmetric; every triangle is met once
    // at each of its corners, so the ring entries add up to three per triangle.
    long long entrees = 0;
    for (const CSommetChRegion* v = premierSommet; v != nullptr; v = v->suivant) {
        const int n = v->voisins.longueur();
        if (n != v->triangles.longueur())
            return echec(rapport, "anneaux de longueurs differentes", v);
        if (n < 3 || n > CSommetChRegion::CAPACITE_ANNEAU || n > v->voisins.nbMax ||
            n > v->triangles.nbMax)
            return echec(rapport, "taille d'anneau hors limites", v);
        for (int k = 0; k < n; ++k) {
            const CSommetChRegion* u = v->voisins[k];
            const CSommetChRegion* w = v->voisins[(k + 1) % n];
            const CTriangleChRegion* t = v->triangles[k];
            if (u == v || sommets.count(u) == 0)
                return echec(rapport, "voisin absent de la liste des sommets", v);
            if (u->voisins.indice(const_cast<CSommetChRegion*>(v)) < 0)
                return echec(rapport, "voisinage non symetrique", v);
            for (int l = k + 1; l < n; ++l)
                if (v->voisins[l] == u || v->triangles[l] == t)
                    return echec(rapport, "entree repetee dans un anneau", v);
            if (triangles.count(t) == 0)
                return echec(rapport, "triangle d'anneau absent de la liste des triangles", v);
            if (!t->aPourSommet(v) || !t->aPourSommet(u) || !t->aPourSommet(w))
                return echec(rapport, "anneau de triangles non ordonne", v);
        }
        entrees += n;
    }
    if (entrees != 3LL * nbTriangles)
        return echec(rapport, "triangle absent de l'anneau d'un de ses coins", premierTriangle);

    // Active list: exactly the vertices flagged enListeActive, each designating its node.
    int nbActifs = 0;
    std::unordered_set<const CSommetChRegion*> actifs;
    for (const auto* e = sommetsActifs.debut; e != nullptr; e = e->suivant) {
        const CSommetChRegion* s = e->valeur;
        if (sommets.count(s) == 0)
            return echec(rapport, "sommet actif absent de la liste des sommets", s);
        if (!s->enListeActive || s->elementActif != e || !actifs.insert(s).second)
            return echec(rapport, "liste active incoherente avec enListeActive", s);
        ++nbActifs;
    }
    if (nbActifs != sommetsActifs.longueur())
        return echec(rapport, "longueur de la liste active fausse", nullptr);
    for (const CSommetChRegion* s = premierSommet; s != nullptr; s = s->suivant)
        if (s->enListeActive && actifs.count(s) == 0)
            return echec(rapport, "sommet marque actif absent de la liste active", s);
    return true;
}
