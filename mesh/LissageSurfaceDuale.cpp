// Constrained smoothing of the dual surface and the restoration of every label's volume.
#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <omp.h>
#include <vector>

#include "core/NumerosCles.h"
#include "core/Parallele.h"
#include "core/Racines.h"
#include "core/TableauBrut.h"
#include "mesh/SurfaceDuale.h"

namespace Stravol {

namespace {

// A vertex moves within the box of +-kDemiCellule voxel around its cell's centre.
constexpr float kDemiCellule = 0.5f;

// A point of the rounds' work arrays: x, y, z and an unused fourth, added and scaled together.
using Point4 = float __attribute__((vector_size(4 * sizeof(float))));
// Lanes chosen in a Point4: all bits set, or none.
using Masque4 = std::int32_t __attribute__((vector_size(4 * sizeof(std::int32_t))));

// The three floats at p as a Point4 (the fourth zero), and back.
Point4 charger3(const float* p) { return Point4{p[0], p[1], p[2], 0.0f}; }
void ranger3(float* p, const Point4& q) {
    p[0] = q[0];
    p[1] = q[1];
    p[2] = q[2];
}

// q brought into the box of the cell centred at c, each coordinate as std::clamp brings it.
Point4 dansCellule(const Point4& q, const Point4& c) {
    const Point4 bas = c - kDemiCellule, haut = c + kDemiCellule;
    return q < bas ? bas : (haut < q ? haut : q);
}

// x and y of a point in doubles.
Double2 doublesXY(const Point4& p) { return Double2{p[0], p[1]}; }

// a x b, each coordinate with the two products and the difference it has written out.
Point4 vectoriel(const Point4& a, const Point4& b) {
    const auto yzx = [](const Point4& p) { return __builtin_shufflevector(p, p, 1, 2, 0, 3); };
    const auto zxy = [](const Point4& p) { return __builtin_shufflevector(p, p, 2, 0, 1, 3); };
    return yzx(a) * zxy(b) - zxy(a) * yzx(b);
}

enum class Mode : std::uint8_t {
    Libre,  // between two labels: smoothed with all its neighbours, moved by the volume
            // corrections; its neighbours turn around it as its quads do
    Pincee, // between two labels, but its quads make more than one fan: smoothed only
    Ligne,  // on a junction line: smoothed with its two neighbours along the line
    Fixe,   // where junction lines meet, or held on every axis
};

// The quads' corners in turning order: the first triangle's three corners, then the second's
// last (both splits keep the second triangle starting at the first's first corner and ending
// at the corner the first lacks).
void coinsQuad(const SurfaceDuale& s, std::size_t q, std::uint32_t c[4]) {
    const std::uint32_t* t = s.triangles.data() + 6 * q;
    c[0] = t[0];
    c[1] = t[1];
    c[2] = t[2];
    c[3] = t[5];
}

// Neighbours of each vertex along the quads' sides, each once: those of a Libre vertex in the
// order its quads turn around it (counter-clockwise seen from the front label), those of a
// Ligne vertex starting with its two neighbours along the line (sides shared by three quads or
// more).
struct Anneaux {
    TableauBrut<std::uint32_t> debuts;
    TableauBrut<std::uint32_t> voisins; // written whole by the threads that first touch it
    std::vector<Mode> modes;
};

// A vertex is a corner of at most one quad a face of its cell.
constexpr std::size_t kQuadsMax = 12;

// The corners before and after each vertex in each of its quads, in pairs, from each vertex's
// debut on, in the quads' order. Each thread takes a run of the quads and counts the corners it
// finds of each vertex; a vertex's entries from a run then follow those from the runs before.
// The counting sort of repartirParThread, with a byte a vertex where it keeps four a case: a
// vertex has few quads, and the dense maps have millions of vertices (35 ms less for 2 million).
void pairesDesQuads(const SurfaceDuale& s, Anneaux& a, int threads) {
    const std::size_t nv = s.nbSommets(), nq = s.nbTriangles() / 2;
    const auto parts = static_cast<std::size_t>(threads);
    // Per run, a count a vertex, then where the run's next entries of it go past its debut (a
    // vertex has at most kQuadsMax quads).
    std::vector<TableauBrut<std::uint8_t>> places(parts);
    const auto parRun = [&](const auto& faire) {
#pragma omp parallel for num_threads(threads) schedule(static, 1)
        for (std::ptrdiff_t p = 0; p < static_cast<std::ptrdiff_t>(parts); ++p) {
            const auto k = static_cast<std::size_t>(p);
            std::uint8_t* place = places[k].data();
            for (std::size_t q = nq * k / parts; q < nq * (k + 1) / parts; ++q) {
                std::uint32_t c[4];
                coinsQuad(s, q, c);
                faire(place, c);
            }
        }
    };
    for (TableauBrut<std::uint8_t>& place : places)
        place.assign(nv, 0);
    parRun([](std::uint8_t* compte, const std::uint32_t* c) {
        for (std::size_t k = 0; k < 4; ++k) {
            assert(compte[c[k]] < kQuadsMax);
            ++compte[c[k]];
        }
    });
    a.debuts.resize(nv + 1);
    a.debuts[0] = 0;
    for (std::size_t v = 0; v < nv; ++v) {
        std::uint32_t nb = 0;
        for (TableauBrut<std::uint8_t>& place : places) {
            const std::uint8_t n = place[v];
            place[v] = static_cast<std::uint8_t>(nb);
            nb += n;
        }
        a.debuts[v + 1] = a.debuts[v] + 2 * nb;
    }
    a.voisins.resize(a.debuts[nv]);
    parRun([&a](std::uint8_t* place, const std::uint32_t* c) {
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint32_t* entree = a.voisins.data() + a.debuts[c[k]] + 2 * place[c[k]]++;
            entree[0] = c[(k + 3) % 4];
            entree[1] = c[(k + 1) % 4];
        }
    });
}

// Its neighbours: two a quad at most.
constexpr std::size_t kVoisinsMax = 2 * kQuadsMax;

// Chains a vertex's quads from their pairs (each one's next corner is the following one's
// previous) into debut: how many neighbours it chains where the quads make one closed fan, each
// taken once, else 0.
std::size_t chainerQuads(const std::uint32_t* paires, std::size_t nbEntrees, std::uint32_t* debut) {
    const std::size_t nbPaires = nbEntrees / 2;
    std::size_t nbCycle = 0;
    bool pris[kQuadsMax] = {};
    std::uint32_t courant = paires[1];
    pris[0] = true;
    debut[nbCycle++] = courant;
    while (courant != paires[0] && nbCycle <= nbPaires) {
        std::size_t suivante = nbPaires;
        for (std::size_t k = 0; k < nbPaires; ++k)
            if (!pris[k] && paires[2 * k] == courant)
                suivante = k;
        if (suivante == nbPaires)
            break;
        pris[suivante] = true;
        courant = paires[2 * suivante + 1];
        debut[nbCycle++] = courant;
    }
    return courant == paires[0] && nbCycle == nbPaires ? nbCycle : 0;
}

// Whether the n values from l differ from one another.
bool distinctes(const std::uint32_t* l, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (l[i] == l[j])
                return false;
    return true;
}

// The ring of vertex v from its pairs: its neighbours, each once, written over the pairs'
// start (longueur: how many), and its mode.
Mode anneauSommet(const SurfaceDuale& s, std::size_t v, Anneaux& a, std::uint32_t& longueur) {
    std::uint32_t* debut = a.voisins.data() + a.debuts[v];
    const std::size_t nbEntrees = std::min<std::size_t>(a.debuts[v + 1] - a.debuts[v], kVoisinsMax);
    std::uint32_t paires[kVoisinsMax];
    for (std::size_t i = 0; i < nbEntrees; ++i)
        paires[i] = debut[i];
    const bool jonction = (s.genres[v] & kJonction) != 0;
    const bool toutFixe = (s.genres[v] & (kFixeX | kFixeY | kFixeZ)) == (kFixeX | kFixeY | kFixeZ);
    // Inside a sheet the quads make one fan where each chained neighbour differs from the others
    // (then each is met in two quads): the ring is the chain.
    if (!jonction && !toutFixe && nbEntrees > 0) {
        const std::size_t n = chainerQuads(paires, nbEntrees, debut);
        if (n > 0 && distinctes(debut, n)) {
            longueur = static_cast<std::uint32_t>(n);
            return Mode::Libre;
        }
    }
    // Otherwise the neighbours in increasing order. Each side appears once for every quad along
    // it: twice on a sheet, three or four times on a junction line.
    std::uint32_t tries[kVoisinsMax];
    for (std::size_t i = 0; i < nbEntrees; ++i) {
        std::size_t j = i;
        for (; j > 0 && tries[j - 1] > paires[i]; --j)
            tries[j] = tries[j - 1];
        tries[j] = paires[i];
    }
    std::uint32_t uniques[kVoisinsMax], ligne[2];
    std::size_t nbUniques = 0;
    int nbLigne = 0;
    for (std::size_t p = 0; p < nbEntrees;) {
        std::size_t q = p;
        while (q < nbEntrees && tries[q] == tries[p])
            ++q;
        if (q - p >= 3 && nbLigne++ < 2)
            ligne[nbLigne - 1] = tries[p];
        uniques[nbUniques++] = tries[p];
        p = q;
    }
    // A sheet's vertex whose quads make no single fan is pinched.
    Mode mode = Mode::Pincee;
    if (jonction)
        mode = nbLigne == 2 ? Mode::Ligne : Mode::Fixe;
    if (toutFixe || nbUniques == 0)
        mode = Mode::Fixe;
    if (mode == Mode::Ligne)
        for (int k = 0; k < 2; ++k)
            std::swap(*std::find(uniques, uniques + nbUniques, ligne[k]), uniques[k]);
    std::copy(uniques, uniques + nbUniques, debut);
    longueur = static_cast<std::uint32_t>(nbUniques);
    return mode;
}

// Compaction: each vertex's neighbours moved down to the end of the previous vertex's, into an
// array of their own, on all threads.
void compacter(Anneaux& a, const TableauBrut<std::uint32_t>& longueurs, int threads) {
    const std::size_t nv = longueurs.size();
    TableauBrut<std::uint32_t> debuts(nv + 1);
    debuts[0] = 0;
    for (std::size_t v = 0; v < nv; ++v)
        debuts[v + 1] = debuts[v] + longueurs[v];
    TableauBrut<std::uint32_t> voisins(debuts[nv]);
    const auto n = static_cast<std::ptrdiff_t>(nv);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(i);
        std::copy_n(a.voisins.begin() + a.debuts[v], longueurs[v], voisins.begin() + debuts[v]);
    }
    a.debuts = std::move(debuts);
    a.voisins = std::move(voisins);
}

// Every vertex's ring and mode, the rings on all threads.
Anneaux anneaux(const SurfaceDuale& s, int threads) {
    const std::size_t nv = s.nbSommets();
    Anneaux a;
    pairesDesQuads(s, a, threads);
    a.modes.resize(nv);
    TableauBrut<std::uint32_t> longueurs(nv);
    const auto n = static_cast<std::ptrdiff_t>(nv);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(i);
        a.modes[v] = anneauSommet(s, v, a, longueurs[v]);
    }
    compacter(a, longueurs, threads);
    return a;
}

// Splits every quad along its shorter diagonal (ties keep the diagonal from its first corner).
void decouper(SurfaceDuale& s, int threads) {
    const auto nq = static_cast<std::ptrdiff_t>(s.nbTriangles() / 2);
    const float* p = s.positions.data();
    const auto carre = [p](std::uint32_t a, std::uint32_t b) {
        double somme = 0.0;
        for (std::size_t k = 0; k < 3; ++k) {
            const double d = double(p[3 * a + k]) - p[3 * b + k];
            somme += d * d;
        }
        return somme;
    };
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < nq; ++i) {
        const auto q = static_cast<std::size_t>(i);
        std::uint32_t c[4];
        coinsQuad(s, q, c);
        const int premier = carre(c[1], c[3]) < carre(c[0], c[2]) ? 1 : 0;
        static constexpr int kCoins[6] = {0, 1, 2, 0, 2, 3};
        for (std::size_t k = 0; k < 6; ++k)
            s.triangles[6 * q + k] = c[(kCoins[k] + premier) % 4];
    }
}

// Solves (L + eps I) x = b by conjugate gradients, L the Laplacian of the weighted label graph
// (aretes: rank pairs, -1 for the background, whose unknown is held at 0).
struct AreteLabels {
    std::int32_t a, b;
    double poids;
};

std::vector<double> resoudre(const std::vector<AreteLabels>& aretes, const std::vector<double>& b) {
    const std::size_t n = b.size();
    std::vector<double> diagonale(n, 0.0);
    for (const AreteLabels& e : aretes)
        for (const std::int32_t r : {e.a, e.b})
            if (r >= 0)
                diagonale[static_cast<std::size_t>(r)] += e.poids;
    double moyenne = 0.0;
    std::size_t actifs = 0;
    for (const double d : diagonale)
        if (d > 0.0) {
            moyenne += d;
            ++actifs;
        }
    std::vector<double> x(n, 0.0);
    if (actifs == 0)
        return x;
    // A label that nothing can move keeps its volume; the small diagonal term keeps a group
    // of labels cut off from the background from drifting.
    const double eps = 1e-6 * moyenne / static_cast<double>(actifs);
    const auto produit = [&](const std::vector<double>& p, std::vector<double>& sortie) {
        for (std::size_t i = 0; i < n; ++i)
            sortie[i] = diagonale[i] > 0.0 ? (diagonale[i] + eps) * p[i] : 0.0;
        for (const AreteLabels& e : aretes) {
            if (e.a < 0 || e.b < 0)
                continue;
            const auto a = static_cast<std::size_t>(e.a), c = static_cast<std::size_t>(e.b);
            sortie[a] -= e.poids * p[c];
            sortie[c] -= e.poids * p[a];
        }
    };
    // Conjugate gradients preconditioned by the diagonal: label sizes differ by orders of
    // magnitude, which plain steps would take hundreds of rounds to even out.
    const auto inverse = [&](std::size_t i) {
        return diagonale[i] > 0.0 ? 1.0 / (diagonale[i] + eps) : 0.0;
    };
    std::vector<double> r(n), z(n), p(n), ap(n);
    double rr = 0.0, rz = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        r[i] = diagonale[i] > 0.0 ? b[i] : 0.0;
        z[i] = inverse(i) * r[i];
        p[i] = z[i];
        rr += r[i] * r[i];
        rz += r[i] * z[i];
    }
    const double bb = rr;
    constexpr int kIterationsMax = 500;
    for (int k = 0; k < kIterationsMax && rr > 1e-24 * bb && rz > 0.0; ++k) {
        produit(p, ap);
        double pap = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            pap += p[i] * ap[i];
        if (!(pap > 0.0))
            break;
        const double alpha = rz / pap;
        double suivant = 0.0;
        rr = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            x[i] += alpha * p[i];
            r[i] -= alpha * ap[i];
            z[i] = inverse(i) * r[i];
            rr += r[i] * r[i];
            suivant += r[i] * z[i];
        }
        const double beta = suivant / rz;
        rz = suivant;
        for (std::size_t i = 0; i < n; ++i)
            p[i] = z[i] + beta * p[i];
    }
    return x;
}

// Whether vertex i moves along axis k.
bool libre(const SurfaceDuale& s, const Anneaux& a, std::size_t i, std::size_t k) {
    return a.modes[i] != Mode::Fixe && (s.genres[i] & (kFixeX << k)) == 0;
}

// What the rounds read of each vertex, made once: how many neighbours it is smoothed with (none
// for a held vertex, its two along the line for a junction vertex) and the axes it moves along
// (bit k for axis k); the lanes of those axes for each byte of them, and 1 / n for every
// neighbour count.
struct TablesTours {
    std::vector<std::uint8_t> nbLisses, axesLibres;
    std::array<Masque4, 8> masquesAxes{};
    std::array<float, kVoisinsMax + 1> inverses{};
};

TablesTours tablesTours(const SurfaceDuale& s, const Anneaux& a, int threads) {
    const std::size_t nv = s.nbSommets();
    TablesTours t;
    t.nbLisses.resize(nv);
    t.axesLibres.resize(nv);
    const auto n = static_cast<std::ptrdiff_t>(nv);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::size_t>(i);
        t.nbLisses[v] =
            static_cast<std::uint8_t>(a.modes[v] == Mode::Fixe    ? 0
                                      : a.modes[v] == Mode::Ligne ? 2
                                                                  : a.debuts[v + 1] - a.debuts[v]);
        std::uint8_t axes = 0;
        for (std::size_t k = 0; k < 3; ++k)
            if (libre(s, a, v, k))
                axes |= static_cast<std::uint8_t>(1u << k);
        t.axesLibres[v] = axes;
    }
    for (std::size_t axes = 0; axes < t.masquesAxes.size(); ++axes)
        for (std::size_t k = 0; k < 3; ++k)
            t.masquesAxes[axes][k] = (axes & (1u << k)) != 0 ? -1 : 0;
    for (std::size_t k = 1; k < t.inverses.size(); ++k)
        t.inverses[k] = 1.0f / static_cast<float>(k);
    return t;
}

// Brings every label's enclosed volume back to its target. Each correction moves the sheet
// between labels A < B along its normals by q[B] - q[A], the q making every label's volume
// right to first order: with g the gradient of the back label's volume at a vertex (on the
// axes it may move along), moving by t g / |g| adds t |g| to it, so the q solve the Laplacian
// of the label graph weighted by the sums of |g|. Vertices on junction lines and held ones do
// not move.
class Correcteur {
public:
    Correcteur(const SurfaceDuale& s, const Anneaux& anneaux, const IndexEtiquettesDuales& index,
               int threads)
        : s_(s), anneaux_(anneaux), modes_(anneaux.modes), threads_(threads), rangs_(65536, -1),
          valeurs_(index.valeurs), origine_{0.5 * s.largeur, 0.5 * s.hauteur, 0.5 * s.profondeur},
          parQuad_(s.nbTriangles() / 2) {
        for (std::size_t r = 0; r < valeurs_.size(); ++r)
            rangs_[valeurs_[r]] = static_cast<std::int32_t>(r);
        indexerQuads(index);
        // The raw surface encloses its labels' voxels exactly.
        cibles_ = volumes6(s.centres.data());
        // Each Libre vertex lies between one pair of labels.
        NumerosCles numeros;
        const std::size_t nv = s.nbSommets();
        areteSommet_.resize(nv); // every vertex is a corner
        for (std::size_t t = 0; t < s.nbTriangles(); ++t) {
            const std::uint32_t paire = std::uint32_t{s.paires[2 * t]} << 16 | s.paires[2 * t + 1];
            for (std::size_t k = 0; k < 3; ++k)
                areteSommet_[s.triangles[3 * t + k]] = paire;
        }
        // Vertices in a row mostly lie between the same pair: the table is asked only when it
        // changes.
        std::uint32_t dernierePaire = 0, derniere = 0;
        bool aucune = true;
        for (std::size_t v = 0; v < nv; ++v) {
            if (modes_[v] != Mode::Libre)
                continue;
            const std::uint32_t paire = areteSommet_[v];
            if (aucune || paire != dernierePaire) {
                const auto [numero, nouvelle] = numeros.numero(paire);
                if (nouvelle)
                    aretes_.push_back({rangs_[paire >> 16], rangs_[paire & 0xffffu], 0.0});
                dernierePaire = paire;
                derniere = numero;
                aucune = false;
            }
            areteSommet_[v] = derniere;
        }
        g_.resize(3 * nv);
        longueurs_.resize(nv);
    }

    // Moves the free vertices of x (and y by the same amount) towards the target volumes, on
    // the axes the tables free, within their cells.
    void corriger(float* x, Point4* y, const TablesTours& tables) {
        const std::vector<double> volumes = volumes6(x);
        const std::size_t nv = s_.nbSommets();
        const auto n = static_cast<std::ptrdiff_t>(nv);
        // The gradient of the back label's volume at a Libre vertex, from the fan of its
        // neighbours: each quad counted as the triangle of the vertex and its two sides.
#pragma omp parallel for num_threads(threads_) schedule(dynamic, kSommetsParTache)
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            const auto v = static_cast<std::size_t>(i);
            // Only the Libre vertices' gradients are read.
            if (modes_[v] != Mode::Libre)
                continue;
            float* gv = g_.data() + 3 * v;
            const std::uint32_t premier = anneaux_.debuts[v], fin = anneaux_.debuts[v + 1];
            // Edges of a voxel or so: single precision keeps the cross products exact enough.
            const Point4 p = charger3(x + 3 * v);
            const auto cote = [&](std::uint32_t r) {
                return charger3(x + 3 * std::size_t{anneaux_.voisins[r]}) - p;
            };
            Point4 somme = {0.0f, 0.0f, 0.0f, 0.0f};
            Point4 e2 = cote(premier);
            for (std::uint32_t r = premier; r < fin; ++r) {
                // The quad between neighbours r and r + 1 turns through them as (vertex, r + 1,
                // r) seen from the front: e1 and e2 are the sides to them.
                const Point4 e1 = cote(r + 1 < fin ? r + 1 : premier);
                somme += vectoriel(e1, e2);
                e2 = e1;
            }
            // Only the axes the vertex may move along; the squares summed x, y, then z.
            const Point4 g =
                tables.masquesAxes[tables.axesLibres[v]] ? somme / 6.0f : Point4{0, 0, 0, 0};
            ranger3(gv, g);
            const Double2 xy = doublesXY(g);
            const Double2 carres = xy * xy;
            const double carre = carres[0] + carres[1] + double(g[2]) * g[2];
            longueurs_[v] = static_cast<float>(std::sqrt(carre));
        }
        for (AreteLabels& e : aretes_)
            e.poids = 0.0;
        // Each pair's sum in vertex order, kept in a register along a run of vertices between
        // the same pair (most are) instead of going through memory at every vertex.
        std::size_t courante = aretes_.size();
        double somme = 0.0;
        for (std::size_t v = 0; v < nv; ++v) {
            if (modes_[v] != Mode::Libre)
                continue;
            if (areteSommet_[v] != courante) {
                if (courante < aretes_.size())
                    aretes_[courante].poids = somme;
                courante = areteSommet_[v];
                somme = aretes_[courante].poids;
            }
            somme += longueurs_[v];
        }
        if (courante < aretes_.size())
            aretes_[courante].poids = somme;
        std::vector<double> ecarts(valeurs_.size());
        for (std::size_t r = 0; r < valeurs_.size(); ++r)
            ecarts[r] = (cibles_[r] - volumes[r]) / 6.0;
        const std::vector<double> q = resoudre(aretes_, ecarts);
#pragma omp parallel for num_threads(threads_) schedule(dynamic, kSommetsParTache)
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            const auto v = static_cast<std::size_t>(i);
            if (modes_[v] != Mode::Libre)
                continue;
            const AreteLabels& e = aretes_[areteSommet_[v]];
            const double t = (e.b >= 0 ? q[static_cast<std::size_t>(e.b)] : 0.0) -
                             (e.a >= 0 ? q[static_cast<std::size_t>(e.a)] : 0.0);
            const double l = longueurs_[v];
            if (!(l > 0.0))
                continue;
            // The three coordinates together, each with the operations it had alone: x and y in
            // the lanes of doubles, z beside them. The axes of no gradient keep their values.
            const double pas = t / l;
            const Point4 g = charger3(g_.data() + 3 * v), avant = charger3(x + 3 * v);
            const Double2 xy = doublesXY(avant) + pas * doublesXY(g);
            const double z = double(avant[2]) + pas * g[2];
            const Point4 visee = {static_cast<float>(xy[0]), static_cast<float>(xy[1]),
                                  static_cast<float>(z), 0.0f};
            const Masque4 bouge = g != 0.0f;
            const Point4 apres =
                bouge ? dansCellule(visee, charger3(s_.centres.data() + 3 * v)) : avant;
            ranger3(x + 3 * v, apres);
            if (y != nullptr)
                y[v] = bouge ? y[v] + (apres - avant) : y[v];
        }
    }

private:
    // Six times each label's enclosed volume (by rank), positions taken relative to origine_.
    std::vector<double> volumes6(const float* positions) {
        // Two quads a turn, in the two lanes of the doubles (the last one alone when their count
        // is odd): each lane with the operations of its quad alone.
        const auto nq = parQuad_.size();
        const auto nbPaires = static_cast<std::ptrdiff_t>((nq + 1) / 2);
#pragma omp parallel for num_threads(threads_) schedule(dynamic, kSommetsParTache)
        for (std::ptrdiff_t i = 0; i < nbPaires; ++i) {
            const std::size_t q0 = 2 * static_cast<std::size_t>(i), q1 = std::min(q0 + 1, nq - 1);
            // The quad's triangles (a, b, c) and (a, c, d) give together a . (c x (d - b)).
            std::uint32_t coins0[4], coins1[4];
            coinsQuad(s_, q0, coins0);
            coinsQuad(s_, q1, coins1);
            Double2 c[4][3];
            for (std::size_t k = 0; k < 4; ++k)
                for (std::size_t a = 0; a < 3; ++a)
                    c[k][a] = Double2{positions[3 * std::size_t{coins0[k]} + a],
                                      positions[3 * std::size_t{coins1[k]} + a]} -
                              origine_[a];
            const Double2 e[3] = {c[3][0] - c[1][0], c[3][1] - c[1][1], c[3][2] - c[1][2]};
            const Double2 somme = c[0][0] * (c[2][1] * e[2] - c[2][2] * e[1]) +
                                  c[0][1] * (c[2][2] * e[0] - c[2][0] * e[2]) +
                                  c[0][2] * (c[2][0] * e[1] - c[2][1] * e[0]);
            parQuad_[q0] = somme[0];
            parQuad_[q1] = somme[1];
        }
        // Each label's sum in quad order: the same for any thread count.
        std::vector<double> v(valeurs_.size(), 0.0);
        const auto nr = static_cast<std::ptrdiff_t>(valeurs_.size());
#pragma omp parallel for num_threads(threads_) schedule(static)
        for (std::ptrdiff_t i = 0; i < nr; ++i) {
            const auto r = static_cast<std::size_t>(i);
            double somme = 0.0;
            for (std::uint32_t k = debutsQuads_[r]; k < debutsQuads_[r + 1]; ++k) {
                const std::uint32_t e = quadsRang_[k];
                if (e & kDevant)
                    somme -= parQuad_[e & ~kDevant];
                else
                    somme += parQuad_[e];
            }
            v[r] = somme;
        }
        return v;
    }

    // The quads of each label by rank, in quad order, those it lies in front of marked: from the
    // label's triangles, where each quad's two come one after the other.
    void indexerQuads(const IndexEtiquettesDuales& index) {
        const std::size_t nr = valeurs_.size();
        debutsQuads_.resize(nr + 1);
        for (std::size_t r = 0; r <= nr; ++r)
            debutsQuads_[r] = index.debuts[r] / 2;
        quadsRang_.resize(debutsQuads_[nr]);
        const auto n = static_cast<std::ptrdiff_t>(nr);
#pragma omp parallel for num_threads(threads_) schedule(dynamic, 1)
        for (std::ptrdiff_t i = 0; i < n; ++i) {
            const auto r = static_cast<std::size_t>(i);
            for (std::uint32_t k = debutsQuads_[r]; k < debutsQuads_[r + 1]; ++k) {
                const std::uint32_t q = index.triangles[2 * std::size_t{k}] / 2;
                quadsRang_[k] = s_.paires[4 * std::size_t{q}] == valeurs_[r] ? q | kDevant : q;
            }
        }
    }

    // Marks a quad its label lies in front of (the quad numbers stay below it).
    static constexpr std::uint32_t kDevant = 0x80000000u;

    const SurfaceDuale& s_;
    const Anneaux& anneaux_;
    const std::vector<Mode>& modes_;
    int threads_;
    std::vector<std::int32_t> rangs_; // label -> rank, -1 for the background and absent labels
    std::vector<std::uint16_t> valeurs_;
    double origine_[3];
    TableauBrut<double> parQuad_;
    std::vector<std::uint32_t> debutsQuads_;
    TableauBrut<std::uint32_t> quadsRang_; // quads of each rank (indexerQuads)
    std::vector<double> cibles_;
    std::vector<AreteLabels> aretes_;
    TableauBrut<std::uint32_t> areteSommet_; // Libre vertices: their pair of labels
    // Written and read for the Libre vertices alone, first touched by the threads.
    TableauBrut<float> g_;         // gradient of each Libre vertex's back label's volume
    TableauBrut<float> longueurs_; // its length
};

} // namespace

void lisserSurfaceDuale(SurfaceDuale& s, int nbTours) {
    if (nbTours <= 0 || s.vide())
        return;
    lisserSurfaceDuale(s, nbTours, indexerEtiquettes(s));
}

void lisserSurfaceDuale(SurfaceDuale& s, int nbTours, const IndexEtiquettesDuales& index) {
    if (nbTours <= 0 || s.vide())
        return;
    const std::size_t nv = s.nbSommets();
    const int threads = nv >= std::size_t(kSeuilParallele) ? nbThreads() : 1;
    const Anneaux a = anneaux(s, threads);
    const std::uint32_t* const debuts = a.debuts.data();
    const std::uint32_t* const voisins = a.voisins.data();
    const float* const centres = s.centres.data();
    const TablesTours tables = tablesTours(s, a, threads);
    const std::uint8_t* const axesLibres = tables.axesLibres.data();
    const auto n = static_cast<std::ptrdiff_t>(nv);

    // Umbrella vector of vertex i over the array q: the mean of the neighbours it is smoothed
    // with, minus itself (each coordinate worked out as on its own, the fourth unused).
    // The arrays are taken by value, so that the passes keep them in registers.
    const auto parapluie = [lisses = tables.nbLisses.data(), voisins, debuts,
                            inverses = tables.inverses.data()](const Point4* q, std::size_t i) {
        const std::uint32_t nb = lisses[i];
        if (nb == 0)
            return Point4{0.0f, 0.0f, 0.0f, 0.0f};
        const std::uint32_t* r = voisins + debuts[i];
        Point4 somme = {0.0f, 0.0f, 0.0f, 0.0f};
        for (std::uint32_t k = 0; k < nb; ++k)
            somme += q[r[k]];
        return somme * inverses[nb] - q[i];
    };
    Correcteur correcteur(s, a, index, threads);

    // Each round is one step down the bending energy from a point extrapolated along the last
    // round's move (Nesterov's momentum), brought back into the cells; every kPeriodeDuale
    // rounds the volumes are put right, so that small labels do not shrink away. The second
    // pass reads the umbrellas of the neighbours and y of the vertex alone, so it writes y in
    // place.
    float* x = s.positions.data();
    TableauBrut<Point4> y(nv), u(nv); // first touched by the threads that fill them
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i)
        y[static_cast<std::size_t>(i)] = Point4{x[3 * i], x[3 * i + 1], x[3 * i + 2], 0.0f};
    for (int tour = 0; tour < nbTours; ++tour) {
#pragma omp parallel num_threads(threads)
        {
#pragma omp for schedule(dynamic, kSommetsParTache)
            for (std::ptrdiff_t i = 0; i < n; ++i)
                u[static_cast<std::size_t>(i)] = parapluie(y.data(), static_cast<std::size_t>(i));
#pragma omp for schedule(dynamic, kSommetsParTache)
            for (std::ptrdiff_t i = 0; i < n; ++i) {
                const auto v = static_cast<std::size_t>(i);
                const std::uint8_t axes = axesLibres[v];
                if (axes == 0)
                    continue;
                // The three coordinates together, each with the operations it had alone; the
                // held axes keep their values.
                const Point4 d = parapluie(u.data(), v);
                const Point4 c = charger3(centres + 3 * v), avant = charger3(x + 3 * v);
                const Point4 q = y[v] - kPasDual * d;
                const Point4 suivante = dansCellule(q, c);
                const Masque4 libres = tables.masquesAxes[axes];
                y[v] = libres ? suivante + kInertieDuale * (suivante - avant) : y[v];
                ranger3(x + 3 * v, libres ? suivante : avant);
            }
        }
        if ((tour + 1) % kPeriodeDuale == 0 && tour + 1 < nbTours)
            correcteur.corriger(x, y.data(), tables);
    }
    y = {};
    u = {};
    decouper(s, threads);
    for (int correction = 0; correction < kCorrectionsDuales; ++correction)
        correcteur.corriger(x, nullptr, tables);
}

} // namespace Stravol
