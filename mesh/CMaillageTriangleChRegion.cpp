#include "mesh/CMaillageTriangleChRegion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "core/Message.h"

float CMaillageTriangleChRegion::DEFAULT_ALPHA = 0.0f;
float CMaillageTriangleChRegion::DEFAULT_BETA = 1.0f;
float CMaillageTriangleChRegion::DEFAULT_GAMMA = 0.0f;
float CMaillageTriangleChRegion::DEFAULT_DELTA = 0.0f;
float CMaillageTriangleChRegion::DEFAULT_THETA = 0.15f;
float CMaillageTriangleChRegion::DEFAULT_LAMBDA1 = 0.0f;
float CMaillageTriangleChRegion::DEFAULT_LAMBDA2 = 0.0f;
float CMaillageTriangleChRegion::DEFAULT_NEIGHBOR_STEP = 0.5f;
int CMaillageTriangleChRegion::NEIGHBORDIM = 3;
int CMaillageTriangleChRegion::NEIGHBORHOOD = 27;
float CMaillageTriangleChRegion::SEUIL_VEROUILLAGE = 0.1f;

namespace {

constexpr int NB_BINS = 256;

void initialiserHistogramme(CVecteur<float>& h) {
    h.init(NB_BINS);
    h.remplir(0.0f);
}

void initialiserStatistique(CVecteur<float>& v) {
    v.init(CSommetChRegion::NB_ENERGIES);
    v.remplir(0.0f);
}

} // namespace

CMaillageTriangleChRegion::CMaillageTriangleChRegion() {
    initialiserStatistique(energieMin);
    initialiserStatistique(energieMax);
    initialiserStatistique(energieMoyenne);
    initialiserStatistique(energieEcartType);
    initialiserHistogramme(histogramme1);
    initialiserHistogramme(histogramme2);
    initialiserHistogramme(histogramme3);
    initialiserHistogramme(histogramme4);
}

CMaillageTriangleChRegion::CMaillageTriangleChRegion(const CMaillageTriangleChRegion&)
    : CMaillageTriangleChRegion() {
    if (!Question("CMaillageTriangleChRegion::constructeur de recopie : fonction interdite"))
        finirProcessus(kStatutArret);
}

CMaillageTriangleChRegion::~CMaillageTriangleChRegion() { vider(); }

void CMaillageTriangleChRegion::detruireSommetsTriangles() {
    CSommetChRegion* s = premierSommet;
    for (int i = 0; i < nbSommets && s != nullptr; ++i) {
        CSommetChRegion* suivant = s->suivant;
        delete s;
        s = suivant;
    }
    CTriangleChRegion* t = premierTriangle;
    for (int i = 0; i < nbTriangles && t != nullptr; ++i) {
        CTriangleChRegion* suivant = t->suivant;
        delete t;
        t = suivant;
    }
    // The active list would otherwise point at destroyed vertices.
    sommetsActifs.vider();
    sommetsConstruits = {};
    trianglesConstruits = {};
    premierSommet = dernierSommet = nullptr;
    premierTriangle = dernierTriangle = nullptr;
    nbSommets = 0;
    nbTriangles = 0;
}

void CMaillageTriangleChRegion::vider() {
    centre = CPoint3D();
    rayon = 0.0f;
    detruireSommetsTriangles();
    histogramme1.remplir(0.0f);
    histogramme2.remplir(0.0f);
    histogramme3.remplir(0.0f);
    histogramme4.remplir(0.0f);
}

void CMaillageTriangleChRegion::reactiverSommets() {
    sommetsActifs.vider();
    for (CSommetChRegion* s = premierSommet; s != nullptr; s = s->suivant)
        activerEnFin(s);
}

void CMaillageTriangleChRegion::activerEnFin(CSommetChRegion* s) {
    s->actif = true;
    s->enListeActive = true;
    sommetsActifs.ajouter(s);
    s->elementActif = sommetsActifs.fin;
}

namespace {

// The settings, display switches, images and histograms of m, not its surface.
void copierReglages(CMaillageTriangleChRegion& d, const CMaillageTriangleChRegion& m) {
    d.centre = m.centre;
    d.rayon = m.rayon;
    d.ordreIcosaedre = m.ordreIcosaedre;
    for (int i = 0; i < 4; ++i) {
        d.materielSpeculaire[i] = m.materielSpeculaire[i];
        d.materielDiffus[i] = m.materielDiffus[i];
        d.materielAmbiant[i] = m.materielAmbiant[i];
    }
    d.rayonSphere = m.rayonSphere;
    d.adaptationPoids = m.adaptationPoids;
    d.fusion = m.fusion;
    d.separation = m.separation;
    d.pasSpatial = m.pasSpatial;
    d.critereArret = m.critereArret;
    d.compteur1 = m.compteur1;
    d.compteur2 = m.compteur2;
    d.afficherSommets = m.afficherSommets;
    d.afficherFaces = m.afficherFaces;
    d.afficherFacesLisses = m.afficherFacesLisses;
    d.afficherAretes = m.afficherAretes;
    d.afficherNormales = m.afficherNormales;
    d.image = m.image;
    d.imageEvolution = m.imageEvolution;
    d.nbPixelsLigneRegion = m.nbPixelsLigneRegion;
    d.histogramme1 = m.histogramme1;
    d.histogramme2 = m.histogramme2;
    d.histogramme3 = m.histogramme3;
    d.histogramme4 = m.histogramme4;
}

// Source vertex and triangle -> its copy. A corner or ring entry outside the source's numbered
// lists cannot be translated; it becomes null rather than a pointer into the other mesh.
struct Traduction {
    std::unordered_map<const CSommetChRegion*, CSommetChRegion*> sommets;
    std::unordered_map<const CTriangleChRegion*, CTriangleChRegion*> triangles;

    CSommetChRegion* sommet(const CSommetChRegion* s) const {
        auto it = sommets.find(s);
        return it == sommets.end() ? nullptr : it->second;
    }
    CTriangleChRegion* triangle(const CTriangleChRegion* t) const {
        auto it = triangles.find(t);
        return it == triangles.end() ? nullptr : it->second;
    }
};

// The vertices of m appended to d's empty list in list order, both numbered alike.
void copierSommets(CMaillageTriangleChRegion& d, const CMaillageTriangleChRegion& m,
                   Traduction& traduction) {
    traduction.sommets.reserve(static_cast<std::size_t>(std::max(m.nbSommets, 0)));
    CSommetChRegion* source = m.premierSommet;
    int i = 0;
    for (; i < m.nbSommets && source != nullptr; ++i, source = source->suivant) {
        source->indice = i;
        CSommetChRegion* copie = new CSommetChRegion();
        *copie = *source;
        copie->indice = i;
        copie->precedent = d.dernierSommet;
        if (d.dernierSommet != nullptr)
            d.dernierSommet->suivant = copie;
        else
            d.premierSommet = copie;
        d.dernierSommet = copie;
        traduction.sommets.emplace(source, copie);
    }
    d.nbSommets = i;
    if (source != nullptr)
        Message("CMaillageTriangleChRegion::operator= : erreur de recopie de la liste des sommets");
}

// The triangles of m appended to d's empty list in list order, corners translated.
void copierTriangles(CMaillageTriangleChRegion& d, const CMaillageTriangleChRegion& m,
                     Traduction& traduction) {
    traduction.triangles.reserve(static_cast<std::size_t>(std::max(m.nbTriangles, 0)));
    CTriangleChRegion* triangle = m.premierTriangle;
    int n = 0;
    for (; n < m.nbTriangles && triangle != nullptr; ++n, triangle = triangle->suivant) {
        triangle->indice = n;
        CTriangleChRegion* copie =
            new CTriangleChRegion(traduction.sommet(triangle->a), traduction.sommet(triangle->b),
                                  traduction.sommet(triangle->c));
        for (int k = 0; k < 3; ++k)
            copie->normale[k] = triangle->normale[k];
        copie->orientation = triangle->orientation;
        copie->indice = n;
        copie->precedent = d.dernierTriangle;
        if (d.dernierTriangle != nullptr)
            d.dernierTriangle->suivant = copie;
        else
            d.premierTriangle = copie;
        d.dernierTriangle = copie;
        traduction.triangles.emplace(triangle, copie);
    }
    d.nbTriangles = n;
    if (triangle != nullptr)
        Message(
            "CMaillageTriangleChRegion::operator= : erreur de recopie de la liste des triangles");
}

// Each copied vertex's rings, translated from its source's.
void copierAnneaux(CMaillageTriangleChRegion& d, const CMaillageTriangleChRegion& m,
                   const Traduction& traduction) {
    const CSommetChRegion* source = m.premierSommet;
    CSommetChRegion* cible = d.premierSommet;
    for (; source != nullptr && cible != nullptr;
         source = source->suivant, cible = cible->suivant) {
        cible->voisins.vider();
        cible->triangles.vider();
        for (int k = 0; k < source->voisins.longueur() && k < CSommetChRegion::CAPACITE_ANNEAU; ++k)
            cible->voisins.ajouter(traduction.sommet(source->voisins[k]));
        for (int k = 0; k < source->triangles.longueur() && k < CSommetChRegion::CAPACITE_ANNEAU;
             ++k)
            cible->triangles.ajouter(traduction.triangle(source->triangles[k]));
    }
    if (source != nullptr)
        Message("CMaillageTriangleChRegion::operator= : erreur de recopie de la liste des sommets "
                "et triangles "
                "voisins");
}

// The copy's active list mirrors the source's flags.
void copierListeActive(CMaillageTriangleChRegion& d, const CMaillageTriangleChRegion& m,
                       const Traduction& traduction) {
    d.sommetsActifs.vider();
    for (CSommetChRegion* s = d.premierSommet; s != nullptr; s = s->suivant) {
        s->elementActif = nullptr;
        s->enListeActive = false;
    }
    for (auto* e = m.sommetsActifs.debut; e != nullptr; e = e->suivant) {
        CSommetChRegion* s = traduction.sommet(e->valeur);
        if (s != nullptr && !s->enListeActive) {
            s->enListeActive = true;
            d.sommetsActifs.ajouter(s);
            s->elementActif = d.sommetsActifs.fin;
        }
    }
}

} // namespace

CMaillageTriangleChRegion&
CMaillageTriangleChRegion::operator=(const CMaillageTriangleChRegion& m) {
    if (this == &m)
        return *this;
    detruireSommetsTriangles();
    copierReglages(*this, m);
    // Vertices and triangles are copied in list order; the source objects are numbered so
    // that corners and rings can be translated by number.
    Traduction traduction;
    copierSommets(*this, m, traduction);
    copierTriangles(*this, m, traduction);
    copierAnneaux(*this, m, traduction);
    copierListeActive(*this, m, traduction);
    return *this;
}

CPoint3D CMaillageTriangleChRegion::centreGravite() const {
    double sx = 0.0, sy = 0.0, sz = 0.0;
    for (const CSommetChRegion* s = premierSommet; s != nullptr; s = s->suivant) {
        sx += s->x;
        sy += s->y;
        sz += s->z;
    }
    return CPoint3D(static_cast<float>(sx / nbSommets), static_cast<float>(sy / nbSommets),
                    static_cast<float>(sz / nbSommets));
}

void CMaillageTriangleChRegion::setRayon(float r) {
    rayon = r;
    for (CSommetChRegion* s = premierSommet; s != nullptr; s = s->suivant) {
        const double dx = static_cast<double>(s->x) - centre.x;
        const double dy = static_cast<double>(s->y) - centre.y;
        const double dz = static_cast<double>(s->z) - centre.z;
        const double longueur = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (longueur == 0.0)
            continue;
        s->x = static_cast<float>(centre.x + r * dx / longueur);
        s->y = static_cast<float>(centre.y + r * dy / longueur);
        s->z = static_cast<float>(centre.z + r * dz / longueur);
    }
}

bool CMaillageTriangleChRegion::verifierVoisins(const CSommetChRegion* v) const {
    const int n = v->voisins.longueur();
    if (n != v->triangles.longueur())
        return true;
    for (int k = 0; k < n; ++k) {
        const CTriangleChRegion* t = v->triangles[k];
        const CSommetChRegion* u = v->voisins[k];
        const CSommetChRegion* w = v->voisins[(k + 1) % n];
        if (t == nullptr || !t->aPourSommet(v) || !t->aPourSommet(u) || !t->aPourSommet(w))
            return false;
    }
    return true;
}

const std::vector<CSommetChRegion*>* CMaillageTriangleChRegion::listeSommetsConstruite() const {
    const bool aJour =
        nbSommets > 0 && sommetsConstruits.size() == static_cast<std::size_t>(nbSommets) &&
        sommetsConstruits.front() == premierSommet && sommetsConstruits.back() == dernierSommet;
    return aJour ? &sommetsConstruits : nullptr;
}

const std::vector<CTriangleChRegion*>* CMaillageTriangleChRegion::listeTrianglesConstruite() const {
    const bool aJour = nbTriangles > 0 &&
                       trianglesConstruits.size() == static_cast<std::size_t>(nbTriangles) &&
                       trianglesConstruits.front() == premierTriangle &&
                       trianglesConstruits.back() == dernierTriangle;
    return aJour ? &trianglesConstruits : nullptr;
}

void CMaillageTriangleChRegion::ajouterSommetFin(CSommetChRegion* s) {
    if (!sommetsConstruits.empty())
        sommetsConstruits = {};
    s->suivant = nullptr;
    s->precedent = dernierSommet;
    if (dernierSommet != nullptr)
        dernierSommet->suivant = s;
    else
        premierSommet = s;
    dernierSommet = s;
    ++nbSommets;
}

void CMaillageTriangleChRegion::ajouterTriangleFin(CTriangleChRegion* t) {
    if (!trianglesConstruits.empty())
        trianglesConstruits = {};
    t->suivant = nullptr;
    t->precedent = dernierTriangle;
    if (dernierTriangle != nullptr)
        dernierTriangle->suivant = t;
    else
        premierTriangle = t;
    dernierTriangle = t;
    ++nbTriangles;
}
