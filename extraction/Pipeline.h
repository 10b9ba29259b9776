#pragma once
// The stages that turn a voxel region into the lit mesh of an extraction, written once for
// the seeded extraction and for every label: topology repair, the mesh of the region's faces,
// smoothing, face and vertex normals.

#include <memory>

#include "mesh/MaillagePlat.h"
#include "volume/OptionsExtraction.h"

class CMaillageTriangleChRegion;
class CRegion3D;
struct BilanExtraction;

namespace Stravol {

// Voxels and seconds of the stages after the region is built.
struct EtapesMaillage {
    int nbVoxelsRepares = 0; // region voxels after both topology repairs
    double tempsReparation = 0, tempsMaillage = 0, tempsLissage = 0, tempsNormales = 0;
};

// The stages' voxels and seconds into a volume's extraction figures.
void noterEtapes(const EtapesMaillage& etapes, BilanExtraction& bilan);

// Repairs the region's border (it may gain voxels), builds the mesh of its faces (voxel
// coordinates of the region's grid), smooths it as options say and computes its normals. The
// region's grid is released once its faces are read, before the mesh takes its memory.
// Throws std::bad_alloc when memory runs out; nothing is kept then.
std::unique_ptr<CMaillageTriangleChRegion>
maillerRegion(CRegion3D& region, const OptionsExtraction& options, EtapesMaillage& etapes);

// The same stages for the Taubin smoothing (options.lissage must be Taubin), straight into the
// flat mesh that versMaillagePlat would take of maillerRegion's, bit for bit, without building
// the linked mesh; irreguliers receives the vertices whose rings do not close. Throws
// std::bad_alloc when memory runs out.
MaillagePlat maillerRegionPlat(CRegion3D& region, const OptionsExtraction& options,
                               EtapesMaillage& etapes, int& irreguliers);

} // namespace Stravol
