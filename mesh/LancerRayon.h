#pragma once
// Picking by ray: the ray under a pixel of a perspective view, and the first triangle of a list
// of flat meshes that it meets. Plain maths on OpenGL's 4 x 4 matrices, without any GL call.

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "mesh/MaillagePlat.h"

namespace Stravol {

// A 4 x 4 matrix in column-major order, as OpenGL gives and takes them.
using Matrice4 = std::array<double, 16>;
using Vecteur3 = std::array<double, 3>;

Matrice4 matriceIdentite();
// a x b: b applied first.
Matrice4 produit(const Matrice4& a, const Matrice4& b);
// False when m is not invertible (inverse then left as it was).
bool inverser(const Matrice4& m, Matrice4& inverse);

// A half-line from origine along direction (of unit length).
struct Rayon {
    Vecteur3 origine{};
    Vecteur3 direction{0, 0, -1};
};

// The ray through pixel (px, py) of a view of largeur x hauteur pixels (from the top left, y
// down, pixel centres at half-integers), in the frame that modeleVue takes to the eye: from the
// near plane to the far plane of projection. False when the matrices cannot be inverted or the
// view has no pixel.
bool rayonSousPixel(const Matrice4& projection, const Matrice4& modeleVue, int largeur, int hauteur,
                    double px, double py, Rayon& rayon);

// Where a ray first meets a triangle of a list of meshes.
struct Impact {
    std::size_t maillage = 0; // its place in the list
    std::size_t triangle = 0;
    double distance = 0; // along the ray, in the meshes' units
};

// The nearest triangle of the meshes that the ray meets, seen from either side; null entries
// (meshes not shown) are skipped. None when the ray meets nothing.
std::optional<Impact> premierImpact(const Rayon& rayon,
                                    const std::vector<const MaillagePlat*>& maillages);

} // namespace Stravol
