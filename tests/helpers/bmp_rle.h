#pragma once
// An encoder of run-length BMP files (RLE8, RLE4), independent of the decoder under test.

#include "helpers/images.h"

// A BMP of palette indices (one byte a pixel, rows top first, packed; below 16 for RLE4)
// encoded with bpp 8 (RLE8) or 4 (RLE4). The encoder uses every code of the format: runs,
// absolute runs, deltas over zero pixels and early row ends.
OctetsTest bmpRleFait(int largeur, int hauteur, int bpp, const OctetsTest& indices,
                      const OctetsTest& palette);
