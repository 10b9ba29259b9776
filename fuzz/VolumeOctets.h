#pragma once
// The small grey volume that the extraction and evolution fuzzers read from their input:
// three sizes (1 to cote voxels each), the seed position, then two bits per voxel (x fastest)
// choosing the grey level 0, 80, 160 or 255; missing bytes give 0.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

struct VolumeOctets {
    int W = 0, H = 0, D = 0;           // sizes, in voxels
    int gx = 0, gy = 0, gz = 0;        // the seed, inside the volume
    std::vector<unsigned char> voxels; // element (z * H + y) * W + x

    unsigned char voxel(int x, int y, int z) const {
        return voxels[(static_cast<std::size_t>(z) * H + y) * W + x];
    }
};

// Reads the volume from the first taille bytes of o; false when fewer than 6 bytes.
inline bool lireVolume(const std::uint8_t* o, std::size_t taille, int cote, VolumeOctets& v) {
    constexpr unsigned char kNiveaux[4] = {0, 80, 160, 255};
    if (taille < 6)
        return false;
    v.W = 1 + o[0] % cote, v.H = 1 + o[1] % cote, v.D = 1 + o[2] % cote;
    v.gx = o[3] % v.W, v.gy = o[4] % v.H, v.gz = o[5] % v.D;
    const std::size_t n = static_cast<std::size_t>(v.W) * v.H * v.D;
    v.voxels.assign(n, 0);
    for (std::size_t i = 0; i < n && 6 + i / 4 < taille; ++i)
        v.voxels[i] = kNiveaux[(o[6 + i / 4] >> (2 * (i % 4))) & 3];
    return true;
}

} // namespace fuzz
