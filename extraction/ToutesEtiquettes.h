#pragma once
// Every label of a label volume as its own closed mesh: one pass finds the labels and their
// bounding boxes, then each label is meshed within its box, labels in parallel.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mesh/MaillagePlat.h"
#include "volume/OptionsExtraction.h"

class CMaillageTriangleChRegion;

namespace Stravol {

// A non-zero label present in the volume: its value, voxel count and bounds (inclusive, in
// voxels).
struct BoiteEtiquette {
    std::uint16_t valeur = 0;
    long long voxels = 0;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0, z0 = 0, z1 = 0;
};

// One pass over a W x H x D label volume (voxel (x, y, z) at (z * H + y) * W + x): every
// non-zero label present, by increasing value.
std::vector<BoiteEtiquette> boitesEtiquettes(const std::uint16_t* etiquettes, int W, int H, int D);

// The mesh of every voxel of one label (all its components), as a single extraction makes it:
// the region of those voxels with both topology repairs, the mesh of its faces, the smoothing
// of lissage (its tolerance does not apply to labels), face and vertex normals. The work is done in
// a grid of the label's box and a margin, so its cost follows the box, not the volume; the vertices
// are then moved to the voxel coordinates of the whole volume. Null, with erreur, when memory runs
// out.
std::unique_ptr<CMaillageTriangleChRegion>
maillerEtiquette(const std::uint16_t* etiquettes, int W, int H, int D, const BoiteEtiquette& boite,
                 const OptionsExtraction& lissage, std::string& erreur);
// The same for labels held in any form: remplir(y, z, ligne) sets ligne[x - boite.x0] to 255
// for each voxel x of boite.x0 .. boite.x1 of row (y, z) that carries the label, and to 0 for
// the others. Called from the thread that meshes the label.
using RemplirRangee = std::function<void(int y, int z, unsigned char* ligne)>;
std::unique_ptr<CMaillageTriangleChRegion>
maillerEtiquette(const RemplirRangee& remplir, int W, int H, int D, const BoiteEtiquette& boite,
                 const OptionsExtraction& lissage, std::string& erreur);
// The rows of the label of boite in a W x H x D label volume, as maillerEtiquette reads them.
RemplirRangee rangeesEtiquette(const std::uint16_t* etiquettes, int W, int H,
                               const BoiteEtiquette& boite);
// The same mesh in flat form, for the Taubin smoothing (lissage.lissage must be Taubin): the
// arrays that versMaillagePlat takes of it, bit for bit, without the linked mesh (irreguliers:
// the vertices whose rings do not close). False, with erreur, when memory runs out.
bool maillerEtiquettePlat(const RemplirRangee& remplir, int W, int H, int D,
                          const BoiteEtiquette& boite, const OptionsExtraction& lissage,
                          MaillagePlat& maillage, int& irreguliers, std::string& erreur);
// The same with nbLissages rounds of Taubin smoothing.
std::unique_ptr<CMaillageTriangleChRegion> maillerEtiquette(const std::uint16_t* etiquettes, int W,
                                                            int H, int D,
                                                            const BoiteEtiquette& boite,
                                                            int nbLissages, std::string& erreur);

// Calls traiter(i) for every i in 0 .. n-1 on up to nbThreads() threads, larger tasks first
// when poids is given (poids(i): a cost estimate). Each call runs whole on one thread; what a
// call allocates in the mesh reserves must be released on that same thread.
void pourChaqueEnParallele(std::size_t n, const std::function<double(std::size_t)>& poids,
                           const std::function<void(std::size_t)>& traiter);

} // namespace Stravol
