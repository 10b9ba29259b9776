#include "mesh/MesuresSurface.h"

#include "mesh/CMaillageTriangleChRegion.h"

#include <cmath>

double volumeEnclos(const CMaillageTriangleChRegion& maillage) {
    double somme = 0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        // a . (b x c) is six times the signed volume of the tetrahedron (origin, a, b, c);
        // the orientation turns the corner order outward.
        const CPoint3D& a = *t->a;
        const CPoint3D& b = *t->b;
        const CPoint3D& c = *t->c;
        const double produitMixte = a.produitScalaire(b.produitVectoriel(c));
        somme += t->orientation < 0 ? -produitMixte : produitMixte;
    }
    return somme / 6.0;
}

double aireSurface(const CMaillageTriangleChRegion& maillage) {
    double somme = 0;
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        const CPoint3D ab = *t->b - *t->a;
        const CPoint3D ac = *t->c - *t->a;
        const CPoint3D n = ab.produitVectoriel(ac);
        somme += std::sqrt(n.produitScalaire(n));
    }
    return somme / 2.0;
}
