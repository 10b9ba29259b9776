#include <algorithm>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/Message.h"
#include "core/Parallele.h"
#include "core/Racines.h"
#include "core/TableauBrut.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/CalculsPlats.h"

namespace {

// Corner-order normal (b - a) x (c - a), not normalised.
void normaleSommets(const CTriangleChRegion* t, float& gx, float& gy, float& gz) {
    const float a[3] = {t->a->x, t->a->y, t->a->z}, b[3] = {t->b->x, t->b->y, t->b->z},
                c[3] = {t->c->x, t->c->y, t->c->z};
    float g[3];
    Stravol::normaleCoins(a, b, c, g);
    gx = g[0], gy = g[1], gz = g[2];
}

void normaliser(float& x, float& y, float& z) { Stravol::normaliserVecteur(x, y, z); }

bool unCoinActif(const CTriangleChRegion* t) { return t->a->actif || t->b->actif || t->c->actif; }

// Flat copies of the positions and of the neighbour rings (numbered in list order), the rings
// laid end to end: the smoothing passes do the same arithmetic as on the vertices without
// chasing pointers. Writes each vertex's indice.
struct MaillagePlat {
    Stravol::TableauBrut<CSommetChRegion*> sommets;
    // ring of vertex i: anneaux[debutAnneau[i] .. debutAnneau[i + 1]]
    Stravol::TableauBrut<int> debutAnneau;
    Stravol::TableauBrut<int> anneaux;
    Stravol::TableauBrut<float> positions; // x, y, z of each vertex
};

MaillagePlat aplatir(const CMaillageTriangleChRegion& m) {
    MaillagePlat plat;
    const std::size_t nb = static_cast<std::size_t>(m.nbSommets);
    plat.sommets.resize(nb);
    plat.debutAnneau.resize(nb + 1);
    const int threads =
        nb >= static_cast<std::size_t>(Stravol::kSeuilParallele) ? Stravol::nbThreads() : 1;
    std::size_t total = 0;
    if (const std::vector<CSommetChRegion*>* ordre = m.listeSommetsConstruite()) {
        // The list as an array: the vertices are numbered on all threads, their ring lengths
        // summed after.
        CSommetChRegion* const* source = ordre->data();
#pragma omp parallel for num_threads(threads) schedule(static)
        for (std::size_t i = 0; i < nb; ++i) {
            CSommetChRegion* s = source[i];
            s->indice = static_cast<int>(i);
            plat.sommets[i] = s;
            plat.debutAnneau[i] = s->voisins.longueur();
        }
        for (std::size_t i = 0; i < nb; ++i) {
            const int longueur = plat.debutAnneau[i];
            plat.debutAnneau[i] = static_cast<int>(total);
            total += static_cast<std::size_t>(longueur);
        }
    } else {
        std::size_t compte = 0;
        for (CSommetChRegion* s = m.premierSommet; s != nullptr && compte < nb; s = s->suivant) {
            s->indice = static_cast<int>(compte);
            plat.sommets[compte] = s;
            plat.debutAnneau[compte++] = static_cast<int>(total);
            total += static_cast<std::size_t>(s->voisins.longueur());
        }
    }
    plat.debutAnneau[nb] = static_cast<int>(total);
    plat.positions.resize(3 * nb);
    plat.anneaux.resize(total);
    // Each vertex fills its own entries, from the numbers of its neighbours written above.
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::size_t i = 0; i < nb; ++i) {
        const CSommetChRegion* s = plat.sommets[i];
        plat.positions[3 * i] = s->x;
        plat.positions[3 * i + 1] = s->y;
        plat.positions[3 * i + 2] = s->z;
        int* anneau = plat.anneaux.data() + plat.debutAnneau[i];
        for (int k = 0; k < s->voisins.longueur(); ++k)
            anneau[k] = s->voisins.tab[k]->indice;
    }
    return plat;
}

// Writes the flat positions back into the vertices.
void restituer(const MaillagePlat& plat) {
    const std::size_t nb = plat.sommets.size();
#pragma omp parallel for num_threads(Stravol::nbThreads()) if (nb >= Stravol::kSeuilParallele)     \
    schedule(static)
    for (std::size_t i = 0; i < nb; ++i) {
        plat.sommets[i]->x = plat.positions[3 * i];
        plat.sommets[i]->y = plat.positions[3 * i + 1];
        plat.sommets[i]->z = plat.positions[3 * i + 2];
    }
}

CTriangleChRegion* triangleSuivant(CTriangleChRegion* t) { return t->suivant; }

// Calls f on each of n pointers of a chain (debut, then suivant of each node), on all threads
// when the chain is long, taking the chain from tableau when given (the chain as an array).
// f must write only what belongs to the element it is given.
template <class T, class Suivant, class F>
void surChaque(T* debut, int n, Suivant suivant, F f, const std::vector<T*>* tableau = nullptr) {
    if (n < Stravol::kSeuilParallele) {
        for (T* e = debut; e != nullptr; e = suivant(e))
            f(e);
        return;
    }
    std::vector<T*> liste;
    if (tableau == nullptr) {
        liste.reserve(static_cast<std::size_t>(n));
        for (T* e = debut; e != nullptr; e = suivant(e))
            liste.push_back(e);
        tableau = &liste;
    }
    T* const* elements = tableau->data();
    const std::size_t nb = tableau->size();
#pragma omp parallel for num_threads(Stravol::nbThreads()) schedule(static)
    for (std::size_t i = 0; i < nb; ++i)
        f(elements[i]);
}

} // namespace

void CMaillageTriangleChRegion::lisserCourbureTaubin(int n) {
    if (n <= 0 || nbSommets <= 0)
        return;
    MaillagePlat plat = aplatir(*this);
    Stravol::lisserTaubinPlat(plat.positions.data(), plat.debutAnneau.data(), plat.anneaux.data(),
                              plat.sommets.size(), n);
    restituer(plat);
}

namespace {

using Stravol::Double2;

// The point's x and y in double, read and widened in two instructions where SSE2 has them.
Double2 doublesXY(const float* p) {
#ifdef __SSE2__
    return _mm_cvtps_pd(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p)));
#else
    return Double2{p[0], p[1]};
#endif
}

} // namespace

void Stravol::lisserTaubinPlat(float* positions, const int* debutAnneau, const int* anneaux,
                               std::size_t nb, int n) {
    if (n <= 0 || nb == 0)
        return;
    // Each pass reads one array of positions and writes the other, so that every umbrella
    // vector comes from the positions at the start of the pass; each vertex is one thread's
    // alone, and the threads meet once a pass. Passes alternate shrinking (0.5) and inflating
    // (-0.5); the last one leaves its result in positions, as the count of passes is even.
    constexpr double kFacteurs[2] = {0.5, -0.5};
    Stravol::TableauBrut<float> autres(3 * nb); // written whole by the first pass
    float* const tableaux[2] = {positions, autres.data()};
    const int threads =
        nb >= static_cast<std::size_t>(Stravol::kSeuilParallele) ? Stravol::nbThreads() : 1;
    const int nbPasses = 2 * n;
#pragma omp parallel num_threads(threads)
    for (int passe = 0; passe < nbPasses; ++passe) {
        const float* lues = tableaux[passe % 2];
        float* ecrites = tableaux[1 - passe % 2];
        const double facteur = kFacteurs[passe % 2];
#pragma omp for schedule(dynamic, Stravol::kSommetsParTache)
        for (std::size_t i = 0; i < nb; ++i) {
            const int premier = debutAnneau[i], fin = debutAnneau[i + 1];
            const int m = fin - premier;
            const float* p = lues + 3 * i;
            float d[3] = {0.0f, 0.0f, 0.0f};
            if (m > 0) {
                // x and y summed together in the two lanes of one register, z beside them:
                // each with the additions it had alone.
                Double2 sxy = {0.0, 0.0};
                double sz = 0.0;
                for (int r = premier; r < fin; ++r) {
                    const float* u = lues + 3 * static_cast<std::size_t>(anneaux[r]);
                    sxy += doublesXY(u);
                    sz += u[2];
                }
                const Double2 mxy = sxy / static_cast<double>(m);
                d[0] = static_cast<float>(mxy[0] - p[0]);
                d[1] = static_cast<float>(mxy[1] - p[1]);
                d[2] = static_cast<float>(sz / m - p[2]);
            }
            for (int k = 0; k < 3; ++k)
                ecrites[3 * i + k] = static_cast<float>(p[k] + facteur * d[k]);
        }
    }
}

namespace {

// +1 when the ring of v runs in the outward order of its triangles (triangles[k] seen from
// outside as v, voisins[k], voisins[k + 1]), -1 when it runs the other way, 0 when the rings
// do not describe a closed fan.
int sensAnneau(const CSommetChRegion* v) {
    if (v->voisins.longueur() < 3 || v->voisins.longueur() != v->triangles.longueur())
        return 0;
    const CTriangleChRegion* t = v->triangles.tab[0];
    const CSommetChRegion* sortants[3] = {t->a, t->orientation < 0 ? t->c : t->b,
                                          t->orientation < 0 ? t->b : t->c};
    for (int j = 0; j < 3; ++j)
        if (sortants[j] == v)
            return sortants[(j + 1) % 3] == v->voisins.tab[0] ? 1 : -1;
    return 0;
}

// Sum over the fan of vertex i of (r_k - p) x (r_k+1 - p), turned outward: twice the area
// vector of the fan. Its triple products with p give six times the fan's share of volume.
struct Eventail {
    double normale[3] = {0.0, 0.0, 0.0};
    double volume = 0.0; // sum of det(p, r_k, r_k+1), oriented
    double aire = 0.0;   // sum of |(r_k - p) x (r_k+1 - p)|
};

Eventail eventail(const float* positions, const int* anneau, int m, int sens, std::size_t i) {
    Eventail e;
    const float* p = positions + 3 * i;
    for (int k = 0; k < m; ++k) {
        const float* r = positions + 3 * static_cast<std::size_t>(anneau[k]);
        const float* s = positions + 3 * static_cast<std::size_t>(anneau[(k + 1) % m]);
        const double u[3] = {double(r[0]) - p[0], double(r[1]) - p[1], double(r[2]) - p[2]};
        const double w[3] = {double(s[0]) - p[0], double(s[1]) - p[1], double(s[2]) - p[2]};
        const double c[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                             u[0] * w[1] - u[1] * w[0]};
        for (int j = 0; j < 3; ++j)
            e.normale[j] += sens * c[j];
        e.aire += std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        // det(p, r, s) = p . (r x s) = p . (u x w).
        e.volume += sens * (p[0] * c[0] + p[1] * c[1] + p[2] * c[2]);
    }
    return e;
}

// The rings of a flattened mesh: vertex i's ring is anneaux[debutAnneau[i] .. debutAnneau[i+1]),
// turning as sens[i] says.
struct RingsPlats {
    const int* debutAnneau;
    const int* anneaux;
    const int* sens;
    std::size_t nb;
};

// Volume and area enclosed by the fans of q (sums in list order, so that any number of threads
// gives the same result); with normales, the unit vertex normals of q too.
void volumeEtAire(const RingsPlats& r, const float* q, float* normales,
                  std::vector<double>& contributions, int threads, double& volume, double& aire) {
    const std::size_t nb = r.nb;
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::size_t i = 0; i < nb; ++i) {
        const Eventail e = eventail(q, r.anneaux + r.debutAnneau[i],
                                    r.debutAnneau[i + 1] - r.debutAnneau[i], r.sens[i], i);
        contributions[2 * i] = e.volume;
        contributions[2 * i + 1] = e.aire;
        if (normales == nullptr)
            continue;
        const double longueur =
            std::sqrt(e.normale[0] * e.normale[0] + e.normale[1] * e.normale[1] +
                      e.normale[2] * e.normale[2]);
        for (std::size_t k = 0; k < 3; ++k)
            normales[3 * i + k] =
                longueur > 0.0 ? static_cast<float>(e.normale[k] / longueur) : 0.0f;
    }
    volume = aire = 0.0;
    for (std::size_t i = 0; i < nb; ++i) {
        volume += contributions[2 * i];
        aire += contributions[2 * i + 1];
    }
    // Each triangle is counted at its three corners.
    volume /= 18.0;
    aire /= 6.0;
}

// Bending still draws thin parts in a little: the surface x is moved along its vertex normals
// by the uniform distance that gives back the volume of depart, then into the boxes around
// depart again. normales is scratch room of 3 floats a vertex.
void restaurerVolume(const RingsPlats& r, const float* depart, float* x, float* normales,
                     int threads) {
    const std::size_t nb = r.nb;
    std::vector<double> contributions(2 * nb);
    double volumeDepart = 0.0, aire = 0.0;
    volumeEtAire(r, depart, nullptr, contributions, threads, volumeDepart, aire);
    for (int correction = 0; correction < CMaillageTriangleChRegion::kCorrectionsVolume;
         ++correction) {
        double volume = 0.0;
        volumeEtAire(r, x, normales, contributions, threads, volume, aire);
        if (!(aire > 0.0))
            break;
        const float distance = static_cast<float>((volumeDepart - volume) / aire);
#pragma omp parallel for num_threads(threads) schedule(static)
        for (std::size_t j = 0; j < 3 * nb; ++j)
            x[j] = std::clamp(x[j] + distance * normales[j],
                              depart[j] - CMaillageTriangleChRegion::kDemiBoite,
                              depart[j] + CMaillageTriangleChRegion::kDemiBoite);
    }
}

} // namespace

void CMaillageTriangleChRegion::lisserContraint(int n) {
    if (n <= 0 || nbSommets <= 0)
        return;
    MaillagePlat plat = aplatir(*this);
    const std::size_t nb = plat.sommets.size();
    const int* const debutAnneau = plat.debutAnneau.data();
    const int* const anneaux = plat.anneaux.data();
    std::vector<int> sens(nb);
    bool eventailsFermes = true;
    for (std::size_t i = 0; i < nb; ++i) {
        sens[i] = sensAnneau(plat.sommets[i]);
        eventailsFermes = eventailsFermes && sens[i] != 0;
    }
    const std::vector<float> depart(plat.positions.begin(), plat.positions.end());
    // x: positions; y: the point extrapolated from x along the last round's move, where the
    // next step is taken; u: umbrella vectors of y, then unit normals of x.
    float* x = plat.positions.data();
    std::vector<float> y = depart, u(3 * nb);
    const int threads =
        nb >= static_cast<std::size_t>(Stravol::kSeuilParallele) ? Stravol::nbThreads() : 1;

    // Umbrella vector of vertex i over the array q: mean of its ring minus itself.
    const auto parapluie = [&](const float* q, std::size_t i, float d[3]) {
        const int premier = debutAnneau[i], fin = debutAnneau[i + 1];
        d[0] = d[1] = d[2] = 0.0f;
        if (fin == premier)
            return;
        float somme[3] = {0.0f, 0.0f, 0.0f};
        for (int r = premier; r < fin; ++r) {
            const float* v = q + 3 * static_cast<std::size_t>(anneaux[r]);
            somme[0] += v[0];
            somme[1] += v[1];
            somme[2] += v[2];
        }
        const float inverse = 1.0f / static_cast<float>(fin - premier);
        for (int k = 0; k < 3; ++k)
            d[k] = somme[k] * inverse - q[3 * i + static_cast<std::size_t>(k)];
    };
    const auto borner = [&](float q, std::size_t j) {
        return std::clamp(q, depart[j] - kDemiBoite, depart[j] + kDemiBoite);
    };

    // Each round is one step down the bending energy (the squared umbrella vectors), whose
    // gradient is the umbrella of the umbrella, taken from a point extrapolated along the last
    // round's move (heavy-ball inertia), then brought back into the boxes. Bending flattens the
    // terraces without pulling the surface in as a membrane would; the inertia carries the
    // long, shallow terraces of large shapes away in a few tens of rounds instead of hundreds.
    // The second pass reads the umbrellas of the neighbours and y of the vertex alone, so it
    // may write the next round's y in place.
#pragma omp parallel num_threads(threads)
    for (int tour = 0; tour < n; ++tour) {
#pragma omp for schedule(static)
        for (std::size_t i = 0; i < nb; ++i)
            parapluie(y.data(), i, u.data() + 3 * i);
#pragma omp for schedule(static)
        for (std::size_t i = 0; i < nb; ++i) {
            float d[3];
            parapluie(u.data(), i, d);
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t j = 3 * i + k;
                const float suivante = borner(y[j] - kPasContraint * d[k], j);
                y[j] = suivante + kInertieContraint * (suivante - x[j]);
                x[j] = suivante;
            }
        }
    }
    if (!eventailsFermes) {
        restituer(plat);
        return;
    }

    restaurerVolume(RingsPlats{debutAnneau, anneaux, sens.data(), nb}, depart.data(), x, u.data(),
                    threads);
    restituer(plat);
}

void CMaillageTriangleChRegion::calculerNormale(CTriangleChRegion* t) {
    if (!unCoinActif(t))
        return;
    float gx, gy, gz;
    normaleSommets(t, gx, gy, gz);
    normaliser(gx, gy, gz);
    const float signe = static_cast<float>(t->orientation);
    t->normale[0] = signe * gx;
    t->normale[1] = signe * gy;
    t->normale[2] = signe * gz;
}

// Each triangle normal reads its corners and writes its own triangle only; each vertex normal
// reads its triangles and writes its own vertex only.
void CMaillageTriangleChRegion::calculerNormales() {
    surChaque(
        premierTriangle, nbTriangles, triangleSuivant,
        [this](CTriangleChRegion* t) { calculerNormale(t); }, listeTrianglesConstruite());
}

void CMaillageTriangleChRegion::calculerNormale2(CTriangleChRegion* t) {
    if (!unCoinActif(t))
        return;
    const float na[3] = {t->a->normale.x, t->a->normale.y, t->a->normale.z};
    const float nb[3] = {t->b->normale.x, t->b->normale.y, t->b->normale.z};
    const float nc[3] = {t->c->normale.x, t->c->normale.y, t->c->normale.z};
    float g[3];
    normaleSommets(t, g[0], g[1], g[2]);
    normaliser(g[0], g[1], g[2]);
    t->orientation = Stravol::orientationSelonSommets(na, nb, nc, g);
    const float signe = static_cast<float>(t->orientation);
    t->normale[0] = signe * g[0];
    t->normale[1] = signe * g[1];
    t->normale[2] = signe * g[2];
}

void CMaillageTriangleChRegion::calculerNormales2() {
    surChaque(
        premierTriangle, nbTriangles, triangleSuivant,
        [this](CTriangleChRegion* t) { calculerNormale2(t); }, listeTrianglesConstruite());
}

void CMaillageTriangleChRegion::calculerNormaleSommet(CSommetChRegion* v) {
    double sx = 0.0, sy = 0.0, sz = 0.0;
    for (int k = 0; k < v->triangles.longueur(); ++k) {
        const CTriangleChRegion* t = v->triangles.tab[k];
        if (t == nullptr) {
            v->normale =
                CPoint3D(static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(sz));
            Message(Chaine("ERREUR : sommet ") + toChaine(static_cast<const CPoint3D&>(*v)));
            return;
        }
        sx += t->normale[0];
        sy += t->normale[1];
        sz += t->normale[2];
    }
    float x = static_cast<float>(sx), y = static_cast<float>(sy), z = static_cast<float>(sz);
    normaliser(x, y, z);
    v->normale = CPoint3D(x, y, z);
}

void CMaillageTriangleChRegion::calculerNormalesSommets() {
    using Element = CListeChainee<CSommetChRegion*>::CElementChaine;
    surChaque(
        sommetsActifs.debut, sommetsActifs.longueur(), [](Element* e) { return e->suivant; },
        [this](Element* e) { calculerNormaleSommet(e->valeur); });
    // The cursor ends past the last node, as a walk with it leaves it.
    sommetsActifs.forcerCourant(nullptr);
}
