#pragma once
// Decimation of a closed mesh: edge collapses by the mesh optimisation library, then checks
// of the result, since the library only tries to keep the topology.

#include <string>
#include <vector>

class CMaillageTriangleChRegion;

struct BilanDecimation {
    double ratio = 1.0; // fraction asked of the collapses that passed the checks
    int trianglesAvant = 0;
    int trianglesApres = 0;
    double ecartVolume = 0.0; // relative change of the enclosed volume
    double distanceMax = 0.0; // voxel: farthest original vertex from the decimated surface
};

// Largest accepted change of the enclosed volume (relative) and distance of the original
// vertices to the decimated surface (voxel).
constexpr double kEcartVolumeDecimation = 0.01;
constexpr double kDistanceDecimation = 0.5;

// Makes resultat a copy of source keeping about ratio (0 < ratio <= 1) of its triangles. The
// result must be closed, manifold, consistently wound, with no irregular vertex (rings of at
// most CSommetChRegion::CAPACITE_ANNEAU), the same Euler characteristic, no triangle turned against
// the source's vertex normals at its corners, its enclosed volume within kEcartVolumeDecimation and
// every original vertex within kDistanceDecimation of it. The collapses go in steps; where a step
// leaves a fault, the source is kept around it and the step done again; the vertices are then
// moved along the normals to restore the volume. When the ratio fails, a bisection between it and
// 1 looks for the smallest that passes; a result that removes no triangle does not pass. False,
// with raison in words for the user and resultat untouched, when none passes. source's normals must
// be computed; resultat's are.
bool decimerMaillage(const CMaillageTriangleChRegion& source, double ratio,
                     CMaillageTriangleChRegion& resultat, BilanDecimation& bilan,
                     std::string& raison);

// Makes m the surface of the triangles given: positions (x, y, z per vertex, voxel coordinates)
// and corners (three vertex numbers per triangle, counter-clockwise seen from outside). The
// surface must be closed, consistently wound and manifold, with rings of at most
// CSommetChRegion::CAPACITE_ANNEAU; otherwise false, with raison, and m empty. Orders the
// rings, fills the active list, computes the normals.
bool creerMaillageDepuisTriangles(CMaillageTriangleChRegion& m, const std::vector<float>& positions,
                                  const std::vector<unsigned>& coins, std::string& raison);
