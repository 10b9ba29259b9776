#pragma once
// How a seeded extraction grows its region and smooths its mesh.

namespace Stravol {

enum class MethodeLissage {
    Taubin,    // Taubin rounds on the umbrella vector: the specified extraction
    Contraint, // volume-keeping rounds with every vertex kept within half a voxel of its corner
};

struct OptionsExtraction {
    MethodeLissage lissage = MethodeLissage::Taubin;
    int nbLissages = 10; // smoothing rounds
    // Grey levels a grown voxel may differ from the seed's value by (0: exactly the seed's).
    int tolerance = 0;
    // The volume's voxels are released once the region is built (sizes 0 afterwards, the
    // geometry kept), before the mesh takes its memory: for a caller that extracts once.
    bool libererVoxels = false;
};

} // namespace Stravol
