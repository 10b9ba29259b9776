#include "region/AnalyseDirection.h"
#include "core/Pi.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

DirectionsRose directionsReference() {
    return {{0, 0},    {45, 0},   {90, 0},   {135, 0},  {0, 45},   {45, 45}, {90, 45},
            {135, 45}, {180, 45}, {225, 45}, {270, 45}, {315, 45}, {0, 90}};
}

namespace {

// Plans and buffer of one autocorrelation, released together whatever the outcome.
// FFTW keeps planner data between plans; nothing else in the process uses FFTW, so it
// is released once the last plan of the computation is gone.
struct TravailFFT {
    fftw_complex* donnees = nullptr;
    fftw_plan avant = nullptr;
    fftw_plan arriere = nullptr;
    ~TravailFFT() {
        if (avant)
            fftw_destroy_plan(avant);
        if (arriere)
            fftw_destroy_plan(arriere);
        if (donnees)
            fftw_free(donnees);
        fftw_cleanup();
    }
};

} // namespace

bool autocorrelationBloc(unsigned char* buffer, int dimLarg, int dimHaut, int dimProf) {
    if (buffer == nullptr || dimLarg <= 0 || dimHaut <= 0 || dimProf <= 0)
        return false;
    const size_t n = static_cast<size_t>(dimLarg) * dimHaut * dimProf;
    TravailFFT t;
    t.donnees = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * n));
    if (t.donnees == nullptr)
        return false;
    // The buffer is x fastest, so FFTW (last size fastest) gets the sizes z, y, x.
    // Plans are made before the data is loaded: planning may write to the array.
    t.avant = fftw_plan_dft_3d(dimProf, dimHaut, dimLarg, t.donnees, t.donnees, FFTW_FORWARD,
                               FFTW_ESTIMATE);
    t.arriere = fftw_plan_dft_3d(dimProf, dimHaut, dimLarg, t.donnees, t.donnees, FFTW_BACKWARD,
                                 FFTW_ESTIMATE);
    if (t.avant == nullptr || t.arriere == nullptr)
        return false;

    for (size_t i = 0; i < n; ++i) {
        t.donnees[i][0] = buffer[i];
        t.donnees[i][1] = 0.0;
    }
    fftw_execute(t.avant);

    // Power spectrum; the factor (-1)^(x+y+z) moves the zero shift to the block centre.
    size_t i = 0;
    for (int z = 0; z < dimProf; ++z)
        for (int y = 0; y < dimHaut; ++y)
            for (int x = 0; x < dimLarg; ++x, ++i) {
                double p = t.donnees[i][0] * t.donnees[i][0] + t.donnees[i][1] * t.donnees[i][1];
                if ((x + y + z) & 1)
                    p = -p;
                t.donnees[i][0] = static_cast<float>(p);
                t.donnees[i][1] = 0.0;
            }
    fftw_execute(t.arriere);
    for (size_t k = 0; k < n; ++k)
        t.donnees[k][0] =
            std::sqrt(t.donnees[k][0] * t.donnees[k][0] + t.donnees[k][1] * t.donnees[k][1]);

    // Range of the modulus away from the zero-shift peak and the first row, column
    // and slice.
    const int cx = dimLarg / 2, cy = dimHaut / 2, cz = dimProf / 2;
    const double rayonExclu = 0.01 * dimLarg;
    const double seuil = rayonExclu * rayonExclu;
    double plusGrand = 0.0, plusPetit = 1e38;
    for (int z = 1; z < dimProf; ++z)
        for (int y = 1; y < dimHaut; ++y)
            for (int x = 1; x < dimLarg; ++x) {
                const double d2 = static_cast<double>(x - cx) * (x - cx) +
                                  static_cast<double>(y - cy) * (y - cy) +
                                  static_cast<double>(z - cz) * (z - cz);
                if (d2 <= seuil)
                    continue;
                const double m = t.donnees[x + static_cast<size_t>(dimLarg) *
                                                   (y + static_cast<size_t>(dimHaut) * z)][0];
                plusGrand = std::max(plusGrand, m);
                plusPetit = std::min(plusPetit, m);
            }

    // No contrast (a uniform block, up to rounding of the transforms): all 0.
    const double etendue = plusGrand - plusPetit;
    if (!(etendue > 1e-12 * plusGrand)) {
        std::fill(buffer, buffer + n, 0);
        return true;
    }
    for (size_t k = 0; k < n; ++k) {
        const double v = (t.donnees[k][0] - plusPetit) / etendue * 255.0;
        buffer[k] = static_cast<unsigned char>(std::clamp(v, 0.0, 255.0));
    }
    return true;
}

void calculerRose(const unsigned char* buffer, int dimLarg, int dimHaut, int dimProf,
                  TableRose& rose) {
    rose.assign(180, {});
    if (buffer == nullptr || dimLarg <= 0 || dimHaut <= 0 || dimProf <= 0) {
        for (auto& ligne : rose)
            ligne.fill(1);
        return;
    }
    const int m = std::min({dimLarg, dimHaut, dimProf});
    const int R = m / 2 + 1;
    const int r0 = R / 10;
    const double cx = dimLarg / 2, cy = dimHaut / 2, cz = dimProf / 2;

    constexpr double kDeuxPiCinqDecimales = 2 * kPiCinqDecimales;
    std::array<double, 180> cosT, sinT;
    for (int e = 0; e < 180; ++e) {
        const float t = static_cast<float>(e * kPiCinqDecimales / 180.0);
        cosT[e] = std::cos(static_cast<double>(t));
        sinT[e] = std::sin(static_cast<double>(t));
    }
    std::array<double, 360> cosP, sinP;
    for (int a = 0; a < 360; ++a) {
        const float p = static_cast<float>(a * kDeuxPiCinqDecimales / 360.0);
        cosP[a] = std::cos(static_cast<double>(p));
        sinP[a] = std::sin(static_cast<double>(p));
    }
    // A sample is read at its linear index, as the block is laid out. Along +x the last
    // radius may reach x = dimLarg, which reads the first voxel of the next row; any
    // index past the block is skipped.
    const int64_t largeur = dimLarg, tranche = largeur * dimHaut, n = tranche * dimProf;
    for (int e = 0; e < 180; ++e)
        for (int a = 0; a < 360; ++a) {
            const double ux = cosT[e] * cosP[a], uy = cosT[e] * sinP[a], uz = sinT[e];
            int somme = 0;
            for (int rho = r0; rho < R; ++rho) {
                const int x = static_cast<int>(rho * ux + cx);
                const int y = static_cast<int>(rho * uy + cy);
                const int z = static_cast<int>(rho * uz + cz);
                const int64_t i = x + largeur * y + tranche * z;
                if (i >= 0 && i < n)
                    somme += buffer[i];
            }
            rose[e][a] = somme;
        }

    int mn = std::numeric_limits<int>::max(), mx = std::numeric_limits<int>::min();
    for (const auto& ligne : rose)
        for (int v : ligne) {
            mn = std::min(mn, v);
            mx = std::max(mx, v);
        }
    for (auto& ligne : rose)
        for (int& v : ligne)
            v = mx == mn ? 1 : static_cast<int>(static_cast<int64_t>(v - mn) * 255 / (mx - mn));
}

int sommeAngle(const TableRose& rose, int theta, int gamma) {
    if (rose.size() < 180)
        return 0;
    int somme = 0;
    for (int de = -22; de <= 22; ++de) {
        const int e = (((gamma + de) % 180) + 180) % 180;
        for (int da = -22; da <= 22; ++da) {
            const int a = (((theta + da) % 360) + 360) % 360;
            somme += rose[e][a];
        }
    }
    return somme;
}

std::array<int, kNbDirections> calculerIndColor(const TableRose& rose,
                                                const DirectionsRose& direction) {
    std::array<int, kNbDirections> ind{};
    for (int k = 0; k < kNbDirections && k < static_cast<int>(direction.size()); ++k)
        ind[k] = sommeAngle(rose, direction[k][0], direction[k][1]);
    const int plusGrand = *std::max_element(ind.begin(), ind.end());
    if (plusGrand != 0)
        for (int& v : ind)
            v = static_cast<int>(static_cast<int64_t>(v) * 255 / plusGrand);
    return ind;
}

CaracteristiquesRose calculerCaracRose(const TableRose& rose, const DirectionsRose& direction) {
    CaracteristiquesRose c;
    if (rose.size() < 180 || direction.size() < kNbDirections)
        return c;
    int64_t somme = 0, sommeIndices = 0, sommeElevations = 0;
    int valMax = std::numeric_limits<int>::min(), dirMax = 0;
    for (int k = 0; k < kNbDirections; ++k) {
        const int azimut = ((direction[k][0] % 360) + 360) % 360;
        const int elevation = ((direction[k][1] % 180) + 180) % 180;
        const int v = rose[elevation][azimut];
        c.tabdir[k] = v;
        somme += v;
        sommeIndices += static_cast<int64_t>(k) * v;
        sommeElevations += static_cast<int64_t>(direction[k][1]) * v;
        if (v > valMax) {
            valMax = v;
            dirMax = k;
        }
    }
    c.valMaxRose = static_cast<float>(valMax);
    c.DirMaxRose = static_cast<float>(dirMax);
    c.MoyRose = static_cast<float>(static_cast<double>(somme) / kNbDirections);
    // A rose that is 0 at all 13 directions has no weighted mean: both stay 0.
    if (somme != 0) {
        c.theta = static_cast<float>(static_cast<double>(sommeIndices) / somme);
        c.gamma = static_cast<float>(static_cast<double>(sommeElevations) / somme);
    }
    double ecarts = 0.0;
    for (int v : c.tabdir)
        ecarts += (v - static_cast<double>(c.MoyRose)) * (v - static_cast<double>(c.MoyRose));
    c.CoeffDirection = static_cast<float>(ecarts / kNbDirections);
    return c;
}

std::string ligneResultatsRose(const CaracteristiquesRose& c) {
    char ligne[256];
    std::snprintf(ligne, sizeof ligne, "theta: %f gamma:%f Moy:%f DirM:%f valM:%f CoeffD:%f \n",
                  c.theta, c.gamma, c.MoyRose, c.DirMaxRose, c.valMaxRose,
                  std::sqrt(static_cast<double>(c.CoeffDirection)));
    return ligne;
}
