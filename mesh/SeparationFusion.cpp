#include "mesh/CMaillageTriangleChRegion.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/Message.h"
#include "mesh/FacesLocales.h"

namespace {

int modulo(int i, int n) { return ((i % n) + n) % n; }

// Maximum norm of p - q on each axis, computed in double.
double normeInfinie(const CPoint3D& p, const CPoint3D& q) {
    return std::fmax(std::fabs(double(p.x) - q.x),
                     std::fmax(std::fabs(double(p.y) - q.y), std::fabs(double(p.z) - q.z)));
}

CPoint3D milieu(const CPoint3D& p, const CPoint3D& q) { return (p + q) / 2.0; }

// Asks whether to go on after a broken neighbourhood; "no" ends the process.
void demander(const char* texte) {
    if (!Question(texte))
        finirProcessus(kStatutArret);
}

// Replaces the corner equal to ancien (looked for as a, then b, then c); false when absent.
bool remplacerCoin(CTriangleChRegion* t, CSommetChRegion* ancien, CSommetChRegion* nouveau) {
    if (t->a == ancien)
        t->a = nouveau;
    else if (t->b == ancien)
        t->b = nouveau;
    else if (t->c == ancien)
        t->c = nouveau;
    else
        return false;
    return true;
}

// Both rings of the same length, at least 3 entries.
bool anneauxValides(const CSommetChRegion* v) {
    return v->voisins.nb >= 3 && v->voisins.nb == v->triangles.nb;
}

// True when a and b are consecutive (cyclically, in either order) in the ring of o.
bool consecutifs(const CSommetChRegion* o, CSommetChRegion* a, CSommetChRegion* b) {
    const int n = o->voisins.nb;
    const int j = o->voisins.indice(a);
    if (j < 0 || n < 3)
        return false;
    return o->voisins.tab[modulo(j + 1, n)] == b || o->voisins.tab[modulo(j - 1, n)] == b;
}

// In the ring of o, where a and b are consecutive with t (corners o, a, b before the split)
// between them, inserts m between a and b so that the triangle between b and m is nouveau and
// the triangle between m and a stays t.
void insererDansAnneau(CSommetChRegion* o, CSommetChRegion* a, CSommetChRegion* b,
                       CSommetChRegion* m, CTriangleChRegion* nouveau) {
    const int k = o->voisins.nb;
    const int j = o->voisins.indice(a);
    if (o->voisins.tab[modulo(j + 1, k)] == b) {
        // ... a, b ...: the triangle at j (a to b) stays between a and m.
        if (j == k - 1) {
            o->voisins.ajouter(m);
            o->triangles.ajouter(nouveau);
        } else {
            o->voisins.inserer(m, j + 1);
            o->triangles.inserer(nouveau, j + 1);
        }
    } else if (j == 0) {
        // b last, a first: the last triangle (b to a) moves after the new one.
        o->voisins.ajouter(m);
        o->triangles.inserer(nouveau, k - 1);
    } else {
        o->voisins.inserer(m, j);
        o->triangles.inserer(nouveau, j - 1);
    }
}

// Removes b, which is next to a, from the ring of o, with the triangle between a and b.
void retirerDeAnneau(CSommetChRegion* o, CSommetChRegion* a, CSommetChRegion* b) {
    const int k = o->voisins.nb;
    const int j = o->voisins.indice(a);
    if (o->voisins.tab[modulo(j + 1, k)] == b) {
        o->voisins.supprimer(modulo(j + 1, k));
        o->triangles.supprimer(j);
    } else {
        o->voisins.supprimer(modulo(j - 1, k));
        o->triangles.supprimer(modulo(j - 1, k));
    }
}

void tourner(CListeSimple<CTriangleChRegion*>& anneau, int k) { anneau = anneau.decalage(k); }

// The face a split makes on edge (o, b) beside t, (o, b, m) turned so that it runs along (o, b)
// as t did: the neighbour beyond (o, b) keeps a consistent winding.
faces::Face faceSeparation(const CTriangleChRegion* t, CSommetChRegion* o, CSommetChRegion* b,
                           const void* m, const CPoint3D& positionM) {
    faces::Face f;
    const bool sens = faces::parcourt(t, o, b);
    f.coins[0] = o;
    f.coins[1] = sens ? static_cast<const void*>(b) : m;
    f.coins[2] = sens ? m : static_cast<const void*>(b);
    f.positions[0] = *o;
    f.positions[1] = sens ? CPoint3D(*b) : positionM;
    f.positions[2] = sens ? positionM : CPoint3D(*b);
    return f;
}

// Splitting (a, b) at its middle leaves t1 and t2 halved and two new faces; each must meet its
// neighbours without a fold, a triangle without area or a broken winding.
bool separationSansPli(CSommetChRegion* a, CSommetChRegion* b, CSommetChRegion* o1,
                       CSommetChRegion* o2, CTriangleChRegion* t1, CTriangleChRegion* t2) {
    const CPoint3D positionM = milieu(*a, *b);
    const int remplacant = 0;
    const void* m = &remplacant; // the vertex still to be made
    const std::vector<faces::Face> nouvelles = {
        faces::faceDe(t1, b, m, positionM), faces::faceDe(t2, b, m, positionM),
        faceSeparation(t1, o1, b, m, positionM), faceSeparation(t2, o2, b, m, positionM)};
    std::vector<faces::Face> bord;
    const CTriangleChRegion* voisins[4] = {
        faces::triangleOppose(a, o1, t1), faces::triangleOppose(b, o1, t1),
        faces::triangleOppose(a, o2, t2), faces::triangleOppose(b, o2, t2)};
    for (const CTriangleChRegion* t : voisins) {
        if (t == nullptr)
            return false;
        bord.push_back(faces::faceDe(t));
    }
    return faces::sansPli(nouvelles, bord);
}

// Collapsing b into a at the middle of the edge moves every other triangle of a and b; none may
// turn over, lose its area, fold against a neighbour or break the winding.
bool fusionSansPli(CSommetChRegion* a, CSommetChRegion* b, const CTriangleChRegion* t1,
                   const CTriangleChRegion* t2) {
    const CPoint3D position = milieu(*a, *b);
    std::vector<const CTriangleChRegion*> eventail;
    for (const CSommetChRegion* s : {a, b})
        for (int k = 0; k < s->triangles.nb; ++k)
            if (s->triangles.tab[k] != t1 && s->triangles.tab[k] != t2)
                eventail.push_back(s->triangles.tab[k]);
    const auto dansEventail = [&](const CTriangleChRegion* t) {
        for (const CTriangleChRegion* e : eventail)
            if (e == t)
                return true;
        return false;
    };
    std::vector<faces::Face> nouvelles, bord;
    std::vector<const CTriangleChRegion*> auBord;
    for (const CTriangleChRegion* t : eventail) {
        if (t->aPourSommet(a) == t->aPourSommet(b))
            return false; // a triangle of both ends other than t1 and t2: not a manifold edge
        CSommetChRegion* ancien = t->aPourSommet(a) ? a : b;
        const faces::Face avant = faces::faceDe(t);
        const faces::Face apres = faces::faceDe(t, ancien, a, position);
        const faces::Vecteur n = avant.normale();
        if (faces::scalaire(n, n) >= faces::kAire2Nulle &&
            faces::scalaire(n, apres.normale()) <= 0.0)
            return false;
        nouvelles.push_back(apres);
        // The edge away from a and b, and the triangle beyond it.
        CSommetChRegion* c[3];
        faces::coinsSortants(t, c);
        int k = 0;
        while (k < 3 && c[k] != ancien)
            ++k;
        CSommetChRegion* x = c[(k + 1) % 3];
        CSommetChRegion* y = c[(k + 2) % 3];
        const CTriangleChRegion* au = faces::triangleOppose(x, y, t);
        if (au == nullptr || au == t1 || au == t2)
            return false;
        if (dansEventail(au))
            continue;
        bool connu = false;
        for (const CTriangleChRegion* e : auBord)
            connu = connu || e == au;
        if (!connu) {
            auBord.push_back(au);
            bord.push_back(faces::faceDe(au));
        }
    }
    return faces::sansPli(nouvelles, bord);
}

} // namespace

void CMaillageTriangleChRegion::retirerSommetListe(CSommetChRegion* s) {
    if (!sommetsConstruits.empty())
        sommetsConstruits = {};
    if (s->precedent != nullptr)
        s->precedent->suivant = s->suivant;
    else
        premierSommet = s->suivant;
    if (s->suivant != nullptr)
        s->suivant->precedent = s->precedent;
    else
        dernierSommet = s->precedent;
    s->suivant = s->precedent = nullptr;
    --nbSommets;
}

void CMaillageTriangleChRegion::retirerTriangleListe(CTriangleChRegion* t) {
    if (!trianglesConstruits.empty())
        trianglesConstruits = {};
    if (t->precedent != nullptr)
        t->precedent->suivant = t->suivant;
    else
        premierTriangle = t->suivant;
    if (t->suivant != nullptr)
        t->suivant->precedent = t->precedent;
    else
        dernierTriangle = t->precedent;
    t->suivant = t->precedent = nullptr;
    --nbTriangles;
}

void CMaillageTriangleChRegion::attacherSquelette(CSommetChRegion* v, CTriangleChRegion* noeud) {
    v->noeudSquelette = nullptr;
    if (noeud == nullptr)
        return;
    noeud->sommetsSquelette.ajouter(v);
    if (noeud->sommetsSquelette.indice(v) >= 0)
        v->noeudSquelette = noeud;
}

void CMaillageTriangleChRegion::greedySeparateurNormeInfinie() {
    const double s = double(NEIGHBORDIM) * DEFAULT_NEIGHBOR_STEP;
    // With a step of zero or less no edge is ever short enough and every split would call
    // for more: nothing is split.
    for (CSommetChRegion* v = s > 0.0 ? premierSommet : nullptr; v != nullptr; v = v->suivant) {
        if (!v->enListeActive)
            continue;
        int i = 0;
        while (i < v->voisins.nb) {
            const int n = v->voisins.nb;
            CSommetChRegion* w = v->voisins.tab[i];
            if (normeInfinie(*v, *w) <= 2.0 * s) {
                ++i;
                continue;
            }
            const CPoint3D m = milieu(*v, *w);
            const CSommetChRegion* p = v->voisins.tab[modulo(i - 1, n)];
            const CSommetChRegion* q = v->voisins.tab[modulo(i + 1, n)];
            // The midpoint must not crowd either opposite vertex.
            if (normeInfinie(m, *p) > s && normeInfinie(m, *q) > s && separer(v, w))
                i = 0;
            else
                ++i;
        }
    }
    calculerNormales();
}

bool CMaillageTriangleChRegion::signalerVoisinageRompu(CSommetChRegion* a, CSommetChRegion* b) {
    char texte[160];
    if (b->voisins.indice(a) < 0) {
        std::snprintf(texte, sizeof texte,
                      "inda=-1. a=%08x n'est pas voisin de b=%08x. Continuer ?", adresse(a),
                      adresse(b));
        demander(texte);
        return true;
    }
    const int ib = a->voisins.indice(b);
    if (ib < 0) {
        std::snprintf(texte, sizeof texte,
                      "indb=-1. b=%08x n'est pas voisin de a=%08x. Continuer ?", adresse(b),
                      adresse(a));
        demander(texte);
        return true;
    }
    // Rings that disagree in length cannot designate the opposite vertices: a plain refusal.
    if (!anneauxValides(a) || !anneauxValides(b))
        return false;
    const int na = a->voisins.nb;
    CSommetChRegion* o1 = a->voisins.tab[modulo(ib - 1, na)];
    CSommetChRegion* o2 = a->voisins.tab[modulo(ib + 1, na)];
    if (o1->voisins.indice(a) < 0) {
        std::snprintf(texte, sizeof texte,
                      "indav1=-1. a=%08x n'est pas voisin de v1=%08x. Continuer ?", adresse(a),
                      adresse(o1));
        demander(texte);
        return true;
    }
    if (o2->voisins.indice(a) < 0) {
        std::snprintf(texte, sizeof texte,
                      "indav2=-1. a=%08x n'est pas voisin de v2=%08x. Continuer ?", adresse(a),
                      adresse(o2));
        demander(texte);
        return true;
    }
    return false;
}

bool CMaillageTriangleChRegion::peutSeparer(CSommetChRegion* a, CSommetChRegion* b) const {
    const int ia = b->voisins.indice(a);
    const int ib = a->voisins.indice(b);
    // Rings that disagree in length cannot designate the two triangles of the edge.
    if (ia < 0 || ib < 0 || !anneauxValides(a) || !anneauxValides(b))
        return false;
    const int na = a->voisins.nb;
    CSommetChRegion* o1 = a->voisins.tab[modulo(ib - 1, na)];
    CSommetChRegion* o2 = a->voisins.tab[modulo(ib + 1, na)];
    CTriangleChRegion* t1 = a->triangles.tab[modulo(ib - 1, na)];
    CTriangleChRegion* t2 = a->triangles.tab[ib];
    if (o1->voisins.indice(a) < 0 || o2->voisins.indice(a) < 0)
        return false;
    if (o1->voisins.nb >= CSommetChRegion::CAPACITE_ANNEAU ||
        o2->voisins.nb >= CSommetChRegion::CAPACITE_ANNEAU)
        return false;
    // The rewrite relies on a and b being consecutive around both opposite vertices and on b
    // seeing t1 and t2; a mesh where they are not is left as it is.
    if (o1 == o2 || !anneauxValides(o1) || !anneauxValides(o2) || !consecutifs(o1, a, b) ||
        !consecutifs(o2, a, b) || b->triangles.indice(t1) < 0 || b->triangles.indice(t2) < 0)
        return false;
    return separationSansPli(a, b, o1, o2, t1, t2);
}

bool CMaillageTriangleChRegion::separer(CSommetChRegion* a, CSommetChRegion* b) {
    if (signalerVoisinageRompu(a, b) || !peutSeparer(a, b))
        return false;
    const int ia = b->voisins.indice(a);
    const int ib = a->voisins.indice(b);
    const int na = a->voisins.nb;
    CSommetChRegion* o1 = a->voisins.tab[modulo(ib - 1, na)];
    CSommetChRegion* o2 = a->voisins.tab[modulo(ib + 1, na)];
    CTriangleChRegion* t1 = a->triangles.tab[modulo(ib - 1, na)];
    CTriangleChRegion* t2 = a->triangles.tab[ib];

    CSommetChRegion* m = new CSommetChRegion();
    const CPoint3D position = milieu(*a, *b);
    m->x = position.x;
    m->y = position.y;
    m->z = position.z;
    m->normale = milieu(a->normale, b->normale);
    m->vecteur1 = milieu(a->vecteur1, b->vecteur1);
    m->actif = true;
    m->enListeActive = true;
    sommetsActifs.ajouter(m);
    m->elementActif = sommetsActifs.fin;
    if (squelette) {
        m->squeletteTrouve = false;
        attacherSquelette(m, a->noeudSquelette != nullptr ? a->noeudSquelette : b->noeudSquelette);
    }
    ajouterSommetFin(m);

    // The new faces take the winding of the halves they stand beside.
    const bool sensT1 = faces::parcourt(t1, o1, b);
    const bool sensT2 = faces::parcourt(t2, o2, b);
    char texte[160];
    if (!remplacerCoin(t1, b, m)) {
        std::snprintf(texte, sizeof texte, "t1=%08x, b=%08x non trouvé. Continuer ?", adresse(t1),
                      adresse(b));
        demander(texte);
    }
    if (!remplacerCoin(t2, b, m)) {
        std::snprintf(texte, sizeof texte, "t2=%08x, b=%08x non trouvé. Continuer ?", adresse(t2),
                      adresse(b));
        demander(texte);
    }
    CTriangleChRegion* t3 = new CTriangleChRegion(o1, b, m);
    CTriangleChRegion* t4 = new CTriangleChRegion(o2, b, m);
    ajouterTriangleFin(t3);
    ajouterTriangleFin(t4);
    t3->orientation = sensT1 ? 1 : -1;
    t4->orientation = sensT2 ? 1 : -1;
    calculerNormale(t1);
    calculerNormale(t2);
    calculerNormale(t3);
    calculerNormale(t4);

    m->voisins.ajouter(a).ajouter(o1).ajouter(b).ajouter(o2);
    m->triangles.ajouter(t1).ajouter(t3).ajouter(t4).ajouter(t2);
    a->voisins.tab[ib] = m;
    insererDansAnneau(o1, a, b, m, t3);
    insererDansAnneau(o2, a, b, m, t4);
    b->voisins.tab[ia] = m;
    b->triangles.tab[b->triangles.indice(t1)] = t3;
    b->triangles.tab[b->triangles.indice(t2)] = t4;
    return true;
}

void CMaillageTriangleChRegion::greedyFusionneurNormeInfinie() {
    const double s = double(NEIGHBORDIM) * DEFAULT_NEIGHBOR_STEP;
    for (CSommetChRegion* v = premierSommet; v != nullptr; v = v->suivant) {
        int i = 0;
        while (i < v->voisins.nb) {
            CSommetChRegion* w = v->voisins.tab[i];
            if (normeInfinie(*v, *w) < s && fusionner(v, w))
                i = 0;
            else
                ++i;
        }
    }
    calculerNormales();
}

bool CMaillageTriangleChRegion::peutFusionner(CSommetChRegion* a, CSommetChRegion* b) const {
    const int ib = a->voisins.indice(b);
    const int ia = b->voisins.indice(a);
    if (ib < 0 || ia < 0 || !anneauxValides(a) || !anneauxValides(b))
        return false;
    const int na = a->voisins.nb;
    const int nb = b->voisins.nb;
    const int fusionne = na + nb - 4;
    if (fusionne > CSommetChRegion::CAPACITE_ANNEAU || fusionne < 3)
        return false;
    int communs = 0;
    for (int k = 0; k < na; ++k)
        if (b->voisins.indice(a->voisins.tab[k]) >= 0)
            ++communs;
    if (communs != 2)
        return false;
    CSommetChRegion* o1 = a->voisins.tab[modulo(ib - 1, na)];
    CSommetChRegion* o2 = a->voisins.tab[modulo(ib + 1, na)];
    if (o1->voisins.nb < 5 || o2->voisins.nb < 5)
        return false;
    CTriangleChRegion* t1 = a->triangles.tab[modulo(ib - 1, na)];
    CTriangleChRegion* t2 = a->triangles.tab[ib];
    // b's ring must see o1 and o2 on either side of a, with t1 and t2 between.
    const bool direct = b->voisins.tab[modulo(ia + 1, nb)] == o1;
    CSommetChRegion* apres = direct ? o1 : o2;
    CSommetChRegion* avant = direct ? o2 : o1;
    if (b->voisins.tab[modulo(ia + 1, nb)] != apres ||
        b->voisins.tab[modulo(ia - 1, nb)] != avant || b->triangles.tab[ia] != (direct ? t1 : t2) ||
        b->triangles.tab[modulo(ia - 1, nb)] != (direct ? t2 : t1) || !anneauxValides(o1) ||
        !anneauxValides(o2) || !consecutifs(o1, a, b) || !consecutifs(o2, a, b))
        return false;
    return fusionSansPli(a, b, t1, t2);
}

namespace {

// An opposite vertex of a merge whose triangle ring no longer matches its neighbour ring is
// turned by one place either way; failing that, the user is asked and the process ends.
void reparerAnneauOppose(const CMaillageTriangleChRegion& maillage, CSommetChRegion* o,
                         const char* texte) {
    if (maillage.verifierVoisins(o))
        return;
    tourner(o->triangles, 1);
    if (maillage.verifierVoisins(o))
        return;
    tourner(o->triangles, -2);
    if (maillage.verifierVoisins(o))
        return;
    Question(texte);
    finirProcessus(kStatutArret);
}

} // namespace

bool CMaillageTriangleChRegion::fusionner(CSommetChRegion* a, CSommetChRegion* b) {
    if (!peutFusionner(a, b))
        return false;
    const int ib = a->voisins.indice(b);
    const int ia = b->voisins.indice(a);
    const int na = a->voisins.nb;
    const int nb = b->voisins.nb;
    CSommetChRegion* o1 = a->voisins.tab[modulo(ib - 1, na)];
    CSommetChRegion* o2 = a->voisins.tab[modulo(ib + 1, na)];
    CTriangleChRegion* t1 = a->triangles.tab[modulo(ib - 1, na)];
    CTriangleChRegion* t2 = a->triangles.tab[ib];
    const bool direct = b->voisins.tab[modulo(ia + 1, nb)] == o1;

    const CPoint3D position = milieu(*a, *b);
    a->x = position.x;
    a->y = position.y;
    a->z = position.z;
    a->normale = milieu(a->normale, b->normale);
    a->vecteur1 = milieu(a->vecteur1, b->vecteur1);
    a->marque1 = false;
    a->actif = true;

    retirerSommetListe(b);
    retirerTriangleListe(t1);
    retirerTriangleListe(t2);
    if (b->enListeActive && b->elementActif != nullptr) {
        sommetsActifs.forcerCourant(b->elementActif);
        sommetsActifs.supprimerCourant();
        b->elementActif = nullptr;
        b->enListeActive = false;
    }

    // Vertices attached to a destroyed triangle move to a triangle of a's ring that stays.
    const auto rattacher = [&](CTriangleChRegion* detruit, CTriangleChRegion* cible) {
        if (cible == t1 || cible == t2)
            cible = nullptr;
        while (detruit->sommetsSquelette.longueur() > 0) {
            CSommetChRegion* v = detruit->sommetsSquelette[0];
            detruit->sommetsSquelette.enlever(v);
            attacherSquelette(v, cible);
        }
    };
    rattacher(t1, a->triangles.tab[modulo(ib - 2, na)]);
    rattacher(t2, a->triangles.tab[modulo(ib + 2, na)]);
    if (b->noeudSquelette != nullptr)
        b->noeudSquelette->sommetsSquelette.enlever(b);
    b->noeudSquelette = nullptr;

    // b's other triangles and neighbours now refer to a.
    // A corner replaced in place keeps the triangle's winding: orientations stay as they are.
    CTriangleChRegion* premier = b->triangles.tab[modulo(ia + 1, nb)];
    remplacerCoin(premier, b, a);
    calculerNormale(premier);
    for (int j = 0; j <= nb - 4; ++j) {
        CTriangleChRegion* t = b->triangles.tab[modulo(ia + 2 + j, nb)];
        remplacerCoin(t, b, a);
        calculerNormale(t);
        CSommetChRegion* u = b->voisins.tab[modulo(ia + 2 + j, nb)];
        u->voisins.tab[u->voisins.indice(b)] = a;
    }

    // a's ring: b and its two triangles give way to b's remaining fan, from o1 to o2.
    a->voisins.supprimer(ib);
    const int it1 = modulo(ib - 1, na);
    a->triangles.supprimer(it1 > ib ? it1 : ib);
    a->triangles.supprimer(it1 > ib ? ib : it1);
    const bool enFin = ib == 0 || ib == na - 1;
    for (int j = 0; j <= nb - 3; ++j) {
        CTriangleChRegion* t = direct ? b->triangles.tab[modulo(ia + 1 + j, nb)]
                                      : b->triangles.tab[modulo(ia - 2 - j, nb)];
        if (j <= nb - 4) {
            CSommetChRegion* u = direct ? b->voisins.tab[modulo(ia + 2 + j, nb)]
                                        : b->voisins.tab[modulo(ia - 2 - j, nb)];
            if (enFin)
                a->voisins.ajouter(u);
            else
                a->voisins.inserer(u, ib + j);
        }
        if (enFin)
            a->triangles.ajouter(t);
        else
            a->triangles.inserer(t, ib - 1 + j);
    }

    retirerDeAnneau(o1, a, b);
    retirerDeAnneau(o2, a, b);
    reparerAnneauOppose(*this, o1, "Le voisin v1 a des pb de voisinage");
    reparerAnneauOppose(*this, o2, "Le voisin v2 a des pb de voisinage");

    delete b;
    delete t1;
    delete t2;
    return true;
}
