#include "mesh/CMaillageTriangleChRegion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Message.h"

namespace {

struct Point2D {
    double x, y;
};

double orientation2D(const Point2D& u, const Point2D& v, const Point2D& w) {
    return (w.x - u.x) * (v.y - u.y) - (w.y - u.y) * (v.x - u.x);
}

// Projection onto the coordinate plane that drops the axis of the largest normal component.
Point2D projeter(const CPoint3D& p, int axe) {
    if (axe == 0)
        return {p.y, p.z};
    if (axe == 1)
        return {p.x, p.z};
    return {p.x, p.y};
}

bool contient(const std::vector<CTriangleChRegion*>& v, const CTriangleChRegion* t) {
    return std::find(v.begin(), v.end(), t) != v.end();
}

} // namespace

bool CMaillageTriangleChRegion::intersectionTriangle(const CPoint3D& origine,
                                                     const CPoint3D& direction,
                                                     CTriangleChRegion* t, CPoint3D& point) {
    const CPoint3D n(t->normale[0], t->normale[1], t->normale[2]);
    const double den = direction.produitScalaire(n);
    if (den == 0.0)
        return false;
    const double u = n.produitScalaire(*t->a - origine) / den;
    if (!(u > 0.0))
        return false;
    point = origine + direction * u;

    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const int axe = ax >= ay && ax >= az ? 0 : ay >= ax && ay >= az ? 1 : 2;
    const Point2D A = projeter(*t->a, axe), B = projeter(*t->b, axe), C = projeter(*t->c, axe);
    const Point2D Q = projeter(point, axe);
    const double e1 = orientation2D(A, B, Q), e2 = orientation2D(B, C, Q),
                 e3 = orientation2D(C, A, Q);
    // Strictly inside only: a point on an edge is outside.
    return (e1 > 0.0 && e2 > 0.0 && e3 > 0.0) || (e1 < 0.0 && e2 < 0.0 && e3 < 0.0);
}

bool CMaillageTriangleChRegion::intersectionTriangle(CSommetChRegion* v, CTriangleChRegion* t,
                                                     CPoint3D& point) {
    if (t->aPourSommet(v))
        return false;
    return intersectionTriangle(*v, -v->normale, t, point);
}

void CMaillageTriangleChRegion::intersectionTriangles(CSommetChRegion* v) {
    if (!v->actif)
        return;
    v->squeletteTrouve = false;
    CTriangleChRegion* noeud = v->noeudSquelette;
    for (int k = 0; k < v->voisins.nb && noeud == nullptr; ++k) {
        const CSommetChRegion* u = v->voisins.tab[k];
        if (u == nullptr)
            Message("sommet_j==NULL");
        else
            noeud = u->noeudSquelette;
    }
    if (noeud == nullptr)
        return;

    CPoint3D P;
    if (intersectionTriangle(v, noeud, P)) {
        v->pointSquelette = (*v + P) / 2.0;
        attacherSquelette(v, noeud);
        v->squeletteTrouve = true;
        return;
    }

    noeud->sommetsSquelette.enlever(v);
    CTriangleChRegion* trouve = nullptr;
    std::vector<CTriangleChRegion*> visites{noeud};
    std::vector<CTriangleChRegion*> frontiere{noeud};
    for (int tour = 0; tour < 2 && trouve == nullptr && !frontiere.empty(); ++tour) {
        std::vector<CTriangleChRegion*> suivante;
        for (CTriangleChRegion* t : frontiere) {
            if (t == nullptr) {
                Message("triangle_t==NULL");
                continue;
            }
            for (CSommetChRegion* coin : {t->a, t->b, t->c}) {
                if (coin == nullptr) {
                    Message("sommet_j==NULL");
                    continue;
                }
                for (int k = 0; k < coin->triangles.nb; ++k) {
                    CTriangleChRegion* t2 = coin->triangles.tab[k];
                    if (t2 == nullptr) {
                        Message("triangle_t2==NULL");
                        continue;
                    }
                    if (contient(visites, t2))
                        continue;
                    visites.push_back(t2);
                    suivante.push_back(t2);
                    // When several triangles are hit, the last one examined wins.
                    if (intersectionTriangle(v, t2, P)) {
                        trouve = t2;
                        v->pointSquelette = (*v + P) / 2.0;
                        v->squeletteTrouve = true;
                    }
                }
            }
        }
        frontiere.swap(suivante);
    }
    attacherSquelette(v, trouve);
}

void CMaillageTriangleChRegion::creerSquelette() {
    for (CSommetChRegion* v = premierSommet; v != nullptr; v = v->suivant)
        intersectionTriangles(v);
}
