#pragma once

class CMaillageTriangleChRegion;
namespace Stravol {
struct Geometrie;
}

// Mesh writers. Positions are the mesh's voxel coordinates (the centre of voxel (x, y, z) at
// (x, y, z), its faces at +-0.5). Every triangle is written with its corners turning
// counter-clockwise seen from outside, following its orientation sign, so the normals must
// be computed first. A file is written under a temporary name and renamed when complete:
// on failure (unwritable path, disk full) nothing is left behind, a message goes to the
// diagnostic sink and the result is false.

// Binary STL: one facet per triangle with its outward normal.
bool exporterSTL(const CMaillageTriangleChRegion& maillage, const char* chemin);
// Wavefront OBJ with one vertex normal per vertex ("f a//a b//b c//c").
bool exporterOBJ(const CMaillageTriangleChRegion& maillage, const char* chemin);
// Binary little-endian PLY: vertices with position and normal, triangles as index lists.
bool exporterPLY(const CMaillageTriangleChRegion& maillage, const char* chemin);
// Chooses the writer from the extension of chemin (".stl", ".obj", ".ply", whatever their
// letter case); an unknown extension gives a message and false.
bool exporterMaillage(const CMaillageTriangleChRegion& maillage, const char* chemin);

// The same writers in world coordinates (millimetres): positions through the voxel-to-world
// transform monde, normals through its inverse transpose, and the corners of every triangle
// reversed when the transform mirrors, so that they still turn counter-clockwise seen from
// outside. The header comment says "world coordinates (mm, RAS)". An identity transform
// writes exactly the voxel-coordinate file.
bool exporterMaillage(const CMaillageTriangleChRegion& maillage, const char* chemin,
                      const Stravol::Geometrie& monde);
