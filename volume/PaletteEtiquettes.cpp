#include "volume/PaletteEtiquettes.h"

#include <algorithm>

namespace Stravol {

namespace {

template <class T> std::vector<std::uint32_t> distinctes(const T* etiquettes, std::size_t n) {
    constexpr std::size_t kNbValeurs = std::size_t{1} << (8 * sizeof(T));
    std::vector<unsigned char> vues(kNbValeurs, 0);
    for (std::size_t i = 0; i < n; ++i)
        vues[etiquettes[i]] = 1;
    std::vector<std::uint32_t> valeurs;
    for (std::size_t v = 0; v < kNbValeurs; ++v)
        if (vues[v])
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
