#include "mesh/CMaillageTriangleChRegion.h"

#include "core/Message.h"

#include <cstdint>
#include <cstdio>

namespace {

// Storage of the two rings of a vertex, taken together from one reserve.
struct ZoneAnneaux {
    CSommetChRegion* voisins[CSommetChRegion::CAPACITE_ANNEAU];
    CTriangleChRegion* triangles[CSommetChRegion::CAPACITE_ANNEAU];
};
using ReserveAnneaux = ReserveObjets<sizeof(ZoneAnneaux), alignof(ZoneAnneaux)>;

} // namespace

CSommetChRegion::CSommetChRegion() : zoneAnneaux(ReserveAnneaux::prendre()) {
    ZoneAnneaux* zone = static_cast<ZoneAnneaux*>(zoneAnneaux);
    voisins.utiliserZone(zone->voisins, CAPACITE_ANNEAU);
    triangles.utiliserZone(zone->triangles, CAPACITE_ANNEAU);
}

// The copy starts with rings of no capacity and cleared skeleton fields.
CSommetChRegion::CSommetChRegion(const CSommetChRegion& s)
    : CPoint3D(s), normale(s.normale), vecteur0(s.vecteur0), vecteur1(s.vecteur1),
      marque1(s.marque1), marque2(s.marque2), actif(s.actif), enListeActive(s.enListeActive) {}

CSommetChRegion::~CSommetChRegion() {
    trajectoire.vider();
    // The rings drop the zone first, whatever storage they use by now.
    voisins.initialiserMax(0);
    triangles.initialiserMax(0);
    ReserveAnneaux::rendre(zoneAnneaux);
}

CSommetChRegion& CSommetChRegion::operator=(const CSommetChRegion& s) {
    if (this == &s)
        return *this;
    x = s.x;
    y = s.y;
    z = s.z;
    normale = s.normale;
    vecteur0 = s.vecteur0;
    vecteur1 = s.vecteur1;
    marque1 = s.marque1;
    marque2 = s.marque2;
    actif = s.actif;
    suivant = nullptr;
    precedent = nullptr;
    return *this;
}

CVecteur<Chaine> CSommetChRegion::infos() const {
    CVecteur<Chaine> lignes(6);
    char texte[256];
    std::snprintf(texte, sizeof texte, "Coordonnées écran x=%.3f y=%.3f z=%.3f", x, y, z);
    lignes[0] = texte;
    Chaine energies;
    for (int i = 0; i < EnergiesSommet::taille; ++i) {
        std::snprintf(texte, sizeof texte, "energie[%d]=%.3f  ", i, energie[i]);
        energies += texte;
    }
    lignes[1] = energies;
    Chaine anneau("Voisins : ");
    for (int i = 0; i < voisins.longueur(); ++i) {
        std::snprintf(texte, sizeof texte, "%08x , ", adresse(voisins[i]));
        anneau += texte;
    }
    lignes[2] = anneau;
    Chaine anneauTriangles("Voisins : ");
    for (int i = 0; i < triangles.longueur(); ++i) {
        std::snprintf(texte, sizeof texte, "%08x , ", adresse(triangles[i]));
        anneauTriangles += texte;
    }
    lignes[3] = anneauTriangles;
    std::snprintf(texte, sizeof texte, "Normale : x=%.3f y=%.3f z=%.3f", normale.x, normale.y,
                  normale.z);
    lignes[4] = texte;
    std::snprintf(texte, sizeof texte, "Vecteur1 : x=%.3f y=%.3f z=%.3f", vecteur1.x, vecteur1.y,
                  vecteur1.z);
    lignes[5] = texte;
    return lignes;
}

CTriangleChRegion::CTriangleChRegion(CSommetChRegion* sommetA, CSommetChRegion* sommetB,
                                     CSommetChRegion* sommetC)
    : a(sommetA), b(sommetB), c(sommetC) {}

CTriangleChRegion::CTriangleChRegion(const CTriangleChRegion& t)
    : normale{t.normale[0], t.normale[1], t.normale[2]}, a(t.a), b(t.b), c(t.c),
      orientation(t.orientation) {}

void* CSommetChRegion::operator new(std::size_t) {
    return ReserveObjets<sizeof(CSommetChRegion), alignof(CSommetChRegion)>::prendre();
}
void CSommetChRegion::operator delete(void* p) {
    ReserveObjets<sizeof(CSommetChRegion), alignof(CSommetChRegion)>::rendre(p);
}

void* CTriangleChRegion::operator new(std::size_t) {
    return ReserveObjets<sizeof(CTriangleChRegion), alignof(CTriangleChRegion)>::prendre();
}
void CTriangleChRegion::operator delete(void* p) {
    ReserveObjets<sizeof(CTriangleChRegion), alignof(CTriangleChRegion)>::rendre(p);
}
