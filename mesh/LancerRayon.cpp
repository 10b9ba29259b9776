#include "mesh/LancerRayon.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Stravol {

namespace {

// Triangles nearly parallel to the ray are missed rather than met at a wild distance.
constexpr double kParallele = 1e-12;

Vecteur3 moins(const Vecteur3& a, const Vecteur3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vecteur3 vectoriel(const Vecteur3& a, const Vecteur3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double scalaire(const Vecteur3& a, const Vecteur3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The point of normalised device coordinates (x, y, z) taken back through inverse; false at
// infinity.
bool deprojeter(const Matrice4& inverse, double x, double y, double z, Vecteur3& point) {
    double r[4];
    for (int i = 0; i < 4; ++i)
        r[i] = inverse[i] * x + inverse[4 + i] * y + inverse[8 + i] * z + inverse[12 + i];
    if (std::abs(r[3]) < kParallele)
        return false;
    point = {r[0] / r[3], r[1] / r[3], r[2] / r[3]};
    return true;
}

Vecteur3 sommet(const MaillagePlat& m, std::uint32_t i) {
    const float* p = &m.positions[3 * static_cast<std::size_t>(i)];
    return {p[0], p[1], p[2]};
}

// Distance along the ray to triangle (a, b, c) (Moller and Trumbore), either side facing.
std::optional<double> distanceTriangle(const Rayon& r, const Vecteur3& a, const Vecteur3& b,
                                       const Vecteur3& c) {
    const Vecteur3 ab = moins(b, a), ac = moins(c, a);
    const Vecteur3 p = vectoriel(r.direction, ac);
    const double det = scalaire(ab, p);
    if (std::abs(det) < kParallele)
        return std::nullopt;
    const double inv = 1.0 / det;
    const Vecteur3 s = moins(r.origine, a);
    const double u = scalaire(s, p) * inv;
    if (u < 0 || u > 1)
        return std::nullopt;
    const Vecteur3 q = vectoriel(s, ab);
    const double v = scalaire(r.direction, q) * inv;
    if (v < 0 || u + v > 1)
        return std::nullopt;
    const double t = scalaire(ac, q) * inv;
    if (t < 0)
        return std::nullopt;
    return t;
}

// Whether the ray meets the box of the mesh's vertices (slab test); an empty mesh is missed.
bool traverseBoite(const Rayon& r, const MaillagePlat& m) {
    if (m.positions.empty())
        return false;
    Vecteur3 mini, maxi;
    for (int k = 0; k < 3; ++k)
        mini[k] = maxi[k] = m.positions[k];
    for (std::size_t i = 0; i < m.positions.size(); i += 3)
        for (int k = 0; k < 3; ++k) {
            mini[k] = std::min<double>(mini[k], m.positions[i + k]);
            maxi[k] = std::max<double>(maxi[k], m.positions[i + k]);
        }
    double entree = 0, sortie = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 3; ++k) {
        if (std::abs(r.direction[k]) < kParallele) {
            if (r.origine[k] < mini[k] || r.origine[k] > maxi[k])
                return false;
            continue;
        }
        double t0 = (mini[k] - r.origine[k]) / r.direction[k];
        double t1 = (maxi[k] - r.origine[k]) / r.direction[k];
        if (t0 > t1)
            std::swap(t0, t1);
        entree = std::max(entree, t0);
        sortie = std::min(sortie, t1);
    }
    return entree <= sortie;
}

} // namespace

Matrice4 matriceIdentite() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrice4 produit(const Matrice4& a, const Matrice4& b) {
    Matrice4 c{};
    for (int col = 0; col < 4; ++col)
        for (int lig = 0; lig < 4; ++lig) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += a[4 * k + lig] * b[4 * col + k];
            c[4 * col + lig] = s;
        }
    return c;
}

bool inverser(const Matrice4& m, Matrice4& inverse) {
    // Gauss-Jordan elimination with partial pivoting on [m | I], rows of the matrix as stored
    // by column.
    double a[4][8];
    for (int lig = 0; lig < 4; ++lig)
        for (int col = 0; col < 4; ++col) {
            a[lig][col] = m[4 * col + lig];
            a[lig][4 + col] = lig == col ? 1 : 0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int lig = col + 1; lig < 4; ++lig)
            if (std::abs(a[lig][col]) > std::abs(a[pivot][col]))
                pivot = lig;
        if (std::abs(a[pivot][col]) < kParallele)
            return false;
        if (pivot != col)
            for (int k = 0; k < 8; ++k)
                std::swap(a[pivot][k], a[col][k]);
        const double d = a[col][col];
        for (int k = 0; k < 8; ++k)
            a[col][k] /= d;
        for (int lig = 0; lig < 4; ++lig) {
            if (lig == col)
                continue;
            const double f = a[lig][col];
            for (int k = 0; k < 8; ++k)
                a[lig][k] -= f * a[col][k];
        }
    }
    for (int lig = 0; lig < 4; ++lig)
        for (int col = 0; col < 4; ++col)
            inverse[4 * col + lig] = a[lig][4 + col];
    return true;
}

bool rayonSousPixel(const Matrice4& projection, const Matrice4& modeleVue, int largeur, int hauteur,
                    double px, double py, Rayon& rayon) {
    if (largeur <= 0 || hauteur <= 0)
        return false;
    Matrice4 inverse;
    if (!inverser(produit(projection, modeleVue), inverse))
        return false;
    // Normalised device coordinates: x and y from -1 to +1, y up; the near plane at z = -1.
    const double x = 2.0 * px / largeur - 1.0;
    const double y = 1.0 - 2.0 * py / hauteur;
    Vecteur3 proche, loin;
    if (!deprojeter(inverse, x, y, -1.0, proche) || !deprojeter(inverse, x, y, 1.0, loin))
        return false;
    const Vecteur3 d = moins(loin, proche);
    const double longueur = std::sqrt(scalaire(d, d));
    if (!(longueur > 0) || !std::isfinite(longueur))
        return false;
    rayon.origine = proche;
    rayon.direction = {d[0] / longueur, d[1] / longueur, d[2] / longueur};
    return true;
}

std::optional<Impact> premierImpact(const Rayon& rayon,
                                    const std::vector<const MaillagePlat*>& maillages) {
    std::optional<Impact> meilleur;
    for (std::size_t k = 0; k < maillages.size(); ++k) {
        const MaillagePlat* m = maillages[k];
        if (m == nullptr || !traverseBoite(rayon, *m))
            continue;
        for (std::size_t t = 0; t < m->nbTriangles(); ++t) {
            const std::uint32_t* c = &m->triangles[3 * t];
            const std::optional<double> d =
                distanceTriangle(rayon, sommet(*m, c[0]), sommet(*m, c[1]), sommet(*m, c[2]));
            if (d && (!meilleur || *d < meilleur->distance))
                meilleur = Impact{k, t, *d};
        }
    }
    return meilleur;
}

} // namespace Stravol
