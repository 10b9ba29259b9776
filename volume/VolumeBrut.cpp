#include "volume/VolumeBrut.h"

#include "core/ComptesParThread.h"
#include "core/Parallele.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>
#include <type_traits>
#include <unordered_map>

namespace Stravol {

namespace {

template <class T> const T* voxels(const VolumeBrut& v) {
    return reinterpret_cast<const T*>(v.donnees.data());
}

constexpr int kNbCases = 65536;

// Integers of 8 or 16 bits: few enough values for a table indexed by value.
template <class T>
constexpr bool petitEntier = std::is_integral_v<T> && sizeof(T) <= sizeof(std::uint16_t);

// Index of a value in such a table (the smallest value of the type at 0), and back.
template <class T> std::size_t indexValeur(T x) {
    return static_cast<std::size_t>(static_cast<long long>(x) -
                                    static_cast<long long>(std::numeric_limits<T>::min()));
}
template <class T> T valeurIndex(std::size_t c) {
    return static_cast<T>(static_cast<long long>(c) +
                          static_cast<long long>(std::numeric_limits<T>::min()));
}

} // namespace

std::size_t tailleVoxel(TypeVoxel type) {
    return selonType(type, [](auto t) { return sizeof t; });
}

bool typeEntier(TypeVoxel type) {
    return selonType(type, [](auto t) { return std::is_integral_v<decltype(t)>; });
}

const char* nomType(TypeVoxel type) {
    switch (type) {
    case TypeVoxel::Octet:
        return "uint8";
    case TypeVoxel::OctetSigne:
        return "int8";
    case TypeVoxel::Entier16:
        return "int16";
    case TypeVoxel::EntierNonSigne16:
        return "uint16";
    case TypeVoxel::Entier32:
        return "int32";
    case TypeVoxel::EntierNonSigne32:
        return "uint32";
    case TypeVoxel::Entier64:
        return "int64";
    case TypeVoxel::EntierNonSigne64:
        return "uint64";
    case TypeVoxel::Reel32:
        return "float32";
    case TypeVoxel::Reel64:
        break;
    }
    return "float64";
}

bool Geometrie::identite() const {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            if (affine[i][j] != (i == j ? 1.0 : 0.0))
                return false;
    return true;
}

double Geometrie::determinant() const {
    const auto& a = affine;
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

std::array<double, 3> Geometrie::versMonde(double x, double y, double z) const {
    std::array<double, 3> m{};
    for (int i = 0; i < 3; ++i)
        m[i] = affine[i][0] * x + affine[i][1] * y + affine[i][2] * z + affine[i][3];
    return m;
}

void Geometrie::imposerEspacement(const std::array<double, 3>& nouvel) {
    // Each column of the linear part is the world step of one voxel axis: rescale it to the
    // new spacing, keeping its direction.
    for (int j = 0; j < 3; ++j) {
        double longueur = 0.0;
        for (int i = 0; i < 3; ++i)
            longueur += affine[i][j] * affine[i][j];
        longueur = std::sqrt(longueur);
        for (int i = 0; i < 3; ++i) {
            if (longueur > 0.0)
                affine[i][j] *= nouvel[j] / longueur;
            else
                affine[i][j] = i == j ? nouvel[j] : 0.0;
        }
    }
    espacement = nouvel;
    origine = OrigineGeometrie::Imposee;
}

bool Geometrie::valide(std::string& pourquoi) const {
    for (double e : espacement)
        if (!std::isfinite(e) || e <= 0.0) {
            pourquoi = "espacement des voxels nul, négatif ou non fini";
            return false;
        }
    for (const auto& ligne : affine)
        for (double c : ligne)
            if (!std::isfinite(c)) {
                pourquoi = "transformation vers le monde non finie";
                return false;
            }
    const double d = determinant();
    if (!std::isfinite(d) || d == 0.0) {
        pourquoi = "transformation vers le monde non inversible";
        return false;
    }
    return true;
}

bool transformationMonde(const Geometrie& g) {
    return g.origine == OrigineGeometrie::QForm || g.origine == OrigineGeometrie::SForm;
}

double ecartGrilles(const Geometrie& a, const Geometrie& b, int largeur, int hauteur,
                    int profondeur) {
    const double d = a.determinant();
    if (!std::isfinite(d) || d == 0.0)
        return std::numeric_limits<double>::infinity();
    // Inverse of a's linear part: its cofactors, transposed, over its determinant.
    const auto& m = a.affine;
    double inverse[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            inverse[j][i] = (m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1]) / d;
        }
    const int n[3] = {largeur, hauteur, profondeur};
    double ecart = 0.0;
    for (int coin = 0; coin < 8; ++coin) {
        double v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = (coin >> k & 1) != 0 ? std::max(n[k] - 1, 0) : 0;
        const std::array<double, 3> pa = a.versMonde(v[0], v[1], v[2]);
        const std::array<double, 3> pb = b.versMonde(v[0], v[1], v[2]);
        for (int i = 0; i < 3; ++i) {
            double composante = 0.0;
            for (int k = 0; k < 3; ++k)
                composante += inverse[i][k] * (pb[k] - pa[k]);
            // A value that is not a number takes over, and gives infinity below.
            if (!(std::fabs(composante) <= ecart))
                ecart = std::fabs(composante);
        }
    }
    return std::isnan(ecart) ? std::numeric_limits<double>::infinity() : ecart;
}

std::size_t VolumeBrut::nbVoxels() const {
    if (largeur <= 0 || hauteur <= 0 || profondeur <= 0)
        return 0;
    return static_cast<std::size_t>(largeur) * static_cast<std::size_t>(hauteur) *
           static_cast<std::size_t>(profondeur);
}

double VolumeBrut::valeur(std::size_t i) const {
    return selonType(type,
                     [&](auto t) { return static_cast<double>(voxels<decltype(t)>(*this)[i]); });
}

std::size_t nbValeursNonFinies(const VolumeBrut& v) {
    return selonType(v.type, [&](auto t) -> std::size_t {
        using T = decltype(t);
        if constexpr (std::is_floating_point_v<T>) {
            const T* p = voxels<T>(v);
            return static_cast<std::size_t>(
                std::count_if(p, p + v.nbVoxels(), [](T x) { return !std::isfinite(x); }));
        } else {
            return 0;
        }
    });
}

Fenetre fenetreParDefaut(const VolumeBrut& v, double bas, double haut) {
    const std::size_t n = v.nbVoxels();
    if (n == 0)
        return {};
    return selonType(v.type, [&](auto t) -> Fenetre {
        using T = decltype(t);
        const T* p = voxels<T>(v);
        // The histogram spans the values present; 8- and 16-bit integers get one bin a value.
        double mini = std::numeric_limits<double>::infinity();
        double maxi = -mini;
        double largeurCase = 1.0;
        double echelle = 1.0;
        std::vector<std::size_t> histo(kNbCases, 0);
        std::size_t total = n;
        if constexpr (petitEntier<T>) {
            // One count a possible value in one pass; the bins are those counts from the
            // smallest value present.
            const std::vector<std::size_t> comptes =
                compterParThread(n, std::size_t{1} << (8 * sizeof(T)),
                                 [p](std::size_t i) { return std::size_t{indexValeur(p[i])}; });
            std::size_t premier = 0, dernier = comptes.size() - 1;
            while (comptes[premier] == 0)
                ++premier;
            while (comptes[dernier] == 0)
                --dernier;
            mini = static_cast<double>(valeurIndex<T>(premier));
            maxi = static_cast<double>(valeurIndex<T>(dernier));
            if (mini == maxi)
                return {mini, maxi};
            std::copy(comptes.begin() + static_cast<std::ptrdiff_t>(premier),
                      comptes.begin() + static_cast<std::ptrdiff_t>(dernier) + 1, histo.begin());
        } else {
            const auto nb = static_cast<std::ptrdiff_t>(n);
            const int threads = nbThreadsPour(n);
#pragma omp parallel for num_threads(threads) reduction(min : mini) reduction(max : maxi)
            for (std::ptrdiff_t i = 0; i < nb; ++i) {
                const double x = static_cast<double>(p[i]);
                if (!std::isfinite(x))
                    continue;
                mini = std::min(mini, x);
                maxi = std::max(maxi, x);
            }
            if (!(mini <= maxi))
                return {};
            if (mini == maxi)
                return {mini, maxi};
            // Values spread wider than the largest double are binned at half scale, where
            // the range is finite; halving is exact, so any other range bins as it is.
            echelle = std::isfinite(maxi - mini) ? 1.0 : 0.5;
            largeurCase = std::is_integral_v<T> && maxi - mini < kNbCases
                              ? 1.0
                              : (maxi * echelle - mini * echelle) / (kNbCases - 1);
            // Non-finite values fall in no bin.
            histo = compterParThread(n, kNbCases, [&](std::size_t i) {
                const double x = static_cast<double>(p[i]);
                if (!std::isfinite(x))
                    return std::size_t{kNbCases};
                const double position = (x * echelle - mini * echelle) / largeurCase;
                return position < kNbCases - 1 ? static_cast<std::size_t>(position)
                                               : std::size_t{kNbCases - 1};
            });
            total = std::accumulate(histo.begin(), histo.end(), std::size_t{0});
        }
        // Value below which a fraction q of the voxels lie: the bin where the count crosses
        // q * total.
        auto percentile = [&](double q) {
            const double seuil = q / 100.0 * static_cast<double>(total);
            std::size_t cumul = 0;
            for (int c = 0; c < kNbCases; ++c) {
                cumul += histo[static_cast<std::size_t>(c)];
                if (static_cast<double>(cumul) > seuil)
                    return std::min((mini * echelle + c * largeurCase) / echelle, maxi);
            }
            return maxi;
        };
        Fenetre f{percentile(bas), percentile(haut)};
        if (f.maxi <= f.mini) // a volume of nearly one value still shows its extremes
            f = {mini, maxi};
        return f;
    });
}

bool versOctets(const VolumeBrut& v, const Fenetre& fenetre, std::vector<unsigned char>& sortie,
                std::string& erreur) {
    const std::size_t n = v.nbVoxels();
    try {
        sortie.resize(n);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour un volume de " + std::to_string(n) + " voxels";
        return false;
    }
    versOctets(v, fenetre, sortie.data());
    return true;
}

void versOctets(const VolumeBrut& v, const Fenetre& fenetre, unsigned char* sortie) {
    const std::size_t n = v.nbVoxels();
    if (v.type == TypeVoxel::Octet) {
        std::memcpy(sortie, v.donnees.data(), n);
        return;
    }
    // A window wider than the largest double is applied at half scale (exact otherwise).
    const double echelle = std::isfinite(fenetre.maxi - fenetre.mini) ? 1.0 : 0.5;
    const double mini = fenetre.mini * echelle;
    const double etendue = fenetre.maxi * echelle - mini;
    const auto gris = [&](double x) {
        x *= echelle;
        double g = etendue > 0.0 ? (x - mini) / etendue * 255.0 : (x > mini ? 255.0 : 0.0);
        if (!(g >= 0.0)) // below the window, and NaN
            g = 0.0;
        return static_cast<unsigned char>(std::min(g + 0.5, 255.0));
    };
    selonType(v.type, [&](auto t) {
        using T = decltype(t);
        const T* p = voxels<T>(v);
        if constexpr (petitEntier<T>) {
            // The grey of every possible value once, then a look-up a voxel.
            std::vector<unsigned char> table(std::size_t{1} << (8 * sizeof(T)));
            for (std::size_t c = 0; c < table.size(); ++c)
                table[c] = gris(static_cast<double>(valeurIndex<T>(c)));
#pragma omp parallel for num_threads(nbThreadsPour(n)) schedule(static)
            for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(n); ++i)
                sortie[i] = table[indexValeur(p[i])];
        } else {
#pragma omp parallel for num_threads(nbThreadsPour(n)) schedule(static)
            for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(n); ++i)
                sortie[i] = gris(static_cast<double>(p[i]));
        }
        return 0;
    });
}

bool versEtiquettes(const VolumeBrut& v, std::vector<std::uint16_t>& sortie,
                    std::vector<std::uint32_t>& valeurs, std::string& erreur) {
    const std::size_t n = v.nbVoxels();
    valeurs.clear();
    try {
        sortie.resize(n);
    } catch (const std::bad_alloc&) {
        erreur = "mémoire insuffisante pour une segmentation de " + std::to_string(n) + " voxels";
        return false;
    }
    return selonType(v.type, [&](auto t) {
        using T = decltype(t);
        const T* p = voxels<T>(v);
        // The largest label and the first voxel that is none, on all threads; the message
        // names that first voxel.
        const auto nb = static_cast<std::ptrdiff_t>(n);
        std::uint32_t maxi = 0;
        std::ptrdiff_t premiereFausse = nb;
        const int threads = nbThreadsPour(n);
#pragma omp parallel for num_threads(threads) reduction(max : maxi) reduction(min : premiereFausse)
        for (std::ptrdiff_t i = 0; i < nb; ++i) {
            const T x = p[i];
            bool bonne;
            if constexpr (std::is_floating_point_v<T>)
                bonne = x >= 0 && x <= static_cast<T>(kValeurEtiquetteMax) && x == std::floor(x);
            else if constexpr (std::is_signed_v<T>)
                bonne = x >= 0 && static_cast<std::uint64_t>(x) <= kValeurEtiquetteMax;
            else
                bonne = static_cast<std::uint64_t>(x) <= kValeurEtiquetteMax;
            if (bonne)
                maxi = std::max(maxi, static_cast<std::uint32_t>(x));
            else
                premiereFausse = std::min(premiereFausse, i);
        }
        if (premiereFausse < nb) {
            const T x = p[premiereFausse];
            erreur = "la valeur " + std::to_string(static_cast<double>(x)) + " du voxel " +
                     std::to_string(premiereFausse) + " n'est pas une étiquette entière de 0 à " +
                     std::to_string(kValeurEtiquetteMax);
            return false;
        }
        if (maxi <= static_cast<std::uint32_t>(kEtiquetteMax)) {
#pragma omp parallel for num_threads(nbThreadsPour(n)) schedule(static)
            for (std::ptrdiff_t i = 0; i < nb; ++i)
                sortie[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(p[i]);
            return true;
        }
        // Labels run in blocks: the last value seen spares most look-ups.
        std::unordered_map<std::uint32_t, std::uint16_t> indices;
        try {
            std::uint32_t precedente = 0;
            bool premiere = true;
            for (std::size_t i = 0; i < n; ++i) {
                const auto e = static_cast<std::uint32_t>(p[i]);
                if (e == 0 || (!premiere && e == precedente))
                    continue;
                premiere = false;
                precedente = e;
                if (indices.emplace(e, 0).second &&
                    indices.size() > static_cast<std::size_t>(kEtiquetteMax)) {
                    erreur = "plus de " + std::to_string(kEtiquetteMax) +
                             " étiquettes non nulles différentes";
                    return false;
                }
            }
            valeurs.reserve(indices.size() + 1);
            valeurs.push_back(0);
            for (const auto& entree : indices)
                valeurs.push_back(entree.first);
        } catch (const std::bad_alloc&) {
            erreur = "mémoire insuffisante pour la table des étiquettes";
            valeurs.clear();
            return false;
        }
        std::sort(valeurs.begin() + 1, valeurs.end());
        for (std::size_t k = 1; k < valeurs.size(); ++k)
            indices[valeurs[k]] = static_cast<std::uint16_t>(k);
        std::uint32_t precedente = 0;
        std::uint16_t index = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const auto e = static_cast<std::uint32_t>(p[i]);
            if (e != precedente) {
                precedente = e;
                index = e == 0 ? 0 : indices.find(e)->second;
            }
            sortie[i] = index;
        }
        return true;
    });
}

} // namespace Stravol
