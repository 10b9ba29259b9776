#pragma once
// How an extraction grows its region, makes its surface and smooths it.

namespace Stravol {

enum class MethodeLissage {
    Taubin,    // Taubin rounds on the umbrella vector: the specified extraction
    Contraint, // volume-keeping rounds with every vertex kept within half a voxel of its corner
};

// Rounds each method takes when none are asked for: the specified ten Taubin rounds, and what
// the constrained smoothing needs to flatten the terraces of large shapes.
constexpr int kToursTaubinParDefaut = 10;
constexpr int kToursContraintParDefaut = 20;
constexpr int toursParDefaut(MethodeLissage methode) {
    return methode == MethodeLissage::Contraint ? kToursContraintParDefaut : kToursTaubinParDefaut;
}

// The surface an extraction makes of its voxels.
enum class MethodeSurface {
    Faces, // the faces of the repaired region, smoothed: the specified extraction
    Duale, // the dual surface of the voxels as they stand, with its own constrained smoothing
           // (mesh/SurfaceDuale.h); every label of a map at once, interfaces shared
};

// Rounds of the dual surface's smoothing when none are asked for.
constexpr int kToursDualParDefaut = 20;

struct OptionsExtraction {
    MethodeSurface surface = MethodeSurface::Faces;
    MethodeLissage lissage = MethodeLissage::Taubin; // of the faces method
    int nbLissages = kToursTaubinParDefaut;          // smoothing rounds
    // Grey levels a grown voxel may differ from the seed's value by (0: exactly the seed's).
    int tolerance = 0;
    // The volume's voxels are released once the growth has read them (sizes 0 afterwards, the
    // geometry kept), before the region and the mesh take their memory: for a caller that
    // extracts once.
    bool libererVoxels = false;
};

} // namespace Stravol
