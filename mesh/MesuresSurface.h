#pragma once
// Enclosed volume and area of a closed mesh, in voxel units, for the figures shown after an
// extraction.

class CMaillageTriangleChRegion;

// Volume enclosed by the triangles (cubic voxels), from the divergence theorem over the
// triangles turned outward by their orientation; 0 for an empty mesh. Meaningful for a
// closed surface only.
double volumeEnclos(const CMaillageTriangleChRegion& maillage);
// Sum of the triangle areas (square voxels).
double aireSurface(const CMaillageTriangleChRegion& maillage);
