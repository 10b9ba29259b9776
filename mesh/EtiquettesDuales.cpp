// The meshes of single labels and of interfaces taken from the dual surface.
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <tuple>

#include "core/NumerosCles.h"
#include "core/Parallele.h"
#include "core/Racines.h"
#include "core/RepartitionParThread.h"
#include "mesh/SurfaceDuale.h"

namespace Stravol {

namespace {

// Positions (and unit vertex normals where asked) of a mesh whose corners are numbered by the
// surface's vertices: each distinct corner number becomes a vertex, in order of first use.
MaillagePlat assembler(const SurfaceDuale& s, const std::vector<std::uint32_t>& sommets,
                       std::vector<std::uint32_t> coins,
                       NormalesSommets normales = NormalesSommets::Avec) {
    MaillagePlat m;
    m.positions.resize(3 * sommets.size());
    for (std::size_t v = 0; v < sommets.size(); ++v)
        for (std::size_t a = 0; a < 3; ++a)
            m.positions[3 * v + a] = s.positions[3 * std::size_t{sommets[v]} + a];
    m.triangles = std::move(coins);
    if (normales == NormalesSommets::Avec)
        calculerNormalesPlat(m);
    return m;
}

// The next corner of the same triangle.
std::size_t suivant(std::size_t i) { return i % 3 == 2 ? i - 2 : i + 1; }

// The voxel of label etiquette that triangle t bounds: the centre of its quad's face moved half
// a voxel against its normal (the triangles turn counter-clockwise seen from the front label)
// when the label is behind, along it otherwise. Read from the cells' centres, which the
// smoothing does not move.
std::array<long, 3> voxelBorde(const SurfaceDuale& s, std::uint32_t t, std::uint16_t etiquette) {
    const std::size_t q = std::size_t{t} / 2;
    const std::uint32_t* c = s.triangles.data() + 6 * q;
    const std::uint32_t coins[4] = {c[0], c[1], c[2], c[5]};
    double centre[3] = {0.0, 0.0, 0.0};
    double p[3][3];
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t a = 0; a < 3; ++a) {
            const double x = s.centres[3 * std::size_t{coins[k]} + a];
            centre[a] += 0.25 * x;
            if (k < 3)
                p[k][a] = x;
        }
    const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double sens = s.paires[2 * std::size_t{t} + 1] == etiquette ? -0.5 : 0.5;
    std::array<long, 3> voxel{};
    for (std::size_t a = 0; a < 3; ++a)
        voxel[a] = std::lround(centre[a] + sens * (n[a] > 0.0 ? 1.0 : (n[a] < 0.0 ? -1.0 : 0.0)));
    return voxel;
}

// No number yet.
constexpr std::uint32_t kAucun = 0xffffffffu;

// How many triangles ahead of the one numbered the next ones are fetched.
constexpr std::size_t kAvance = 16;

// Each pair's areas, in voxel^2 and in mm^2 (numero: the pair of each triangle), summed in its
// triangles' order, which is the surface's: the same for any thread count. The pairs are shared
// out among the threads by their triangles, the largest first to the least loaded; each thread
// reads the surface in its order and sums the areas of its own pairs' triangles alone.
void sommerAires(const SurfaceDuale& s, const Geometrie& monde,
                 const TableauBrut<std::uint32_t>& numero, int threads,
                 std::vector<InterfaceDuale>& paires) {
    const std::size_t np = paires.size(), nt = numero.size();
    std::vector<std::uint32_t> parTaille(np);
    std::iota(parTaille.begin(), parTaille.end(), 0u);
    std::stable_sort(parTaille.begin(), parTaille.end(), [&](std::uint32_t p, std::uint32_t q) {
        return paires[p].nbTriangles > paires[q].nbTriangles;
    });
    std::vector<int> proprietaire(np);
    std::vector<std::size_t> charges(static_cast<std::size_t>(threads), 0);
    for (const std::uint32_t k : parTaille) {
        const auto moindre = static_cast<std::size_t>(
            std::min_element(charges.begin(), charges.end()) - charges.begin());
        proprietaire[k] = static_cast<int>(moindre);
        charges[moindre] += paires[k].nbTriangles;
    }
    const auto& a = monde.affine;
    // Twice the area of triangle q, squared.
    const auto carre = [](const double q[3][3]) {
        const double u[3] = {q[1][0] - q[0][0], q[1][1] - q[0][1], q[1][2] - q[0][2]};
        const double v[3] = {q[2][0] - q[0][0], q[2][1] - q[0][1], q[2][2] - q[0][2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        return n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    };
#pragma omp parallel for num_threads(threads) schedule(static, 1)
    for (int part = 0; part < threads; ++part) {
        // A run of triangles of one pair is summed in registers.
        std::size_t courante = np;
        double somme = 0.0, sommeMm2 = 0.0;
        const auto ranger = [&] {
            if (courante < np) {
                paires[courante].aire = somme;
                paires[courante].aireMm2 = sommeMm2;
            }
        };
        for (std::size_t t = 0; t < nt; ++t) {
            const std::uint32_t k = numero[t];
            if (proprietaire[k] != part)
                continue;
            if (k != courante) {
                ranger();
                courante = k;
                somme = paires[k].aire;
                sommeMm2 = paires[k].aireMm2;
            }
            double p[3][3], w[3][3];
            for (std::size_t c = 0; c < 3; ++c)
                for (std::size_t e = 0; e < 3; ++e)
                    p[c][e] = s.positions[3 * std::size_t{s.triangles[3 * t + c]} + e];
            for (std::size_t c = 0; c < 3; ++c)
                for (std::size_t e = 0; e < 3; ++e)
                    w[c][e] = a[e][0] * p[c][0] + a[e][1] * p[c][1] + a[e][2] * p[c][2];
            double aire = 0.0, aireMm2 = 0.0;
            racines(carre(p), carre(w), aire, aireMm2);
            somme += 0.5 * aire;
            sommeMm2 += 0.5 * aireMm2;
        }
        ranger();
    }
}

// The corners of the label's triangles, outward of it (as stored where it is behind, reversed
// where it is in front), numbered by the label's own vertices in order of first use; globaux
// holds the surface's vertex of each. travail.locaux is left all kAucun again.
void numeroterCoins(const SurfaceDuale& s, std::uint16_t etiquette, const std::uint32_t* triangles,
                    std::size_t nb, TravailEtiquette& travail, std::vector<std::uint32_t>& coins,
                    std::vector<std::uint32_t>& globaux) {
    std::vector<std::uint32_t>& locaux = travail.locaux;
    if (locaux.size() != s.nbSommets())
        locaux.assign(s.nbSommets(), kAucun);
    coins.resize(3 * nb);
    for (std::size_t i = 0; i < nb; ++i) {
        // The label's triangles lie apart in the surface: they are asked for ahead.
        if (i + kAvance < nb) {
            __builtin_prefetch(s.triangles.data() + 3 * std::size_t{triangles[i + kAvance]});
            __builtin_prefetch(s.paires.data() + 2 * std::size_t{triangles[i + kAvance]});
        }
        const std::uint32_t* c = s.triangles.data() + 3 * std::size_t{triangles[i]};
        const bool derriere = s.paires[2 * std::size_t{triangles[i]} + 1] == etiquette;
        const std::uint32_t ordre[3] = {c[0], derriere ? c[1] : c[2], derriere ? c[2] : c[1]};
        for (std::size_t k = 0; k < 3; ++k) {
            std::uint32_t& l = locaux[ordre[k]];
            if (l == kAucun) {
                l = static_cast<std::uint32_t>(globaux.size());
                globaux.push_back(ordre[k]);
            }
            coins[3 * i + k] = l;
        }
    }
    for (const std::uint32_t g : globaux)
        locaux[g] = kAucun;
}

// An edge of four uses, where two voxels of the label touch diagonally.
struct Quadruple {
    std::uint32_t aller[2]; // the two uses from the smaller vertex
    bool inverse = false;   // matched around the other two voxels
};

// Matches the two uses of each edge of the vertices that may have several fans (plusieurs, by
// vertex; jumeau: the corner of the other use, by the corner the use starts from, kAucun on the
// other edges). An edge of four uses is matched around each voxel of the label, and listed in
// quadruples.
void apparierAretes(const SurfaceDuale& s, std::uint16_t etiquette, const std::uint32_t* triangles,
                    const std::vector<std::uint32_t>& coins,
                    const std::vector<std::uint8_t>& plusieurs, std::vector<std::uint32_t>& jumeau,
                    std::vector<Quadruple>& quadruples) {
    const std::size_t nc = coins.size(), nv = plusieurs.size();
    // The edges leaving each vertex (by the corner they start from).
    std::vector<std::uint32_t> debuts(nv + 1, 0), sortants(nc);
    for (const std::uint32_t c : coins)
        ++debuts[c + 1];
    for (std::size_t v = 0; v < nv; ++v)
        debuts[v + 1] += debuts[v];
    {
        std::vector<std::uint32_t> fins(debuts.begin(), debuts.end() - 1);
        for (std::size_t i = 0; i < nc; ++i)
            sortants[fins[coins[i]]++] = static_cast<std::uint32_t>(i);
    }
    // The uses of the edge from a to b, by their corners.
    const auto usages = [&](std::uint32_t a, std::uint32_t b, std::uint32_t* sortie) {
        std::size_t n = 0;
        for (std::uint32_t k = debuts[a]; k < debuts[a + 1]; ++k)
            if (coins[suivant(sortants[k])] == b && n < 2)
                sortie[n++] = sortants[k];
        return n;
    };
    jumeau.assign(nc, kAucun);
    for (std::size_t i = 0; i < nc; ++i) {
        const std::uint32_t a = coins[i], b = coins[suivant(i)];
        if (a > b || jumeau[i] != kAucun || (plusieurs[a] == 0 && plusieurs[b] == 0))
            continue;
        std::uint32_t aller[2], retour[2];
        const std::size_t nbAller = usages(a, b, aller), nbRetour = usages(b, a, retour);
        if (nbAller == 1 && nbRetour == 1) {
            jumeau[aller[0]] = retour[0];
            jumeau[retour[0]] = aller[0];
        } else if (nbAller == 2 && nbRetour == 2) {
            // Around each voxel of the label first.
            const auto voxel = [&](std::uint32_t u) {
                return voxelBorde(s, triangles[u / 3], etiquette);
            };
            if (voxel(aller[0]) != voxel(retour[0]))
                std::swap(retour[0], retour[1]);
            for (std::size_t j = 0; j < 2; ++j) {
                jumeau[aller[j]] = retour[j];
                jumeau[retour[j]] = aller[j];
            }
            quadruples.push_back({{aller[0], aller[1]}, false});
        }
    }
}

// Fans of corners, as sets: around the vertex of corner i, the next triangle is the one across
// the edge that leaves from i, where the vertex is at the corner after the matched use.
struct Eventails {
    std::vector<std::uint32_t> parent;

    // The representative of corner i's fan (the smallest corner of it once grouped).
    std::uint32_t trouver(std::uint32_t i) {
        while (parent[i] != i) {
            parent[i] = parent[parent[i]];
            i = parent[i];
        }
        return i;
    }

    // The fans of the matches in jumeau, from single corners.
    void regrouper(const std::vector<std::uint32_t>& jumeau) {
        const std::size_t nc = parent.size();
        for (std::size_t i = 0; i < nc; ++i)
            parent[i] = static_cast<std::uint32_t>(i);
        for (std::size_t i = 0; i < nc; ++i)
            if (jumeau[i] != kAucun) {
                const std::uint32_t a = trouver(static_cast<std::uint32_t>(i));
                const std::uint32_t b = trouver(static_cast<std::uint32_t>(suivant(jumeau[i])));
                parent[std::max(a, b)] = std::min(a, b);
            }
    }
};

// Where the two pieces that meet at a quadruple edge stay one fan at both of its ends, matches
// the edge around the two other voxels instead, which splits one end; the fans are grouped
// again after each pass that changes a match, four passes at most.
void inverserQuadruples(std::vector<Quadruple>& quadruples, std::vector<std::uint32_t>& jumeau,
                        Eventails& eventails) {
    for (int passe = 0; passe < 4; ++passe) {
        bool change = false;
        for (Quadruple& q : quadruples) {
            if (q.inverse)
                continue;
            const bool memeDepart = eventails.trouver(q.aller[0]) == eventails.trouver(q.aller[1]);
            const bool memeArrivee =
                eventails.trouver(static_cast<std::uint32_t>(suivant(q.aller[0]))) ==
                eventails.trouver(static_cast<std::uint32_t>(suivant(q.aller[1])));
            if (!memeDepart || !memeArrivee)
                continue;
            const std::uint32_t r0 = jumeau[q.aller[0]], r1 = jumeau[q.aller[1]];
            jumeau[q.aller[0]] = r1;
            jumeau[r1] = q.aller[0];
            jumeau[q.aller[1]] = r0;
            jumeau[r0] = q.aller[1];
            q.inverse = change = true;
        }
        if (!change)
            break;
        eventails.regrouper(jumeau);
    }
}

// The closed surface of one label from its triangles (numbers in the surface). Its corners
// first carry the surface's vertices. Where the label has one sheet through a vertex, as the
// analysis of its cell found, the vertex is one fan. Around the others, each edge's two uses
// are matched (an edge where two voxels of the label touch diagonally has four, matched around
// each of those voxels), and the vertex becomes one vertex for each fan of triangles that the
// matches chain around it.
MaillagePlat maillage(const SurfaceDuale& s, std::uint16_t etiquette,
                      const std::uint32_t* triangles, std::size_t nb, TravailEtiquette& travail,
                      NormalesSommets normales = NormalesSommets::Avec) {
    std::vector<std::uint32_t> coins, globaux;
    numeroterCoins(s, etiquette, triangles, nb, travail, coins, globaux);
    std::vector<std::uint8_t> plusieurs(globaux.size());
    bool aFendre = false;
    for (std::size_t v = 0; v < globaux.size(); ++v) {
        plusieurs[v] = (s.genres[globaux[v]] & kUneNappe) == 0 ? 1 : 0;
        aFendre = aFendre || plusieurs[v] != 0;
    }
    // Every vertex one fan: the corners keep their numbers.
    if (!aFendre)
        return assembler(s, globaux, std::move(coins), normales);
    const std::size_t nc = coins.size();
    std::vector<std::uint32_t> jumeau;
    std::vector<Quadruple> quadruples;
    apparierAretes(s, etiquette, triangles, coins, plusieurs, jumeau, quadruples);
    Eventails eventails{std::vector<std::uint32_t>(nc)};
    eventails.regrouper(jumeau);
    inverserQuadruples(quadruples, jumeau, eventails);

    // One vertex for each fan, in order of first use.
    std::vector<std::uint32_t> numeros(nc, kAucun), parSommet(globaux.size(), kAucun), sommets;
    for (std::size_t i = 0; i < nc; ++i) {
        const std::uint32_t v = coins[i];
        std::uint32_t& numero = plusieurs[v] != 0
                                    ? numeros[eventails.trouver(static_cast<std::uint32_t>(i))]
                                    : parSommet[v];
        if (numero == kAucun) {
            numero = static_cast<std::uint32_t>(sommets.size());
            sommets.push_back(globaux[v]);
        }
        coins[i] = numero;
    }
    return assembler(s, sommets, std::move(coins), normales);
}

} // namespace

IndexEtiquettesDuales indexerEtiquettes(const SurfaceDuale& s) {
    constexpr std::size_t kNbValeurs = 65536;
    IndexEtiquettesDuales index;
    std::vector<std::uint32_t> debuts;
    repartirParThread(
        s.nbTriangles(), kNbValeurs,
        [&s](std::size_t t, const auto& poser) {
            for (std::size_t k = 0; k < 2; ++k)
                if (const std::uint16_t e = s.paires[2 * t + k]; e != 0)
                    poser(e, static_cast<std::uint32_t>(t));
        },
        debuts, index.triangles);
    index.debuts.push_back(0);
    for (std::size_t e = 1; e < kNbValeurs; ++e)
        if (debuts[e + 1] > debuts[e]) {
            index.valeurs.push_back(static_cast<std::uint16_t>(e));
            index.debuts.push_back(debuts[e + 1]);
        }
    return index;
}

MaillagePlat maillageEtiquette(const SurfaceDuale& s, const IndexEtiquettesDuales& index,
                               std::size_t rang, TravailEtiquette& travail,
                               NormalesSommets normales) {
    if (rang >= index.valeurs.size())
        return {};
    return maillage(s, index.valeurs[rang], index.triangles.data() + index.debuts[rang],
                    index.debuts[rang + 1] - index.debuts[rang], travail, normales);
}

MaillagePlat maillageEtiquette(const SurfaceDuale& s, const IndexEtiquettesDuales& index,
                               std::size_t rang) {
    TravailEtiquette travail;
    return maillageEtiquette(s, index, rang, travail);
}

MaillagePlat maillageEtiquette(const SurfaceDuale& s, std::uint16_t etiquette) {
    std::vector<std::uint32_t> triangles;
    if (etiquette != 0)
        for (std::size_t t = 0; t < s.nbTriangles(); ++t)
            if (s.paires[2 * t] == etiquette || s.paires[2 * t + 1] == etiquette)
                triangles.push_back(static_cast<std::uint32_t>(t));
    TravailEtiquette travail;
    return maillage(s, etiquette, triangles.data(), triangles.size(), travail);
}

InterfacesDuales interfacesDuales(const SurfaceDuale& s, const Geometrie& monde) {
    InterfacesDuales r;
    const std::size_t nt = s.nbTriangles();
    NumerosCles numeros;
    TableauBrut<std::uint32_t> numeroTriangle(nt);
    // A quad's two triangles, and most of their neighbours in surface order, share their pair:
    // the table is asked only when the pair changes.
    std::uint32_t derniereCle = 0, dernier = 0;
    for (std::size_t t = 0; t < nt; ++t) {
        const std::uint32_t cle = std::uint32_t{s.paires[2 * t]} << 16 | s.paires[2 * t + 1];
        if (t == 0 || cle != derniereCle) {
            const auto [numero, nouveau] = numeros.numero(cle);
            if (nouveau) {
                InterfaceDuale i;
                i.a = s.paires[2 * t];
                i.b = s.paires[2 * t + 1];
                r.paires.push_back(i);
            }
            derniereCle = cle;
            dernier = numero;
        }
        numeroTriangle[t] = dernier;
    }
    // By increasing (a, b), each pair's triangles in surface order.
    const std::size_t np = r.paires.size();
    std::vector<std::uint32_t> ordre(np);
    std::iota(ordre.begin(), ordre.end(), 0u);
    std::sort(ordre.begin(), ordre.end(), [&r](std::uint32_t p, std::uint32_t q) {
        return std::tie(r.paires[p].a, r.paires[p].b) < std::tie(r.paires[q].a, r.paires[q].b);
    });
    std::vector<InterfaceDuale> triees(np);
    std::vector<std::uint32_t> nouveaux(np);
    for (std::size_t k = 0; k < np; ++k) {
        triees[k] = r.paires[ordre[k]];
        nouveaux[ordre[k]] = static_cast<std::uint32_t>(k);
    }
    r.paires = std::move(triees);
    const auto n = static_cast<std::ptrdiff_t>(nt);
    const int threads = nbThreadsPour(nt);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t t = 0; t < n; ++t)
        numeroTriangle[static_cast<std::size_t>(t)] =
            nouveaux[numeroTriangle[static_cast<std::size_t>(t)]];
    std::vector<std::uint32_t> debuts;
    repartirParThread(
        nt, np,
        [&](std::size_t t, const auto& poser) {
            poser(numeroTriangle[t], static_cast<std::uint32_t>(t));
        },
        debuts, r.triangles);
    for (std::size_t k = 0; k < np; ++k) {
        r.paires[k].debut = debuts[k];
        r.paires[k].nbTriangles = debuts[k + 1] - debuts[k];
    }
    sommerAires(s, monde, numeroTriangle, threads, r.paires);
    return r;
}

MaillagePlat maillageInterface(const SurfaceDuale& s, const InterfacesDuales& interfaces,
                               std::size_t k) {
    if (k >= interfaces.paires.size())
        return {};
    const InterfaceDuale& i = interfaces.paires[k];
    std::vector<std::uint32_t> coins(3 * i.nbTriangles), sommets;
    NumerosCles numeros;
    for (std::size_t n = 0; n < i.nbTriangles; ++n) {
        const std::size_t t = interfaces.triangles[i.debut + n];
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint32_t v = s.triangles[3 * t + c];
            const auto [numero, nouveau] = numeros.numero(v);
            if (nouveau)
                sommets.push_back(v);
            coins[3 * n + c] = numero;
        }
    }
    return assembler(s, sommets, std::move(coins));
}

} // namespace Stravol
