#pragma once
// Arithmetic that the linked mesh and the flat face mesh share, so that both give the same bits:
// normals of corners, the orientation rule and the Taubin passes. Points are x, y, z floats.

#include <cmath>
#include <cstddef>

namespace Stravol {

// Division by the Euclidean length, the squared length summed in double and rounded to float
// before the root. A zero vector stays zero instead of turning into NaN.
inline void normaliserVecteur(float& x, float& y, float& z) {
    const float n2 = static_cast<float>(static_cast<double>(x) * x + static_cast<double>(y) * y +
                                        static_cast<double>(z) * z);
    const float n = std::sqrt(n2);
    if (n == 0.0f)
        return;
    x /= n;
    y /= n;
    z /= n;
}

// Corner-order normal (b - a) x (c - a), not normalised.
inline void normaleCoins(const float* a, const float* b, const float* c, float g[3]) {
    const float ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const float vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    g[0] = static_cast<float>(static_cast<double>(uy) * vz - static_cast<double>(uz) * vy);
    g[1] = static_cast<float>(static_cast<double>(uz) * vx - static_cast<double>(ux) * vz);
    g[2] = static_cast<float>(static_cast<double>(ux) * vy - static_cast<double>(uy) * vx);
}

// The orientation (+1 or -1) of a triangle whose unit corner-order normal is g that agrees with
// the mean of its corners' vertex normals na, nb, nc.
inline int orientationSelonSommets(const float* na, const float* nb, const float* nc,
                                   const float g[3]) {
    float m[3];
    for (int k = 0; k < 3; ++k)
        m[k] = static_cast<float>((static_cast<double>(nb[k]) + na[k] + nc[k]) / 3.0);
    normaliserVecteur(m[0], m[1], m[2]);
    const double dx = static_cast<double>(m[0]) - g[0], dy = static_cast<double>(m[1]) - g[1],
                 dz = static_cast<double>(m[2]) - g[2];
    const double sx = static_cast<double>(m[0]) + g[0], sy = static_cast<double>(m[1]) + g[1],
                 sz = static_cast<double>(m[2]) + g[2];
    const float ecart = static_cast<float>(dx * dx + dy * dy + dz * dz);
    const float somme = static_cast<float>(sx * sx + sy * sy + sz * sz);
    // A comparison that fails on a NaN keeps the corner order.
    return ecart > somme ? -1 : 1;
}

// n rounds of Taubin smoothing of nb points (a shrinking pass of factor 0.5, then an inflating
// pass of factor -0.5, on the uniform umbrella vector over each point's ring:
// anneaux[debutAnneau[i] .. debutAnneau[i + 1]]), on all threads for many points.
void lisserTaubinPlat(float* positions, const int* debutAnneau, const int* anneaux, std::size_t nb,
                      int n);

} // namespace Stravol
