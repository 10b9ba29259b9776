#include "mesh/CMaillageTriangleChRegion.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/Message.h"
#include "mesh/FacesLocales.h"
#include "volume/CImage3D.h"

namespace {

using Horloge = std::chrono::steady_clock;

// Normalisers of the energy terms, in units of s^2 with s = D h the side of the candidate grid:
// continuity 11 x 24 s^2 (the sum over the ring of squared-length differences), curvature 12 s^2.
constexpr double NORMALISATION_CONTINUITE = 264.0;
constexpr double NORMALISATION_COURBURE = 12.0;
// Below this grey level a candidate sees no edge: its gradient term is the gradient normaliser.
constexpr float INTENSITE_MIN_GRADIENT = 50.0f;
// The stopping report comes when the last iteration moved at most this many vertices.
constexpr int DEPLACES_ARRET = 10;

double secondes(Horloge::duration d) { return std::chrono::duration<double>(d).count(); }

double distance2(const CPoint3D& p, const CPoint3D& q) {
    const double dx = double(p.x) - q.x, dy = double(p.y) - q.y, dz = double(p.z) - q.z;
    return dx * dx + dy * dy + dz * dz;
}

// True when p lies in the scene frame of CPoint3D and in the volume itself, so that the voxel
// read stays inside the volume even when the frame was set for another one.
bool lisible(const CPoint3D& p, const CImage3D& image) {
    return p.isInImage() && p.x < static_cast<float>(image.GetWidth()) &&
           p.y < static_cast<float>(image.GetHeight()) &&
           p.z < static_cast<float>(image.GetDepth());
}

// Histogram bin of an interpolated grey level.
int classe(float niveau) { return std::clamp(tronquer<int>(niveau), 0, 255); }

void moyenneEcartType(const CVecteur<float>& h, float& moyenne, float& ecartType) {
    double n = 0.0, s1 = 0.0, s2 = 0.0;
    for (int i = 0; i < h.taille; ++i) {
        n += h[i];
        s1 += double(i) * h[i];
        s2 += double(i) * i * h[i];
    }
    // An empty band (no vertex, or no image) has no mean: 0 and a unit deviation.
    if (n <= 0.0) {
        moyenne = 0.0f;
        ecartType = 1.0f;
        return;
    }
    moyenne = static_cast<float>(s1 / n);
    const double variance = s2 / n - double(moyenne) * moyenne;
    ecartType = static_cast<float>(variance > 0.0 ? std::sqrt(variance) : 0.0);
}

} // namespace

CVecteur<CTriplet<int>> CMaillageTriangleChRegion::decalagesVoisinage(int dimension) {
    const int demi = dimension / 2 > 0 ? dimension / 2 : 0;
    const int cote = 2 * demi + 1;
    CVecteur<CTriplet<int>> decalages(cote * cote * cote);
    int k = 0;
    for (int dz = -demi; dz <= demi; ++dz)
        for (int dy = -demi; dy <= demi; ++dy)
            for (int dx = -demi; dx <= demi; ++dx)
                decalages[k++] = CTriplet<int>(dx, dy, dz);
    std::swap(decalages[0], decalages[decalages.taille / 2]);
    return decalages;
}

void CMaillageTriangleChRegion::Evolve(int nbiterations) {
    if (imageEvolution == nullptr)
        return;
    greedyGlobal(imageEvolution, nbiterations);
}

namespace {

// The fan of one vertex, for refusing moves that would fold it: triangle k has corners v,
// voisins[k], voisins[k+1]; its outward normal is sens[k] (voisins[k] - v) x (voisins[k+1] - v).
// A candidate is refused when it turns a triangle over or creates a fold (normals more than 90
// degrees apart, or a triangle without area) that the vertex's own position does not have,
// between two triangles of the fan or between a triangle and its neighbour beyond the far edge.
class EventailSommet {
public:
    // False when v's rings cannot be read as a fan: then v does not move.
    bool preparer(const CSommetChRegion& v) {
        const int n = v.voisins.nb;
        if (n < 3 || n != v.triangles.nb)
            return false;
        sens.assign(static_cast<std::size_t>(n), 1.0);
        au.assign(static_cast<std::size_t>(n), faces::Vecteur());
        normalesAvant.assign(static_cast<std::size_t>(n), faces::Vecteur());
        for (int k = 0; k < n; ++k) {
            const CTriangleChRegion* t = v.triangles.tab[k];
            const CSommetChRegion* u = v.voisins.tab[k];
            const CSommetChRegion* w = v.voisins.tab[(k + 1) % n];
            const std::size_t i = static_cast<std::size_t>(k);
            sens[i] = faces::parcourt(t, &v, u) ? 1.0 : -1.0;
            const CTriangleChRegion* o = faces::triangleOppose(u, w, t);
            if (o == nullptr)
                return false;
            CSommetChRegion* c[3];
            faces::coinsSortants(o, c);
            au[i] = faces::normale(*c[0], *c[1], *c[2]);
        }
        anneau = &v;
        normales(v, normalesAvant);
        plisAvant = plis(normalesAvant);
        return true;
    }

    // True when moving the vertex to p folds nothing new.
    bool admissible(const CPoint3D& p) {
        normales(p, normalesApres);
        for (std::size_t k = 0; k < normalesAvant.size(); ++k) {
            const faces::Vecteur& n0 = normalesAvant[k];
            if (faces::scalaire(n0, n0) >= faces::kAire2Nulle &&
                faces::scalaire(n0, normalesApres[k]) <= 0.0)
                return false;
        }
        const std::vector<bool> apres = plis(normalesApres);
        for (std::size_t k = 0; k < apres.size(); ++k)
            if (apres[k] && !plisAvant[k])
                return false;
        return true;
    }

private:
    void normales(const CPoint3D& p, std::vector<faces::Vecteur>& n) const {
        const int nb = anneau->voisins.nb;
        n.resize(static_cast<std::size_t>(nb));
        for (int k = 0; k < nb; ++k) {
            const faces::Vecteur g =
                faces::normale(p, *anneau->voisins.tab[k], *anneau->voisins.tab[(k + 1) % nb]);
            const double s = sens[static_cast<std::size_t>(k)];
            n[static_cast<std::size_t>(k)] = {s * g.x, s * g.y, s * g.z};
        }
    }

    // Entries 3k, 3k+1, 3k+2: triangle k without area, folded against triangle k+1, folded
    // against its neighbour beyond the far edge.
    std::vector<bool> plis(const std::vector<faces::Vecteur>& n) const {
        const std::size_t nb = n.size();
        std::vector<bool> p(3 * nb);
        for (std::size_t k = 0; k < nb; ++k) {
            p[3 * k] = faces::scalaire(n[k], n[k]) < faces::kAire2Nulle;
            p[3 * k + 1] = faces::scalaire(n[k], n[(k + 1) % nb]) < 0.0;
            p[3 * k + 2] = faces::scalaire(n[k], au[k]) < 0.0;
        }
        return p;
    }

    const CSommetChRegion* anneau = nullptr;
    std::vector<double> sens;
    std::vector<faces::Vecteur> au;
    std::vector<faces::Vecteur> normalesAvant;
    std::vector<faces::Vecteur> normalesApres;
    std::vector<bool> plisAvant;
};

// The energy terms of one candidate position, entries 0 to 5 of a vertex's energie.
struct TermesEnergie {
    float continuite = 0.0f;
    float courbure = 0.0f;
    float intensite = 0.0f;
    float ballon = 0.0f;
    float region = 0.0f; // not evaluated by this scheme
    float gradient = 0.0f;

    void enregistrer(EnergiesSommet& energie) const {
        energie[0] = continuite;
        energie[1] = courbure;
        energie[2] = intensite;
        energie[3] = ballon;
        energie[4] = region;
        energie[5] = gradient;
    }
};

// One call of the greedy evolution: the candidate grid, the weights and the energy statistics
// summed over the iterations of the call.
class EvolutionGloutonne {
public:
    EvolutionGloutonne(CMaillageTriangleChRegion& maillage, CImage3D* image)
        : m(maillage), volume(image), h(CMaillageTriangleChRegion::DEFAULT_NEIGHBOR_STEP),
          D(CMaillageTriangleChRegion::NEIGHBORDIM),
          decalages(CMaillageTriangleChRegion::decalagesVoisinage(D)),
          termes(static_cast<std::size_t>(decalages.taille)),
          candidats(static_cast<std::size_t>(decalages.taille)) {
        const int demi = D / 2 > 0 ? D / 2 : 0;
        const double s = double(D) * h;
        const double r = double(demi) * h;
        normBallon = 2.0 * std::sqrt(3.0) * s * r + 3.0 * r * r + s * s;
        normGradient = (2.0 * s - 1.0) * 24.0;
        poidsContinuite = static_cast<float>(CMaillageTriangleChRegion::DEFAULT_ALPHA /
                                             (NORMALISATION_CONTINUITE * s * s));
        poidsCourbure = static_cast<float>(CMaillageTriangleChRegion::DEFAULT_BETA /
                                           (NORMALISATION_COURBURE * s * s));
        poidsIntensite = CMaillageTriangleChRegion::DEFAULT_GAMMA / 255.0f;
        for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i) {
            m.energieMin[i] = FLT_MAX;
            m.energieMax[i] = -FLT_MAX;
        }
    }

    // Moves every vertex that is active or has an active neighbour to its best candidate, in
    // list order; returns the number of vertices moved.
    int deplacerSommets() {
        int deplaces = 0;
        const double l2 = longueur2Moyenne();
        for (CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant) {
            if (!v->actif && !voisinActif(*v))
                continue;
            const int k = choisir(*v, l2);
            if (k < 0) {
                v->actif = true;
                continue;
            }
            if (k == 0) {
                v->actif = false;
            } else {
                const CPoint3D& p = candidats[static_cast<std::size_t>(k)];
                v->x = p.x;
                v->y = p.y;
                v->z = p.z;
                ++deplaces;
                v->actif = true;
                if (m.adaptationPoids) {
                    const float centre =
                        termes[static_cast<std::size_t>(decalages.taille / 2)].intensite;
                    CMaillageTriangleChRegion::DEFAULT_DELTA = static_cast<float>(
                        (1.0 - centre / 255.0) * CMaillageTriangleChRegion::DEFAULT_DELTA);
                }
            }
            termes[static_cast<std::size_t>(k)].enregistrer(v->energie);
            cumuler(v->energie);
        }
        publierStatistiques();
        return deplaces;
    }

private:
    static bool voisinActif(const CSommetChRegion& v) {
        for (int k = 0; k < v.voisins.nb; ++k)
            if (v.voisins.tab[k]->actif)
                return true;
        return false;
    }

    // Mean squared edge length, each edge counted from both ends; only the continuity term
    // reads it.
    double longueur2Moyenne() const {
        if (CMaillageTriangleChRegion::DEFAULT_ALPHA == 0.0f)
            return 0.0;
        double somme = 0.0;
        long long entrees = 0;
        for (const CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant)
            for (int k = 0; k < v->voisins.nb; ++k) {
                somme += distance2(*v->voisins.tab[k], *v);
                ++entrees;
            }
        return entrees > 0 ? somme / static_cast<double>(entrees) : 0.0;
    }

    // Terms of candidate p for vertex v, g being the mean of v's neighbours and ballon the
    // point the balloon term pulls towards.
    TermesEnergie evaluer(const CSommetChRegion& v, const CPoint3D& p, const CPoint3D& g,
                          const CPoint3D& ballon, double l2) {
        TermesEnergie t;
        if (CMaillageTriangleChRegion::DEFAULT_ALPHA != 0.0f) {
            double somme = 0.0;
            for (int j = 0; j < v.voisins.nb; ++j)
                somme += std::fabs(l2 - distance2(p, *v.voisins.tab[j]));
            t.continuite = static_cast<float>(somme);
        }
        t.courbure = static_cast<float>(distance2(p, g));
        const bool dedans = volume != nullptr && lisible(p, *volume);
        t.intensite = dedans ? static_cast<float>(volume->Pixel(p.triplet())) : 0.0f;
        t.ballon = static_cast<float>(distance2(p, ballon));
        if (CMaillageTriangleChRegion::DEFAULT_LAMBDA1 != 0.0f) {
            if (!dedans || t.intensite < INTENSITE_MIN_GRADIENT)
                t.gradient = static_cast<float>(normGradient);
            else
                t.gradient = m.diffgradEnergyBresenham(CTriplet<int>(0, 0, 0), extremitesNulles,
                                                       v.voisins.nb, volume);
        }
        return t;
    }

    // Weighted total; the region and gradient terms do not enter it.
    float total(const TermesEnergie& t, float poidsBallon) const {
        return static_cast<float>(
            double(poidsContinuite) * t.continuite + double(poidsCourbure) * t.courbure -
            double(poidsIntensite) * t.intensite + double(poidsBallon) * t.ballon);
    }

    // Index of the candidate of lowest total for v among those that fold nothing new (-1 when
    // every total is not a number); ties go to the lower index, so the own position wins every
    // tie it takes part in.
    int choisir(const CSommetChRegion& v, double l2) {
        const bool mobile = eventail.preparer(v);
        const int n = v.voisins.nb;
        double gx = 0.0, gy = 0.0, gz = 0.0;
        for (int k = 0; k < n; ++k) {
            gx += v.voisins.tab[k]->x;
            gy += v.voisins.tab[k]->y;
            gz += v.voisins.tab[k]->z;
        }
        const CPoint3D g =
            n > 0 ? CPoint3D(float(gx / n), float(gy / n), float(gz / n)) : CPoint3D(v);
        const CPoint3D ballon = v - v.normale * (2.0 * D);
        // DEFAULT_DELTA may change during the run (weight adaptation).
        const float poidsBallon =
            static_cast<float>(CMaillageTriangleChRegion::DEFAULT_DELTA / normBallon);

        int meilleur = -1;
        float energieMinimale = FLT_MAX;
        for (int k = 0; k < decalages.taille; ++k) {
            const CTriplet<int>& o = decalages[k];
            const CPoint3D p(float(v.x + double(h) * o.x), float(v.y + double(h) * o.y),
                             float(v.z + double(h) * o.z));
            const std::size_t i = static_cast<std::size_t>(k);
            candidats[i] = p;
            termes[i] = evaluer(v, p, g, ballon, l2);
            const float e = total(termes[i], poidsBallon);
            if (e < energieMinimale && (k == 0 || (mobile && eventail.admissible(p)))) {
                energieMinimale = e;
                meilleur = k;
            }
        }
        return meilleur;
    }

    void cumuler(const EnergiesSommet& energie) {
        for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i) {
            const float e = energie[i];
            if (e < m.energieMin[i])
                m.energieMin[i] = e;
            if (e > m.energieMax[i])
                m.energieMax[i] = e;
            s1[i] += e;
            s2[i] += double(e) * e;
        }
    }

    // Mean and standard deviation per entry, from the sums of the whole call so far.
    void publierStatistiques() {
        for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i) {
            const double moyenne = m.nbSommets > 0 ? s1[i] / m.nbSommets : 0.0;
            const double variance = m.nbSommets > 0 ? s2[i] / m.nbSommets - moyenne * moyenne : 0.0;
            m.energieMoyenne[i] = static_cast<float>(moyenne);
            m.energieEcartType[i] = static_cast<float>(variance > 0.0 ? std::sqrt(variance) : 0.0);
        }
    }

    CMaillageTriangleChRegion& m;
    CImage3D* volume;
    const float h;
    const int D;
    const CVecteur<CTriplet<int>> decalages;
    std::vector<TermesEnergie> termes;
    std::vector<CPoint3D> candidats;
    double normBallon = 0.0;
    double normGradient = 0.0;
    float poidsContinuite = 0.0f;
    float poidsCourbure = 0.0f;
    float poidsIntensite = 0.0f;
    double s1[CSommetChRegion::NB_ENERGIES] = {};
    double s2[CSommetChRegion::NB_ENERGIES] = {};
    CTriplet<int> extremitesNulles[CSommetChRegion::CAPACITE_ANNEAU];
    EventailSommet eventail;
};

} // namespace

unsigned int CMaillageTriangleChRegion::greedyGlobal(CImage3D* volume, int nbIterations) {
    const Horloge::time_point debut = Horloge::now();
    Horloge::duration dureeTopologie{};
    EvolutionGloutonne evolution(*this, volume);
    int deplaces = 0;
    for (int iteration = 0; iteration < nbIterations; ++iteration) {
        deplaces = evolution.deplacerSommets();
        const Horloge::time_point debutTopologie = Horloge::now();
        if (fusion)
            greedyFusionneurNormeInfinie();
        if (separation)
            greedySeparateurNormeInfinie();
        dureeTopologie += Horloge::now() - debutTopologie;
        calculerNormales();
        calculerNormalesSommets();
        if (squelette)
            creerSquelette();
    }

    if (critereArret && nbIterations > 0 && deplaces <= DEPLACES_ARRET)
        Message("Critère d'arrêt vérifié");
    const Horloge::duration total = Horloge::now() - debut;
    char texte[160];
    std::snprintf(texte, sizeof texte,
                  "Ok. Temps total = %.03f s. Temps fusion/séparation = %.03f s, Nb sommets=%d",
                  secondes(total), secondes(dureeTopologie), nbSommets);
    Message(texte);
    return static_cast<unsigned int>(
        std::chrono::duration_cast<std::chrono::microseconds>(total).count());
}

float CMaillageTriangleChRegion::diffgradEnergyBresenham(CTriplet<int> depart,
                                                         CTriplet<int>* arrivees, int nb,
                                                         CImage3D* volume) {
    if (volume == nullptr || arrivees == nullptr || !volume->IsInImage(depart))
        return 0.0f;
    const int seuil = static_cast<unsigned char>(SEUIL_VEROUILLAGE * 255.0f);
    float total = 0.0f;
    int nombre = 0;
    for (int i = 0; i < nb; ++i) {
        const CTriplet<int>& e = arrivees[i];
        if (e.x >= 0 && e.x < volume->GetWidth() && e.y >= 0 && e.y < volume->GetHeight() &&
            e.z >= 0 && e.z < volume->GetDepth())
            total = static_cast<float>(double(total) +
                                       volume->GetGradientLineBresenham(depart, e, seuil, nombre));
    }
    return static_cast<float>(double(nombre) - total);
}

void CMaillageTriangleChRegion::recalculerHistogrammes() {
    histogramme1.remplir(0.0f);
    histogramme2.remplir(0.0f);
}

void CMaillageTriangleChRegion::recalculerHistogrammesBandes() {
    histogramme3.remplir(0.0f);
    histogramme4.remplir(0.0f);
    if (image == nullptr)
        return;
    for (const CSommetChRegion* v = premierSommet; v != nullptr; v = v->suivant) {
        const CPoint3D d = v->normale * DEFAULT_NEIGHBOR_STEP;
        CPoint3D dedans = *v;
        CPoint3D dehors = *v + d;
        for (int i = 0; i < nbPixelsLigneRegion; ++i) {
            histogramme3[classe(image->PixelInterpolate(dedans.triplet()))] += 1.0f;
            histogramme4[classe(image->PixelInterpolate(dehors.triplet()))] += 1.0f;
            dedans -= d;
            dehors += d;
        }
    }
}

void CMaillageTriangleChRegion::calculerMoyenneEcarttype() {
    moyenneEcartType(histogramme3, moyenneInterieur, ecartTypeInterieur);
    moyenneEcartType(histogramme4, moyenneExterieur, ecartTypeExterieur);
}
