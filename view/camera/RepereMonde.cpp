#include "view/camera/RepereMonde.h"

#include <algorithm>
#include <cmath>

namespace {

Matrice4 identite() {
    Matrice4 m{};
    m[0] = m[5] = m[10] = m[15] = 1;
    return m;
}

// Element (ligne, colonne) of m.
double& element(Matrice4& m, int ligne, int colonne) { return m[4 * colonne + ligne]; }

} // namespace

Matrice4 produit(const Matrice4& a, const Matrice4& b) {
    Matrice4 p{};
    for (int c = 0; c < 4; ++c)
        for (int l = 0; l < 4; ++l) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += a[4 * k + l] * b[4 * c + k];
            p[4 * c + l] = s;
        }
    return p;
}

std::array<double, 3> appliquer(const Matrice4& m, const std::array<double, 3>& p) {
    std::array<double, 3> r{};
    for (int l = 0; l < 3; ++l)
        r[l] = m[l] * p[0] + m[4 + l] * p[1] + m[8 + l] * p[2] + m[12 + l];
    return r;
}

double determinantLineaire(const Matrice4& m) {
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

RepereMonde::RepereMonde(int largeur, int hauteur, int profondeur,
                         const std::array<std::array<double, 4>, 3>& affine) {
    const int n[3] = {largeur, hauteur, profondeur};
    const double maxi = std::max({largeur, hauteur, profondeur});
    double coteMax = 0;
    for (int j = 0; j < 3; ++j) {
        const double pas = std::hypot(affine[0][j], affine[1][j], affine[2][j]);
        coteMax = std::max(coteMax, n[j] * pas);
        demiCotes_[j] = static_cast<float>(n[j] / maxi);
    }
    echelle_ = coteMax > 0 ? 2.0 / coteMax : 1.0;
    for (int i = 0; i < 3; ++i) {
        centre_[i] = affine[i][3];
        for (int j = 0; j < 3; ++j)
            centre_[i] += affine[i][j] * (n[j] - 1) / 2.0;
    }

    // Voxel to scene: the world transform, then the centre to the origin and the scale.
    Matrice4 voxelScene = identite();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            element(voxelScene, i, j) = echelle_ * affine[i][j];
        element(voxelScene, i, 3) = echelle_ * (affine[i][3] - centre_[i]);
    }
    // The mesh's frame to voxels: x = (maxi * gx + largeur) / 2, y = (hauteur - maxi * gy) / 2,
    // z = (maxi * gz + profondeur) / 2.
    Matrice4 maillageVoxel = identite();
    element(maillageVoxel, 0, 0) = maxi / 2;
    element(maillageVoxel, 1, 1) = -maxi / 2;
    element(maillageVoxel, 2, 2) = maxi / 2;
    element(maillageVoxel, 0, 3) = largeur / 2.0;
    element(maillageVoxel, 1, 3) = hauteur / 2.0;
    element(maillageVoxel, 2, 3) = profondeur / 2.0;
    maillage_ = produit(voxelScene, maillageVoxel);
    // The slices' box spans 0 .. n voxels in that frame: half a voxel back, so that it spans the
    // voxels' faces around their centres.
    Matrice4 demiVoxel = identite();
    element(demiVoxel, 0, 3) = -0.5;
    element(demiVoxel, 1, 3) = -0.5;
    element(demiVoxel, 2, 3) = -0.5;
    coupes_ = produit(voxelScene, produit(demiVoxel, maillageVoxel));
}

std::array<double, 3> RepereMonde::versScene(const std::array<double, 3>& monde) const {
    return {echelle_ * (monde[0] - centre_[0]), echelle_ * (monde[1] - centre_[1]),
            echelle_ * (monde[2] - centre_[2])};
}

std::array<double, 3> RepereMonde::versMonde(const std::array<double, 3>& scene) const {
    return {scene[0] / echelle_ + centre_[0], scene[1] / echelle_ + centre_[1],
            scene[2] / echelle_ + centre_[2]};
}
