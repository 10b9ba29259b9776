#pragma once
// Meshes built directly in code for drawing tests and benchmarks: a latitude-longitude sphere in
// voxel coordinates with exact outward normals, linked like a constructed mesh (vertex and
// triangle lists, active list, neighbour rings where they fit), and as flat arrays.

#include "core/CPoint3D.h"
#include "core/Pi.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MaillagePlat.h"

#include <cmath>
#include <vector>

namespace synthese {

inline void relier(CSommetChRegion* a, CSommetChRegion* b) {
    for (CSommetChRegion* v : {a, b}) {
        CSommetChRegion* autre = v == a ? b : a;
        if (v->voisins.indice(autre) < 0 &&
            v->voisins.longueur() < CSommetChRegion::CAPACITE_ANNEAU)
            v->voisins.ajouter(autre);
    }
}

inline CSommetChRegion* ajouterSommet(CMaillageTriangleChRegion& m, const CPoint3D& p,
                                      const CPoint3D& n) {
    auto* v = new CSommetChRegion;
    v->x = p.x;
    v->y = p.y;
    v->z = p.z;
    v->normale = n;
    v->precedent = m.dernierSommet;
    if (m.dernierSommet)
        m.dernierSommet->suivant = v;
    else
        m.premierSommet = v;
    m.dernierSommet = v;
    ++m.nbSommets;
    m.sommetsActifs.ajouter(v);
    v->elementActif = m.sommetsActifs.fin;
    v->enListeActive = true;
    return v;
}

// The triangle a, b, c (counter-clockwise seen from outside) with its outward normal.
inline CTriangleChRegion* ajouterTriangle(CMaillageTriangleChRegion& m, CSommetChRegion* a,
                                          CSommetChRegion* b, CSommetChRegion* c) {
    auto* t = new CTriangleChRegion(a, b, c);
    const CPoint3D n = (*b - *a).produitVectoriel(*c - *a).normalise();
    t->normale[0] = n.x;
    t->normale[1] = n.y;
    t->normale[2] = n.z;
    t->orientation = 1;
    t->precedent = m.dernierTriangle;
    if (m.dernierTriangle)
        m.dernierTriangle->suivant = t;
    else
        m.premierTriangle = t;
    m.dernierTriangle = t;
    ++m.nbTriangles;
    relier(a, b);
    relier(b, c);
    relier(c, a);
    return t;
}

// Sphere of the given centre and radius (voxels): two poles and nbParalleles - 1 rings of
// nbMeridiens vertices; 2 x nbMeridiens x (nbParalleles - 1) triangles.
inline void construireSphere(CMaillageTriangleChRegion& m, const CPoint3D& centre, float rayon,
                             int nbParalleles, int nbMeridiens) {
    const double pi = kPi;
    auto sommet = [&](double theta, double phi) {
        const CPoint3D n(float(std::sin(theta) * std::cos(phi)), float(std::cos(theta)),
                         float(std::sin(theta) * std::sin(phi)));
        return ajouterSommet(m, centre + n * rayon, n);
    };
    CSommetChRegion* nord = sommet(0, 0);
    std::vector<std::vector<CSommetChRegion*>> anneaux;
    for (int i = 1; i < nbParalleles; ++i) {
        anneaux.emplace_back();
        for (int j = 0; j < nbMeridiens; ++j)
            anneaux.back().push_back(sommet(pi * i / nbParalleles, 2 * pi * j / nbMeridiens));
    }
    CSommetChRegion* sud = sommet(pi, 0);
    const int n = nbMeridiens;
    for (int j = 0; j < n; ++j)
        ajouterTriangle(m, nord, anneaux.front()[(j + 1) % n], anneaux.front()[j]);
    for (std::size_t i = 0; i + 1 < anneaux.size(); ++i)
        for (int j = 0; j < n; ++j) {
            CSommetChRegion* a = anneaux[i][j];
            CSommetChRegion* b = anneaux[i][(j + 1) % n];
            CSommetChRegion* c = anneaux[i + 1][j];
            CSommetChRegion* d = anneaux[i + 1][(j + 1) % n];
            ajouterTriangle(m, a, b, d);
            ajouterTriangle(m, a, d, c);
        }
    for (int j = 0; j < n; ++j)
        ajouterTriangle(m, sud, anneaux.back()[j], anneaux.back()[(j + 1) % n]);
}

// Scene frame of a cubic volume of the given side.
// A latitude-longitude sphere as flat arrays: nLat rings of nLon vertices between the poles,
// outward triangles, unit normals.
inline Stravol::MaillagePlat spherePlate(float cx, float cy, float cz, float r, int nLat,
                                         int nLon) {
    Stravol::MaillagePlat m;
    const auto sommet = [&](double theta, double phi) {
        const double n[3] = {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi),
                             std::cos(theta)};
        m.positions.insert(m.positions.end(),
                           {cx + static_cast<float>(r * n[0]), cy + static_cast<float>(r * n[1]),
                            cz + static_cast<float>(r * n[2])});
        m.normales.insert(m.normales.end(), {static_cast<float>(n[0]), static_cast<float>(n[1]),
                                             static_cast<float>(n[2])});
    };
    sommet(0, 0);
    for (int i = 1; i <= nLat; ++i)
        for (int j = 0; j < nLon; ++j)
            sommet(kPi * i / (nLat + 1), 2 * kPi * j / nLon);
    sommet(kPi, 0);
    const auto indice = [nLon](int anneau, int j) {
        return static_cast<std::uint32_t>(1 + anneau * nLon + (j % nLon));
    };
    const auto bas = static_cast<std::uint32_t>(1 + nLat * nLon);
    for (int j = 0; j < nLon; ++j) {
        m.triangles.insert(m.triangles.end(), {0, indice(0, j), indice(0, j + 1)});
        m.triangles.insert(m.triangles.end(), {bas, indice(nLat - 1, j + 1), indice(nLat - 1, j)});
        for (int i = 0; i + 1 < nLat; ++i) {
            m.triangles.insert(m.triangles.end(),
                               {indice(i, j), indice(i + 1, j), indice(i + 1, j + 1)});
            m.triangles.insert(m.triangles.end(),
                               {indice(i, j), indice(i + 1, j + 1), indice(i, j + 1)});
        }
    }
    return m;
}

inline void cadreVolume(float cote) {
    CPoint3D::width = CPoint3D::height = CPoint3D::depth = CPoint3D::maxdim = cote;
    CPoint3D::step_z = 1.0f;
}

} // namespace synthese
