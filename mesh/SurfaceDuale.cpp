#include "mesh/SurfaceDuale.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cassert>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <type_traits>

#include "core/Parallele.h"

namespace Stravol {

namespace {

// Octant o of cell (i, j, k): voxel (i + (o & 1), j + (o >> 1 & 1), k + (o >> 2 & 1)).
// Arc a = 4 A + s + 2 t: the voxel face across axis A inside the cell, between the octants
// octantBas(a) = s << B | t << C and octantBas(a) | 1 << A, with B = (A + 1) % 3, C = (A + 2) % 3.
// Every arc has the cell's centre for a corner.
constexpr int kNbArcs = 12;

constexpr int octantBas(int a) {
    const int axe = a / 4;
    return (a & 1) << ((axe + 1) % 3) | (a >> 1 & 1) << ((axe + 2) % 3);
}
constexpr int octantHaut(int a) { return octantBas(a) | 1 << (a / 4); }
constexpr int arcEntre(int axe, int octant) {
    return 4 * axe + (octant >> ((axe + 1) % 3) & 1) + 2 * (octant >> ((axe + 2) % 3) & 1);
}

// The voxel edge that leaves the cell's centre along axis D towards side sigma (d = 2 D +
// sigma): the four octants around it in turning order and the arcs between consecutive ones
// (arcs[k] between octants[k] and octants[k + 1]). The same four voxels and faces are seen
// from the next cell along that edge, so both cells decide alike how the faces pair there.
struct AreteCellule {
    int octants[4];
    int arcs[4];
};

constexpr std::array<AreteCellule, 6> aretesCellule() {
    std::array<AreteCellule, 6> aretes{};
    for (int d = 0; d < 6; ++d) {
        const int D = d / 2, E = (D + 1) % 3, F = (D + 2) % 3;
        const int q0 = (d & 1) << D;
        const int q[4] = {q0, q0 | 1 << E, q0 | 1 << E | 1 << F, q0 | 1 << F};
        for (int k = 0; k < 4; ++k)
            aretes[static_cast<std::size_t>(d)].octants[k] = q[k];
        aretes[static_cast<std::size_t>(d)].arcs[0] = arcEntre(E, q[0]);
        aretes[static_cast<std::size_t>(d)].arcs[1] = arcEntre(F, q[1]);
        aretes[static_cast<std::size_t>(d)].arcs[2] = arcEntre(E, q[3]);
        aretes[static_cast<std::size_t>(d)].arcs[3] = arcEntre(F, q[0]);
    }
    return aretes;
}
constexpr std::array<AreteCellule, 6> kAretes = aretesCellule();

// How the faces of one cell share its vertices: a group is a set of arcs that meet at one
// vertex, because the surface of some label runs from one to the next across an edge.
struct AnalyseCellule {
    int nbGroupes = 0;
    std::uint32_t groupes = 0;  // group of each arc, 2 bits an arc
    std::uint8_t jonctions = 0; // bit g: three labels or more on the arcs of group g
    std::uint8_t nappes = 0;    // bit g: each label on the arcs of group g has one sheet there
};

// The pieces of the set arcs joined through the classes (masks of arcs that pair at an edge),
// as masks by increasing lowest arc.
int composantes(std::uint16_t arcs, const std::uint16_t* classes, int nbClasses,
                std::uint16_t* sortie) {
    int n = 0;
    while (arcs != 0) {
        std::uint16_t piece = static_cast<std::uint16_t>(arcs & -arcs);
        for (std::uint16_t avant = 0; avant != piece;) {
            avant = piece;
            for (int c = 0; c < nbClasses; ++c)
                if ((classes[c] & piece) != 0)
                    piece = static_cast<std::uint16_t>(piece | (classes[c] & arcs));
        }
        sortie[n++] = piece;
        arcs = static_cast<std::uint16_t>(arcs & ~piece);
    }
    return n;
}

// Whether the arcs of a group that bound label e make one sheet through the group's vertex: at
// every edge of the cell two of them or none (four: two voxels of e touch diagonally there,
// which the label's mesh may part), and those joined at the edges one cycle.
bool uneNappe(const std::uint16_t l[8], std::uint16_t groupe, std::uint16_t e) {
    std::uint16_t arcs = 0;
    for (int a = 0; a < kNbArcs; ++a)
        if ((groupe >> a & 1) != 0 && (l[octantBas(a)] == e) != (l[octantHaut(a)] == e))
            arcs = static_cast<std::uint16_t>(arcs | 1u << a);
    std::uint16_t paires[6];
    int nbPaires = 0;
    for (const AreteCellule& arete : kAretes) {
        std::uint16_t paire = 0;
        for (const int a : arete.arcs)
            paire = static_cast<std::uint16_t>(paire | (arcs & 1u << a));
        const int n = std::popcount(paire);
        if (n > 2)
            return false;
        if (n == 2)
            paires[nbPaires++] = paire;
    }
    std::uint16_t pieces[kNbArcs];
    return composantes(arcs, paires, nbPaires, pieces) == 1;
}

AnalyseCellule analyser(const std::uint16_t l[8]) {
    std::uint16_t actifs = 0;
    for (int a = 0; a < kNbArcs; ++a)
        if (l[octantBas(a)] != l[octantHaut(a)])
            actifs = static_cast<std::uint16_t>(actifs | 1u << a);
    // At each edge, the classes of arcs that meet there: two pairs where a label holds two
    // diagonal voxels around the edge, else all the edge's arcs at once.
    std::uint16_t classes[2 * 6];
    int nbClasses = 0;
    for (const AreteCellule& arete : kAretes) {
        std::uint16_t q[4];
        std::uint16_t masque = 0;
        for (int k = 0; k < 4; ++k) {
            q[k] = l[arete.octants[k]];
            masque = static_cast<std::uint16_t>(masque | (actifs & 1u << arete.arcs[k]));
        }
        if (masque == 0)
            continue;
        const bool diagonale02 = q[0] == q[2] && q[1] != q[0] && q[3] != q[0];
        const bool diagonale13 = q[1] == q[3] && q[0] != q[1] && q[2] != q[1];
        if (!diagonale02 && !diagonale13) {
            classes[nbClasses++] = masque;
            continue;
        }
        // Which pieces stay apart: a label whose diagonal pieces face two other labels joins
        // them; two labels in a checkerboard, the larger keeps its pieces apart (so the
        // background never does).
        const bool autourDe02 = diagonale02 && diagonale13 ? q[0] > q[1] : diagonale13;
        const auto paire = [&](int k1, int k2) {
            return static_cast<std::uint16_t>(1u << arete.arcs[k1] | 1u << arete.arcs[k2]);
        };
        classes[nbClasses++] = autourDe02 ? paire(3, 0) : paire(0, 1);
        classes[nbClasses++] = autourDe02 ? paire(1, 2) : paire(2, 3);
    }

    AnalyseCellule r;
    std::uint16_t pieces[kNbArcs];
    r.nbGroupes = composantes(actifs, classes, nbClasses, pieces);
    // Each group goes round at least one octant, by three arcs or more: four groups at most.
    assert(r.nbGroupes <= 4);
    for (int g = 0; g < r.nbGroupes; ++g) {
        std::uint16_t vues[8];
        int nbVues = 0;
        for (int a = 0; a < kNbArcs; ++a) {
            if ((pieces[g] >> a & 1) == 0)
                continue;
            r.groupes |= static_cast<std::uint32_t>(g) << (2 * a);
            for (const std::uint16_t e : {l[octantBas(a)], l[octantHaut(a)]})
                if (std::find(vues, vues + nbVues, e) == vues + nbVues)
                    vues[nbVues++] = e;
        }
        if (nbVues >= 3)
            r.jonctions = static_cast<std::uint8_t>(r.jonctions | 1u << g);
        if (std::all_of(vues, vues + nbVues,
                        [&](std::uint16_t e) { return uneNappe(l, pieces[g], e); }))
            r.nappes = static_cast<std::uint8_t>(r.nappes | 1u << g);
    }
    return r;
}

// The analysis of a cell of two labels depends only on which octants hold the larger one.
const std::array<AnalyseCellule, 256>& analysesDeuxEtiquettes() {
    static const std::array<AnalyseCellule, 256> table = [] {
        std::array<AnalyseCellule, 256> t{};
        for (int masque = 0; masque < 256; ++masque) {
            std::uint16_t l[8];
            for (int o = 0; o < 8; ++o)
                l[o] = static_cast<std::uint16_t>(masque >> o & 1);
            t[static_cast<std::size_t>(masque)] = analyser(l);
        }
        return t;
    }();
    return table;
}

// A cell the surface crosses, in its layer.
struct Cellule {
    std::uint32_t xy = 0;      // (j - (y0 - 1)) * nx + (i - (x0 - 1))
    std::uint32_t premier = 0; // number of its first vertex
    std::uint32_t groupes = 0; // AnalyseCellule::groupes, jonctions << 24, nbGroupes << 28
    std::uint8_t nappes = 0;   // AnalyseCellule::nappes

    int nbGroupes() const { return static_cast<int>(groupes >> 28); }
    int groupe(int arc) const { return static_cast<int>(groupes >> (2 * arc) & 3u); }
    bool jonction(int g) const { return (groupes >> (24 + g) & 1u) != 0; }
    bool nappe(int g) const { return (nappes >> g & 1u) != 0; }
};

// The cell of these eight labels (octant order), its position left to the caller.
Cellule cellule(const std::uint16_t l[8], const std::array<AnalyseCellule, 256>& deuxEtiquettes) {
    // Two labels: the larger's octants index the table.
    std::uint16_t autre = l[0];
    bool deux = true;
    for (int o = 1; o < 8 && deux; ++o) {
        if (l[o] == l[0])
            continue;
        if (autre == l[0])
            autre = l[o];
        deux = l[o] == autre;
    }
    AnalyseCellule a;
    if (deux) {
        const std::uint16_t grand = std::max(l[0], autre);
        int masque = 0;
        for (int o = 0; o < 8; ++o)
            masque |= (l[o] == grand ? 1 : 0) << o;
        a = deuxEtiquettes[static_cast<std::size_t>(masque)];
    } else {
        a = analyser(l);
    }
    Cellule c;
    c.groupes = a.groupes | std::uint32_t{a.jonctions} << 24 |
                static_cast<std::uint32_t>(a.nbGroupes) << 28;
    c.nappes = a.nappes;
    return c;
}

// Box of the work: voxels x0..x1 (inclusive), and whether each face cuts the labels.
struct Boite {
    int x0, x1, y0, y1, z0, z1;
    bool coupe[3][2];
};

template <class T> struct LectureEtiquettes {
    const T* etiquettes;
    int W, H, D;
    std::vector<std::uint16_t> table; // selected value -> itself, others -> 0; empty: all kept

    std::uint16_t valeur(std::size_t i) const {
        const T v = etiquettes[i];
        return table.empty() ? static_cast<std::uint16_t>(v) : table[static_cast<std::size_t>(v)];
    }
};

// Bounding box of the selected non-zero voxels; false when there is none.
template <class T> bool boiteEtiquettes(const LectureEtiquettes<T>& e, int boite[6]) {
    const int W = e.W, H = e.H, D = e.D;
    std::vector<std::array<int, 6>> parCouche(static_cast<std::size_t>(D));
    const int threads = std::size_t(W) * H * D >= std::size_t(kSeuilParallele) ? nbThreads() : 1;
#pragma omp parallel for num_threads(threads) schedule(static)
    for (int z = 0; z < D; ++z) {
        std::array<int, 6> b = {INT_MAX, INT_MIN, INT_MAX, INT_MIN, z, z};
        for (int y = 0; y < H; ++y) {
            const std::size_t ligne = (static_cast<std::size_t>(z) * H + y) * W;
            const auto nonNul = [&](int x) {
                return e.valeur(ligne + static_cast<std::size_t>(x)) != 0;
            };
            if (e.table.empty()) {
                // Most rows are empty: one pass that the compiler vectorises tells them.
                T ou = 0;
                for (int x = 0; x < W; ++x)
                    ou = static_cast<T>(ou | e.etiquettes[ligne + static_cast<std::size_t>(x)]);
                if (ou == 0)
                    continue;
            }
            int premier = 0;
            while (premier < W && !nonNul(premier))
                ++premier;
            if (premier == W)
                continue;
            int dernier = W - 1;
            while (!nonNul(dernier))
                --dernier;
            b[0] = std::min(b[0], premier);
            b[1] = std::max(b[1], dernier);
            b[2] = std::min(b[2], y);
            b[3] = std::max(b[3], y);
        }
        parCouche[static_cast<std::size_t>(z)] = b;
    }
    bool trouve = false;
    for (const std::array<int, 6>& b : parCouche) {
        if (b[0] == INT_MAX)
            continue;
        if (!trouve) {
            std::copy(b.begin(), b.end(), boite);
            trouve = true;
            continue;
        }
        boite[0] = std::min(boite[0], b[0]);
        boite[1] = std::max(boite[1], b[1]);
        boite[2] = std::min(boite[2], b[2]);
        boite[3] = std::max(boite[3], b[3]);
        boite[5] = b[5];
    }
    return trouve;
}

// Empties s but for the volume's size, as a failed build leaves it.
void viderSurface(SurfaceDuale& s, int W, int H, int D) {
    s = SurfaceDuale{};
    s.largeur = W;
    s.hauteur = H;
    s.profondeur = D;
}

// The selection's box lies inside the W x H x D volume, with its bounds in order.
bool boiteDansVolume(const SelectionDuale& selection, int W, int H, int D) {
    return selection.x0 >= 0 && selection.y0 >= 0 && selection.z0 >= 0 && selection.x1 < W &&
           selection.y1 < H && selection.z1 < D && selection.x0 <= selection.x1 &&
           selection.y0 <= selection.y1 && selection.z0 <= selection.z1;
}

// The reader of the selected labels: through a table when only some labels are kept.
template <class T>
LectureEtiquettes<T> lectureSelection(const T* etiquettes, int W, int H, int D,
                                      const SelectionDuale& selection) {
    LectureEtiquettes<T> lecture{etiquettes, W, H, D, {}};
    if (!selection.etiquettes.empty()) {
        lecture.table.assign(std::size_t{std::numeric_limits<T>::max()} + 1, 0);
        for (const std::uint16_t e : selection.etiquettes)
            if (e < lecture.table.size())
                lecture.table[e] = e;
    }
    return lecture;
}

// The box of the work: the selection's own, or else the selected labels' bounding box, whose
// faces cut only where they are the volume's. False when no voxel is selected.
template <class T>
bool boiteDuTravail(const LectureEtiquettes<T>& lecture, const SelectionDuale& selection,
                    Boite& boite) {
    int b[6] = {selection.x0, selection.x1, selection.y0, selection.y1, selection.z0, selection.z1};
    if (!selection.avecBoite && !boiteEtiquettes(lecture, b))
        return false;
    const int tailles[3] = {lecture.W, lecture.H, lecture.D};
    boite = Boite{b[0], b[1], b[2], b[3], b[4], b[5], {}};
    for (int axe = 0; axe < 3; ++axe) {
        const bool coupe = selection.avecBoite && selection.coupe;
        boite.coupe[axe][0] = coupe || b[2 * axe] == 0;
        boite.coupe[axe][1] = coupe || b[2 * axe + 1] == tailles[axe] - 1;
    }
    return true;
}

// The work of one build, shared by its stages. Cells i = x0 - 1 .. x1 (nx of them), and so on;
// voxel slices padded by one voxel (sx x sy).
template <class T> struct Chantier {
    const LectureEtiquettes<T>& lecture;
    Boite boite;
    int nx, ny, nz, sx, sy;
    std::size_t tailleTranche, tailleCouche;
    int threads;
    std::atomic<bool> manque{false}; // memory ran out on some thread
    // The cells the surface crosses, layer by layer (cell layer kk: k = z0 - 1 + kk), and the
    // number of faces of each voxel layer (the same kk) at kk + 1, then the first quad of each.
    std::vector<std::vector<Cellule>> couches;
    std::vector<std::size_t> debutsQuads;

    Chantier(const LectureEtiquettes<T>& l, const Boite& b)
        : lecture(l), boite(b), nx(b.x1 - b.x0 + 2), ny(b.y1 - b.y0 + 2), nz(b.z1 - b.z0 + 2),
          sx(nx + 1), sy(ny + 1), tailleTranche(std::size_t(sx) * sy),
          tailleCouche(std::size_t(nx) * ny),
          threads(std::size_t(nx) * ny * nz >= std::size_t(kSeuilParallele)
                      ? std::min(nbThreads(), nz)
                      : 1),
          couches(static_cast<std::size_t>(nz)), debutsQuads(static_cast<std::size_t>(nz) + 1, 0) {}
};

// Voxel layer z of the box, selected labels only, in a slice padded by background.
template <class T>
void remplirTranche(const Chantier<T>& ch, std::vector<std::uint16_t>& donnees, int z) {
    const Boite& boite = ch.boite;
    const LectureEtiquettes<T>& lecture = ch.lecture;
    std::fill(donnees.begin(), donnees.end(), std::uint16_t{0});
    if (z < boite.z0 || z > boite.z1)
        return;
    for (int y = boite.y0; y <= boite.y1; ++y) {
        const std::size_t source = (static_cast<std::size_t>(z) * lecture.H + y) * lecture.W;
        std::uint16_t* ligne = donnees.data() + std::size_t(y - boite.y0 + 1) * ch.sx + 1;
        if (lecture.table.empty())
            std::copy(lecture.etiquettes + source + boite.x0,
                      lecture.etiquettes + source + boite.x1 + 1, ligne);
        else
            for (int x = boite.x0; x <= boite.x1; ++x)
                ligne[x - boite.x0] = lecture.valeur(source + static_cast<std::size_t>(x));
    }
}

// Thread-local slices of voxel layers, reused while the layers come in order.
struct Tranches {
    std::vector<std::uint16_t> donnees[2];
    int couches[2] = {INT_MIN, INT_MIN};
};

// The padded slice of voxel layer z, filled unless this thread holds it already.
template <class T> const std::uint16_t* tranche(const Chantier<T>& ch, Tranches& t, int z) {
    const int k = z & 1;
    if (t.couches[k] != z) {
        t.donnees[k].resize(ch.tailleTranche);
        remplirTranche(ch, t.donnees[k], z);
        t.couches[k] = z;
    }
    return t.donnees[k].data();
}

// Along one row of cells (cj) between the voxel slices bas and haut: for each x of the padded
// row, whether the three other rows of the cells differ from the first (verticales) and whether
// the first changes at the next x (suivantes); a cell is crossed where either says so at its x or
// its vertical at x + 1. The faces of the voxel row cj of bas: across x where suivantes, across y
// and z where the next row and the row above differ.
struct Masques {
    std::vector<std::uint8_t> verticales, suivantes, faces;
    bool vide = false; // nothing crossed along the row: the masks are not filled
};

// Fills m for row cj of nx cells (sx voxels a slice row): the faces always, the cells' masks
// when cellules. Returns the number of faces.
inline int masquer(Masques& m, const std::uint16_t* bas, const std::uint16_t* haut, int cj,
                   bool cellules, int nx, int sx) {
    m.verticales.resize(static_cast<std::size_t>(sx));
    m.suivantes.resize(static_cast<std::size_t>(sx));
    m.faces.resize(static_cast<std::size_t>(sx));
    const std::uint16_t* __restrict r0 = bas + std::size_t(cj) * sx;
    const std::uint16_t* __restrict r1 = r0 + sx;
    const std::uint16_t* __restrict r2 = haut + std::size_t(cj) * sx;
    const std::uint16_t* __restrict r3 = r2 + sx;
    std::uint8_t* __restrict verticales = m.verticales.data();
    std::uint8_t* __restrict suivantes = m.suivantes.data();
    std::uint8_t* __restrict faces = m.faces.data();
    // Rows equal to the first, which holds one label all along: nothing there.
    const std::size_t octets = sizeof(std::uint16_t) * static_cast<std::size_t>(sx);
    if (std::memcmp(r0, r1, octets) == 0 && std::memcmp(r0, r2, octets) == 0 &&
        (!cellules || std::memcmp(r0, r3, octets) == 0) &&
        std::adjacent_find(r0, r0 + sx, std::not_equal_to<>()) == r0 + sx) {
        m.vide = true;
        return 0;
    }
    m.vide = false;
    int nbFaces = 0;
    for (int x = 0; x < nx; ++x) {
        const int f = (r0[x] != r0[x + 1]) + (r0[x] != r1[x]) + (r0[x] != r2[x]);
        faces[x] = static_cast<std::uint8_t>(f);
        nbFaces += f;
    }
    if (cellules) {
        for (int x = 0; x < sx; ++x)
            verticales[x] = (r0[x] != r1[x]) | (r0[x] != r2[x]) | (r0[x] != r3[x]);
        for (int x = 0; x < nx; ++x)
            suivantes[x] = r0[x] != r0[x + 1];
        suivantes[nx] = 0;
    }
    return nbFaces;
}

// The cells of cell layer kk that the surface crosses, and the number of faces of voxel layer
// kk.
template <class T>
void cellulesDeCouche(Chantier<T>& ch, Tranches& t, Masques& m, int kk,
                      const std::array<AnalyseCellule, 256>& deuxEtiquettes) {
    const int nx = ch.nx, ny = ch.ny, sx = ch.sx;
    const int k = ch.boite.z0 - 1 + kk;
    const std::uint16_t* bas = tranche(ch, t, k);
    const std::uint16_t* haut = tranche(ch, t, k + 1);
    std::vector<Cellule>& sortie = ch.couches[static_cast<std::size_t>(kk)];
    std::size_t nbFaces = 0;
    for (int cj = 0; cj < ny; ++cj) {
        const int faces = masquer(m, bas, haut, cj, true, nx, sx);
        nbFaces += static_cast<std::size_t>(faces);
        if (m.vide)
            continue;
        const std::uint16_t* r0 = bas + std::size_t(cj) * sx;
        const std::uint16_t* r2 = haut + std::size_t(cj) * sx;
        for (int ci = 0; ci < nx; ++ci) {
            const auto i = static_cast<std::size_t>(ci);
            if ((m.verticales[i] | m.verticales[i + 1] | m.suivantes[i]) == 0)
                continue;
            const std::uint16_t l[8] = {r0[i], r0[i + 1], r0[i + sx], r0[i + sx + 1],
                                        r2[i], r2[i + 1], r2[i + sx], r2[i + sx + 1]};
            Cellule c = cellule(l, deuxEtiquettes);
            c.xy = static_cast<std::uint32_t>(std::size_t(cj) * nx + i);
            sortie.push_back(c);
        }
    }
    ch.debutsQuads[static_cast<std::size_t>(kk) + 1] = nbFaces;
}

// Every layer's crossed cells and faces, on all threads; throws std::bad_alloc when memory
// runs out.
template <class T> void trouverCellules(Chantier<T>& ch) {
    const std::array<AnalyseCellule, 256>& deuxEtiquettes = analysesDeuxEtiquettes();
#pragma omp parallel num_threads(ch.threads)
    {
        Tranches t;
        Masques m;
#pragma omp for schedule(static)
        for (int kk = 0; kk < ch.nz; ++kk) {
            if (ch.manque.load())
                continue;
            try {
                cellulesDeCouche(ch, t, m, kk, deuxEtiquettes);
            } catch (const std::bad_alloc&) {
                ch.manque.store(true);
            }
        }
    }
    if (ch.manque.load())
        throw std::bad_alloc();
}

// Vertex numbers: by layer, then by cell, then by group. Every vertex at its cell's centre,
// held on the faces of the volume (or of the box when it cuts). False past 2^32 vertices.
template <class T> bool placerSommets(Chantier<T>& ch, SurfaceDuale& s, std::string& erreur) {
    const int nz = ch.nz;
    std::vector<std::size_t> debutsCouches(static_cast<std::size_t>(nz) + 1, 0);
    for (std::size_t kk = 0; kk < ch.couches.size(); ++kk) {
        std::size_t n = 0;
        for (const Cellule& c : ch.couches[kk])
            n += static_cast<std::size_t>(c.nbGroupes());
        debutsCouches[kk + 1] = debutsCouches[kk] + n;
    }
    const std::size_t nbSommets = debutsCouches.back();
    if (nbSommets >= std::numeric_limits<std::uint32_t>::max()) {
        erreur = "surface trop grande : plus de 2^32 sommets";
        return false;
    }
    s.positions.resize(3 * nbSommets);
    s.centres.resize(3 * nbSommets);
    s.genres.resize(nbSommets);
    const Boite& boite = ch.boite;
    const int nx = ch.nx;
#pragma omp parallel for num_threads(ch.threads) schedule(static)
    for (int kk = 0; kk < nz; ++kk) {
        std::size_t numero = debutsCouches[static_cast<std::size_t>(kk)];
        const int k = boite.z0 - 1 + kk;
        for (Cellule& c : ch.couches[static_cast<std::size_t>(kk)]) {
            c.premier = static_cast<std::uint32_t>(numero);
            const int cellule[3] = {boite.x0 - 1 + static_cast<int>(c.xy % std::uint32_t(nx)),
                                    boite.y0 - 1 + static_cast<int>(c.xy / std::uint32_t(nx)), k};
            const int bas[3] = {boite.x0 - 1, boite.y0 - 1, boite.z0 - 1};
            const int haut[3] = {boite.x1, boite.y1, boite.z1};
            std::uint8_t fixes = 0;
            for (int axe = 0; axe < 3; ++axe)
                if ((cellule[axe] == bas[axe] && boite.coupe[axe][0]) ||
                    (cellule[axe] == haut[axe] && boite.coupe[axe][1]))
                    fixes = static_cast<std::uint8_t>(fixes | kFixeX << axe);
            for (int g = 0; g < c.nbGroupes(); ++g, ++numero) {
                for (int axe = 0; axe < 3; ++axe) {
                    const std::size_t j = 3 * numero + static_cast<std::size_t>(axe);
                    s.positions[j] = s.centres[j] = static_cast<float>(cellule[axe]) + 0.5f;
                }
                s.genres[numero] = static_cast<std::uint8_t>(
                    fixes | (c.jonction(g) ? kJonction : 0) | (c.nappe(g) ? kUneNappe : 0));
            }
        }
    }
    return true;
}

// The first quad of each voxel layer, and room for all the quads' triangles and label pairs.
// False past 2^32 triangle corners.
template <class T> bool reserverQuads(Chantier<T>& ch, SurfaceDuale& s, std::string& erreur) {
    std::vector<std::size_t>& debutsQuads = ch.debutsQuads;
    for (std::size_t zz = 0; zz < ch.couches.size(); ++zz)
        debutsQuads[zz + 1] += debutsQuads[zz];
    const std::size_t nbQuads = debutsQuads.back();
    if (2 * nbQuads >= std::numeric_limits<std::uint32_t>::max() / 3) {
        erreur = "surface trop grande : plus de 2^32 triangles";
        return false;
    }
    s.triangles.resize(6 * nbQuads);
    s.paires.resize(4 * nbQuads);
    return true;
}

// Thread-local maps of two cell layers: the rank in its layer of the cell at each xy, -1 where
// none, cleared through the cells of the layer held before.
struct CartesCouches {
    std::vector<std::int32_t> cartes[2];
    int couches[2] = {-1, -1};

    const std::int32_t* carte(const std::vector<std::vector<Cellule>>& couchesCellules,
                              std::size_t tailleCouche, int kk) {
        const int k = kk & 1;
        std::vector<std::int32_t>& c = cartes[k];
        if (couches[k] == kk)
            return c.data();
        if (couches[k] < 0)
            c.assign(tailleCouche, -1);
        else
            for (const Cellule& e : couchesCellules[static_cast<std::size_t>(couches[k])])
                c[e.xy] = -1;
        const std::vector<Cellule>& cs = couchesCellules[static_cast<std::size_t>(kk)];
        for (std::size_t n = 0; n < cs.size(); ++n)
            c[cs[n].xy] = static_cast<std::int32_t>(n);
        couches[k] = kk;
        return c.data();
    }
};

// Quad numero between labels lo (the voxel) and hi (its next), corners v in turning order
// around +A. The corners turn counter-clockwise around +A, from the voxel towards the next:
// right for a voxel of the larger label, reversed otherwise. Split along the diagonal from
// corner 0 until the smoothing chooses.
inline void ecrireQuad(SurfaceDuale& s, std::size_t numero, const std::uint32_t v[4],
                       std::uint16_t lo, std::uint16_t hi) {
    const bool sens = lo > hi;
    static constexpr int kInverse[4] = {0, 3, 2, 1};
    static constexpr int kCoins[6] = {0, 1, 2, 0, 2, 3};
    for (std::size_t k = 0; k < 6; ++k) {
        const int coin = kCoins[k];
        s.triangles[6 * numero + k] = v[sens ? coin : kInverse[coin]];
    }
    for (std::size_t k = 0; k < 2; ++k) {
        s.paires[4 * numero + 2 * k] = sens ? hi : lo;
        s.paires[4 * numero + 2 * k + 1] = sens ? lo : hi;
    }
}

// The faces of voxel layer zz (z = z0 - 1 + zz), between (x, y, z) and its next voxel along
// each axis, written from the layer's first quad on. Their corners are cells of layers z - 1
// and z, found through the maps of those two layers.
template <class T>
void quadsDeCouche(const Chantier<T>& ch, Tranches& t, Masques& m, CartesCouches& cartes, int zz,
                   SurfaceDuale& s) {
    const Boite& boite = ch.boite;
    const int nx = ch.nx, ny = ch.ny, sx = ch.sx;
    const int z = boite.z0 - 1 + zz;
    const std::uint16_t* ici = tranche(ch, t, z);
    const std::uint16_t* dessus = tranche(ch, t, z + 1);
    const std::int32_t* cartesZ[2] = {zz > 0 ? cartes.carte(ch.couches, ch.tailleCouche, zz - 1)
                                             : nullptr,
                                      cartes.carte(ch.couches, ch.tailleCouche, zz)};
    const std::vector<Cellule>* cellulesZ[2] = {
        zz > 0 ? &ch.couches[static_cast<std::size_t>(zz - 1)] : nullptr,
        &ch.couches[static_cast<std::size_t>(zz)]};
    std::size_t numero = ch.debutsQuads[static_cast<std::size_t>(zz)];
    // Corner cells (offsets from the voxel's cell on x, y, z) and arcs, in the quad's turning
    // order around +A.
    static constexpr int kDecalages[3][4][3] = {{{0, -1, -1}, {0, 0, -1}, {0, 0, 0}, {0, -1, 0}},
                                                {{-1, 0, -1}, {-1, 0, 0}, {0, 0, 0}, {0, 0, -1}},
                                                {{-1, -1, 0}, {0, -1, 0}, {0, 0, 0}, {-1, 0, 0}}};
    static constexpr int kArcsCoins[4] = {3, 2, 0, 1};
    for (int cj = 0; cj < ny; ++cj) {
        if (masquer(m, ici, dessus, cj, false, nx, sx) == 0)
            continue;
        const int y = boite.y0 - 1 + cj;
        const std::uint16_t* ligne = ici + std::size_t(cj) * sx;
        for (int ci = 0; ci < nx; ++ci) {
            if (m.faces[static_cast<std::size_t>(ci)] == 0)
                continue;
            // Voxel (x, y, z) of the padded slice; its cell is (x, y, z) too.
            const int x = boite.x0 - 1 + ci;
            const auto i = static_cast<std::size_t>(ci);
            const std::uint16_t lo = ligne[i];
            const std::uint16_t suivants[3] = {ligne[i + 1], ligne[i + sx],
                                               dessus[std::size_t(cj) * sx + i]};
            for (int axe = 0; axe < 3; ++axe) {
                const std::uint16_t hi = suivants[axe];
                if (hi == lo)
                    continue;
                std::uint32_t v[4];
                for (int coin = 0; coin < 4; ++coin) {
                    const int* d = kDecalages[axe][coin];
                    const int cx = x + d[0] - (boite.x0 - 1);
                    const int cy = y + d[1] - (boite.y0 - 1);
                    const int couche = d[2] + 1;
                    assert(cartesZ[couche] != nullptr);
                    const std::int32_t r =
                        cartesZ[couche][std::size_t(cy) * nx + static_cast<std::size_t>(cx)];
                    assert(r >= 0);
                    const Cellule& c = (*cellulesZ[couche])[static_cast<std::size_t>(r)];
                    const int arc = 4 * axe + kArcsCoins[coin];
                    v[coin] = c.premier + static_cast<std::uint32_t>(c.groupe(arc));
                }
                ecrireQuad(s, numero, v, lo, hi);
                ++numero;
            }
        }
    }
    assert(numero == ch.debutsQuads[static_cast<std::size_t>(zz) + 1]);
}

// Every layer's quads, on all threads; throws std::bad_alloc when memory runs out.
template <class T> void ecrireQuads(Chantier<T>& ch, SurfaceDuale& s) {
#pragma omp parallel num_threads(ch.threads)
    {
        Tranches t;
        Masques m;
        CartesCouches cartes;
#pragma omp for schedule(static)
        for (int zz = 0; zz < ch.nz; ++zz) {
            if (ch.manque.load())
                continue;
            try {
                quadsDeCouche(ch, t, m, cartes, zz, s);
            } catch (const std::bad_alloc&) {
                ch.manque.store(true);
            }
        }
    }
    if (ch.manque.load())
        throw std::bad_alloc();
}

// The builder behind both entry points: the box, then its crossed cells, their vertices and the
// quads between them.
template <class T>
bool construire(const T* etiquettes, int W, int H, int D, const SelectionDuale& selection,
                SurfaceDuale& s, std::string& erreur) {
    viderSurface(s, W, H, D);
    if (W <= 0 || H <= 0 || D <= 0 || etiquettes == nullptr) {
        erreur = "volume vide";
        return false;
    }
    if (selection.avecBoite && !boiteDansVolume(selection, W, H, D)) {
        erreur = "boîte hors du volume";
        return false;
    }
    try {
        const LectureEtiquettes<T> lecture = lectureSelection(etiquettes, W, H, D, selection);
        Boite boite{};
        if (!boiteDuTravail(lecture, selection, boite))
            return true;
        Chantier<T> ch(lecture, boite);
        trouverCellules(ch);
        if (!placerSommets(ch, s, erreur) || !reserverQuads(ch, s, erreur)) {
            viderSurface(s, W, H, D);
            return false;
        }
        ecrireQuads(ch, s);
    } catch (const std::bad_alloc&) {
        viderSurface(s, W, H, D);
        erreur = "mémoire insuffisante pour la surface duale";
        return false;
    }
    return true;
}

} // namespace

bool construireSurfaceDuale(const std::uint16_t* etiquettes, int W, int H, int D,
                            const SelectionDuale& selection, SurfaceDuale& surface,
                            std::string& erreur) {
    return construire(etiquettes, W, H, D, selection, surface, erreur);
}

bool construireSurfaceDuale(const std::uint8_t* etiquettes, int W, int H, int D,
                            const SelectionDuale& selection, SurfaceDuale& surface,
                            std::string& erreur) {
    return construire(etiquettes, W, H, D, selection, surface, erreur);
}

} // namespace Stravol
