// Any run-length BMP data: the first three bytes give the width and height (1 to 256) and the
// encoding (RLE8 or RLE4), the rest is the pixel data. The decoder writes only inside the
// picture (the guard bytes around it stay), RLE4 gives indices below 16, and it ends.

#include <vector>

#include "DossierFuzz.h"
#include "volume/DecodeurRle.h"

namespace {
constexpr unsigned char kGarde = 0xA5;
constexpr std::size_t kMarge = 64;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    if (taille < 3)
        return 0;
    const long largeur = data[0] + 1, hauteur = data[1] + 1;
    const int bpp = data[2] & 1 ? 4 : 8;
    const std::size_t pas = static_cast<std::size_t>(largeur) + 3;
    std::vector<unsigned char> tampon(2 * kMarge + pas * static_cast<std::size_t>(hauteur), kGarde);
    unsigned char* indices = tampon.data() + kMarge;
    const bool decode =
        decoderRleBmp(data + 3, taille - 3, bpp, largeur, hauteur, data[2] & 2, indices, pas);
    for (std::size_t i = 0; i < kMarge; ++i)
        FUZZ_VERIFIER(tampon[i] == kGarde && tampon[tampon.size() - 1 - i] == kGarde);
    for (long y = 0; y < hauteur; ++y)
        for (std::size_t x = static_cast<std::size_t>(largeur); x < pas; ++x)
            FUZZ_VERIFIER(indices[pas * static_cast<std::size_t>(y) + x] == kGarde);
    if (decode && bpp == 4)
        for (long y = 0; y < hauteur; ++y)
            for (long x = 0; x < largeur; ++x)
                FUZZ_VERIFIER(
                    indices[pas * static_cast<std::size_t>(y) + static_cast<std::size_t>(x)] < 16);
    return 0;
}
