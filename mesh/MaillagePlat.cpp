#include "mesh/MaillagePlat.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "core/Parallele.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ListesMaillage.h"

namespace Stravol {

MaillagePlat versMaillagePlat(const CMaillageTriangleChRegion& maillage) {
    // Each vertex takes its place in the list as its scratch number.
    const std::vector<const CSommetChRegion*> sommets =
        enTableau(maillage.listeSommetsConstruite(), maillage.premierSommet, maillage.nbSommets);
    const std::vector<const CTriangleChRegion*> triangles = enTableau(
        maillage.listeTrianglesConstruite(), maillage.premierTriangle, maillage.nbTriangles);
    const auto nbSommets = static_cast<std::ptrdiff_t>(sommets.size());
    const auto nbTriangles = static_cast<std::ptrdiff_t>(triangles.size());
    MaillagePlat plat;
    plat.positions.resize(3 * sommets.size());
    plat.normales.resize(3 * sommets.size());
    plat.triangles.resize(3 * triangles.size());
    plat.normalesTriangles.resize(3 * triangles.size());
#pragma omp parallel for num_threads(nbThreads()) if (nbSommets >= kSeuilParallele) schedule(static)
    for (std::ptrdiff_t i = 0; i < nbSommets; ++i) {
        const CSommetChRegion* s = sommets[static_cast<std::size_t>(i)];
        s->indice = static_cast<int>(i);
        float* p = &plat.positions[3 * static_cast<std::size_t>(i)];
        float* n = &plat.normales[3 * static_cast<std::size_t>(i)];
        p[0] = s->x, p[1] = s->y, p[2] = s->z;
        n[0] = s->normale.x, n[1] = s->normale.y, n[2] = s->normale.z;
    }
    // Corners that are not listed vertices (their scratch number not confirmed by the list).
    std::size_t horsListe = 0;
    const auto numero = [&sommets](const CSommetChRegion* v, std::size_t& inconnus) {
        const auto k = static_cast<std::size_t>(v->indice);
        if (v->indice < 0 || k >= sommets.size() || sommets[k] != v) {
            ++inconnus;
            return std::uint32_t{0};
        }
        return static_cast<std::uint32_t>(k);
    };
#pragma omp parallel for num_threads(nbThreads()) if (nbTriangles >= kSeuilParallele) \
    schedule(static) reduction(+ : horsListe)
    for (std::ptrdiff_t i = 0; i < nbTriangles; ++i) {
        const CTriangleChRegion* t = triangles[static_cast<std::size_t>(i)];
        // A negative orientation turns the stored corners clockwise seen from outside.
        const CSommetChRegion* b = t->orientation < 0 ? t->c : t->b;
        const CSommetChRegion* c = t->orientation < 0 ? t->b : t->c;
        std::uint32_t* coins = &plat.triangles[3 * static_cast<std::size_t>(i)];
        coins[0] = numero(t->a, horsListe);
        coins[1] = numero(b, horsListe);
        coins[2] = numero(c, horsListe);
        float* n = &plat.normalesTriangles[3 * static_cast<std::size_t>(i)];
        n[0] = t->normale[0], n[1] = t->normale[1], n[2] = t->normale[2];
    }
    if (horsListe > 0)
        throw std::out_of_range("a triangle's corner is not a vertex of the mesh's list");
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
