#pragma once
// The labels of a label map as the window shows them: what each label present measures, and
// every label meshed at once for the 3D view, stoppable between its stages.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "extraction/Extraction.h"
#include "mesh/MaillagePlat.h"

namespace Stravol {

struct Geometrie;

// A non-zero label present in a map.
struct EtiquettePresente {
    std::uint32_t valeur = 0;  // the file's value
    std::uint16_t stockee = 0; // as the map stores it
    long long voxels = 0;
    std::array<double, 3> centre{}; // mean of its voxel centres, in voxels
    double volumeMm3 = 0.0;         // voxels times the volume of one voxel of monde
};

// One pass over the map: every non-zero label present, by increasing value (the file's).
std::vector<EtiquettePresente> inventaireEtiquettes(const CarteEtiquettes& carte,
                                                    const Geometrie& monde);
// The same read in place from the volume's segmentation (its exact labels, or its 8-bit one)
// with its world frame: no copy of the map. Empty without a segmentation.
std::vector<EtiquettePresente> inventaireEtiquettes(const CImageTroisD& volume);

// Whether the volume holds a segmentation that every-label extraction can mesh.
bool aUneSegmentation(const CImageTroisD& volume);

// Every non-zero label of carte meshed at once by the dual method (maillerCarteDuale: each
// surface between two labels made once and shared) with options.nbLissages rounds of its
// smoothing, as closed meshes in voxel coordinates with outward triangles and unit vertex
// normals. debut(n) gives the number of labels once their common surface is made; then
// traiter(valeur, maillage) gets each label (by the file's value) as soon as its mesh is cut
// out of that surface, on the thread that cut it (several threads at once). Once arret holds,
// nothing more is begun: no label is handed over after that (the common surface, once begun, is
// finished first). False, with the reason in erreur, when the surface cannot be made.
bool maillerToutesEtiquettes(
    const CarteEtiquettes& carte, const OptionsExtraction& options, const Geometrie& monde,
    const std::atomic<bool>& arret, const std::function<void(std::size_t nbEtiquettes)>& debut,
    const std::function<void(std::uint32_t valeur, MaillagePlat& maillage)>& traiter,
    std::string& erreur);

} // namespace Stravol
