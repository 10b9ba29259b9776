#include "mesh/CMaillageTriangleChRegion.h"

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/Message.h"
#include "volume/CImage3D.h"

namespace {

using Horloge = std::chrono::steady_clock;

constexpr int NB_TERMES = 6;

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

unsigned int CMaillageTriangleChRegion::greedyGlobal(CImage3D* volume, int nbIterations) {
    const Horloge::time_point debut = Horloge::now();
    Horloge::duration dureeTopologie{};

    const int D = NEIGHBORDIM;
    const float h = DEFAULT_NEIGHBOR_STEP;
    const int demi = D / 2 > 0 ? D / 2 : 0;
    const CVecteur<CTriplet<int>> decalages = decalagesVoisinage(D);
    const int K = decalages.taille;

    std::vector<float> termes[NB_TERMES];
    for (std::vector<float>& t : termes)
        t.assign(static_cast<std::size_t>(K), 0.0f);
    std::vector<CPoint3D> candidats(static_cast<std::size_t>(K));
    double s1[CSommetChRegion::NB_ENERGIES] = {};
    double s2[CSommetChRegion::NB_ENERGIES] = {};
    for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i) {
        energieMin[i] = FLT_MAX;
        energieMax[i] = -FLT_MAX;
    }

    const double s = double(D) * h;
    const double r = double(demi) * h;
    const double normContinuite = 264.0 * s * s;
    const double normCourbure = 12.0 * s * s;
    const double normBallon = 2.0 * std::sqrt(3.0) * s * r + 3.0 * r * r + s * s;
    const double normGradient = (2.0 * s - 1.0) * 24.0;
    const float poids0 = static_cast<float>(DEFAULT_ALPHA / normContinuite);
    const float poids1 = static_cast<float>(DEFAULT_BETA / normCourbure);
    const float poids2 = DEFAULT_GAMMA / 255.0f;

    CTriplet<int> extremitesNulles[CSommetChRegion::CAPACITE_ANNEAU];
    int deplaces = 0;
    for (int iteration = 0; iteration < nbIterations; ++iteration) {
        deplaces = 0;

        double longueur2Moyenne = 0.0;
        if (DEFAULT_ALPHA != 0.0f) {
            double somme = 0.0;
            long long entrees = 0;
            for (const CSommetChRegion* v = premierSommet; v != nullptr; v = v->suivant)
                for (int k = 0; k < v->voisins.nb; ++k) {
                    somme += distance2(*v->voisins.tab[k], *v);
                    ++entrees;
                }
            longueur2Moyenne = entrees > 0 ? somme / static_cast<double>(entrees) : 0.0;
        }

        for (CSommetChRegion* v = premierSommet; v != nullptr; v = v->suivant) {
            const int n = v->voisins.nb;
            CSommetChRegion* const* voisins = v->voisins.tab;
            if (!v->actif) {
                bool voisinActif = false;
                for (int k = 0; k < n && !voisinActif; ++k)
                    voisinActif = voisins[k]->actif;
                if (!voisinActif)
                    continue;
            }
            double gx = 0.0, gy = 0.0, gz = 0.0;
            for (int k = 0; k < n; ++k) {
                gx += voisins[k]->x;
                gy += voisins[k]->y;
                gz += voisins[k]->z;
            }
            const CPoint3D g =
                n > 0 ? CPoint3D(float(gx / n), float(gy / n), float(gz / n)) : CPoint3D(*v);
            const CPoint3D ballon = *v - v->normale * (2.0 * D);
            // DEFAULT_DELTA may change during the run (weight adaptation).
            const float poids3 = static_cast<float>(DEFAULT_DELTA / normBallon);

            int meilleur = -1;
            float energieMinimale = FLT_MAX;
            for (int k = 0; k < K; ++k) {
                const CTriplet<int>& o = decalages[k];
                const CPoint3D p(float(v->x + double(h) * o.x), float(v->y + double(h) * o.y),
                                 float(v->z + double(h) * o.z));
                candidats[static_cast<std::size_t>(k)] = p;
                float continuite = 0.0f;
                if (DEFAULT_ALPHA != 0.0f) {
                    double somme = 0.0;
                    for (int j = 0; j < n; ++j)
                        somme += std::fabs(longueur2Moyenne - distance2(p, *voisins[j]));
                    continuite = static_cast<float>(somme);
                }
                const float courbure = static_cast<float>(distance2(p, g));
                const bool dedans = volume != nullptr && lisible(p, *volume);
                const float intensite =
                    dedans ? static_cast<float>(volume->Pixel(p.triplet())) : 0.0f;
                const float terme3 = static_cast<float>(distance2(p, ballon));
                float gradient = 0.0f;
                if (DEFAULT_LAMBDA1 != 0.0f) {
                    if (!dedans || intensite < 50.0f)
                        gradient = static_cast<float>(normGradient);
                    else
                        gradient = diffgradEnergyBresenham(CTriplet<int>(0, 0, 0), extremitesNulles,
                                                           n, volume);
                }
                const std::size_t i = static_cast<std::size_t>(k);
                termes[0][i] = continuite;
                termes[1][i] = courbure;
                termes[2][i] = intensite;
                termes[3][i] = terme3;
                termes[4][i] = 0.0f;
                termes[5][i] = gradient;
                const float total =
                    static_cast<float>(double(poids0) * continuite + double(poids1) * courbure -
                                       double(poids2) * intensite + double(poids3) * terme3);
                // Strictly lower only: ties go to the lower index, the own position first.
                if (total < energieMinimale) {
                    energieMinimale = total;
                    meilleur = k;
                }
            }

            if (meilleur < 0) {
                v->actif = true;
                continue;
            }
            if (meilleur == 0) {
                v->actif = false;
            } else {
                const CPoint3D& p = candidats[static_cast<std::size_t>(meilleur)];
                v->x = p.x;
                v->y = p.y;
                v->z = p.z;
                ++deplaces;
                v->actif = true;
                if (adaptationPoids)
                    DEFAULT_DELTA = static_cast<float>(
                        (1.0 - termes[2][static_cast<std::size_t>(K / 2)] / 255.0) * DEFAULT_DELTA);
            }
            for (int i = 0; i < NB_TERMES; ++i)
                v->energie[i] = termes[i][static_cast<std::size_t>(meilleur)];
            for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i) {
                const float e = v->energie[i];
                if (e < energieMin[i])
                    energieMin[i] = e;
                if (e > energieMax[i])
                    energieMax[i] = e;
                s1[i] += e;
                s2[i] += double(e) * e;
            }
        }

        for (int i = 0; i < CSommetChRegion::NB_ENERGIES; ++i) {
            const double m = nbSommets > 0 ? s1[i] / nbSommets : 0.0;
            const double variance = nbSommets > 0 ? s2[i] / nbSommets - m * m : 0.0;
            energieMoyenne[i] = static_cast<float>(m);
            energieEcartType[i] = static_cast<float>(variance > 0.0 ? std::sqrt(variance) : 0.0);
        }

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

    if (critereArret && nbIterations > 0 && deplaces <= 10)
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
