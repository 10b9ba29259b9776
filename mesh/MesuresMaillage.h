#pragma once
// Measures and checks of a closed triangle mesh. Positions are the mesh's voxel coordinates;
// a triangle's outward corner order is its corner order turned by its orientation sign, as
// the writers use it, so the normals (orientations) must have been computed.

class CMaillageTriangleChRegion;

// Size of a voxel along each axis, in world millimetres (1 for a volume without spacing).
struct EspacementVoxel {
    double x = 1.0;
    double y = 1.0;
    double z = 1.0;
};

// Enclosed volume and surface area, in voxel units (voxel^3, voxel^2) and in world units
// (mm^3, mm^2) with the spacing given. The volume is signed: positive when the triangles turn
// counter-clockwise seen from outside, as on a mesh of consistent winding.
struct MesuresMaillage {
    double volume = 0.0;
    double aire = 0.0;
    double volumeMm3 = 0.0;
    double aireMm2 = 0.0;
};

MesuresMaillage mesurerMaillage(const CMaillageTriangleChRegion& maillage,
                                const EspacementVoxel& espacement = {});
// Signed enclosed volume and area with the spacing given (voxel units with the default).
double volumeEnclos(const CMaillageTriangleChRegion& maillage,
                    const EspacementVoxel& espacement = {});
double aireSurface(const CMaillageTriangleChRegion& maillage,
                   const EspacementVoxel& espacement = {});

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
