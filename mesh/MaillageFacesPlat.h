#pragma once
// The mesh of a region's faces built straight into flat arrays, for the extractions that need
// no deformable model: the same vertices, triangles and normals, bit for bit, as the linked
// mesh built from the same faces (creerMaillageTriangleChRegion2 at scale 1), smoothed by
// lisserCourbureTaubin, its normals computed (calculerNormales, calculerNormalesSommets) and
// taken flat by versMaillagePlat, without the linked mesh's memory.

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MaillagePlat.h"

namespace Stravol {

struct BilanFacesPlat {
    // Vertices whose rings do not close into one fan, as the linked mesh's check counts them.
    int irreguliers = 0;
    double tempsMaillage = 0.0, tempsLissage = 0.0, tempsNormales = 0.0; // seconds
};

// faces must have been read off region (facesAuBord); only its border list, voxel count and
// bounding box are read, so its grid may already be released. nbTaubin rounds of Taubin
// smoothing (none for 0 or less). Throws std::bad_alloc when memory runs out.
MaillagePlat maillerFacesPlat(const CRegion3D& region, const FacesRegion& faces, int nbTaubin,
                              BilanFacesPlat& bilan);

} // namespace Stravol
