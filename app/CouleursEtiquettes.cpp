#include "app/CouleursEtiquettes.h"

namespace Stravol {

namespace {

// Well separated hues first, then lighter and darker ones.
constexpr unsigned char kTable[kNbCouleursEtiquettes][3] = {
    {230, 25, 75},   {60, 180, 75},   {255, 225, 25},  {0, 130, 200},   {245, 130, 48},
    {145, 30, 180},  {70, 240, 240},  {240, 50, 230},  {210, 245, 60},  {250, 190, 212},
    {0, 128, 128},   {220, 190, 255}, {170, 110, 40},  {255, 250, 200}, {128, 0, 0},
    {170, 255, 195}, {128, 128, 0},   {255, 215, 180}, {0, 0, 128},     {128, 128, 128},
    {255, 255, 255}, {100, 60, 160},  {200, 80, 80},   {80, 200, 140},
};

} // namespace

std::array<unsigned char, 3> couleurEtiquette(int etiquette) {
    if (etiquette <= 0)
        return {0, 0, 0};
    const unsigned char* c = kTable[(etiquette - 1) % kNbCouleursEtiquettes];
    return {c[0], c[1], c[2]};
}

void colorerEtiquettes(unsigned char* pixels, std::size_t nbPixels) {
    std::array<std::array<unsigned char, 3>, 256> table;
    for (int e = 0; e < 256; ++e)
        table[e] = couleurEtiquette(e);
    for (std::size_t i = 0; i < nbPixels; ++i, pixels += 3) {
        const std::array<unsigned char, 3>& c = table[pixels[0]];
        pixels[0] = c[0];
        pixels[1] = c[1];
        pixels[2] = c[2];
    }
}

} // namespace Stravol
