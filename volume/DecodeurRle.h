#pragma once
// Decoder of run-length encoded BMP pixel data (RLE8 and RLE4) into palette indices.

#include <cstddef>

// BMP compression codes of the run-length encodings.
constexpr int kCompressionRle8 = 1;
constexpr int kCompressionRle4 = 2;

// Decodes donnees (taille bytes, the pixel data of the file) for a picture of largeur x hauteur
// pixels of bitsParPixel bits (8 for RLE8, 4 for RLE4). indices receives one palette index a
// pixel, pas bytes a row, rows top first; pixels the data skip (deltas, early row ends) are
// index 0. basEnHaut: the data describe the bottom row first, as BMP files do. False for data
// that run out before the end-of-picture code, or that write outside the picture.
bool decoderRleBmp(const unsigned char* donnees, std::size_t taille, int bitsParPixel, long largeur,
                   long hauteur, bool basEnHaut, unsigned char* indices, std::size_t pas);
