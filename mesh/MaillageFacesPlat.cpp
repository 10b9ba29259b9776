#include "mesh/MaillageFacesPlat.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include <omp.h>

#include "core/GrandesPages.h"
#include "core/Parallele.h"
#include "mesh/CalculsPlats.h"
#include "mesh/TreillisCoins.h"
#include "region/CRegion3D.h"

namespace Stravol {

namespace {

using Horloge = std::chrono::steady_clock;

double secondes(Horloge::time_point debut, Horloge::time_point fin) {
    return std::chrono::duration<double>(fin - debut).count();
}

constexpr std::uint32_t kAucun = 0xffffffffu;
constexpr std::uint32_t kCapacite = CSommetChRegion::CAPACITE_ANNEAU;

// The faces on the surface in the order the linked construction takes them (border voxels in
// list order, then directions in order), their corners q0 .. q3 numbered by vertex, and the
// vertices at their lattice corners, numbered in lattice order (x outermost, then y, then z) as
// the linked mesh lists them.
struct FacesNumerotees {
    std::vector<std::uint32_t> coins;
    std::vector<std::uint8_t> directions; // in CRegion3D::voisinage
    std::vector<float> positions;         // x, y, z a vertex
    std::size_t nbFaces() const { return directions.size(); }
    std::size_t nbSommets() const { return positions.size() / 3; }
};

FacesNumerotees numeroterFaces(const CRegion3D& region, const FacesRegion& faces) {
    FacesNumerotees f;
    const ParcoursFaces parcours(region, faces);
    if (parcours.nbBord == 0)
        return f;
    f.coins.reserve(4 * parcours.nbFaces);
    f.directions.reserve(parcours.nbFaces);
    // Vertices get a number in order of first use, then their place in the lattice order as
    // each plane is complete. A closed surface of quads has about as many vertices as faces
    // (V = F + 2 a piece).
    std::vector<float> provisoires;
    std::vector<std::uint32_t> definitifs;
    provisoires.reserve(3 * (parcours.nbFaces + 2));
    definitifs.reserve(parcours.nbFaces + 2);
    Treillis<std::uint32_t, kAucun> treillis(parcours.lx, parcours.ly, parcours.lz,
                                             parcours.enOrdre);
    std::uint32_t nbListes = 0;
    const auto lister = [&](std::uint32_t provisoire) { definitifs[provisoire] = nbListes++; };
    parcours.parcourir(treillis, lister, [&](const CTriplet<int>& p, const int* c, int d) {
        for (int q = 0; q < 4; ++q) {
            const int* decalage = kCoinsCube[kCoinsFace[d][q]];
            const int ci = c[0] + decalage[0], cj = c[1] + decalage[1], ck = c[2] + decalage[2];
            std::uint32_t& cellule = treillis.cellule(ci, cj, ck);
            if (cellule == kAucun) {
                cellule = static_cast<std::uint32_t>(definitifs.size());
                definitifs.push_back(kAucun);
                // The voxel's corner, less half a voxel: the voxel's cube around its centre.
                provisoires.push_back(static_cast<float>(double(p.x + decalage[0]) - 0.5));
                provisoires.push_back(static_cast<float>(double(p.y + decalage[1]) - 0.5));
                provisoires.push_back(static_cast<float>(double(p.z + decalage[2]) - 0.5));
                treillis.occuper(ci, cj, ck);
            }
            f.coins.push_back(cellule);
        }
        f.directions.push_back(static_cast<std::uint8_t>(d));
    });

    f.positions.resize(provisoires.size());
    const auto nv = static_cast<std::ptrdiff_t>(definitifs.size());
    const auto nc = static_cast<std::ptrdiff_t>(f.coins.size());
    const int threads = nv >= kSeuilParallele ? nbThreads() : 1;
#pragma omp parallel num_threads(threads)
    {
#pragma omp for schedule(static)
        for (std::ptrdiff_t v = 0; v < nv; ++v)
            std::copy_n(&provisoires[3 * static_cast<std::size_t>(v)], 3,
                        &f.positions[3 * std::size_t{definitifs[static_cast<std::size_t>(v)]}]);
#pragma omp for schedule(static)
        for (std::ptrdiff_t c = 0; c < nc; ++c)
            f.coins[static_cast<std::size_t>(c)] = definitifs[f.coins[static_cast<std::size_t>(c)]];
    }
    return f;
}

// Per-vertex lists of at most kCapacite entries in one array: list v holds nb[v] entries from
// debut[v], room for place(v).
struct Listes {
    TableauGrandesPages<std::uint32_t> debut, entrees;
    TableauGrandesPages<std::uint8_t> nb;

    // Room for bornes[v] entries a vertex (at most kCapacite).
    explicit Listes(const std::vector<std::uint32_t>& bornes)
        : debut(bornes.size() + 1, 0), nb(bornes.size(), 0) {
        for (std::size_t v = 0; v < bornes.size(); ++v)
            debut[v + 1] = debut[v] + std::min(bornes[v], kCapacite);
        entrees.resize(debut.back());
    }
    std::uint32_t place(std::size_t v) const { return debut[v + 1] - debut[v]; }
    const std::uint32_t* liste(std::size_t v) const { return entrees.data() + debut[v]; }
    bool contient(std::size_t v, std::uint32_t x) const {
        const std::uint32_t* l = liste(v);
        return std::find(l, l + nb[v], x) != l + nb[v];
    }
    // A full list refuses the entry, as the linked rings do.
    void ajouter(std::size_t v, std::uint32_t x) {
        if (nb[v] < place(v))
            entrees[debut[v] + nb[v]++] = x;
    }
};

// The corners of triangle t: (q0, q1, q2) of its face for the first, (q0, q2, q3) for the second.
void coinsTriangle(const FacesNumerotees& f, std::size_t t, std::uint32_t c[3]) {
    const std::uint32_t* q = f.coins.data() + 4 * (t / 2);
    c[0] = q[0];
    c[1] = t % 2 == 0 ? q[1] : q[2];
    c[2] = t % 2 == 0 ? q[2] : q[3];
}

// Each vertex's neighbours and triangles in the order the linked construction links them.
struct AnneauxBruts {
    Listes voisins, triangles;
};

AnneauxBruts anneauxBruts(const FacesNumerotees& f, int threads) {
    const std::size_t nv = f.nbSommets(), nf = f.nbFaces();
    // A face adds at most two sides to each corner and its diagonal to q0 and q2, and its two
    // triangles to q0 and q2, one to q1 and q3.
    static constexpr std::uint32_t kCotes[4] = {3, 2, 3, 2}, kTriangles[4] = {2, 1, 2, 1};
    std::vector<std::uint32_t> bornesV(nv, 0), bornesT(nv, 0);
    for (std::size_t q = 0; q < nf; ++q)
        for (std::size_t c = 0; c < 4; ++c) {
            bornesV[f.coins[4 * q + c]] += kCotes[c];
            bornesT[f.coins[4 * q + c]] += kTriangles[c];
        }
    AnneauxBruts a{Listes(bornesV), Listes(bornesT)};
    // Each thread fills the lists of its own run of vertices, walking every face in order: a
    // list receives its entries in face order, as on one thread.
#pragma omp parallel num_threads(threads)
    {
        const auto nbParts = static_cast<std::size_t>(omp_get_num_threads());
        const auto part = static_cast<std::size_t>(omp_get_thread_num());
        const auto bas = static_cast<std::uint32_t>(nv * part / nbParts);
        const auto haut = static_cast<std::uint32_t>(nv * (part + 1) / nbParts);
        const auto miens = [bas, haut](std::uint32_t v) { return v >= bas && v < haut; };
        const auto sansDoublon = [&a, &miens](std::uint32_t v, std::uint32_t u) {
            if (miens(v) && !a.voisins.contient(v, u))
                a.voisins.ajouter(v, u);
        };
        const auto ajouter = [&miens](Listes& l, std::uint32_t v, std::uint32_t x) {
            if (miens(v))
                l.ajouter(v, x);
        };
        for (std::size_t q = 0; q < nf; ++q) {
            const std::uint32_t* c = f.coins.data() + 4 * q;
            if (!miens(c[0]) && !miens(c[1]) && !miens(c[2]) && !miens(c[3]))
                continue;
            for (std::size_t n = 0; n < 4; ++n) {
                sansDoublon(c[n], c[(n + 1) % 4]);
                sansDoublon(c[(n + 1) % 4], c[n]);
            }
            // A diagonal belongs to one face only.
            ajouter(a.voisins, c[0], c[2]);
            ajouter(a.voisins, c[2], c[0]);
            const auto t1 = static_cast<std::uint32_t>(2 * q), t2 = t1 + 1;
            ajouter(a.triangles, c[0], t1);
            ajouter(a.triangles, c[0], t2);
            ajouter(a.triangles, c[1], t1);
            ajouter(a.triangles, c[2], t1);
            ajouter(a.triangles, c[2], t2);
            ajouter(a.triangles, c[3], t2);
        }
    }
    return a;
}

// The rings ordered around each vertex: neighbours in angular order (anneaux from
// debutAnneau[v]) and, from the same place, the triangle between each neighbour and the next
// (nbTriangles[v] of them where found).
struct Anneaux {
    TableauGrandesPages<int> debutAnneau, anneaux;
    TableauGrandesPages<std::uint32_t> triangles;
    TableauGrandesPages<std::uint8_t> nbTriangles;
};

// The linked mesh's ordering of one vertex's rings, from the unordered rings of all.
void ordonner(const FacesNumerotees& f, const AnneauxBruts& b, std::uint32_t v, Anneaux& a) {
    const std::uint32_t n = b.voisins.nb[v];
    int* voisins = a.anneaux.data() + a.debutAnneau[v];
    std::uint32_t* triangles = a.triangles.data() + a.debutAnneau[v];
    std::copy_n(b.voisins.liste(v), n, voisins);
    // Entry 0 stays; each following entry is the first remaining neighbour of the previous one.
    for (std::uint32_t i = 1; i + 1 < n; ++i) {
        const auto precedent = static_cast<std::size_t>(voisins[i - 1]);
        std::uint32_t j = i;
        while (j < n && !b.voisins.contient(precedent, static_cast<std::uint32_t>(voisins[j])))
            ++j;
        if (j < n && j != i)
            std::swap(voisins[i], voisins[j]);
    }
    std::uint8_t nb = 0;
    const std::uint32_t* incidents = b.triangles.liste(v);
    for (std::uint32_t k = 0; k < n; ++k) {
        const auto u = static_cast<std::uint32_t>(voisins[k]);
        const auto w = static_cast<std::uint32_t>(voisins[(k + 1) % n]);
        for (std::uint32_t s = 0; s < b.triangles.nb[v]; ++s) {
            std::uint32_t c[3];
            coinsTriangle(f, incidents[s], c);
            const std::uint32_t o1 = c[0] == v ? c[1] : c[0];
            const std::uint32_t o2 = c[2] == v ? c[1] : c[2];
            if ((o1 == u && o2 == w) || (o1 == w && o2 == u)) {
                triangles[nb++] = incidents[s];
                break;
            }
        }
    }
    a.nbTriangles[v] = nb;
}

Anneaux ordonnerAnneaux(const FacesNumerotees& f, const AnneauxBruts& b, int threads) {
    const std::size_t nv = f.nbSommets();
    Anneaux a;
    a.debutAnneau.resize(nv + 1, 0);
    for (std::size_t v = 0; v < nv; ++v)
        a.debutAnneau[v + 1] = a.debutAnneau[v] + b.voisins.nb[v];
    a.anneaux.resize(static_cast<std::size_t>(a.debutAnneau[nv]));
    a.triangles.resize(a.anneaux.size());
    a.nbTriangles.resize(nv);
    const auto n = static_cast<std::ptrdiff_t>(nv);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i)
        ordonner(f, b, static_cast<std::uint32_t>(i), a);
    return a;
}

// Unit vertex normals: the sum of the normals of each vertex's ordered triangles.
void normalesSommets(const Anneaux& a, const float* normalesTriangles, float* normales,
                     int threads) {
    const auto n = static_cast<std::ptrdiff_t>(a.nbTriangles.size());
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(i);
        double s[3] = {0.0, 0.0, 0.0};
        const std::uint32_t* t = a.triangles.data() + a.debutAnneau[v];
        for (std::uint32_t k = 0; k < a.nbTriangles[v]; ++k)
            for (std::size_t c = 0; c < 3; ++c)
                s[c] += normalesTriangles[3 * std::size_t{t[k]} + c];
        float* m = normales + 3 * v;
        for (std::size_t c = 0; c < 3; ++c)
            m[c] = static_cast<float>(s[c]);
        normaliserVecteur(m[0], m[1], m[2]);
    }
}

// Unit corner-order normal of triangle t at the positions.
void normaleUnitaire(const FacesNumerotees& f, const float* positions, std::size_t t, float g[3]) {
    std::uint32_t c[3];
    coinsTriangle(f, t, c);
    normaleCoins(positions + 3 * std::size_t{c[0]}, positions + 3 * std::size_t{c[1]},
                 positions + 3 * std::size_t{c[2]}, g);
    normaliserVecteur(g[0], g[1], g[2]);
}

} // namespace

MaillagePlat maillerFacesPlat(const CRegion3D& region, const FacesRegion& faces, int nbTaubin,
                              BilanFacesPlat& bilan) {
    const Horloge::time_point t0 = Horloge::now();
    MaillagePlat m;
    FacesNumerotees f = numeroterFaces(region, faces);
    const std::size_t nv = f.nbSommets(), nt = 2 * f.nbFaces();
    const int threads = nv >= std::size_t(kSeuilParallele) ? nbThreads() : 1;
    Anneaux a;
    {
        const AnneauxBruts bruts = anneauxBruts(f, threads);
        a = ordonnerAnneaux(f, bruts, threads);
    }
    bilan.irreguliers = 0;
    for (std::size_t v = 0; v < nv; ++v)
        if (a.nbTriangles[v] != a.debutAnneau[v + 1] - a.debutAnneau[v])
            ++bilan.irreguliers;

    // Orientation: the construction's normals are the faces' directions; each triangle turns
    // the way its corners' vertex normals point.
    m.normalesTriangles.resize(3 * nt);
    const auto nbT = static_cast<std::ptrdiff_t>(nt);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < nbT; ++i) {
        const auto t = static_cast<std::size_t>(i);
        const CTriplet<int>& o = CRegion3D::voisinage[f.directions[t / 2]];
        m.normalesTriangles[3 * t] = static_cast<float>(o.x);
        m.normalesTriangles[3 * t + 1] = static_cast<float>(o.y);
        m.normalesTriangles[3 * t + 2] = static_cast<float>(o.z);
    }
    m.normales.resize(3 * nv);
    normalesSommets(a, m.normalesTriangles.data(), m.normales.data(), threads);
    std::vector<signed char> orientations(nt);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < nbT; ++i) {
        const auto t = static_cast<std::size_t>(i);
        std::uint32_t c[3];
        coinsTriangle(f, t, c);
        float g[3];
        normaleUnitaire(f, f.positions.data(), t, g);
        orientations[t] = static_cast<signed char>(orientationSelonSommets(
            &m.normales[3 * std::size_t{c[0]}], &m.normales[3 * std::size_t{c[1]}],
            &m.normales[3 * std::size_t{c[2]}], g));
    }
    const Horloge::time_point t1 = Horloge::now();

    lisserTaubinPlat(f.positions.data(), a.debutAnneau.data(), a.anneaux.data(), nv, nbTaubin);
    const Horloge::time_point t2 = Horloge::now();

    m.triangles.resize(3 * nt);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < nbT; ++i) {
        const auto t = static_cast<std::size_t>(i);
        float g[3];
        normaleUnitaire(f, f.positions.data(), t, g);
        const float signe = orientations[t];
        std::uint32_t c[3];
        coinsTriangle(f, t, c);
        // A negative orientation turns the stored corners clockwise seen from outside.
        std::uint32_t* coins = &m.triangles[3 * t];
        coins[0] = c[0];
        coins[1] = signe < 0 ? c[2] : c[1];
        coins[2] = signe < 0 ? c[1] : c[2];
        for (std::size_t k = 0; k < 3; ++k)
            m.normalesTriangles[3 * t + k] = signe * g[k];
    }
    normalesSommets(a, m.normalesTriangles.data(), m.normales.data(), threads);
    m.positions = std::move(f.positions);
    const Horloge::time_point t3 = Horloge::now();
    bilan.tempsMaillage = secondes(t0, t1);
    bilan.tempsLissage = secondes(t1, t2);
    bilan.tempsNormales = secondes(t2, t3);
    return m;
}

} // namespace Stravol
