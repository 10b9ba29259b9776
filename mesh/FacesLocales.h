#pragma once
// Local checks of the evolution, the split and the merge: the triangles an operation would leave
// around it, with their outward normals, so that a step that would fold the surface, leave a
// triangle without area or break the winding can be refused before it is made. Positions are
// voxel coordinates.

#include <vector>

#include "core/CPoint3D.h"

class CSommetChRegion;
class CTriangleChRegion;

namespace faces {

struct Vecteur {
    double x = 0.0, y = 0.0, z = 0.0;
};

inline Vecteur difference(const CPoint3D& p, const CPoint3D& q) {
    return {double(p.x) - q.x, double(p.y) - q.y, double(p.z) - q.z};
}
inline Vecteur vectoriel(const Vecteur& u, const Vecteur& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
inline double scalaire(const Vecteur& u, const Vecteur& v) {
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

// Below this squared length (voxel^4) a doubled-area normal counts as no area.
constexpr double kAire2Nulle = 1e-12;

// Normal of the triangle p0 p1 p2 turning counter-clockwise, scaled by twice its area.
inline Vecteur normale(const CPoint3D& p0, const CPoint3D& p1, const CPoint3D& p2) {
    return vectoriel(difference(p1, p0), difference(p2, p0));
}

// Corners of t in outward order: its corner order turned by its orientation sign.
void coinsSortants(const CTriangleChRegion* t, CSommetChRegion* coins[3]);
// True when t's outward order runs from u to w along one of its edges.
bool parcourt(const CTriangleChRegion* t, const CSommetChRegion* u, const CSommetChRegion* w);
// The other triangle on edge (x, y), read in x's ring; null when x's ring does not show one.
CTriangleChRegion* triangleOppose(const CSommetChRegion* x, const CSommetChRegion* y,
                                  const CTriangleChRegion* t);

// A triangle as an operation would leave it: corners in outward order, told apart by identity
// (a vertex still to be made has a stand-in address), and the positions they would take.
struct Face {
    const void* coins[3] = {nullptr, nullptr, nullptr};
    CPoint3D positions[3];
    Vecteur normale() const { return faces::normale(positions[0], positions[1], positions[2]); }
};

// The face of an existing triangle, its corner ancien replaced by nouveau at position
// (ancien null: as it stands).
Face faceDe(const CTriangleChRegion* t, const CSommetChRegion* ancien = nullptr,
            const void* nouveau = nullptr, const CPoint3D& position = CPoint3D());

// True when every new face has an area and every edge of a new face meets exactly one other
// face of nouvelles or bord, which runs along it the other way (consistent winding) with a
// normal at most 90 degrees from its own (no fold).
bool sansPli(const std::vector<Face>& nouvelles, const std::vector<Face>& bord);

} // namespace faces
