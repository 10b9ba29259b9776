#pragma once
// A mesh of an extraction in the flat form that a caller keeps: the linked mesh must be
// released on the thread that made it (its vertices come from that thread's reserve), the flat
// one may go anywhere (mesh/MesuresPlat.h measures it). Its arrays in a space are those the
// writers write.

#include "extraction/Resultat.h"
#include "mesh/ExportScene.h"
#include "mesh/MaillagePlat.h"
#include "volume/VolumeBrut.h"

class CMaillageTriangleChRegion;

namespace Stravol {

// m decimated first when ratio < 1 (to about that fraction of its triangles, or refused with
// decimerMaillage's reason), then taken flat with its vertex and triangle normals. m's normals
// must be computed; m may be released afterwards.
Resultat<MaillagePlat> aplatirMaillage(CMaillageTriangleChRegion& m, double ratio);

// The vertices, vertex normals and triangles as exporterMaillagePlat writes them in a space:
// positions through the transform, normals through its inverse transpose, the corners of
// every triangle reversed when it mirrors. Triangle normals are left out.
MaillagePlat dansEspace(const MaillagePlat& m, const Geometrie& geometrie, EspaceSortie espace);
// Whether that space is the voxel frame itself (then the arrays stay as they are).
bool espaceVoxel(const Geometrie& geometrie, EspaceSortie espace);

} // namespace Stravol
