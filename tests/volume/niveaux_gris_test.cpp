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
