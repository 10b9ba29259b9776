#pragma once
// Measures and checks of a closed triangle mesh. Positions are the mesh's voxel coordinates;
// a triangle's outward corner order is its corner order turned by its orientation sign, as
// the writers use it, so the normals (orientations) must have been computed.

#include "volume/VolumeBrut.h"

class CMaillageTriangleChRegion;
namespace Stravol {
struct MaillagePlat;
}

// Enclosed volume and surface area, in voxel units (voxel^3, voxel^2) and in world units
// (mm^3, mm^2) through the voxel-to-world transform of the volume (spacing, rotations,
// mirrors and shears; the identity gives the voxel figures again). The volume is signed:
// positive when the triangles turn counter-clockwise seen from outside, as on a mesh of
// consistent winding, whether or not the transform mirrors.
struct MesuresMaillage {
    double volume = 0.0;
    double aire = 0.0;
    double volumeMm3 = 0.0;
    double aireMm2 = 0.0;
};

MesuresMaillage mesurerMaillage(const CMaillageTriangleChRegion& maillage,
                                const Stravol::Geometrie& monde = {});
// The same arithmetic on a flat mesh whose triangles turn outward (versMaillagePlat's): the same
// figures as the linked mesh it was taken from.
MesuresMaillage mesurerMaillage(const Stravol::MaillagePlat& maillage,
                                const Stravol::Geometrie& monde = {});
// Signed enclosed volume and area in voxel units.
double volumeEnclos(const CMaillageTriangleChRegion& maillage);
double aireSurface(const CMaillageTriangleChRegion& maillage);

// Topology and winding of the whole mesh.
struct ControleMaillage {
    // Every edge is used by exactly two triangles, once in each direction of their outward
    // corner order, and the mesh has at least one triangle.
    bool ferme = false;
    // Vertices whose rings fail the ring check (verifierVoisins) or differ in length.
    int irreguliers = 0;
    // Edges whose two triangles have outward normals more than 90 degrees apart, or where one
    // of them has no area: places where the surface folds back on itself.
    int plis = 0;
    // Triangles with at least one such edge.
    int trianglesPlies = 0;
    // Triangles wound against their piece of surface: across every edge shared by two
    // triangles, winding is propagated (same when the edge is used once each way, reversed
    // otherwise); in each connected piece the smaller of the two classes counts.
    int trianglesInverses = 0;
};

ControleMaillage controlerMaillage(const CMaillageTriangleChRegion& maillage);
