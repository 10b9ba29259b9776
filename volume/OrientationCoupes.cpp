#include "volume/OrientationCoupes.h"

#include <cmath>

namespace Stravol {

namespace {

// The letter of the positive and negative sides of each world axis.
constexpr char kPositif[3] = {'R', 'A', 'S'};
constexpr char kNegatif[3] = {'L', 'P', 'I'};

char lettre(int monde, int sens) { return sens > 0 ? kPositif[monde] : kNegatif[monde]; }

// Position of voxel v along axis a.
int& composante(Coord3D& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }
int composante(const Coord3D& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }

} // namespace

std::array<AxeAnatomique, 3> axesAnatomiques(const Geometrie& g) {
    std::array<AxeAnatomique, 3> axes{};
    bool voxelPris[3] = {false, false, false};
    bool mondePris[3] = {false, false, false};
    for (int n = 0; n < 3; ++n) {
        int meilleurVoxel = -1, meilleurMonde = -1;
        double meilleur = -1.0;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                if (!voxelPris[j] && !mondePris[i] && std::fabs(g.affine[i][j]) > meilleur) {
                    meilleur = std::fabs(g.affine[i][j]);
                    meilleurVoxel = j;
                    meilleurMonde = i;
                }
        voxelPris[meilleurVoxel] = mondePris[meilleurMonde] = true;
        axes[meilleurVoxel] = {meilleurMonde, g.affine[meilleurMonde][meilleurVoxel] >= 0.0};
    }
    return axes;
}

OrientationCoupe orienterCoupe(const Geometrie& g, int largeur, int hauteur, int profondeur,
                               int normale, ConventionGaucheDroite convention) {
    const std::array<AxeAnatomique, 3> axes = axesAnatomiques(g);
    const int tailles[3] = {largeur, hauteur, profondeur};
    // The world axes across and up the picture, and the world side each one points to (+1 or
    // -1) rightward and upward.
    const int mondeNormal = axes[normale].monde;
    int mondeTravers = 0, mondeHaut = 2, versDroite = 1;
    if (mondeNormal == 2) {
        mondeHaut = 1;
    } else if (mondeNormal == 0) {
        mondeTravers = 1;
        versDroite = -1; // the front on the left
    }
    if (mondeTravers == 0)
        versDroite = convention == ConventionGaucheDroite::Radiologique ? -1 : 1;

    OrientationCoupe o;
    o.normale = normale;
    for (int a = 0; a < 3; ++a) {
        if (a == normale)
            continue;
        const int sens = axes[a].positif ? 1 : -1;
        if (axes[a].monde == mondeTravers) {
            o.axeColonnes = a;
            o.colonnesInversees = sens != versDroite;
        } else {
            o.axeLignes = a;
            // Downward is the world's negative side.
            o.lignesInversees = sens > 0;
        }
    }
    o.nbColonnes = tailles[o.axeColonnes];
    o.nbLignes = tailles[o.axeLignes];
    const auto pas = [&g](int a) {
        return std::hypot(g.affine[0][a], g.affine[1][a], g.affine[2][a]);
    };
    o.largeurPixel = pas(o.axeColonnes);
    o.hauteurPixel = pas(o.axeLignes);
    o.lettres = {lettre(mondeTravers, -versDroite), lettre(mondeTravers, versDroite),
                 lettre(mondeHaut, 1), lettre(mondeHaut, -1)};
    return o;
}

Coord3D OrientationCoupe::voxel(int colonne, int ligne, int indice) const {
    Coord3D v{0, 0, 0};
    composante(v, normale) = indice;
    composante(v, axeColonnes) = colonnesInversees ? nbColonnes - 1 - colonne : colonne;
    composante(v, axeLignes) = lignesInversees ? nbLignes - 1 - ligne : ligne;
    return v;
}

std::pair<int, int> OrientationCoupe::pixel(const Coord3D& v) const {
    const int c = composante(v, axeColonnes), l = composante(v, axeLignes);
    return {colonnesInversees ? nbColonnes - 1 - c : c, lignesInversees ? nbLignes - 1 - l : l};
}

ImageRGB imageOrientee(const ImageRGB& coupe, const OrientationCoupe& o) {
    ImageRGB image;
    image.largeur = o.nbColonnes;
    image.hauteur = o.nbLignes;
    image.pixels.resize(3 * static_cast<std::size_t>(o.nbColonnes) * o.nbLignes);
    // The axes of the cut picture's columns and rows.
    const int colonnesCoupe = o.normale == 0 ? 2 : 0;
    const int lignesCoupe = o.normale == 1 ? 2 : 1;
    unsigned char* sortie = image.pixels.data();
    for (int l = 0; l < o.nbLignes; ++l)
        for (int c = 0; c < o.nbColonnes; ++c, sortie += 3) {
            const Coord3D v = o.voxel(c, l, 0);
            const int x = composante(v, colonnesCoupe), y = composante(v, lignesCoupe);
            if (x < coupe.largeur && y < coupe.hauteur) {
                const unsigned char* p = coupe.pixel(x, y);
                sortie[0] = p[0], sortie[1] = p[1], sortie[2] = p[2];
            } else {
                sortie[0] = sortie[1] = sortie[2] = 0;
            }
        }
    return image;
}

} // namespace Stravol
