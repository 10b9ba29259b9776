#include "region/ComposanteConnexe.h"
#include "core/Pi.h"

#include "region/Cvecto.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <vector>

ComposanteConnexe::ComposanteConnexe(const unsigned char* img, int l, int h, int p)
    : largeur(l), hauteur(h), profondeur(p) {
    // Labels are 32-bit: a volume that could issue more labels than they hold, or
    // one with a size that is not positive, is taken as empty.
    const int64_t n = static_cast<int64_t>(l) * h * p;
    if (l <= 0 || h <= 0 || p <= 0 || img == nullptr || n >= std::numeric_limits<int32_t>::max()) {
        largeur = hauteur = profondeur = 0;
        return;
    }
    image = new unsigned char[n];
    std::memcpy(image, img, static_cast<size_t>(n));
    etiquettes = new int32_t[n]();
}

ComposanteConnexe::~ComposanteConnexe() {
    delete[] image;
    delete[] etiquettes;
    delete[] equivalences;
    delete[] statsCC;
}

int32_t ComposanteConnexe::racine(int32_t e) {
    int32_t r = e;
    while (equivalences[r] != r)
        r = equivalences[r];
    while (equivalences[e] != r) {
        const int32_t suivant = equivalences[e];
        equivalences[e] = r;
        e = suivant;
    }
    return r;
}

void ComposanteConnexe::NumeroVoisinnageAlle1(int x, int y, int z, int& nbVois,
                                              int32_t* listeVois) const {
    const int64_t i = indice(x, y, z);
    const int64_t tranche = static_cast<int64_t>(largeur) * hauteur;
    auto ajouter = [&](int64_t j) {
        const int32_t e = etiquettes[j];
        if (e == 0)
            return;
        for (int k = 0; k < nbVois; ++k)
            if (listeVois[k] == e)
                return;
        listeVois[nbVois++] = e;
    };
    // Neighbour ranges clipped to the volume once, instead of testing every position.
    const int dxMin = x > 0 ? -1 : 0, dxMax = x < largeur - 1 ? 1 : 0;
    const int dyMin = y > 0 ? -1 : 0, dyMax = y < hauteur - 1 ? 1 : 0;
    if (z >= 1)
        for (int dx = dxMin; dx <= dxMax; ++dx)
            for (int dy = dyMin; dy <= dyMax; ++dy)
                ajouter(i - tranche + static_cast<int64_t>(dy) * largeur + dx);
    if (y >= 1)
        for (int dx = dxMin; dx <= dxMax; ++dx)
            ajouter(i - largeur + dx);
    if (x >= 1)
        ajouter(i - 1);
}

int32_t ComposanteConnexe::etiquetteMin(int nbVois, const int32_t* listeVois) {
    int32_t m = std::numeric_limits<int32_t>::max();
    for (int i = 0; i < nbVois; ++i)
        m = std::min(m, listeVois[i]);
    return m;
}

int32_t ComposanteConnexe::CheckVoisin(int x, int y, int z) const {
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int vx = x + dx, vy = y + dy, vz = z + dz;
                if (vx < 0 || vx >= largeur || vy < 0 || vy >= hauteur || vz < 0 ||
                    vz >= profondeur)
                    return 0;
                if (etiquettes[indice(vx, vy, vz)] == 0)
                    return 0;
            }
    return -1;
}

void ComposanteConnexe::ComputeCC1(unsigned char WorB) {
    const int64_t n = taille();
    nbCC = 0;
    delete[] equivalences;
    // Each provisional label is first given to a distinct voxel, so labels run 1 .. n.
    equivalences = new int32_t[n + 1];
    for (int64_t i = 0; i <= n; ++i)
        equivalences[i] = static_cast<int32_t>(i);
    if (n == 0)
        return;
    std::fill(etiquettes, etiquettes + n, 0);

    int32_t listeVois[13] = {};
    int32_t suivante = 1;
    for (int z = 0; z < profondeur; ++z)
        for (int y = 0; y < hauteur; ++y)
            for (int x = 0; x < largeur; ++x) {
                const int64_t i = indice(x, y, z);
                if (image[i] != WorB)
                    continue;
                int nbVois = 0;
                NumeroVoisinnageAlle1(x, y, z, nbVois, listeVois);
                if (nbVois == 0) {
                    etiquettes[i] = suivante++;
                    continue;
                }
                const int32_t m = etiquetteMin(nbVois, listeVois);
                etiquettes[i] = m;
                // Union by smallest root: a class's representative is its smallest label.
                for (int k = 0; k < nbVois; ++k) {
                    const int32_t a = racine(listeVois[k]);
                    const int32_t b = racine(m);
                    if (a != b)
                        equivalences[std::max(a, b)] = std::min(a, b);
                }
            }

    // Every parent is smaller than its child, so in ascending order the parent already
    // holds its representative.
    for (int32_t e = 1; e < suivante; ++e) {
        equivalences[e] = equivalences[equivalences[e]];
        if (equivalences[e] == e)
            ++nbCC;
    }
    for (int64_t i = 0; i < n; ++i)
        if (etiquettes[i] != 0)
            etiquettes[i] = equivalences[etiquettes[i]];
}

void ComposanteConnexe::computeCompacite() {
    delete[] statsCC;
    statsCC = new CStatCC[static_cast<size_t>(nbCC) + 1];
    moyCompCC = varCompCC = moyAireCC = 0.0f;
    const int64_t n = taille();
    if (n == 0)
        return;

    // Components are numbered by first appearance in a scan with x outermost and z
    // innermost, that is by their smallest (x, y, z) in lexicographic order. The counts
    // are gathered in buffer order (x fastest, cache friendly) per representative, then
    // the components are sorted by that first position.
    std::vector<int32_t> dense(static_cast<size_t>(n) + 1, 0);
    struct Compte {
        int64_t premier;
        int32_t volume, surface;
    };
    std::vector<Compte> comptes;
    comptes.reserve(static_cast<size_t>(nbCC));
    const int64_t tranche = static_cast<int64_t>(largeur) * hauteur;
    int64_t decalages[27];
    int nbDecalages = 0;
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                decalages[nbDecalages++] = dz * tranche + static_cast<int64_t>(dy) * largeur + dx;
    int64_t i = 0;
    for (int z = 0; z < profondeur; ++z)
        for (int y = 0; y < hauteur; ++y)
            for (int x = 0; x < largeur; ++x, ++i) {
                const int32_t e = etiquettes[i];
                if (e == 0)
                    continue;
                const int64_t position = (static_cast<int64_t>(x) * hauteur + y) * profondeur + z;
                if (dense[e] == 0) {
                    comptes.push_back({position, 0, 0});
                    dense[e] = static_cast<int32_t>(comptes.size());
                }
                Compte& c = comptes[dense[e] - 1];
                c.premier = std::min(c.premier, position);
                ++c.volume;
                // Same rule as CheckVoisin, with the block read through fixed offsets.
                bool interieur = x > 0 && y > 0 && z > 0 && x < largeur - 1 && y < hauteur - 1 &&
                                 z < profondeur - 1;
                for (int k = 0; interieur && k < 27; ++k)
                    interieur = etiquettes[i + decalages[k]] != 0;
                if (!interieur)
                    ++c.surface;
            }
    assert(static_cast<int32_t>(comptes.size()) == nbCC);
    std::sort(comptes.begin(), comptes.end(),
              [](const Compte& a, const Compte& b) { return a.premier < b.premier; });
    for (size_t k = 0; k < comptes.size() && static_cast<int32_t>(k) < nbCC; ++k) {
        statsCC[k + 1].volume = comptes[k].volume;
        statsCC[k + 1].surface = comptes[k].surface;
    }

    constexpr double quatrePi = 4 * kPi;
    int valides = 0;
    for (int k = 1; k <= nbCC; ++k) {
        CStatCC& s = statsCC[k];
        if (s.volume > 4) {
            const float surface = static_cast<float>(s.surface);
            const float volume = static_cast<float>(s.volume);
            s.compacite =
                static_cast<float>(static_cast<double>(surface) * surface / (quatrePi * volume));
            ++valides;
        } else
            s.compacite = 0.0f;
    }
    if (valides == 0)
        return;

    // Sums run over every component; the divisor counts the valid ones only.
    float sommeVolume = 0.0f, sommeCompacite = 0.0f;
    for (int k = 1; k <= nbCC; ++k) {
        sommeVolume += static_cast<float>(statsCC[k].volume);
        sommeCompacite += statsCC[k].compacite;
    }
    moyAireCC = static_cast<float>(static_cast<double>(sommeVolume) / valides);
    moyCompCC = static_cast<float>(static_cast<double>(sommeCompacite) / valides);
    float sommeEcarts = 0.0f;
    for (int k = 1; k <= nbCC; ++k) {
        const double d = static_cast<double>(statsCC[k].compacite) - moyCompCC;
        sommeEcarts = static_cast<float>(sommeEcarts + d * d);
    }
    varCompCC = static_cast<float>(static_cast<double>(sommeEcarts) / valides);
}

void ComposanteConnexe::copieParametres(Cvecto& v) const {
    v.setnbCC(static_cast<float>(nbCC));
    v.setmoyCompCC(moyCompCC);
    v.setvarCompCC(varCompCC);
    v.setmoyAireCC(moyAireCC);
}
