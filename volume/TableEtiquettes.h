#pragma once
// Names and colours of the labels of a label map, as the tables shipped beside atlases and
// segmentations give them.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace Stravol {

using CouleurRVB = std::array<std::uint8_t, 3>; // red, green, blue, 0..255, sRGB

struct EntreeEtiquette {
    std::string nom;                   // exactly as the table writes it; may be empty
    std::optional<CouleurRVB> couleur; // absent when the table gives none
};

// Label value -> its entry. A label the table does not list has neither name nor colour.
struct TableEtiquettes {
    std::map<std::uint32_t, EntreeEtiquette> entrees;

    bool vide() const { return entrees.empty(); }
    const EntreeEtiquette* trouver(std::uint32_t valeur) const {
        const auto it = entrees.find(valeur);
        return it == entrees.end() ? nullptr : &it->second;
    }
};

} // namespace Stravol
