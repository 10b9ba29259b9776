#pragma once
// Seeded growth over 26-connected voxels of one grey level, the first stage of the
// extraction (CImageTroisD::CroissanceDeRegion).

#include "volume/VolumeBrut.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// Grows from the seed (x, y, z) the voxels of a W x H x D byte volume (voxel (x, y, z) at
// index (z * H + y) * W + x) that carry the seed's value s and are linked to it by
// 26-adjacent voxels of that value. Voxels on the outer layer of the volume are reached
// but never expanded. Every voxel reached is set to 255 in travail; when s is 255 the
// value cannot tell reached voxels apart, so marques (W * H * D bytes, all 0) must then be
// given and gets 1 on every voxel reached; otherwise it may be null. Each voxel is reached
// once. The seed must lie inside the volume. Returns the number of voxels reached.
int croissance26(unsigned char* travail, unsigned char* marques, int W, int H, int D, int x, int y,
                 int z);

namespace Stravol {

// A zeroed byte volume from calloc, marking the voxels of an object.
using MarquesVoxels = std::unique_ptr<unsigned char, decltype(&std::free)>;

// n zeroed marks whose pages the system maps only when first touched, so that their memory
// follows the object; large volumes of marks take large pages. Null when memory runs out.
MarquesVoxels marquesVides(std::size_t n);

} // namespace Stravol

// Bounds of a set of voxels, inclusive on each axis.
struct BoiteVoxels {
    int x0, x1, y0, y1, z0, z1;
};

// The same growth, reading image without changing it: every voxel reached gets 1 in marques
// (W * H * D bytes, all 0), whatever the seed's value, and boite receives the bounds of the
// voxels reached. With a tolerance T > 0 the growth takes the voxels whose value differs from
// the seed's by at most T grey levels instead of the seed's value alone. Returns the number of
// voxels reached.
int croissance26Marques(const unsigned char* image, unsigned char* marques, int W, int H, int D,
                        int x, int y, int z, BoiteVoxels& boite, int tolerance = 0);

// The same growth with marks over a volume of 16-bit labels (same layout), at the seed's label
// exactly.
int croissance26Etiquettes(const std::uint16_t* etiquettes, unsigned char* marques, int W, int H,
                           int D, int x, int y, int z, BoiteVoxels& boite);

// The same growth over W x H x D values of any numeric type (voxel (x, y, z) at the same
// index), taking the voxels whose value equals the seed's, or differs from it by at most
// tolerance in the values' own units when tolerance > 0. A NaN seed reaches itself alone.
int croissance26MarquesTypee(const void* valeurs, Stravol::TypeVoxel type, unsigned char* marques,
                             int W, int H, int D, int x, int y, int z, BoiteVoxels& boite,
                             double tolerance = 0);
