#pragma once
// Grey levels of colour pixels as the slice pictures are read: 0.587 G + 0.299 R + 0.114 B in
// double, summed in that order and truncated toward zero.

namespace Stravol {

unsigned char niveauGris(unsigned char r, unsigned char g, unsigned char b);

// niveauGris of each of n pixels stored blue, green, red (three bytes a pixel), into gris.
void niveauxGrisBGR(const unsigned char* bgr, int n, unsigned char* gris);

} // namespace Stravol
