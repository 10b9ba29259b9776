#pragma once
// Names and colours of the labels of a label map, as the tables shipped beside atlases and
// segmentations give them, with the default palette of labels that have no colour and the
// file names of label meshes.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// The default palette, for labels without a colour in their table. It never changes, so a
// label keeps its colour from one run to the next:
// - label 0 (the background) is black;
// - labels 1 to 12 take, in order: red, green, blue, yellow, cyan, magenta, orange, purple,
//   spring green, pink, sky blue, olive;
// - every other label v the hue (v x 0.618034) mod 1 turn, at a saturation and brightness
//   chosen by v mod 3 among (0.75, 0.95), (0.55, 0.85), (0.9, 0.7).
// No label but 0 is black.
CouleurRVB couleurParDefaut(std::uint32_t valeur);

// Colours of the labels present in a volume (valeurs, each value once, in any order), in the
// order of valeurs: the table's colour where it gives one, kept even when the table gives the
// same colour to several labels; otherwise the default colour, moved to the nearest free one
// along a fixed sequence when a table colour or the colour of a smaller present label holds it
// already. Labels without a table colour thus never share a colour with any other present
// label (while fewer than 2^24 colours are taken).
std::vector<CouleurRVB> couleursEtiquettes(const std::vector<std::uint32_t>& valeurs,
                                           const TableEtiquettes& table);

// Mesh file name of a label: "label-<value>-<name>.<extension>", every character of the
// name other than an ASCII letter or digit, '.', '_' or '-' replaced by one '_' (a UTF-8
// character counts once), the name cut to 200 bytes; "label-<value>.<extension>" when the
// name is empty.
std::string nomFichierEtiquette(std::uint32_t valeur, const std::string& nom,
                                const std::string& extension);

// Name of a label in a scene: its name from the table, or "label-<value>" when it has none.
std::string nomScene(std::uint32_t valeur, const std::string& nom);

// True when texte is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool utf8Valide(const std::string& texte);

} // namespace Stravol
