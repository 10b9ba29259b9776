#include "volume/DecodeurRle.h"

#include <cstring>

namespace {

// Escape codes following a zero count.
constexpr unsigned char kFinLigne = 0;
constexpr unsigned char kFinImage = 1;
constexpr unsigned char kDeplacement = 2;

} // namespace

bool decoderRleBmp(const unsigned char* donnees, std::size_t taille, int bitsParPixel, long largeur,
                   long hauteur, bool basEnHaut, unsigned char* indices, std::size_t pas) {
    if ((bitsParPixel != 8 && bitsParPixel != 4) || largeur <= 0 || hauteur <= 0)
        return false;
    for (long y = 0; y < hauteur; ++y)
        std::memset(indices + pas * static_cast<std::size_t>(y), 0,
                    static_cast<std::size_t>(largeur));
    const bool quatre = bitsParPixel == 4;
    long x = 0, ligne = 0; // ligne counts rows in the order of the data
    auto ecrire = [&](unsigned char index) {
        // Pixels past the row's end are dropped, as BMP readers do.
        if (x < largeur && ligne < hauteur) {
            const long y = basEnHaut ? hauteur - 1 - ligne : ligne;
            indices[pas * static_cast<std::size_t>(y) + static_cast<std::size_t>(x)] = index;
        }
        ++x;
    };
    std::size_t i = 0;
    while (i + 1 < taille) {
        const unsigned char n = donnees[i], v = donnees[i + 1];
        i += 2;
        if (n > 0) {
            if (ligne >= hauteur)
                return false;
            for (unsigned k = 0; k < n; ++k)
                ecrire(quatre ? static_cast<unsigned char>(k % 2 == 0 ? v >> 4 : v & 0x0f) : v);
            continue;
        }
        if (v == kFinLigne) {
            x = 0;
            ++ligne;
        } else if (v == kFinImage) {
            return true;
        } else if (v == kDeplacement) {
            if (i + 1 >= taille)
                return false;
            x += donnees[i];
            ligne += donnees[i + 1];
            i += 2;
            if (ligne > hauteur)
                return false;
        } else {
            // Absolute run of v pixels, padded to an even number of bytes.
            const std::size_t octets = quatre ? (v + 1u) / 2u : v;
            if (ligne >= hauteur || i + octets > taille)
                return false;
            for (unsigned k = 0; k < v; ++k)
                ecrire(quatre ? static_cast<unsigned char>(k % 2 == 0 ? donnees[i + k / 2] >> 4
                                                                      : donnees[i + k / 2] & 0x0f)
                              : donnees[i + k]);
            i += octets + (octets % 2);
        }
    }
    return false; // no end-of-picture code
}
