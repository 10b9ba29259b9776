#include "extraction/Croissance.h"

#include "core/GrandesPages.h"
#include "core/MotsOctets.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

namespace {

using Stravol::kOctetsHaut;
using Stravol::kOctetsUn;
using Stravol::lireMot;
using Stravol::octetsNonNuls;
using Stravol::octetsNuls;

// A run of reached voxels x0 .. x1 of row (y, z) whose neighbours remain to be examined.
struct Segment {
    int x0, x1, y, z;
};

// The growth works on rows: the reached set is the closure of the seed under "a voxel
// strictly inside the volume reaches its 26 neighbours of value s". A run of reached
// voxels of an inner row reaches, in each of the nine rows (y + dy, z + dz), the
// candidates from one voxel before the run's first expanding voxel to one after its last;
// each candidate found is extended along its own row while the voxel before it expands.
// Rows are scanned in order, so the volume is read sequentially rather than at 26
// scattered places per voxel. The set reached is that of a breadth-first growth from the
// seed; only the order of discovery differs, and nothing depends on it.
// How reached voxels are recorded: 255 written into the grown volume, with or without a
// separate mark, or only a mark beside a volume left unchanged.
enum class Trace { Volume, VolumeEtMarques, Marques };

// The values a growth takes: exactly the seed's, or every value within a tolerance of it.
template <class Valeur> struct ValeurExacte {
    Valeur s;
    bool operator()(Valeur v) const { return v == s; }
};

struct ValeurProche {
    std::array<bool, 256> acceptee{};
    ValeurProche(unsigned char s, int tolerance) {
        for (int v = 0; v < 256; ++v)
            acceptee[static_cast<std::size_t>(v)] = std::abs(v - s) <= tolerance;
    }
    bool operator()(unsigned char v) const { return acceptee[v]; }
};

// Values of any numeric type within a tolerance of the seed's, in the values' own units.
template <class T> struct ValeurEcart {
    double s;
    double tolerance;
    bool operator()(T v) const { return std::fabs(static_cast<double>(v) - s) <= tolerance; }
};

// Whether voxel x is a candidate (value accepted, not yet marked) of a growth that keeps its
// marks beside the volume.
template <class Valeur, class Critere>
bool estCandidat(const Valeur* volume, const unsigned char* marques, int x,
                 const Critere& accepte) {
    return marques[x] == 0 && accepte(volume[x]);
}

// Of the eight byte voxels from x on, a growth at the exact value s: zero bytes where the value
// is the seed's and the voxel unmarked.
std::uint64_t ecartsCandidats(const unsigned char* volume, const unsigned char* marques, int x,
                              unsigned char s) {
    return (lireMot(volume + x) ^ (kOctetsUn * s)) | lireMot(marques + x);
}

// First x of x0 .. x1 whose voxel is a candidate of a growth that keeps its marks beside the
// volume (value accepted, not yet marked), or x1 + 1. Runs of marked voxels, most of what a
// growth scans again, are skipped eight at a time; for the exact byte value the whole test is.
template <class Valeur, class Critere>
int premierCandidat(const Valeur* volume, const unsigned char* marques, int x0, int x1,
                    const Critere& accepte) {
    int x = x0;
    for (; x + 7 <= x1; x += 8) {
        if constexpr (std::is_same_v<Critere, ValeurExacte<unsigned char>>) {
            const std::uint64_t nuls = octetsNuls(ecartsCandidats(volume, marques, x, accepte.s));
            if (nuls != 0)
                return x + std::countr_zero(nuls) / 8;
        } else if (octetsNuls(lireMot(marques + x)) != 0) {
            for (int k = x; k < x + 8; ++k)
                if (estCandidat(volume, marques, k, accepte))
                    return k;
        }
    }
    for (; x <= x1; ++x)
        if (estCandidat(volume, marques, x, accepte))
            return x;
    return x1 + 1;
}

// First x of x0 .. x1 that is no candidate, or x1 + 1: the end of a run of candidates, found
// eight voxels at a time for the exact byte value.
template <class Valeur, class Critere>
int finCandidats(const Valeur* volume, const unsigned char* marques, int x0, int x1,
                 const Critere& accepte) {
    int x = x0;
    if constexpr (std::is_same_v<Critere, ValeurExacte<unsigned char>>) {
        for (; x + 7 <= x1; x += 8) {
            const std::uint64_t autres =
                octetsNonNuls(ecartsCandidats(volume, marques, x, accepte.s));
            if (autres != 0)
                return x + std::countr_zero(autres) / 8;
        }
    }
    while (x <= x1 && estCandidat(volume, marques, x, accepte))
        ++x;
    return x;
}

// Last x of x0 .. x1 that is no candidate, or x0 - 1: the start of a run of candidates ending
// at x1, less one.
template <class Valeur, class Critere>
int debutCandidats(const Valeur* volume, const unsigned char* marques, int x0, int x1,
                   const Critere& accepte) {
    int x = x1;
    if constexpr (std::is_same_v<Critere, ValeurExacte<unsigned char>>) {
        for (; x - 7 >= x0; x -= 8) {
            const std::uint64_t autres =
                octetsNonNuls(ecartsCandidats(volume, marques, x - 7, accepte.s));
            if (autres != 0)
                return x - std::countl_zero(autres) / 8;
        }
    }
    while (x >= x0 && estCandidat(volume, marques, x, accepte))
        --x;
    return x;
}

template <Trace kTrace, class Octet, class Critere>
int croitre(Octet* travail, unsigned char* marques, int W, int H, int D, int x, int y, int z,
            BoiteVoxels& boite, const Critere& accepte) {
    auto ligne = [&](int yy, int zz) { return (static_cast<std::size_t>(zz) * H + yy) * W; };
    auto candidat = [&](std::size_t i) {
        if constexpr (kTrace == Trace::Volume)
            return accepte(travail[i]);
        else
            return accepte(travail[i]) && marques[i] == 0;
    };
    auto marquer = [&](std::size_t i) {
        if constexpr (kTrace != Trace::Marques)
            travail[i] = 255;
        if constexpr (kTrace != Trace::Volume)
            marques[i] = 1;
    };
    auto etendre = [&](int a, int b, int yy, int zz) {
        boite.x0 = a < boite.x0 ? a : boite.x0;
        boite.x1 = b > boite.x1 ? b : boite.x1;
        boite.y0 = yy < boite.y0 ? yy : boite.y0;
        boite.y1 = yy > boite.y1 ? yy : boite.y1;
        boite.z0 = zz < boite.z0 ? zz : boite.z0;
        boite.z1 = zz > boite.z1 ? zz : boite.z1;
    };
    boite = BoiteVoxels{x, x, y, y, z, z};

    int nbAtteints = 1;
    std::vector<Segment> pile;
    pile.reserve(4096);
    marquer(ligne(y, z) + static_cast<std::size_t>(x));
    pile.push_back(Segment{x, x, y, z});
    while (!pile.empty()) {
        const Segment g = pile.back();
        pile.pop_back();
        // Voxels of the outer layer are reached but do not expand.
        if (g.y == 0 || g.y == H - 1 || g.z == 0 || g.z == D - 1)
            continue;
        const int e0 = g.x0 > 1 ? g.x0 : 1;
        const int e1 = g.x1 < W - 2 ? g.x1 : W - 2;
        if (e0 > e1)
            continue;
        for (int dz = -1; dz <= 1; ++dz)
            for (int dy = -1; dy <= 1; ++dy) {
                const int yy = g.y + dy, zz = g.z + dz;
                const std::size_t base = ligne(yy, zz);
                const bool rangeeInterieure = yy > 0 && yy < H - 1 && zz > 0 && zz < D - 1;
                // Next candidate of the row from depuis on, or past e1 + 1.
                const auto suivant = [&](int depuis) {
                    if constexpr (kTrace == Trace::Marques)
                        return premierCandidat(travail + base, marques + base, depuis, e1 + 1,
                                               accepte);
                    while (depuis <= e1 + 1 && !candidat(base + static_cast<std::size_t>(depuis)))
                        ++depuis;
                    return depuis;
                };
                for (int xx = suivant(e0 - 1); xx <= e1 + 1; xx = suivant(xx + 1)) {
                    marquer(base + static_cast<std::size_t>(xx));
                    ++nbAtteints;
                    int a = xx, b = xx;
                    if (rangeeInterieure && kTrace == Trace::Marques) {
                        // A voxel of an inner row expands when it is not at either end of the
                        // row: the runs of candidates on either side are marked whole.
                        if (a >= 1 && a <= W - 2) {
                            a = debutCandidats(travail + base, marques + base, 0, a - 1, accepte) +
                                1;
                            std::memset(marques + base + a, 1, static_cast<std::size_t>(xx - a));
                            nbAtteints += xx - a;
                        }
                        if (b >= 1 && b <= W - 2) {
                            b = finCandidats(travail + base, marques + base, b + 1, W - 1,
                                             accepte) -
                                1;
                            std::memset(marques + base + xx + 1, 1,
                                        static_cast<std::size_t>(b - xx));
                            nbAtteints += b - xx;
                        }
                        pile.push_back(Segment{a, b, yy, zz});
                    } else if (rangeeInterieure) {
                        // A voxel of an inner row expands when it is not at either end of the row.
                        while (a >= 1 && a <= W - 2 &&
                               candidat(base + static_cast<std::size_t>(a - 1))) {
                            --a;
                            marquer(base + static_cast<std::size_t>(a));
                            ++nbAtteints;
                        }
                        while (b >= 1 && b <= W - 2 &&
                               candidat(base + static_cast<std::size_t>(b + 1))) {
                            ++b;
                            marquer(base + static_cast<std::size_t>(b));
                            ++nbAtteints;
                        }
                        pile.push_back(Segment{a, b, yy, zz});
                    }
                    etendre(a, b, yy, zz);
                    xx = b;
                }
            }
    }
    return nbAtteints;
}

} // namespace

namespace {

template <class Valeur>
Valeur valeurGerme(const Valeur* volume, int W, int H, int x, int y, int z) {
    return volume[(static_cast<std::size_t>(z) * H + y) * W + x];
}

} // namespace

int croissance26(unsigned char* travail, unsigned char* marques, int W, int H, int D, int x, int y,
                 int z) {
    BoiteVoxels boite{};
    const ValeurExacte<unsigned char> exacte{valeurGerme(travail, W, H, x, y, z)};
    if (marques != nullptr)
        return croitre<Trace::VolumeEtMarques>(travail, marques, W, H, D, x, y, z, boite, exacte);
    return croitre<Trace::Volume>(travail, marques, W, H, D, x, y, z, boite, exacte);
}

int croissance26Marques(const unsigned char* image, unsigned char* marques, int W, int H, int D,
                        int x, int y, int z, BoiteVoxels& boite, int tolerance) {
    const unsigned char s = valeurGerme(image, W, H, x, y, z);
    if (tolerance <= 0)
        return croitre<Trace::Marques>(image, marques, W, H, D, x, y, z, boite,
                                       ValeurExacte<unsigned char>{s});
    return croitre<Trace::Marques>(image, marques, W, H, D, x, y, z, boite,
                                   ValeurProche(s, tolerance));
}

int croissance26Etiquettes(const std::uint16_t* etiquettes, unsigned char* marques, int W, int H,
                           int D, int x, int y, int z, BoiteVoxels& boite) {
    const ValeurExacte<std::uint16_t> exacte{valeurGerme(etiquettes, W, H, x, y, z)};
    return croitre<Trace::Marques>(etiquettes, marques, W, H, D, x, y, z, boite, exacte);
}

namespace {

template <class T>
int croitreTypee(const void* valeurs, unsigned char* marques, int W, int H, int D, int x, int y,
                 int z, BoiteVoxels& boite, double tolerance) {
    const T* v = static_cast<const T*>(valeurs);
    const T s = valeurGerme(v, W, H, x, y, z);
    if (tolerance > 0)
        return croitre<Trace::Marques>(v, marques, W, H, D, x, y, z, boite,
                                       ValeurEcart<T>{static_cast<double>(s), tolerance});
    return croitre<Trace::Marques>(v, marques, W, H, D, x, y, z, boite, ValeurExacte<T>{s});
}

} // namespace

int croissance26MarquesTypee(const void* valeurs, Stravol::TypeVoxel type, unsigned char* marques,
                             int W, int H, int D, int x, int y, int z, BoiteVoxels& boite,
                             double tolerance) {
    // Bytes at the exact level take the word-wise scan of the grey growth.
    if (type == Stravol::TypeVoxel::Octet && tolerance <= 0)
        return croissance26Marques(static_cast<const unsigned char*>(valeurs), marques, W, H, D, x,
                                   y, z, boite);
    return Stravol::selonType(type, [&](auto t) {
        return croitreTypee<decltype(t)>(valeurs, marques, W, H, D, x, y, z, boite, tolerance);
    });
}

Stravol::MarquesVoxels Stravol::marquesVides(std::size_t n) {
    MarquesVoxels marques(static_cast<unsigned char*>(std::calloc(n, 1)), &std::free);
    conseillerGrandesPages(marques.get(), n, kOctetsGrandesPages);
    return marques;
}
