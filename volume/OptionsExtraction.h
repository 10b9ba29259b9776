#pragma once
// How a seeded extraction grows its region and smooths its mesh.

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

struct OptionsExtraction {
    MethodeLissage lissage = MethodeLissage::Taubin;
    int nbLissages = kToursTaubinParDefaut; // smoothing rounds
    // Grey levels a grown voxel may differ from the seed's value by (0: exactly the seed's).
    int tolerance = 0;
};

} // namespace Stravol
