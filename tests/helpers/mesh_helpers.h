#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/Tuples.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"

// Fills region with the given voxels in an empty grid of X x Y x Z and builds its border list.
void remplirRegion(CRegion3D& region, int X, int Y, int Z,
                   const std::vector<CTriplet<int>>& voxels);

// Random blob: seeded random voxels in the interior of an X x Y x Z grid, dilated by a cube of
// side 3, returned as the voxel list of the region.
std::vector<CTriplet<int>> blobAleatoire(std::uint32_t graine, int X, int Y, int Z, int nbGraines);

// Builds the mesh of the region made of these voxels in an X x Y x Z grid, as they stand (no
// topology repair), at the given scale; false when the construction fails.
bool maillageDeVoxels(CMaillageTriangleChRegion& m, int X, int Y, int Z,
                      const std::vector<CTriplet<int>>& voxels, int echelle = 1);
// The vertex positions in list order.
std::vector<CPoint3D> positions(const CMaillageTriangleChRegion& m);
// Filled ball of radius r (voxel centres within r of c) and filled box [a, b] (inclusive).
std::vector<CTriplet<int>> boule(CTriplet<int> c, double r);
std::vector<CTriplet<int>> boite(CTriplet<int> a, CTriplet<int> b);

// Triangle soup read back from a file or taken from a mesh: positions and corner numbers,
// corners in the written order.
struct Soupe {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normales; // one per vertex (OBJ, PLY) or per triangle (STL)
    std::vector<std::array<int, 3>> triangles;
};

// The mesh's triangles with their corners turning counter-clockwise seen from outside
// (orientation applied), vertices in list order.
Soupe soupeMaillage(const CMaillageTriangleChRegion& m);
bool lireSTL(const std::string& chemin, Soupe& soupe);
bool lireOBJ(const std::string& chemin, Soupe& soupe);
bool lirePLY(const std::string& chemin, Soupe& soupe);
// A binary little-endian PLY read whatever its properties (float, uchar, int, uint): positions,
// normals and colours of the vertices when present, triangles with their "label" when present,
// the comments and the type of the label property.
struct PlyLu {
    Soupe soupe;
    std::vector<std::array<std::uint8_t, 3>> couleurs;
    std::vector<std::uint64_t> labels;
    std::vector<std::string> commentaires;
    std::string typeLabel;
};
bool lirePLYComplet(const std::string& chemin, PlyLu& ply);
// STL repeats positions per facet: merge equal positions so that counts can be compared.
Soupe fusionnerPositions(const Soupe& soupe);

// Signed enclosed volume (positive when the triangles turn counter-clockwise from outside).
double volumeSigne(const Soupe& soupe);
// Every undirected edge is used by exactly two triangles, once in each direction.
bool fermeeEtOrientee(const Soupe& soupe);
// V - E + F, of a soup or of a mesh (taken as its soup).
int caracteristiqueEuler(const Soupe& soupe);
int caracteristiqueEuler(const CMaillageTriangleChRegion& m);

// Whether two arrays hold the same elements bit for bit (signed zeros and NaNs told apart).
template <class T> bool memesBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}
