#include "region/CRegion3D.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/Message.h"
#include "core/MotsOctets.h"
#include "core/Parallele.h"
#include "volume/CImage3D.h"

CVecteur<CTriplet<int>> CRegion3D::voisinage;
CVecteur<CTriplet<int>> CRegion3D::voisinage2;
CVecteur<CTriplet<int>> CRegion3D::voisinage3;
const int CRegion3D::multi_chemins_voisins3[6][3] = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0},
                                                     {0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
thread_local char CRegion3D::message[256] = {};

namespace {

// The tables are filled when the program starts, before any thread: a caller that forgets to
// fill them first (a repair run on empty tables silently repairs nothing) cannot go wrong.
[[maybe_unused]] const bool voisinagesRemplis = (CRegion3D::initialiserVoisinages(), true);

} // namespace

namespace {
using Triplet = CTriplet<int>;

// Slabs of the border search per thread, so that uneven slabs still share the work.
constexpr int kTranchesParThread = 4;

Triplet plus(const Triplet& a, const Triplet& b) {
    return Triplet(a.x + b.x, a.y + b.y, a.z + b.z);
}

// The voxel v + m*c of the cube spanned by v and its corner neighbour v + c.
Triplet cheminCoin(const Triplet& v, const Triplet& c, int m) {
    const int* f = CRegion3D::multi_chemins_voisins3[m];
    return Triplet(v.x + f[0] * c.x, v.y + f[1] * c.y, v.z + f[2] * c.z);
}

bool avant(const Triplet& a, const Triplet& b) {
    if (a.x != b.x)
        return a.x < b.x;
    if (a.y != b.y)
        return a.y < b.y;
    return a.z < b.z;
}

bool egal(const Triplet& a, const Triplet& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Sorts and removes duplicates: the ascending order of the system's sorted sets.
void trierSansDoublons(std::vector<Triplet>& s) {
    std::sort(s.begin(), s.end(), avant);
    s.erase(std::unique(s.begin(), s.end(), egal), s.end());
}

// Calls remplir(debut, fin, liste) on slabs [debut, fin) of 0 .. n - 1, on all threads when
// parallele, and returns what the slabs listed joined in slab order: the list one call over
// 0 .. n - 1 would give, for any thread count.
template <class F> std::vector<Triplet> listerParTranches(int n, bool parallele, F remplir) {
    const int nbTranches =
        parallele ? std::max(1, std::min(n, kTranchesParThread * Stravol::nbThreads())) : 1;
    if (nbTranches == 1) {
        std::vector<Triplet> liste;
        remplir(0, n, liste);
        return liste;
    }
    const auto borne = [n, nbTranches](int t) {
        return static_cast<int>(static_cast<long long>(n) * t / nbTranches);
    };
    std::vector<std::vector<Triplet>> tranches(static_cast<std::size_t>(nbTranches));
#pragma omp parallel for num_threads(Stravol::nbThreads()) schedule(dynamic, 1)
    for (int t = 0; t < nbTranches; ++t)
        remplir(borne(t), borne(t + 1), tranches[static_cast<std::size_t>(t)]);
    std::size_t total = 0;
    for (const std::vector<Triplet>& tranche : tranches)
        total += tranche.size();
    std::vector<Triplet> liste;
    liste.reserve(total);
    for (const std::vector<Triplet>& tranche : tranches)
        liste.insert(liste.end(), tranche.begin(), tranche.end());
    return liste;
}

// Calls examiner on every voxel of bord, handing it a list to add to, on all threads for a
// long border, and leaves in s all it added, sorted without duplicates. examiner must only
// read the region.
template <class F>
void collecterTries(const CListeVoxels& bord, std::vector<Triplet>& s, F examiner) {
    const int n = bord.longueur();
    s = listerParTranches(n, n >= Stravol::kSeuilParallele,
                          [&](int debut, int fin, std::vector<Triplet>& liste) {
                              for (int k = debut; k < fin; ++k)
                                  examiner(bord[k], liste);
                          });
    trierSansDoublons(s);
}

// Offsets, in elements of the grid's contiguous block (element (x, y, z) at (x * dimY + y) *
// dimZ + z), of the neighbours the topology rules look at, with the same neighbours as
// triples: the rules read a voxel far enough from the grid's faces through these offsets
// alone.
struct DecalagesGrille {
    std::ptrdiff_t faces[6];
    std::ptrdiff_t aretes[12];
    // The two face neighbours between a voxel and its edge neighbour, as rule 1 takes them.
    std::ptrdiff_t entreA[12], entreB[12];
    Triplet tripletsA[12], tripletsB[12];
    std::ptrdiff_t coins[8];
    // The six path voxels between a voxel and its corner neighbour, in table order.
    std::ptrdiff_t chemins[8][6];
    Triplet tripletsChemins[8][6];

    DecalagesGrille(int dimY, int dimZ) {
        const auto decalage = [&](const Triplet& o) {
            return (static_cast<std::ptrdiff_t>(o.x) * dimY + o.y) * dimZ + o.z;
        };
        const Triplet origine(0, 0, 0);
        for (int f = 0; f < 6; ++f)
            faces[f] = decalage(CRegion3D::voisinage[f]);
        for (int i = 0; i < 12; ++i) {
            const Triplet& e = CRegion3D::voisinage2[i];
            aretes[i] = decalage(e);
            if (e.x == 0) {
                tripletsA[i] = Triplet(0, e.y, 0);
                tripletsB[i] = Triplet(0, 0, e.z);
            } else if (e.y == 0) {
                tripletsA[i] = Triplet(e.x, 0, 0);
                tripletsB[i] = Triplet(0, 0, e.z);
            } else {
                tripletsA[i] = Triplet(e.x, 0, 0);
                tripletsB[i] = Triplet(0, e.y, 0);
            }
            entreA[i] = decalage(tripletsA[i]);
            entreB[i] = decalage(tripletsB[i]);
        }
        for (int i = 0; i < 8; ++i) {
            const Triplet& c = CRegion3D::voisinage3[i];
            coins[i] = decalage(c);
            for (int m = 0; m < 6; ++m) {
                tripletsChemins[i][m] = cheminCoin(origine, c, m);
                chemins[i][m] = decalage(tripletsChemins[i][m]);
            }
        }
    }
};

// True when p lies at least marge voxels inside every face of the grid.
bool loinDesFaces(const Triplet& p, int marge, int dimX, int dimY, int dimZ) {
    return p.x >= marge && p.x < dimX - marge && p.y >= marge && p.y < dimY - marge &&
           p.z >= marge && p.z < dimZ - marge;
}
} // namespace

CRegion3D::CRegion3D() : nbVoxels(0), boiteX(0, 0), boiteY(0, 0), boiteZ(0, 0) {}

CRegion3D::~CRegion3D() { voxelsBord.vider(); }

void CRegion3D::initialiserVoisinages() {
    // Filled once: tables already filled are left alone, so that a call while other threads
    // read them changes nothing under them.
    if (voisinage.taille == 6 && voisinage2.taille == 12 && voisinage3.taille == 8)
        return;
    voisinage.init(6);
    voisinage[0] = Triplet(-1, 0, 0);
    voisinage[1] = Triplet(1, 0, 0);
    voisinage[2] = Triplet(0, -1, 0);
    voisinage[3] = Triplet(0, 1, 0);
    voisinage[4] = Triplet(0, 0, -1);
    voisinage[5] = Triplet(0, 0, 1);
    voisinage2.init(12);
    voisinage3.init(8);
    int n2 = 0, n3 = 0;
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 1; ++y)
            for (int z = -1; z <= 1; ++z) {
                const int somme = (x != 0) + (y != 0) + (z != 0);
                if (somme == 2)
                    voisinage2[n2++] = Triplet(x, y, z);
                else if (somme == 3)
                    voisinage3[n3++] = Triplet(x, y, z);
            }
}

void CRegion3D::ajouter(const CTriplet<int>& p) {
    CVoxelRegion3D& v = Voxel(p);
    if (v.dansRegion)
        return;
    v.dansRegion = 1;
    ++modifications;
    if (nbVoxels == 0) {
        boiteX = CCouple<int>(p.x, p.x);
        boiteY = CCouple<int>(p.y, p.y);
        boiteZ = CCouple<int>(p.z, p.z);
        v.bord = 1;
    } else {
        const int c[3] = {p.x, p.y, p.z};
        CCouple<int>* boites[3] = {&boiteX, &boiteY, &boiteZ};
        for (int a = 0; a < 3; ++a) {
            if (c[a] < boites[a]->x)
                boites[a]->x = c[a];
            else if (c[a] > boites[a]->y)
                boites[a]->y = c[a];
        }
        MAJContour(p);
        for (int i = 0; i < 6; ++i)
            MAJContour(plus(p, voisinage[i]));
    }
    ++nbVoxels;
}

void CRegion3D::MAJContour(const CTriplet<int>& p) {
    if (!dansGrille(p))
        return;
    CVoxelRegion3D& v = Voxel(p);
    if (!v.dansRegion)
        return;
    v.bord = 0;
    for (int i = 0; i < 6; ++i) {
        const Triplet q = plus(p, voisinage[i]);
        if (!dansGrille(q) || !Voxel(q).dansRegion) {
            v.bord = 1;
            return;
        }
    }
}

void CRegion3D::calculerVoxelsBord() {
    voxelsBord.vider();
    modificationsListe = modifications;
    if (nbVoxels <= 0)
        return;
    // Row pointers along z; the neighbours in x and y are read from the adjacent rows, a
    // missing row (outside the grid) counting as outside the region. The box is cut into
    // slabs of x, each listing its own border voxels.
    const int nbX = boiteX.y - boiteX.x + 1;
    const bool parallele =
        static_cast<long long>(nbX) * (boiteY.y - boiteY.x + 1) * (boiteZ.y - boiteZ.x + 1) >=
        Stravol::kSeuilParallele;
    voxelsBord.elements =
        listerParTranches(nbX, parallele, [this](int debut, int fin, std::vector<Triplet>& liste) {
            for (int x = boiteX.x + debut; x < boiteX.x + fin; ++x)
                for (int y = boiteY.x; y <= boiteY.y; ++y) {
                    CVoxelRegion3D* rangee = tab[x][y];
                    const CVoxelRegion3D* voisines[4] = {
                        x > 0 ? tab[x - 1][y] : nullptr, x + 1 < dimX ? tab[x + 1][y] : nullptr,
                        y > 0 ? tab[x][y - 1] : nullptr, y + 1 < dimY ? tab[x][y + 1] : nullptr};
                    for (int z = boiteZ.x; z <= boiteZ.y; ++z) {
                        CVoxelRegion3D& v = rangee[z];
                        if (!v.dansRegion)
                            continue;
                        bool bord = z == 0 || z + 1 >= dimZ || !rangee[z - 1].dansRegion ||
                                    !rangee[z + 1].dansRegion;
                        for (int i = 0; i < 4 && !bord; ++i)
                            bord = voisines[i] == nullptr || !voisines[i][z].dansRegion;
                        v.bord = bord ? 1 : 0;
                        if (bord)
                            liste.push_back(Triplet(x, y, z));
                    }
                }
        });
}

void CRegion3D::fusionnerVoxelsBord(const std::vector<CTriplet<int>>& ajoutes) {
    if (modifications - static_cast<long long>(ajoutes.size()) != modificationsListe) {
        calculerVoxelsBord();
        return;
    }
    std::vector<Triplet> fusion;
    fusion.reserve(voxelsBord.elements.size() + ajoutes.size());
    const std::vector<Triplet>& anciens = voxelsBord.elements;
    std::size_t i = 0, j = 0;
    while (i < anciens.size() || j < ajoutes.size()) {
        const bool prendreAncien =
            j == ajoutes.size() || (i < anciens.size() && avant(anciens[i], ajoutes[j]));
        const Triplet& t = prendreAncien ? anciens[i++] : ajoutes[j++];
        if (Voxel(t).bord)
            fusion.push_back(t);
    }
    voxelsBord.elements.swap(fusion);
    modificationsListe = modifications;
}

bool CRegion3D::creerRegionImage3D(const CImage3D& image) {
    vider();
    const int d = image.GetDepth();
    const int w = d > 0 ? image.GetWidth() : 0;
    const int h = d > 0 ? image.GetHeight() : 0;
    if (w != dimX || h != dimY || d != dimZ) {
        if (!init(w, h, d)) {
            init(0, 0, 0);
            return false;
        }
    }
    // The voxels are flagged column by column (z innermost, the grid's contiguous order),
    // reading the rows of every slice at once; the region's voxels do not depend on the
    // order in which they are flagged, and one border pass at the end sets every `bord`.
    int nb = 0;
    int minX = w, maxX = -1, minY = h, maxY = -1, minZ = d, maxZ = -1;
    std::vector<const unsigned char*> lignes(static_cast<std::size_t>(d));
    for (int y = 0; y < h; ++y) {
        for (int z = 0; z < d; ++z)
            lignes[static_cast<std::size_t>(z)] = image.GetRow(y, z);
        for (int x = 0; x < w; ++x) {
            CVoxelRegion3D* colonne = tab[x][y];
            int premier = -1, dernier = -1;
            for (int z = 0; z < d; ++z) {
                if (lignes[static_cast<std::size_t>(z)][x] == 0)
                    continue;
                colonne[z].dansRegion = 1;
                if (premier < 0)
                    premier = z;
                dernier = z;
                ++nb;
            }
            if (premier < 0)
                continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            minZ = std::min(minZ, premier);
            maxZ = std::max(maxZ, dernier);
        }
    }
    nbVoxels = nb;
    modifications += nb;
    if (nb > 0) {
        boiteX = CCouple<int>(minX, maxX);
        boiteY = CCouple<int>(minY, maxY);
        boiteZ = CCouple<int>(minZ, maxZ);
    }
    calculerVoxelsBord();
    return true;
}

namespace {

using Stravol::kOctetsHaut;
using Stravol::lireMot;
using Stravol::octetsNonNuls;

// Bit i of the result: the high bit of byte i.
std::uint64_t bitsHauts(std::uint64_t hauts) {
    return ((hauts >> 7) * 0x0102040810204080ull) >> 56;
}

// Bytes of a volume from which the search for full voxels runs on all threads.
constexpr std::size_t kSeuilBalayageParallele = std::size_t{1} << 25;

// Transposes a 64 x 64 bit matrix in place: bit r of a[c] becomes what bit c of a[r] was.
void transposer64(std::uint64_t* a) {
    std::uint64_t m = 0x00000000ffffffffull;
    for (int j = 32; j != 0; j >>= 1, m ^= (m << j))
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const std::uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k] ^= t << j;
            a[k | j] ^= t;
        }
}

// Byte of a voxel of the binary volume that is in the region.
constexpr unsigned char kPlein = 255;

// Index of the first voxel of row (y, z) in a w x h x d byte volume.
inline std::size_t debutRangee(int y, int z, int w, int h) {
    return (static_cast<std::size_t>(z) * h + y) * static_cast<std::size_t>(w);
}

// A box of voxels: (min, max) along each axis.
struct BoiteVoxels {
    int x0, x1, y0, y1, z0, z1;
};

// The box of the voxels that hold kPlein in a w x h x d volume, joined to `boite`, found row by
// row with the library's byte search; with marques (same layout), a zero mark under each such
// voxel becomes 1. Slices and rows go to the threads in slabs, for a volume large enough that
// the threads gain more than their start-up costs (the search runs at memory speed); bounds are
// order-free reductions, and each thread marks its own rows.
BoiteVoxels joindrePleins(const unsigned char* volume, int w, int h, int d, BoiteVoxels boite,
                          unsigned char* marques = nullptr) {
    int x0 = boite.x0, x1 = boite.x1, y0 = boite.y0, y1 = boite.y1, z0 = boite.z0, z1 = boite.z1;
    const bool toutLeVolume = static_cast<std::size_t>(w) * h * d >= kSeuilBalayageParallele;
    // clang-format off
#pragma omp parallel for num_threads(Stravol::nbThreads()) if (toutLeVolume) schedule(static) \
    reduction(min : x0, y0, z0) reduction(max : x1, y1, z1)
    // clang-format on
    for (int z = 0; z < d; ++z)
        for (int y = 0; y < h; ++y) {
            const unsigned char* rangee = volume + debutRangee(y, z, w, h);
            const void* premier = std::memchr(rangee, kPlein, static_cast<std::size_t>(w));
            if (premier == nullptr)
                continue;
            const void* dernier = memrchr(rangee, kPlein, static_cast<std::size_t>(w));
            x0 =
                std::min(x0, static_cast<int>(static_cast<const unsigned char*>(premier) - rangee));
            x1 =
                std::max(x1, static_cast<int>(static_cast<const unsigned char*>(dernier) - rangee));
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
            z0 = std::min(z0, z);
            z1 = std::max(z1, z);
            if (marques == nullptr)
                continue;
            unsigned char* m = marques + debutRangee(y, z, w, h);
            for (auto* p = static_cast<const unsigned char*>(premier);
                 p <= static_cast<const unsigned char*>(dernier); ++p)
                if (*p == kPlein && m[p - rangee] == 0)
                    m[p - rangee] = 1;
        }
    return {x0, x1, y0, y1, z0, z1};
}

} // namespace

void joindrePleinsAuxMarques(const unsigned char* volume, unsigned char* marques, int w, int h,
                             int d, CCouple<int>& marquesX, CCouple<int>& marquesY,
                             CCouple<int>& marquesZ) {
    const BoiteVoxels boite = joindrePleins(
        volume, w, h, d, {marquesX.x, marquesX.y, marquesY.x, marquesY.y, marquesZ.x, marquesZ.y},
        marques);
    marquesX = CCouple<int>(boite.x0, boite.x1);
    marquesY = CCouple<int>(boite.y0, boite.y1);
    marquesZ = CCouple<int>(boite.z0, boite.z1);
}

namespace {

// What the binary fill reads and the layout of its bit planes. The membership of the rows of a
// plane y (every z of the box) is read into bits, bit b of a row standing for x = x0 - 1 + b
// (bits 0 and nbX + 1, outside the box, stay 0): nbMots words per row, nbZ rows per plane.
struct PlansBinaires {
    const unsigned char* volume; // null: the marks alone make the region
    const unsigned char* marques;
    int w, h, d;
    BoiteVoxels boite;
    int nbX, nbY, nbZ;
    int nbMots;
    std::size_t taillePlan;
    std::vector<std::uint64_t> bordsX; // bits of the columns whose x lies on the grid's outer layer

    PlansBinaires(const unsigned char* volume_, const unsigned char* marques_, int w_, int h_,
                  int d_, const BoiteVoxels& boite_)
        : volume(volume_), marques(marques_), w(w_), h(h_), d(d_), boite(boite_),
          nbX(boite_.x1 - boite_.x0 + 1), nbY(boite_.y1 - boite_.y0 + 1),
          nbZ(boite_.z1 - boite_.z0 + 1), nbMots((nbX + 2 + 63) / 64),
          taillePlan(static_cast<std::size_t>(nbZ) * static_cast<std::size_t>(nbMots)),
          bordsX(static_cast<std::size_t>(nbMots), 0) {
        for (const int x : {0, w - 1})
            if (x >= boite.x0 && x <= boite.x1)
                bordsX[static_cast<std::size_t>(x - boite.x0 + 1) / 64] |=
                    1ull << ((x - boite.x0 + 1) % 64);
    }
};

// Reads the bits of plane y into plan; a plane outside the box is empty.
void lirePlan(const PlansBinaires& p, int y, std::vector<std::uint64_t>& plan) {
    std::fill(plan.begin(), plan.end(), 0);
    if (y < p.boite.y0 || y > p.boite.y1)
        return;
    const int nbX = p.nbX, nbMots = p.nbMots;
    for (int k = 0; k < p.nbZ; ++k) {
        std::uint64_t* rangee = plan.data() + static_cast<std::size_t>(k) * nbMots;
        const std::size_t debut =
            debutRangee(y, p.boite.z0 + k, p.w, p.h) + static_cast<std::size_t>(p.boite.x0);
        const unsigned char* m = p.marques + debut;
        const unsigned char* v = p.volume != nullptr ? p.volume + debut : nullptr;
        const auto poser = [&](int b, std::uint64_t bits) {
            rangee[b / 64] |= bits << (b % 64);
            if (b % 64 > 56)
                rangee[b / 64 + 1] |= bits >> (64 - b % 64);
        };
        int o = 0;
        for (; o + 8 <= nbX; o += 8) {
            std::uint64_t hauts = octetsNonNuls(lireMot(m + o));
            if (v != nullptr)
                hauts |= ~octetsNonNuls(~lireMot(v + o)) & kOctetsHaut;
            if (hauts != 0)
                poser(o + 1, bitsHauts(hauts));
        }
        for (; o < nbX; ++o)
            if (m[o] != 0 || (v != nullptr && v[o] == kPlein))
                poser(o + 1, 1);
    }
}

// Inner voxels of plane y: in the region with their six face neighbours, the planes y - 1 and
// y + 1 beside it; none on the grid's outer layer or the box's first and last z.
void marquerInterieurs(const PlansBinaires& p, int y, const std::vector<std::uint64_t>& avant,
                       const std::vector<std::uint64_t>& courant,
                       const std::vector<std::uint64_t>& apres,
                       std::vector<std::uint64_t>& interieurs) {
    const int nbZ = p.nbZ, nbMots = p.nbMots, z0 = p.boite.z0, d = p.d;
    const bool bordY = y == 0 || y == p.h - 1;
    for (int k = 0; k < nbZ; ++k) {
        const std::size_t r = static_cast<std::size_t>(k) * nbMots;
        const int z = z0 + k;
        const bool surBord = bordY || z == 0 || z == d - 1 || k == 0 || k == nbZ - 1;
        for (int j = 0; j < nbMots; ++j) {
            const std::size_t i = r + static_cast<std::size_t>(j);
            const std::uint64_t c = courant[i];
            if (surBord || c == 0) {
                interieurs[i] = 0;
                continue;
            }
            const std::uint64_t gauches = (c << 1) | (j > 0 ? courant[i - 1] >> 63 : 0);
            const std::uint64_t droites = (c >> 1) | (j + 1 < nbMots ? courant[i + 1] << 63 : 0);
            interieurs[i] = c & gauches & droites & avant[i] & apres[i] &
                            courant[i - static_cast<std::size_t>(nbMots)] &
                            courant[i + static_cast<std::size_t>(nbMots)] &
                            ~p.bordsX[static_cast<std::size_t>(j)];
        }
    }
}

// Count and box of the voxels a part of the fill put in the region.
struct EtendueRemplie {
    int nb;
    int minX, maxX, minY, maxY, minZ, maxZ;
};

// Writes plane y into the grid's columns, 64 x by blocks of 64 z turned into columns, so that
// the grid is written along z: sets the membership and border flags, appends the border voxels
// to trouves (counted per column in nbParX) and joins the plane's voxels to etendue.
void ecrireColonnesPlan(const PlansBinaires& p, int y, const std::vector<std::uint64_t>& courant,
                        const std::vector<std::uint64_t>& interieurs, CVoxelRegion3D*** tab,
                        std::vector<Triplet>& trouves, std::vector<int>& nbParX,
                        EtendueRemplie& etendue) {
    const int nbZ = p.nbZ, nbMots = p.nbMots, x0 = p.boite.x0, z0 = p.boite.z0;
    const int nbBlocsZ = (nbZ + 63) / 64;
    int nb = 0;
    int minX = etendue.minX, maxX = etendue.maxX, minZ = etendue.minZ, maxZ = etendue.maxZ;
    std::uint64_t blocM[64], blocI[64];
    bool occupeeY = false;
    for (int j = 0; j < nbMots; ++j)
        for (int bz = 0; bz < nbBlocsZ; ++bz) {
            const int ka = bz * 64, kb = std::min(nbZ, ka + 64);
            std::uint64_t tous = 0;
            for (int k = ka; k < ka + 64; ++k) {
                const std::size_t i =
                    static_cast<std::size_t>(k) * nbMots + static_cast<std::size_t>(j);
                blocM[k - ka] = k < kb ? courant[i] : 0;
                blocI[k - ka] = k < kb ? interieurs[i] : 0;
                tous |= blocM[k - ka];
            }
            if (tous == 0)
                continue;
            occupeeY = true;
            transposer64(blocM);
            transposer64(blocI);
            for (std::uint64_t colonnes = tous; colonnes != 0; colonnes &= colonnes - 1) {
                const int c = std::countr_zero(colonnes);
                const int x = x0 - 1 + j * 64 + c;
                CVoxelRegion3D* colonne = tab[x][y] + z0 + ka;
                const std::uint64_t membres = blocM[c];
                const std::uint64_t bords = membres & ~blocI[c];
                for (std::uint64_t reste = membres; reste != 0; reste &= reste - 1) {
                    const int q = std::countr_zero(reste);
                    colonne[q].dansRegion = 1;
                    colonne[q].bord = static_cast<unsigned char>((bords >> q) & 1u);
                }
                for (std::uint64_t reste = bords; reste != 0; reste &= reste - 1)
                    trouves.push_back(Triplet(x, y, z0 + ka + std::countr_zero(reste)));
                nbParX[static_cast<std::size_t>(x - x0)] += std::popcount(bords);
                nb += std::popcount(membres);
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minZ = std::min(minZ, z0 + ka + std::countr_zero(membres));
                maxZ = std::max(maxZ, z0 + ka + 63 - std::countl_zero(membres));
            }
        }
    etendue.nb += nb;
    etendue.minX = minX;
    etendue.maxX = maxX;
    etendue.minZ = minZ;
    etendue.maxZ = maxZ;
    if (occupeeY) {
        etendue.minY = std::min(etendue.minY, y);
        etendue.maxY = std::max(etendue.maxY, y);
    }
}

// The border voxels that one slab of planes y found, sorted by column.
struct Tranche {
    std::vector<Triplet> bord; // sorted by x, then y, then z
    std::vector<int> debutsX;  // start of each column x0 + i in bord, then its length
};

// Sorts the border voxels found (ascending y, then z) by x into tranche, stably: each column
// keeps its (y, z) order.
void trierParColonne(const std::vector<Triplet>& trouves, const std::vector<int>& nbParX, int x0,
                     Tranche& tranche) {
    const int nbX = static_cast<int>(nbParX.size());
    tranche.debutsX.assign(static_cast<std::size_t>(nbX) + 1, 0);
    for (int i = 0; i < nbX; ++i)
        tranche.debutsX[static_cast<std::size_t>(i) + 1] =
            tranche.debutsX[static_cast<std::size_t>(i)] + nbParX[static_cast<std::size_t>(i)];
    tranche.bord.resize(trouves.size());
    std::vector<int> places(tranche.debutsX.begin(), tranche.debutsX.end() - 1);
    for (const Triplet& q : trouves)
        tranche.bord[static_cast<std::size_t>(places[static_cast<std::size_t>(q.x - x0)]++)] = q;
}

// Fills the grid for the planes ya to yb - 1, with the planes beside them read too, and lists
// their border voxels into tranche; the count and box of their voxels join etendue.
void remplirTranche(const PlansBinaires& p, int ya, int yb, CVoxelRegion3D*** tab, Tranche& tranche,
                    EtendueRemplie& etendue) {
    std::vector<std::uint64_t> avant(p.taillePlan), courant(p.taillePlan), apres(p.taillePlan),
        interieurs(p.taillePlan);
    lirePlan(p, ya - 1, avant);
    lirePlan(p, ya, courant);
    std::vector<Triplet> trouves;
    std::vector<int> nbParX(static_cast<std::size_t>(p.nbX), 0);
    for (int y = ya; y < yb; ++y) {
        lirePlan(p, y + 1, apres);
        marquerInterieurs(p, y, avant, courant, apres, interieurs);
        ecrireColonnesPlan(p, y, courant, interieurs, tab, trouves, nbParX, etendue);
        std::swap(avant, courant);
        std::swap(courant, apres);
    }
    trierParColonne(trouves, nbParX, p.boite.x0, tranche);
}

// The slabs' border voxels joined x by x, slab by slab: the ascending (x, y, z) order of a full
// scan.
void joindreTranches(const std::vector<Tranche>& tranches, int nbX, std::vector<Triplet>& bord) {
    std::size_t total = 0;
    for (const Tranche& tranche : tranches)
        total += tranche.bord.size();
    bord.clear();
    bord.reserve(total);
    for (int i = 0; i < nbX; ++i)
        for (const Tranche& tranche : tranches) {
            const auto debut = tranche.bord.begin() + tranche.debutsX[static_cast<std::size_t>(i)];
            const auto fin =
                tranche.bord.begin() + tranche.debutsX[static_cast<std::size_t>(i) + 1];
            bord.insert(bord.end(), debut, fin);
        }
}

} // namespace

bool CRegion3D::creerRegionBinaire(const unsigned char* volume, const unsigned char* marques, int w,
                                   int h, int d, CCouple<int> marquesX, CCouple<int> marquesY,
                                   CCouple<int> marquesZ) {
    vider();
    if (w != dimX || h != dimY || d != dimZ) {
        if (!initZeros(w, h, d)) {
            init(0, 0, 0);
            return false;
        }
    }
    // Bounds of the full voxels joined to those of the marks: nothing outside them is looked at
    // again. Without a volume the marks alone make the region and nothing else is read.
    BoiteVoxels boite{marquesX.x, marquesX.y, marquesY.x, marquesY.y, marquesZ.x, marquesZ.y};
    if (volume != nullptr)
        boite = joindrePleins(volume, w, h, d, boite);
    // One pass over the box fills the grid, sets the border flags and lists the border voxels:
    // with the planes y - 1 and y + 1 beside it, every voxel's six face neighbours are tested
    // 64 at a time, and the bits are turned into columns 64 x 64 at a time, so that the volume
    // is read along its rows and the grid written along its columns. Voxels on the grid's outer
    // layer are border voxels. The planes go to the threads in slabs of y; each slab sorts its
    // border voxels by column, and the slabs' columns are joined x by x, slab by slab: the
    // ascending (x, y, z) order of a full scan. The region's voxels, count and box do not
    // depend on how the planes are shared.
    const PlansBinaires plans(volume, marques, w, h, d, boite);
    const int nbX = plans.nbX, nbY = plans.nbY;
    const bool parallele =
        static_cast<long long>(nbX) * nbY * plans.nbZ >= Stravol::kSeuilParallele;
    const int nbTranches = parallele ? std::min(nbY, kTranchesParThread * Stravol::nbThreads()) : 1;
    const auto debutTranche = [&](int t) {
        return boite.y0 + static_cast<int>(static_cast<long long>(nbY) * t / nbTranches);
    };
    std::vector<Tranche> tranches(static_cast<std::size_t>(nbTranches));
    int nb = 0;
    int minX = w, maxX = -1, minY = h, maxY = -1, minZ = d, maxZ = -1;
    // clang-format off
#pragma omp parallel for num_threads(Stravol::nbThreads()) if (parallele) schedule(dynamic, 1) \
    reduction(+ : nb) reduction(min : minX, minY, minZ) reduction(max : maxX, maxY, maxZ)
    // clang-format on
    for (int t = 0; t < nbTranches; ++t) {
        EtendueRemplie etendue{0, w, -1, h, -1, d, -1};
        remplirTranche(plans, debutTranche(t), debutTranche(t + 1), tab,
                       tranches[static_cast<std::size_t>(t)], etendue);
        nb += etendue.nb;
        minX = std::min(minX, etendue.minX);
        maxX = std::max(maxX, etendue.maxX);
        minY = std::min(minY, etendue.minY);
        maxY = std::max(maxY, etendue.maxY);
        minZ = std::min(minZ, etendue.minZ);
        maxZ = std::max(maxZ, etendue.maxZ);
    }
    nbVoxels = nb;
    modifications += nb;
    if (nb > 0) {
        boiteX = CCouple<int>(minX, maxX);
        boiteY = CCouple<int>(minY, maxY);
        boiteZ = CCouple<int>(minZ, maxZ);
    }
    joindreTranches(tranches, nbX, voxelsBord.elements);
    modificationsListe = modifications;
    return true;
}

void CRegion3D::ajouterBordsTopologie() {
    std::vector<Triplet> s;
    for (;;) {
        const DecalagesGrille decalages(dimY, dimZ);
        const CVoxelRegion3D* grille = elements();
        collecterTries(voxelsBord, s, [&](const Triplet& p, std::vector<Triplet>& sortie) {
            // Away from the grid's faces every neighbour is read through its offset.
            if (loinDesFaces(p, 1, dimX, dimY, dimZ)) {
                const CVoxelRegion3D* v = grille + decalageGrille(p);
                bool contact = false;
                for (int i = 0; i < 12; ++i)
                    if (v[decalages.aretes[i]].bord && !v[decalages.entreA[i]].dansRegion &&
                        !v[decalages.entreB[i]].dansRegion) {
                        sortie.push_back(plus(p, decalages.tripletsA[i]));
                        sortie.push_back(plus(p, decalages.tripletsB[i]));
                        contact = true;
                    }
                if (contact)
                    return;
                for (int i = 0; i < 8; ++i) {
                    if (!v[decalages.coins[i]].bord)
                        continue;
                    bool libre = true;
                    for (int m = 0; m < 6 && libre; ++m)
                        libre = !v[decalages.chemins[i][m]].dansRegion;
                    if (libre)
                        for (int m = 0; m < 6; ++m)
                            sortie.push_back(plus(p, decalages.tripletsChemins[i][m]));
                }
                return;
            }
            bool contactArete = false;
            for (int i = 0; i < 12; ++i) {
                const Triplet& e = voisinage2[i];
                const Triplet n = plus(p, e);
                if (!dansGrille(n) || !Voxel(n).bord)
                    continue;
                Triplet a, b;
                if (e.x == 0) {
                    a = Triplet(p.x, p.y + e.y, p.z);
                    b = Triplet(p.x, p.y, p.z + e.z);
                } else if (e.y == 0) {
                    a = Triplet(p.x + e.x, p.y, p.z);
                    b = Triplet(p.x, p.y, p.z + e.z);
                } else {
                    a = Triplet(p.x + e.x, p.y, p.z);
                    b = Triplet(p.x, p.y + e.y, p.z);
                }
                if (!Voxel(a).dansRegion && !Voxel(b).dansRegion) {
                    sortie.push_back(a);
                    sortie.push_back(b);
                    contactArete = true;
                }
            }
            if (contactArete)
                return;
            for (int i = 0; i < 8; ++i) {
                const Triplet& c = voisinage3[i];
                const Triplet n = plus(p, c);
                if (!dansGrille(n) || !Voxel(n).bord)
                    continue;
                bool libre = true;
                for (int m = 0; m < 6 && libre; ++m)
                    libre = !Voxel(cheminCoin(p, c, m)).dansRegion;
                if (!libre)
                    continue;
                for (int m = 0; m < 6; ++m)
                    sortie.push_back(cheminCoin(p, c, m));
            }
        });
        if (s.empty())
            return;
        std::snprintf(message, sizeof message, "%d voxels à ajouter", static_cast<int>(s.size()));
        Message(message);
        for (const Triplet& t : s)
            ajouter(t);
        fusionnerVoxelsBord(s);
    }
}

void CRegion3D::ajouterBordsTopologie2() {
    std::vector<Triplet> s;
    for (;;) {
        const DecalagesGrille decalages(dimY, dimZ);
        const CVoxelRegion3D* grille = elements();
        collecterTries(voxelsBord, s, [&](const Triplet& p, std::vector<Triplet>& sortie) {
            // Away from the grid's faces every neighbour is read through its offset.
            if (loinDesFaces(p, 2, dimX, dimY, dimZ)) {
                const CVoxelRegion3D* v = grille + decalageGrille(p);
                for (int f = 0; f < 6; ++f) {
                    const CVoxelRegion3D* q = v + decalages.faces[f];
                    if (q->dansRegion)
                        continue;
                    for (int i = 0; i < 8; ++i) {
                        if (q[decalages.coins[i]].dansRegion)
                            continue;
                        bool plein = true;
                        for (int m = 0; m < 6 && plein; ++m)
                            plein = q[decalages.chemins[i][m]].dansRegion;
                        if (plein) {
                            const Triplet tq = plus(p, voisinage[f]);
                            sortie.push_back(tq);
                            sortie.push_back(plus(tq, voisinage3[i]));
                        }
                    }
                }
                return;
            }
            for (int f = 0; f < 6; ++f) {
                const Triplet q = plus(p, voisinage[f]);
                if (!dansGrille(q) || Voxel(q).dansRegion)
                    continue;
                for (int i = 0; i < 8; ++i) {
                    const Triplet& c = voisinage3[i];
                    const Triplet r = plus(q, c);
                    if (!dansGrille(r) || Voxel(r).dansRegion)
                        continue;
                    bool plein = true;
                    for (int m = 0; m < 6 && plein; ++m)
                        plein = Voxel(cheminCoin(q, c, m)).dansRegion;
                    if (plein) {
                        sortie.push_back(q);
                        sortie.push_back(r);
                    }
                }
            }
        });
        if (s.empty())
            return;
        for (const Triplet& t : s)
            ajouter(t);
        fusionnerVoxelsBord(s);
    }
}

void CRegion3D::reparerTopologie() {
    for (;;) {
        ajouterBordsTopologie();
        const int avant = nbVoxels;
        ajouterBordsTopologie2();
        if (nbVoxels == avant)
            return;
    }
}

void CRegion3D::vider() {
    if (nbVoxels > 0) {
        for (int x = boiteX.x; x <= boiteX.y; ++x)
            for (int y = boiteY.x; y <= boiteY.y; ++y) {
                CVoxelRegion3D* rangee = tab[x][y];
                for (int z = boiteZ.x; z <= boiteZ.y; ++z)
                    rangee[z] = CVoxelRegion3D();
            }
    }
    // The list is emptied even when every voxel was removed one by one, so that it never
    // names voxels outside the region.
    voxelsBord.vider();
    nbVoxels = 0;
    ++modifications;
    modificationsListe = modifications;
}

void CRegion3D::supprimer(const CTriplet<int>& p) {
    CVoxelRegion3D& v = Voxel(p);
    if (!v.dansRegion)
        return;
    v = CVoxelRegion3D();
    for (int i = 0; i < 6; ++i)
        MAJContour(plus(p, voisinage[i]));
    --nbVoxels;
    ++modifications;
}

bool CRegion3D::creerImage3DRegion(CImage3D& image) const {
    const int d = image.GetDepth();
    const int w = d > 0 ? image.GetWidth() : 0;
    const int h = d > 0 ? image.GetHeight() : 0;
    if (w != dimX || h != dimY || d != dimZ) {
        if (!image.Create(dimX, dimY, dimZ))
            return false;
    }
    for (int z = 0; z < dimZ; ++z)
        for (int y = 0; y < dimY; ++y) {
            unsigned char* ligne = image.GetRow(y, z);
            for (int x = 0; x < dimX; ++x)
                ligne[x] = tab[x][y][z].dansRegion ? 255 : 0;
        }
    return true;
}

bool CRegion3D::dilater(int n) {
    if (n <= 0 || n % 2 == 0)
        return false;
    const int r = n / 2;
    std::vector<Triplet> element;
    element.reserve(static_cast<std::size_t>(n) * n * n);
    for (int dx = -r; dx <= r; ++dx)
        for (int dy = -r; dy <= r; ++dy)
            for (int dz = -r; dz <= r; ++dz)
                element.push_back(Triplet(dx, dy, dz));
    // `ajouter` leaves the list untouched, so it is the border as it stood before the call.
    const int nbBord = voxelsBord.longueur();
    for (int k = 0; k < nbBord; ++k) {
        const Triplet p = voxelsBord[k];
        for (const Triplet& o : element) {
            const Triplet q = plus(p, o);
            if (dansGrille(q) && !Voxel(q).dansRegion)
                ajouter(q);
        }
    }
    calculerVoxelsBord();
    return true;
}
