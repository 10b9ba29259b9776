#pragma once
// A mesh of an extraction in the flat form that a caller keeps: the linked mesh must be
// released on the thread that made it (its vertices come from that thread's reserve), the flat
// one may go anywhere. It keeps what the writers need to write the linked mesh's very bytes.

#include <string>
#include <vector>

#include "extraction/Resultat.h"
#include "mesh/MaillagePlat.h"
#include "mesh/MesuresMaillage.h"
#include "volume/VolumeBrut.h"

class CMaillageTriangleChRegion;

namespace Stravol {

struct MaillageExtrait {
    MaillagePlat maillage;                // voxel coordinates, vertex normals, outward triangles
    std::vector<float> normalesTriangles; // unit outward normal a triangle (x, y, z), voxel frame
};

// m decimated first when ratio < 1 (to about that fraction of its triangles, or refused with
// decimerMaillage's reason), then taken flat. m's normals must be computed; m may be released
// afterwards.
Resultat<MaillageExtrait> aplatirMaillage(CMaillageTriangleChRegion& m, double ratio);

// mesurerMaillage's figures of the linked mesh, from the flat one: the same sums in the same
// order.
MesuresMaillage mesurerMaillage(const MaillagePlat& m, const Geometrie& monde);

// Every edge used by exactly two triangles, once in each direction of their corners, and at
// least one triangle: controlerMaillage's closure, on the flat mesh.
bool surfaceFermee(const MaillagePlat& m);

// The vertices, vertex normals and triangles as the writers put them in the frame monde
// (exporterMaillage): positions through the transform, normals through its inverse transpose,
// the corners of every triangle reversed when it mirrors; the identity leaves them as they are.
MaillagePlat dansRepere(const MaillageExtrait& m, const Geometrie& monde);

// Writes m in the frame monde, the format chosen by the extension of chemin as
// exporterMaillage chooses it: the bytes exporterMaillage writes for the linked mesh m was
// taken from. Fails with the reason when the file cannot be written.
Resultat<bool> exporterMaillageExtrait(const MaillageExtrait& m, const std::string& chemin,
                                       const Geometrie& monde);

} // namespace Stravol
