#pragma once
// Test meshes for the evolution, split and merge: voxel meshes of repaired regions and closed
// meshes given by their triangles, with a few whole-mesh measures.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Tuples.h"
#include "helpers/mesh_helpers.h"
#include "mesh/CMaillageTriangleChRegion.h"

namespace deformation {

// Builds the mesh of the region made of these voxels in an X x Y x Z grid, its border topology
// repaired, at the given scale.
void maillageVoxels(CMaillageTriangleChRegion& m, const std::vector<CTriplet<int>>& voxels, int X,
                    int Y, int Z, int echelle = 1);

// Builds a closed mesh from positions and triangles whose corners turn counter-clockwise seen
// from outside: rings in angular order, every vertex active, outward normals.
void maillageTriangles(CMaillageTriangleChRegion& m,
                       const std::vector<std::array<float, 3>>& positions,
                       const std::vector<std::array<int, 3>>& triangles);
// Octahedron of vertices (+-r, 0, 0), (0, +-r, 0), (0, 0, +-r): every vertex has 4 neighbours.
void octaedre(CMaillageTriangleChRegion& m, float r);
// Bipyramid: k vertices on a circle of radius r in the plane z = 0 (listed first), then the
// apexes (0, 0, +r) and (0, 0, -r), each with k neighbours.
void bipyramide(CMaillageTriangleChRegion& m, int k, float r);

// The vertices in list order.
std::vector<CSommetChRegion*> sommets(const CMaillageTriangleChRegion& m);
// Consistency of the whole mesh plus verifierVoisins on every vertex; the text of the first
// fault otherwise.
bool coherent(CMaillageTriangleChRegion& m, std::string* rapport = nullptr);
// Restores the class-wide evolution parameters to their start values.
void parametresInitiaux();

} // namespace deformation
