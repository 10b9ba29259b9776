#include "volume/NiveauxGris.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The conversion as the slices have always been read: each product in double, summed green,
// red, blue, truncated.
unsigned char reference(int r, int g, int b) {
    return static_cast<unsigned char>(0.587 * g + 0.299 * r + 0.114 * b);
}

} // namespace

// Every colour, a row of 256 blues at a time: the fast row conversion gives the double sum's
// level, including where that sum falls just short of a whole level (grey 128 reads 127).
TEST(NiveauxGris, EveryColourReadsTheDoubleSumsLevel) {
    std::vector<unsigned char> bgr(3 * 256), gris(256);
    int ecarts = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b) {
                bgr[3 * b] = static_cast<unsigned char>(b);
                bgr[3 * b + 1] = static_cast<unsigned char>(g);
                bgr[3 * b + 2] = static_cast<unsigned char>(r);
            }
            Stravol::niveauxGrisBGR(bgr.data(), 256, gris.data());
            for (int b = 0; b < 256; ++b)
                if (gris[static_cast<std::size_t>(b)] != reference(r, g, b) ||
                    Stravol::niveauGris(static_cast<unsigned char>(r),
                                        static_cast<unsigned char>(g),
                                        static_cast<unsigned char>(b)) != reference(r, g, b))
                    ++ecarts;
        }
    EXPECT_EQ(ecarts, 0);
    EXPECT_EQ(Stravol::niveauGris(128, 128, 128), 127);
}

// Rows of grey pixels of every level, of every length, with one colour pixel at each place in
// turn: each pixel as on its own.
TEST(NiveauxGris, GreyRunsReadAsEachPixelAlone) {
    for (int n = 1; n <= 70; ++n)
        for (int colore = -1; colore < n; ++colore) {
            std::vector<unsigned char> bgr(3 * static_cast<std::size_t>(n)), gris(bgr.size() / 3);
            for (int x = 0; x < n; ++x) {
                const auto v = static_cast<unsigned char>((37 * x + n) % 256);
                bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v;
            }
            if (colore >= 0)
                bgr[3 * static_cast<std::size_t>(colore) + 1] ^= 0x40;
            Stravol::niveauxGrisBGR(bgr.data(), n, gris.data());
            for (int x = 0; x < n; ++x) {
                const std::size_t i = 3 * static_cast<std::size_t>(x);
                ASSERT_EQ(gris[static_cast<std::size_t>(x)],
                          reference(bgr[i + 2], bgr[i + 1], bgr[i]))
                    << n << " " << colore << " " << x;
            }
        }
    // Every grey level in a long row.
    std::vector<unsigned char> bgr(3 * 256), gris(256);
    for (int v = 0; v < 256; ++v)
        bgr[3 * v] = bgr[3 * v + 1] = bgr[3 * v + 2] = static_cast<unsigned char>(v);
    Stravol::niveauxGrisBGR(bgr.data(), 256, gris.data());
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(gris[static_cast<std::size_t>(v)], reference(v, v, v)) << v;
}
