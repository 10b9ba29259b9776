#include "helpers/bmp_rle.h"

#include <algorithm>
#include <cstdint>

namespace {

void le32(OctetsTest& d, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        d.push_back(static_cast<unsigned char>(v >> (8 * k)));
}
void le16(OctetsTest& d, std::uint16_t v) {
    d.push_back(static_cast<unsigned char>(v));
    d.push_back(static_cast<unsigned char>(v >> 8));
}

constexpr int kLongueurMax = 255;
constexpr int kZerosPourDeplacement = 8;

void coderLigne(OctetsTest& d, const unsigned char* p, int largeur, bool quatre) {
    int i = 0;
    while (i < largeur) {
        int fin = i;
        while (fin < largeur && p[fin] == 0)
            ++fin;
        if (fin == largeur) // the rest of the row is 0: an early row end
            break;
        if (p[i] == 0 && fin - i >= kZerosPourDeplacement) {
            d.insert(d.end(), {0, 2, static_cast<unsigned char>(fin - i), 0});
            i = fin;
            continue;
        }
        int r = 1;
        while (i + r < largeur && r < kLongueurMax && p[i + r] == p[i])
            ++r;
        if (r >= 3 || largeur - i < 3) {
            d.push_back(static_cast<unsigned char>(r));
            d.push_back(static_cast<unsigned char>(quatre ? p[i] << 4 | p[i] : p[i]));
            i += r;
            continue;
        }
        // Absolute run up to the next run of three equal pixels.
        int n = 0;
        while (i + n < largeur && n < kLongueurMax &&
               !(i + n + 2 < largeur && p[i + n] == p[i + n + 1] && p[i + n] == p[i + n + 2]))
            ++n;
        if (n < 3)
            n = std::min(3, largeur - i);
        d.push_back(0);
        d.push_back(static_cast<unsigned char>(n));
        const std::size_t debut = d.size();
        for (int k = 0; k < n; ++k) {
            if (!quatre)
                d.push_back(p[i + k]);
            else if (k % 2 == 0)
                d.push_back(static_cast<unsigned char>(p[i + k] << 4));
            else
                d.back() = static_cast<unsigned char>(d.back() | p[i + k]);
        }
        if ((d.size() - debut) % 2)
            d.push_back(0);
        i += n;
    }
    d.push_back(0);
    d.push_back(0);
}

} // namespace

OctetsTest bmpRleFait(int largeur, int hauteur, int bpp, const OctetsTest& indices,
                      const OctetsTest& palette) {
    OctetsTest donnees;
    for (int r = hauteur - 1; r >= 0; --r)
        coderLigne(donnees, indices.data() + static_cast<std::size_t>(r) * largeur, largeur,
                   bpp == 4);
    donnees.push_back(0);
    donnees.push_back(1);
    const auto nbCouleurs = static_cast<std::uint32_t>(palette.size() / 4);
    const std::uint32_t debut = 54 + 4 * nbCouleurs;
    OctetsTest d = {'B', 'M'};
    le32(d, debut + static_cast<std::uint32_t>(donnees.size()));
    le32(d, 0);
    le32(d, debut);
    le32(d, 40);
    le32(d, static_cast<std::uint32_t>(largeur));
    le32(d, static_cast<std::uint32_t>(hauteur));
    le16(d, 1);
    le16(d, static_cast<std::uint16_t>(bpp));
    le32(d, bpp == 8 ? 1 : 2);
    le32(d, static_cast<std::uint32_t>(donnees.size()));
    le32(d, 2835);
    le32(d, 2835);
    le32(d, nbCouleurs);
    le32(d, 0);
    d.insert(d.end(), palette.begin(), palette.end());
    d.insert(d.end(), donnees.begin(), donnees.end());
    return d;
}
