#include "extraction/MaillageExtrait.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/Decimation.h"
#include "mesh/ExportMaillage.h"

namespace Stravol {

Resultat<MaillageExtrait> aplatirMaillage(CMaillageTriangleChRegion& m, double ratio) {
    try {
        if (ratio < 1.0) {
            CMaillageTriangleChRegion decime;
            BilanDecimation bilan;
            std::string raison;
            if (!decimerMaillage(m, ratio, decime, bilan, raison))
                return Echec{"the decimation failed: " + raison};
            m = decime;
        }
        MaillageExtrait e;
        e.maillage = versMaillagePlat(m);
        e.normalesTriangles.reserve(3 * e.maillage.nbTriangles());
        for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant)
            e.normalesTriangles.insert(e.normalesTriangles.end(),
                                       {t->normale[0], t->normale[1], t->normale[2]});
        return e;
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory for the mesh's arrays", true};
    }
}

MesuresMaillage mesurerMaillage(const MaillagePlat& m, const Geometrie& monde) {
    using Point = std::array<double, 3>;
    const auto moins = [](const Point& p, const Point& q) {
        return Point{p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    };
    const auto vectoriel = [](const Point& u, const Point& v) {
        return Point{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                     u[0] * v[1] - u[1] * v[0]};
    };
    const auto scalaire = [](const Point& u, const Point& v) {
        return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    };
    // The linear part of the transform: the origin cancels out of areas.
    const auto& a = monde.affine;
    const auto lineaire = [&a](const Point& p) {
        return Point{a[0][0] * p[0] + a[0][1] * p[1] + a[0][2] * p[2],
                     a[1][0] * p[0] + a[1][1] * p[1] + a[1][2] * p[2],
                     a[2][0] * p[0] + a[2][1] * p[1] + a[2][2] * p[2]};
    };
    double volume = 0.0, aire = 0.0, aireMonde = 0.0;
    for (std::size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
        Point p[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const float* q = &m.positions[3 * static_cast<std::size_t>(m.triangles[t + k])];
            p[k] = {q[0], q[1], q[2]};
        }
        volume += scalaire(p[0], vectoriel(p[1], p[2]));
        const Point n = vectoriel(moins(p[1], p[0]), moins(p[2], p[0]));
        aire += std::sqrt(scalaire(n, n));
        const Point l0 = lineaire(p[0]);
        const Point w = vectoriel(moins(lineaire(p[1]), l0), moins(lineaire(p[2]), l0));
        aireMonde += std::sqrt(scalaire(w, w));
    }
    MesuresMaillage r;
    r.volume = volume / 6.0;
    r.aire = aire / 2.0;
    // A voxel's world volume is the determinant's magnitude; a mirror turns the corners over as
    // well, so the sign of the voxel volume stays.
    r.volumeMm3 = r.volume * std::fabs(monde.determinant());
    r.aireMm2 = aireMonde / 2.0;
    return r;
}

bool surfaceFermee(const MaillagePlat& m) {
    if (m.triangles.empty() || m.triangles.size() % 3 != 0)
        return false;
    // Directed edges (from, to) in order: each once, and its reverse present.
    std::vector<std::uint64_t> aretes;
    aretes.reserve(m.triangles.size());
    for (std::size_t t = 0; t < m.triangles.size(); t += 3)
        for (std::size_t k = 0; k < 3; ++k)
            aretes.push_back(std::uint64_t{m.triangles[t + k]} << 32 |
                             m.triangles[t + (k + 1) % 3]);
    std::sort(aretes.begin(), aretes.end());
    if (std::adjacent_find(aretes.begin(), aretes.end()) != aretes.end())
        return false;
    return std::all_of(aretes.begin(), aretes.end(), [&aretes](std::uint64_t a) {
        return std::binary_search(aretes.begin(), aretes.end(), a << 32 | a >> 32);
    });
}

MaillagePlat dansRepere(const MaillageExtrait& m, const Geometrie& monde) {
    MaillagePlat r = m.maillage;
    if (monde.identite())
        return r;
    // The same arithmetic as the writers', so that the arrays hold the files' values.
    const auto& a = monde.affine;
    const double d = monde.determinant();
    double n[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            n[i][j] = (a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1]) / d;
        }
    for (std::size_t s = 0; s < r.positions.size(); s += 3) {
        const float* p = &m.maillage.positions[s];
        for (int i = 0; i < 3; ++i)
            r.positions[s + i] =
                static_cast<float>(a[i][0] * p[0] + a[i][1] * p[1] + a[i][2] * p[2] + a[i][3]);
    }
    for (std::size_t s = 0; s < r.normales.size(); s += 3) {
        const float* v = &m.maillage.normales[s];
        double w[3], longueur = 0.0;
        for (int i = 0; i < 3; ++i) {
            w[i] = n[i][0] * v[0] + n[i][1] * v[1] + n[i][2] * v[2];
            longueur += w[i] * w[i];
        }
        longueur = std::sqrt(longueur);
        for (int i = 0; i < 3; ++i)
            r.normales[s + i] = static_cast<float>(longueur > 0.0 ? w[i] / longueur : 0.0);
    }
    if (d < 0.0)
        for (std::size_t t = 0; t < r.triangles.size(); t += 3)
            std::swap(r.triangles[t + 1], r.triangles[t + 2]);
    return r;
}

Resultat<bool> exporterMaillageExtrait(const MaillageExtrait& m, const std::string& chemin,
                                       const Geometrie& monde) {
    try {
        // The linked mesh again, corners in outward order (orientation +1), with the normals
        // it had.
        CMaillageTriangleChRegion lie;
        std::string raison;
        if (!creerMaillageDepuisTriangles(lie, m.maillage.positions, m.maillage.triangles, raison))
            return Echec{"the mesh cannot be written: " + raison};
        std::size_t i = 0;
        for (CSommetChRegion* s = lie.premierSommet; s != nullptr; s = s->suivant, i += 3)
            if (i + 2 < m.maillage.normales.size())
                s->normale = CPoint3D(m.maillage.normales[i], m.maillage.normales[i + 1],
                                      m.maillage.normales[i + 2]);
        i = 0;
        for (CTriangleChRegion* t = lie.premierTriangle; t != nullptr; t = t->suivant, i += 3)
            if (i + 2 < m.normalesTriangles.size())
                for (int k = 0; k < 3; ++k)
                    t->normale[k] = m.normalesTriangles[i + static_cast<std::size_t>(k)];
        if (!exporterMaillage(lie, chemin.c_str(), monde))
            return Echec{"cannot write " + chemin};
        return true;
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory to write " + chemin, true};
    }
}

} // namespace Stravol
