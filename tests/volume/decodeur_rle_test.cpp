// Run-length BMP slices (RLE8, RLE4) against the same pictures stored uncompressed.

#include <gtest/gtest.h>

#include <vector>

#include "helpers/bmp_rle.h"
#include "helpers/images.h"
#include "helpers/slices.h"
#include "volume/BTCImageObject.h"
#include "volume/CImageTroisD.h"
#include "volume/DecodeurRle.h"

namespace {

// Indices with runs, single pixels, zero stretches (deltas) and zero row ends.
OctetsTest indicesMotif(int largeur, int hauteur, int couleurs) {
    OctetsTest p(static_cast<std::size_t>(largeur) * hauteur, 0);
    for (int y = 0; y < hauteur; ++y)
        for (int x = 0; x < largeur; ++x) {
            int v = 0;
            if (y % 3 == 0)
                v = (x * 7 + y) % couleurs; // varied: absolute runs
            else if (y % 3 == 1)
                v = x < largeur / 2 ? (x / 5) % couleurs : 0; // runs, then a zero row end
            else
                v = (x > 2 && x < 14) ? 0 : (y % couleurs); // a zero stretch: a delta
            p[static_cast<std::size_t>(y) * largeur + x] = static_cast<unsigned char>(v);
        }
    return p;
}

OctetsTest palette(int couleurs) {
    OctetsTest q;
    for (int i = 0; i < couleurs; ++i)
        q.insert(q.end(), {static_cast<unsigned char>(i * 3), static_cast<unsigned char>(255 - i),
                           static_cast<unsigned char>(i * 11 % 256), 0});
    return q;
}

std::vector<unsigned char> pixelsBGR(const std::string& fichier) {
    BTCImageObject o;
    if (!o.Load(fichier.c_str()))
        return {};
    const BTCImageData& im = *o.GetObjectDataPtr();
    std::vector<unsigned char> tout, ligne(3 * static_cast<std::size_t>(im.GetWidth()));
    for (long y = 0; y < im.GetHeight(); ++y) {
        im.CopyRowBGR(y, ligne.data());
        tout.insert(tout.end(), ligne.begin(), ligne.end());
    }
    return tout;
}

} // namespace

TEST(RleDecoder, Rle8AndRle4LikeTheSameUncompressedPicture) {
    DossierTemporaire tmp;
    for (int bpp : {8, 4}) {
        SCOPED_TRACE(bpp);
        const int couleurs = bpp == 8 ? 200 : 16;
        const int l = 41, h = 13;
        const OctetsTest indices = indicesMotif(l, h, couleurs);
        const OctetsTest pal = palette(couleurs);
        ecrireOctets(tmp / "rle.bmp", bmpRleFait(l, h, bpp, indices, pal));
        ecrireOctets(tmp / "brut.bmp", bmpFait(l, h, 8, indices, pal));
        const std::vector<unsigned char> attendu = pixelsBGR(tmp / "brut.bmp");
        ASSERT_FALSE(attendu.empty());
        EXPECT_EQ(pixelsBGR(tmp / "rle.bmp"), attendu);
    }
}

TEST(RleDecoder, InvalidDataRefused) {
    std::vector<unsigned char> sortie(4 * 2);
    // No end-of-picture code.
    const unsigned char sansFin[] = {2, 5, 0, 0};
    EXPECT_FALSE(decoderRleBmp(sansFin, sizeof sansFin, 8, 4, 2, true, sortie.data(), 4));
    // An absolute run longer than the data.
    const unsigned char absolu[] = {0, 9, 1, 2, 3};
    EXPECT_FALSE(decoderRleBmp(absolu, sizeof absolu, 8, 4, 2, true, sortie.data(), 4));
    // Rows past the picture.
    const unsigned char trop[] = {0, 0, 0, 0, 1, 7, 0, 1};
    EXPECT_FALSE(decoderRleBmp(trop, sizeof trop, 8, 4, 2, true, sortie.data(), 4));
    const unsigned char deplacement[] = {0, 2, 0, 9, 0, 1};
    EXPECT_FALSE(decoderRleBmp(deplacement, sizeof deplacement, 8, 4, 2, true, sortie.data(), 4));
    // A run past the row's end is cut, not written into the next row.
    const unsigned char long_[] = {9, 7, 0, 1};
    ASSERT_TRUE(decoderRleBmp(long_, sizeof long_, 8, 4, 2, false, sortie.data(), 4));
    EXPECT_EQ(sortie, (std::vector<unsigned char>{7, 7, 7, 7, 0, 0, 0, 0}));
}

TEST(RleDecoder, Rle8SliceInASliceFolder) {
    // A valid RLE8 slice among uncompressed ones: every slice is read, the RLE one as its
    // uncompressed twin.
    DossierTemporaire rle, brut;
    const std::string a = sousDossier(rle, "v"), b = sousDossier(brut, "v");
    const OctetsTest pal = palette(256);
    for (int z = 0; z < 3; ++z) {
        OctetsTest indices = indicesMotif(20, 9, 256);
        for (unsigned char& i : indices)
            i = static_cast<unsigned char>(i + 40 * z);
        const std::string nom = "/s" + std::to_string(z) + ".bmp";
        ecrireOctets(a + nom,
                     z == 1 ? bmpRleFait(20, 9, 8, indices, pal) : bmpFait(20, 9, 8, indices, pal));
        ecrireOctets(b + nom, bmpFait(20, 9, 8, indices, pal));
    }
    MessagesCollectes messages;
    CImageTroisD vr(rle.chemin(), a, nullptr, &messages), vb(brut.chemin(), b, nullptr, nullptr);
    EXPECT_TRUE(messages.textes.empty());
    ASSERT_EQ(vr.profondeur, 3);
    ASSERT_EQ(vb.profondeur, 3);
    const std::size_t n = 20 * 9 * 3;
    EXPECT_TRUE(std::equal(vr.image.get(), vr.image.get() + n, vb.image.get()));
}
