#pragma once
// A coarser set of triangles over a flat mesh's own vertices, for views where the mesh covers
// fewer pixels than it has triangles: drawn instead of the mesh there, it looks the same and
// costs a fraction of it. Only for display: measures and files take the mesh itself.

#include "mesh/MaillagePlat.h"

#include <cstdint>
#include <vector>

namespace Stravol {

// Share of the triangles the preview aims at, and the farthest it may move the surface, as a
// share of the mesh's extent (the aim is given up where it would move it farther).
constexpr double kPartApercu = 0.1;
constexpr float kErreurApercu = 0.01f;

// Three vertex numbers of m a triangle, about kPartApercu of its triangles, outward order;
// empty when the library cannot take off at least a quarter of them (a small mesh), or when
// memory runs out.
std::vector<std::uint32_t> trianglesApercu(const MaillagePlat& m);

} // namespace Stravol
