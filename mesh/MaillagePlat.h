#pragma once
// A triangle mesh as flat arrays: the form in which meshes of many labels are built, measured
// and written. Positions are voxel coordinates (the centre of voxel (x, y, z) at (x, y, z)) until
// a writer takes them to a world frame; every triangle's corners turn counter-clockwise seen from
// outside.

#include <cstdint>
#include <vector>

class CMaillageTriangleChRegion;

namespace Stravol {

struct MaillagePlat {
    std::vector<float> positions;         // x, y, z a vertex
    std::vector<float> normales;          // unit outward normal a vertex (x, y, z), or empty
    std::vector<std::uint32_t> triangles; // three vertex numbers a triangle, outward order
    std::vector<float> normalesTriangles; // unit outward normal a triangle (x, y, z), or empty

    std::size_t nbSommets() const { return positions.size() / 3; }
    std::size_t nbTriangles() const { return triangles.size() / 3; }
    bool vide() const { return triangles.empty(); }
};

// The mesh's vertices in list order with their vertex normals, and its triangles in list order,
// corners in outward order, with their normals (the orientations and normals must have been
// computed).
MaillagePlat versMaillagePlat(const CMaillageTriangleChRegion& maillage);

// Whether a mesh gets its vertex normals where it is made: files of triangles alone (STL) need
// none.
enum class NormalesSommets : bool { Sans, Avec };

// Unit vertex normals of a closed mesh: the area-weighted sum of the normals of the triangles
// around each vertex.
void calculerNormalesPlat(MaillagePlat& maillage);

// The arrays agree: whole triples, normals absent or one a vertex (a triangle), every corner a
// vertex number.
bool coherent(const MaillagePlat& maillage);

} // namespace Stravol
