#pragma once
// Eight voxels of bytes read as one little-endian word, the lowest byte first: the scans that
// look at eight voxels at a time (growth, region fill) test their bytes with these.

#include <bit>
#include <cstdint>
#include <cstring>

namespace Stravol {

static_assert(std::endian::native == std::endian::little);
inline constexpr std::uint64_t kOctetsUn = 0x0101010101010101ull;
inline constexpr std::uint64_t kOctetsBas = 0x7f7f7f7f7f7f7f7full;
inline constexpr std::uint64_t kOctetsHaut = 0x8080808080808080ull;

// The eight bytes from p on, p[0] lowest.
inline std::uint64_t lireMot(const unsigned char* p) {
    std::uint64_t mot;
    std::memcpy(&mot, p, sizeof mot);
    return mot;
}

// High bit of each zero byte of mot; the lowest bit set marks exactly the first zero byte (a
// byte above a zero byte may be flagged wrongly).
inline std::uint64_t octetsNuls(std::uint64_t mot) {
    return (mot - kOctetsUn) & ~mot & kOctetsHaut;
}

// Whether the word of voxels of T from p on (8 / sizeof(T) of them) all hold p[0]: a run of
// background or of one label, which the scans of whole maps take at once.
template <class T> bool motUniforme(const T* p) {
    static_assert(sizeof(T) == 1 || sizeof(T) == 2);
    // The word of voxels of value 1.
    constexpr std::uint64_t kUns = ~std::uint64_t{0} / ((std::uint64_t{1} << (8 * sizeof(T))) - 1);
    std::uint64_t mot;
    std::memcpy(&mot, p, sizeof mot);
    return mot == kUns * p[0];
}

// High bit of each non-zero byte of mot, exactly.
inline std::uint64_t octetsNonNuls(std::uint64_t mot) {
    return (((mot & kOctetsBas) + kOctetsBas) | mot) & kOctetsHaut;
}

} // namespace Stravol
