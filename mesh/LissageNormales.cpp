#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Message.h"
#include "core/Parallele.h"
#include "mesh/CMaillageTriangleChRegion.h"

namespace {

// Division by the Euclidean length, the squared length summed in double and rounded to float
// before the root. A zero vector stays zero instead of turning into NaN.
void normaliser(float& x, float& y, float& z) {
    const float n2 = static_cast<float>(static_cast<double>(x) * x + static_cast<double>(y) * y +
                                        static_cast<double>(z) * z);
    const float n = std::sqrt(n2);
    if (n == 0.0f)
        return;
    x /= n;
    y /= n;
    z /= n;
}

// Corner-order normal (b - a) x (c - a), not normalised.
void normaleSommets(const CTriangleChRegion* t, float& gx, float& gy, float& gz) {
    const float ux = t->b->x - t->a->x, uy = t->b->y - t->a->y, uz = t->b->z - t->a->z;
    const float vx = t->c->x - t->a->x, vy = t->c->y - t->a->y, vz = t->c->z - t->a->z;
    gx = static_cast<float>(static_cast<double>(uy) * vz - static_cast<double>(uz) * vy);
    gy = static_cast<float>(static_cast<double>(uz) * vx - static_cast<double>(ux) * vz);
    gz = static_cast<float>(static_cast<double>(ux) * vy - static_cast<double>(uy) * vx);
}

bool unCoinActif(const CTriangleChRegion* t) { return t->a->actif || t->b->actif || t->c->actif; }

// Flat copies of the positions and of the neighbour rings (numbered in list order), the rings
// laid end to end: the smoothing passes do the same arithmetic as on the vertices without
// chasing pointers. Writes each vertex's indice.
struct MaillagePlat {
    std::vector<CSommetChRegion*> sommets;
    std::vector<int> debutAnneau; // ring of vertex i: anneaux[debutAnneau[i] .. debutAnneau[i + 1]]
    std::vector<int> anneaux;
    std::vector<float> positions; // x, y, z of each vertex
};

MaillagePlat aplatir(CSommetChRegion* premier, int nbSommets) {
    MaillagePlat plat;
    const std::size_t nb = static_cast<std::size_t>(nbSommets);
    plat.sommets.resize(nb);
    plat.debutAnneau.resize(nb + 1);
    std::size_t total = 0, compte = 0;
    for (CSommetChRegion* s = premier; s != nullptr && compte < nb; s = s->suivant) {
        s->indice = static_cast<int>(compte);
        plat.sommets[compte] = s;
        plat.debutAnneau[compte++] = static_cast<int>(total);
        total += static_cast<std::size_t>(s->voisins.longueur());
    }
    plat.debutAnneau[nb] = static_cast<int>(total);
    plat.positions.resize(3 * nb);
    plat.anneaux.resize(total);
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
    for (std::size_t i = 0; i < plat.sommets.size(); ++i) {
        plat.sommets[i]->x = plat.positions[3 * i];
        plat.sommets[i]->y = plat.positions[3 * i + 1];
        plat.sommets[i]->z = plat.positions[3 * i + 2];
    }
}

} // namespace

void CMaillageTriangleChRegion::lisserCourbureTaubin(int n) {
    if (n <= 0 || nbSommets <= 0)
        return;
    // The passes run on flat copies of the positions and of the rings; every array is sized
    // once.
    MaillagePlat plat = aplatir(premierSommet, nbSommets);
    const std::size_t nb = plat.sommets.size();
    std::vector<float>& positions = plat.positions;
    const std::vector<int>& debutAnneau = plat.debutAnneau;
    const std::vector<int>& anneaux = plat.anneaux;
    // Each pass reads one array of positions and writes the other, so that every umbrella
    // vector comes from the positions at the start of the pass; each vertex is one thread's
    // alone, and the threads meet once a pass. Passes alternate shrinking (0.5) and inflating
    // (-0.5); the last one leaves its result in positions, as the count of passes is even.
    constexpr double kFacteurs[2] = {0.5, -0.5};
    std::vector<float> autres(3 * nb);
    float* const tableaux[2] = {positions.data(), autres.data()};
    const int threads =
        nb >= static_cast<std::size_t>(Stravol::kSeuilParallele) ? Stravol::nbThreads() : 1;
    const int nbPasses = 2 * n;
#pragma omp parallel num_threads(threads)
    for (int passe = 0; passe < nbPasses; ++passe) {
        const float* lues = tableaux[passe % 2];
        float* ecrites = tableaux[1 - passe % 2];
        const double facteur = kFacteurs[passe % 2];
#pragma omp for schedule(static)
        for (std::size_t i = 0; i < nb; ++i) {
            const int premier = debutAnneau[i], fin = debutAnneau[i + 1];
            const int m = fin - premier;
            const float* p = lues + 3 * i;
            float d[3] = {0.0f, 0.0f, 0.0f};
            if (m > 0) {
                double sx = 0.0, sy = 0.0, sz = 0.0;
                for (int r = premier; r < fin; ++r) {
                    const float* u = lues + 3 * static_cast<std::size_t>(anneaux[r]);
                    sx += u[0];
                    sy += u[1];
                    sz += u[2];
                }
                d[0] = static_cast<float>(sx / m - p[0]);
                d[1] = static_cast<float>(sy / m - p[1]);
                d[2] = static_cast<float>(sz / m - p[2]);
            }
            for (int k = 0; k < 3; ++k)
                ecrites[3 * i + k] = static_cast<float>(p[k] + facteur * d[k]);
        }
    }
    restituer(plat);
}

void CMaillageTriangleChRegion::lisserContraint(int n) {
    if (n <= 0 || nbSommets <= 0)
        return;
    MaillagePlat plat = aplatir(premierSommet, nbSommets);
    const std::size_t nb = plat.sommets.size();
    const std::vector<float> depart = plat.positions;
    std::vector<float> autres(3 * nb);
    float* const tableaux[2] = {plat.positions.data(), autres.data()};
    const int* const debutAnneau = plat.debutAnneau.data();
    const int* const anneaux = plat.anneaux.data();
    const int threads =
        nb >= static_cast<std::size_t>(Stravol::kSeuilParallele) ? Stravol::nbThreads() : 1;
    // A round is a shrinking pass and an inflating one of the same strength (the default
    // smoothing's pair, which keeps the volume), after which every vertex is brought back into
    // its box. Stronger inflation was tried: it swells thin tubes and leaves larger maxima.
    const float facteurs[2] = {kLambdaContraint, kMuContraint};
    const int nbPasses = 2 * n;
#pragma omp parallel num_threads(threads)
    for (int passe = 0; passe < nbPasses; ++passe) {
        const float* lues = tableaux[passe % 2];
        float* ecrites = tableaux[1 - passe % 2];
        const float facteur = facteurs[passe % 2];
        const bool borner = passe % 2 == 1;
#pragma omp for schedule(static)
        for (std::size_t i = 0; i < nb; ++i) {
            const int premier = debutAnneau[i], fin = debutAnneau[i + 1];
            const float* p = lues + 3 * i;
            float somme[3] = {0.0f, 0.0f, 0.0f};
            for (int r = premier; r < fin; ++r) {
                const float* u = lues + 3 * static_cast<std::size_t>(anneaux[r]);
                somme[0] += u[0];
                somme[1] += u[1];
                somme[2] += u[2];
            }
            const float inverse = fin > premier ? 1.0f / static_cast<float>(fin - premier) : 0.0f;
            for (int k = 0; k < 3; ++k) {
                const float d = fin > premier ? somme[k] * inverse - p[k] : 0.0f;
                float q = p[k] + facteur * d;
                if (borner) {
                    const float a = depart[3 * i + static_cast<std::size_t>(k)];
                    q = std::clamp(q, a - kDemiBoite, a + kDemiBoite);
                }
                ecrites[3 * i + k] = q;
            }
        }
    }
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

void CMaillageTriangleChRegion::calculerNormales() {
    if (nbTriangles < Stravol::kSeuilParallele) {
        for (CTriangleChRegion* t = premierTriangle; t != nullptr; t = t->suivant)
            calculerNormale(t);
        return;
    }
    // Each normal reads its corners and writes its own triangle only.
    std::vector<CTriangleChRegion*> liste;
    liste.reserve(static_cast<std::size_t>(nbTriangles));
    for (CTriangleChRegion* t = premierTriangle; t != nullptr; t = t->suivant)
        liste.push_back(t);
    const std::size_t n = liste.size();
#pragma omp parallel for num_threads(Stravol::nbThreads()) schedule(static)
    for (std::size_t i = 0; i < n; ++i)
        calculerNormale(liste[i]);
}

void CMaillageTriangleChRegion::calculerNormale2(CTriangleChRegion* t) {
    if (!unCoinActif(t))
        return;
    const CPoint3D &na = t->a->normale, &nb = t->b->normale, &nc = t->c->normale;
    float mx = static_cast<float>((static_cast<double>(nb.x) + na.x + nc.x) / 3.0);
    float my = static_cast<float>((static_cast<double>(nb.y) + na.y + nc.y) / 3.0);
    float mz = static_cast<float>((static_cast<double>(nb.z) + na.z + nc.z) / 3.0);
    normaliser(mx, my, mz);
    float gx, gy, gz;
    normaleSommets(t, gx, gy, gz);
    normaliser(gx, gy, gz);
    const double dx = static_cast<double>(mx) - gx, dy = static_cast<double>(my) - gy,
                 dz = static_cast<double>(mz) - gz;
    const double sx = static_cast<double>(mx) + gx, sy = static_cast<double>(my) + gy,
                 sz = static_cast<double>(mz) + gz;
    const float ecart = static_cast<float>(dx * dx + dy * dy + dz * dz);
    const float somme = static_cast<float>(sx * sx + sy * sy + sz * sz);
    // A comparison that fails on a NaN keeps the corner order.
    t->orientation = ecart > somme ? -1 : 1;
    const float signe = static_cast<float>(t->orientation);
    t->normale[0] = signe * gx;
    t->normale[1] = signe * gy;
    t->normale[2] = signe * gz;
}

void CMaillageTriangleChRegion::calculerNormales2() {
    for (CTriangleChRegion* t = premierTriangle; t != nullptr; t = t->suivant)
        calculerNormale2(t);
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
    for (CSommetChRegion** s = sommetsActifs.elementDebut(); s != nullptr;
         s = sommetsActifs.elementSuivant())
        calculerNormaleSommet(*s);
}
