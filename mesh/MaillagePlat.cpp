#include "mesh/MaillagePlat.h"

#include <cmath>
#include <unordered_map>

#include "mesh/CMaillageTriangleChRegion.h"

namespace Stravol {

MaillagePlat versMaillagePlat(const CMaillageTriangleChRegion& maillage) {
    MaillagePlat plat;
    std::unordered_map<const CSommetChRegion*, std::uint32_t> numeros;
    const std::size_t nbSommets =
        maillage.nbSommets > 0 ? static_cast<std::size_t>(maillage.nbSommets) : 0;
    numeros.reserve(nbSommets);
    plat.positions.reserve(3 * nbSommets);
    plat.normales.reserve(3 * nbSommets);
    for (const CSommetChRegion* s = maillage.premierSommet; s != nullptr; s = s->suivant) {
        numeros.emplace(s, static_cast<std::uint32_t>(plat.nbSommets()));
        plat.positions.insert(plat.positions.end(), {s->x, s->y, s->z});
        plat.normales.insert(plat.normales.end(), {s->normale.x, s->normale.y, s->normale.z});
    }
    const std::size_t nbTriangles =
        maillage.nbTriangles > 0 ? static_cast<std::size_t>(maillage.nbTriangles) : 0;
    plat.triangles.reserve(3 * nbTriangles);
    plat.normalesTriangles.reserve(3 * nbTriangles);
    for (const CTriangleChRegion* t = maillage.premierTriangle; t != nullptr; t = t->suivant) {
        plat.normalesTriangles.insert(plat.normalesTriangles.end(),
                                      {t->normale[0], t->normale[1], t->normale[2]});
        // A negative orientation turns the stored corners clockwise seen from outside.
        const CSommetChRegion* b = t->orientation < 0 ? t->c : t->b;
        const CSommetChRegion* c = t->orientation < 0 ? t->b : t->c;
        plat.triangles.insert(plat.triangles.end(),
                              {numeros.at(t->a), numeros.at(b), numeros.at(c)});
    }
    return plat;
}

void calculerNormalesPlat(MaillagePlat& m) {
    std::vector<double> somme(m.positions.size(), 0.0);
    for (std::size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
        const float* p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = &m.positions[3 * static_cast<std::size_t>(m.triangles[t + k])];
        const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        // Twice the area along the normal: the sum weighs each triangle by its area.
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a)
                somme[3 * static_cast<std::size_t>(m.triangles[t + k]) + a] += n[a];
    }
    m.normales.assign(m.positions.size(), 0.0f);
    for (std::size_t i = 0; i + 2 < somme.size(); i += 3) {
        const double l = std::sqrt(somme[i] * somme[i] + somme[i + 1] * somme[i + 1] +
                                   somme[i + 2] * somme[i + 2]);
        if (l > 0)
            for (int a = 0; a < 3; ++a)
                m.normales[i + a] = static_cast<float>(somme[i + a] / l);
    }
}

bool coherent(const MaillagePlat& m) {
    if (m.positions.size() % 3 != 0 || m.triangles.size() % 3 != 0 ||
        (!m.normales.empty() && m.normales.size() != m.positions.size()) ||
        (!m.normalesTriangles.empty() && m.normalesTriangles.size() != m.triangles.size()))
        return false;
    const std::size_t n = m.nbSommets();
    for (std::uint32_t s : m.triangles)
        if (s >= n)
            return false;
    return true;
}

} // namespace Stravol
