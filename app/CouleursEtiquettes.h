#pragma once
// Colours of a label map: label 0 (the background) black, every other label a colour of one
// fixed table, so that labels of small values (1, 2, 3...) are told apart at a glance.

#include <array>
#include <cstddef>

namespace Stravol {

// Number of colours of the table; labels beyond it take the colours again in turn.
inline constexpr int kNbCouleursEtiquettes = 24;

// Red, green, blue of a label (0 .. 255).
std::array<unsigned char, 3> couleurEtiquette(int etiquette);

// Recolours nbPixels pixels of 3 bytes (red, green, blue) in place, each pixel's red byte
// read as a label: the grey textures and pictures of a segmentation.
void colorerEtiquettes(unsigned char* pixels, std::size_t nbPixels);

} // namespace Stravol
