#pragma once
// The colours of the labels of one label map: the one table that its cut textures, its cut
// pictures and the meshes of its labels all read, so that a label shows in one colour
// everywhere.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "volume/TableEtiquettes.h"

namespace Stravol {

class PaletteEtiquettes {
public:
    // No label present: every label in its default colour (couleurParDefaut).
    PaletteEtiquettes() = default;
    // The labels present (each once, in any order) in the colours couleursEtiquettes gives
    // them with table: distinct labels present get distinct colours, unless the table itself
    // gives several of them one colour.
    PaletteEtiquettes(const std::vector<std::uint32_t>& presentes, const TableEtiquettes& table);

    // Colour of label valeur; a label not present takes its default colour.
    CouleurRVB couleur(std::uint32_t valeur) const;
    // The labels present, ascending.
    const std::vector<std::uint32_t>& presentes() const { return presentes_; }

private:
    std::vector<std::uint32_t> presentes_;
    std::vector<CouleurRVB> couleurs_; // of presentes_, in the same order
};

// The distinct values of a label map of n voxels, ascending.
std::vector<std::uint32_t> valeursPresentes(const std::uint16_t* etiquettes, std::size_t n);
std::vector<std::uint32_t> valeursPresentes(const unsigned char* etiquettes, std::size_t n);

} // namespace Stravol
