#pragma once
// The cut pictures of a volume placed in a patient's world, as radiologists and neurologists
// read them: axial cuts with the front up, coronal and sagittal cuts with the top up, the front
// on the left of a sagittal cut, and the patient's left on the right of an axial or coronal cut
// (radiological convention) or on its left (neurological convention). Each voxel axis is read
// as the world axis it runs closest to; a cut is only turned and flipped on its voxel grid,
// never resampled.

#include <array>
#include <utility>

#include "volume/CImageTroisD.h"
#include "volume/VolumeBrut.h"

namespace Stravol {

enum class ConventionGaucheDroite { Radiologique, Neurologique };

// The world axis a voxel axis runs closest to (0: x, right; 1: y, anterior; 2: z, superior),
// and whether its index grows toward that axis's positive side.
struct AxeAnatomique {
    int monde = 0;
    bool positif = true;
};

// The world axes of the voxel axes x, y and z: a permutation, the largest components of the
// transform chosen first, so that an oblique transform still gives each voxel axis its own.
std::array<AxeAnatomique, 3> axesAnatomiques(const Geometrie& g);

// How the picture of a cut across voxel axis normale (0 x, 1 y, 2 z) shows the voxels.
struct OrientationCoupe {
    int normale = 2;
    int axeColonnes = 0;            // voxel axis along a picture row, left to right
    bool colonnesInversees = false; // its index falls from left to right
    int axeLignes = 1;              // voxel axis down the picture
    bool lignesInversees = false;   // its index falls downward
    int nbColonnes = 1;             // picture size in voxels
    int nbLignes = 1;
    double largeurPixel = 1.0; // millimetres a picture pixel spans along a row
    double hauteurPixel = 1.0; // and down a column
    // The patient's sides at the picture's left, right, top and bottom edges: 'R', 'L', 'A',
    // 'P', 'S' or 'I'.
    std::array<char, 4> lettres{};

    // The voxel that pixel (colonne, ligne) shows in the picture of the cut at index indice.
    Coord3D voxel(int colonne, int ligne, int indice) const;
    // The pixel (colonne, ligne) that shows voxel v in the picture of its cut.
    std::pair<int, int> pixel(const Coord3D& v) const;
};

// The picture of the cut across normale of a volume of the given sizes whose voxels g places.
OrientationCoupe orienterCoupe(const Geometrie& g, int largeur, int hauteur, int profondeur,
                               int normale, ConventionGaucheDroite convention);

// The cut as o shows it, from the cut picture getImageX, getImageY or getImageZ gives for
// o.normale (X: profondeur x hauteur, Y: largeur x profondeur, Z: largeur x hauteur).
ImageRGB imageOrientee(const ImageRGB& coupe, const OrientationCoupe& o);

} // namespace Stravol
