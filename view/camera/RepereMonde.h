#pragma once
// The scene of a volume placed in its patient's world: the view draws a volume whose transform
// puts its voxels in a world frame (RAS millimetres) as that world stands, turned only as the
// transform turns it, never mirrored: world x (right) along the scene's x, y (anterior) along
// y, z (superior) along z, the volume's centre at the origin and its largest side in millimetres
// spanning 2 scene units. Voxel coordinates put voxel centres at integers. No OpenGL call.

#include <array>

// A 4 x 4 matrix in OpenGL's order: column after column.
using Matrice4 = std::array<double, 16>;

class RepereMonde {
public:
    // Rows of the voxel-to-world transform: monde = affine * (x, y, z, 1), in millimetres. The
    // sizes are positive and the linear part invertible.
    RepereMonde(int largeur, int hauteur, int profondeur,
                const std::array<std::array<double, 4>, 3>& affine);

    // From the frame the mesh is drawn in (CPoint3D::Image2GL of these sizes, with a slice step
    // of 1) to the scene.
    const Matrice4& maillage() const { return maillage_; }
    // From the frame the slices are drawn in (squares within the box of half sides demiCotes(),
    // each side 0 .. 256 in texture space along its voxel axis) to the scene: a slice side
    // spans its voxels from the first one's outer face to the last one's.
    const Matrice4& coupes() const { return coupes_; }
    // Half sides of the slices' box: each voxel count over the largest one.
    const std::array<float, 3>& demiCotes() const { return demiCotes_; }

    // A world point (millimetres) in the scene, and back.
    std::array<double, 3> versScene(const std::array<double, 3>& monde) const;
    std::array<double, 3> versMonde(const std::array<double, 3>& scene) const;
    // Scene units per millimetre.
    double echelle() const { return echelle_; }

private:
    std::array<double, 3> centre_{}; // world position of the volume's centre
    double echelle_ = 1.0;
    Matrice4 maillage_{};
    Matrice4 coupes_{};
    std::array<float, 3> demiCotes_{1, 1, 1};
};

// a * b.
Matrice4 produit(const Matrice4& a, const Matrice4& b);
// Point p (x, y, z, 1) through m.
std::array<double, 3> appliquer(const Matrice4& m, const std::array<double, 3>& p);
// Determinant of the linear part of m: negative when m mirrors.
double determinantLineaire(const Matrice4& m);
