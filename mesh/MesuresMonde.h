#pragma once
// Enclosed volume and surface area of a mesh in world units, through the voxel-to-world
// transform of its volume (rotations, mirrors and shears included).

class CMaillageTriangleChRegion;
namespace Stravol {
struct Geometrie;
}

struct MesuresMonde {
    double volumeMm3 = 0.0; // positive for a closed mesh whose triangles turn outward
    double aireMm2 = 0.0;
};

// Positions are the mesh's voxel coordinates; a triangle's outward corner order is its corner
// order turned by its orientation sign, so the normals must have been computed.
MesuresMonde mesurerDansLeMonde(const CMaillageTriangleChRegion& maillage,
                                const Stravol::Geometrie& monde);
