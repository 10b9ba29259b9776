#pragma once
// Measures and checks of a flat mesh whose triangles turn counter-clockwise seen from outside.

#include <array>
#include <cstddef>

#include "mesh/MaillagePlat.h"
#include "volume/VolumeBrut.h"

namespace Stravol {

// Enclosed volume, area and the centroid of the enclosed volume, in voxel units and in world
// units through the voxel-to-world transform (the identity by default). The volume is signed:
// positive when the triangles turn outward, whether or not the transform mirrors.
struct MesuresMaillagePlat {
    double volume = 0.0;
    double aire = 0.0;
    std::array<double, 3> centre{0.0, 0.0, 0.0};
    double volumeMm3 = 0.0;
    double aireMm2 = 0.0;
    std::array<double, 3> centreMm{0.0, 0.0, 0.0};
};
MesuresMaillagePlat mesurerMaillagePlat(const MaillagePlat& maillage, const Geometrie& monde = {});

struct ControleMaillagePlat {
    // Every edge is used by exactly two triangles, once in each direction, and the mesh has at
    // least one triangle: closed and consistently wound.
    bool ferme = false;
    // Edges used by more than two triangles.
    std::size_t aretesMultiples = 0;
    // Edges not used as often in one direction as in the other (triangles wound against their
    // neighbours).
    std::size_t aretesMemeSens = 0;
    // Vertices whose triangles do not make one single fan around them.
    std::size_t sommetsMultiples = 0;
    // Triangles whose corners are not three distinct vertices of the mesh.
    std::size_t trianglesInvalides = 0;

    bool variete() const {
        return ferme && aretesMultiples == 0 && aretesMemeSens == 0 && sommetsMultiples == 0 &&
               trianglesInvalides == 0;
    }
};
ControleMaillagePlat controlerMaillagePlat(const MaillagePlat& maillage);

} // namespace Stravol
