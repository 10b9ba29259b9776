#include "helpers/deformation.h"
#include "core/Pi.h"

#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "region/CRegion3D.h"

namespace deformation {

void maillageVoxels(CMaillageTriangleChRegion& m, const std::vector<CTriplet<int>>& voxels, int X,
                    int Y, int Z, int echelle) {
    CRegion3D::initialiserVoisinages();
    CRegion3D region;
    region.init(X, Y, Z);
    for (const CTriplet<int>& v : voxels)
        if (region.dansGrille(v))
            region.ajouter(v);
    region.calculerVoxelsBord();
    region.ajouterBordsTopologie();
    region.ajouterBordsTopologie2();
    region.calculerVoxelsBord();
    m.creerMaillageTriangleChRegion2(region, echelle);
}

void maillageTriangles(CMaillageTriangleChRegion& m,
                       const std::vector<std::array<float, 3>>& positions,
                       const std::vector<std::array<int, 3>>& triangles) {
    m.vider();
    m.sommetsActifs.vider();
    std::vector<CSommetChRegion*> s;
    for (const auto& p : positions) {
        CSommetChRegion* v = new CSommetChRegion();
        v->x = p[0];
        v->y = p[1];
        v->z = p[2];
        v->precedent = m.dernierSommet;
        if (m.dernierSommet != nullptr)
            m.dernierSommet->suivant = v;
        else
            m.premierSommet = v;
        m.dernierSommet = v;
        ++m.nbSommets;
        m.sommetsActifs.ajouter(v);
        v->elementActif = m.sommetsActifs.fin;
        s.push_back(v);
    }
    // For each vertex, the fan (next corner -> (corner after, triangle)) in counter-clockwise
    // order.
    std::vector<std::map<CSommetChRegion*, std::pair<CSommetChRegion*, CTriangleChRegion*>>> fans(
        s.size());
    for (const auto& c : triangles) {
        CTriangleChRegion* t = new CTriangleChRegion(s[c[0]], s[c[1]], s[c[2]]);
        t->orientation = 1;
        const CPoint3D g = (*t->b - *t->a).produitVectoriel(*t->c - *t->a).normalise();
        t->normale[0] = g.x;
        t->normale[1] = g.y;
        t->normale[2] = g.z;
        t->precedent = m.dernierTriangle;
        if (m.dernierTriangle != nullptr)
            m.dernierTriangle->suivant = t;
        else
            m.premierTriangle = t;
        m.dernierTriangle = t;
        ++m.nbTriangles;
        for (int k = 0; k < 3; ++k)
            fans[static_cast<std::size_t>(c[k])][s[c[(k + 1) % 3]]] = {s[c[(k + 2) % 3]], t};
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        CSommetChRegion* debut = fans[i].begin()->first;
        CSommetChRegion* u = debut;
        do {
            const auto& suite = fans[i].at(u);
            s[i]->voisins.ajouter(u);
            s[i]->triangles.ajouter(suite.second);
            u = suite.first;
        } while (u != debut);
    }
    m.calculerNormalesSommets();
}

void octaedre(CMaillageTriangleChRegion& m, float r) {
    maillageTriangles(
        m, {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}},
        {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}});
}

void bipyramide(CMaillageTriangleChRegion& m, int k, float r) {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<int, 3>> triangles;
    for (int i = 0; i < k; ++i) {
        const double a = 2.0 * kPi * i / k;
        positions.push_back(
            {static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)), 0.0f});
    }
    positions.push_back({0, 0, r});
    positions.push_back({0, 0, -r});
    for (int i = 0; i < k; ++i) {
        triangles.push_back({i, (i + 1) % k, k});
        triangles.push_back({(i + 1) % k, i, k + 1});
    }
    maillageTriangles(m, positions, triangles);
}

std::vector<CSommetChRegion*> sommets(const CMaillageTriangleChRegion& m) {
    std::vector<CSommetChRegion*> v;
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        v.push_back(s);
    return v;
}

bool coherent(CMaillageTriangleChRegion& m, std::string* rapport) {
    Chaine texte;
    if (!m.verifierCoherence(&texte)) {
        if (rapport != nullptr)
            *rapport = texte.c_str();
        return false;
    }
    for (CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant)
        if (!m.verifierVoisins(s)) {
            if (rapport != nullptr)
                *rapport = "verifierVoisins";
            return false;
        }
    return true;
}

void parametresInitiaux() {
    CMaillageTriangleChRegion::DEFAULT_ALPHA = 0.0f;
    CMaillageTriangleChRegion::DEFAULT_BETA = 1.0f;
    CMaillageTriangleChRegion::DEFAULT_GAMMA = 0.0f;
    CMaillageTriangleChRegion::DEFAULT_DELTA = 0.0f;
    CMaillageTriangleChRegion::DEFAULT_THETA = 0.15f;
    CMaillageTriangleChRegion::DEFAULT_LAMBDA1 = 0.0f;
    CMaillageTriangleChRegion::DEFAULT_LAMBDA2 = 0.0f;
    CMaillageTriangleChRegion::DEFAULT_NEIGHBOR_STEP = 0.5f;
    CMaillageTriangleChRegion::NEIGHBORDIM = 3;
    CMaillageTriangleChRegion::NEIGHBORHOOD = 27;
}

} // namespace deformation
