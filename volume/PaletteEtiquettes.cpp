#include "volume/PaletteEtiquettes.h"

#include <algorithm>
#include <cstddef>

#include <omp.h>

#include "core/MotsOctets.h"
#include "core/Parallele.h"

namespace Stravol {

namespace {

// The values present, in increasing order: each thread marks those of its share of the voxels,
// a word of voxels of one value (a run of background or of a label) at once.
template <class T> std::vector<std::uint32_t> distinctes(const T* etiquettes, std::size_t n) {
    constexpr std::size_t kNbValeurs = std::size_t{1} << (8 * sizeof(T));
    constexpr std::size_t kParMot = sizeof(std::uint64_t) / sizeof(T);
    const int threads = n >= std::size_t{kSeuilParallele} ? nbThreads() : 1;
    std::vector<std::vector<unsigned char>> vues(static_cast<std::size_t>(threads));
    const auto nbMots = static_cast<std::ptrdiff_t>(n / kParMot);
#pragma omp parallel num_threads(threads)
    {
        std::vector<unsigned char>& miennes = vues[static_cast<std::size_t>(omp_get_thread_num())];
        miennes.assign(kNbValeurs, 0);
#pragma omp for schedule(static)
        for (std::ptrdiff_t m = 0; m < nbMots; ++m) {
            const T* v = etiquettes + static_cast<std::size_t>(m) * kParMot;
            if (motUniforme(v)) {
                miennes[v[0]] = 1;
                continue;
            }
            for (std::size_t k = 0; k < kParMot; ++k)
                miennes[v[k]] = 1;
        }
#pragma omp single
        for (std::size_t i = static_cast<std::size_t>(nbMots) * kParMot; i < n; ++i)
            miennes[etiquettes[i]] = 1;
    }
    std::vector<std::uint32_t> valeurs;
    for (std::size_t v = 0; v < kNbValeurs; ++v)
        if (std::any_of(vues.begin(), vues.end(), [v](const auto& m) { return m[v] != 0; }))
            valeurs.push_back(static_cast<std::uint32_t>(v));
    return valeurs;
}

} // namespace

PaletteEtiquettes::PaletteEtiquettes(const std::vector<std::uint32_t>& presentes,
                                     const TableEtiquettes& table)
    : presentes_(presentes) {
    std::sort(presentes_.begin(), presentes_.end());
    presentes_.erase(std::unique(presentes_.begin(), presentes_.end()), presentes_.end());
    couleurs_ = couleursEtiquettes(presentes_, table);
}

CouleurRVB PaletteEtiquettes::couleur(std::uint32_t valeur) const {
    const auto it = std::lower_bound(presentes_.begin(), presentes_.end(), valeur);
    if (it == presentes_.end() || *it != valeur)
        return couleurParDefaut(valeur);
    return couleurs_[static_cast<std::size_t>(it - presentes_.begin())];
}

std::vector<std::uint32_t> valeursPresentes(const std::uint16_t* etiquettes, std::size_t n) {
    return distinctes(etiquettes, n);
}

std::vector<std::uint32_t> valeursPresentes(const unsigned char* etiquettes, std::size_t n) {
    return distinctes(etiquettes, n);
}

} // namespace Stravol
