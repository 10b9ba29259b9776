#pragma once
// The labels of a label map as the window shows them: what each label present measures, and
// every label meshed at once for the 3D view, labels in parallel, stoppable between labels.

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

// Whether the volume holds a segmentation that every-label extraction can mesh.
bool aUneSegmentation(const CImageTroisD& volume);

// Every non-zero label of carte meshed by the extraction's meshing of labels, in voxel
// coordinates with outward triangles and unit vertex normals. debut(n) first gives the number
// of labels; then traiter(valeur, maillage, erreur) gets each label (by the file's value) as
// soon as it is made, on
// the thread that made it (several threads at once), the mesh empty and erreur saying why when
// that label failed. Once arret holds, the labels not yet begun are left out.
void maillerToutesEtiquettes(const CarteEtiquettes& carte, const OptionsExtraction& options,
                             const Geometrie& monde, const std::atomic<bool>& arret,
                             const std::function<void(std::size_t nbEtiquettes)>& debut,
                             const std::function<void(std::uint32_t valeur, MaillagePlat& maillage,
                                                      const std::string& erreur)>& traiter);

} // namespace Stravol
