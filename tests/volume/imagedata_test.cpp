#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "helpers/images.h"
#include "volume/BTCImageData.h"
#include "volume/BTCImageObject.h"

namespace {

// A 24-bit picture whose pixels all differ, so that any swap of rows, columns or
// channels shows.
BTCImageData motif24(int w, int h) {
    BTCImageData im;
    EXPECT_TRUE(im.Create(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = im.GetBits(x, y);
            p[0] = static_cast<unsigned char>(x * 7);
            p[1] = static_cast<unsigned char>(y * 11);
            p[2] = static_cast<unsigned char>(x + y * w);
        }
    return im;
}

bool memesPixels(const BTCImageData& a, const BTCImageData& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetBitsPerPixel() != b.GetBitsPerPixel())
        return false;
    for (long y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetBits(0, y), b.GetBits(0, y),
                        static_cast<std::size_t>(a.GetWidth() * a.GetBitsPerPixel() / 8)))
            return false;
    return true;
}

BTCImageData charger(const std::string& chemin, bool* ok = nullptr) {
    BTCImageObject fichier;
    const bool lu = fichier.Load(chemin.c_str(), nullptr, nullptr, 2);
    if (ok)
        *ok = lu;
    return lu ? *fichier.GetObjectDataPtr() : BTCImageData();
}

bool sauver(BTCImageData& im, const std::string& chemin, long format) {
    BTCImageObject fichier;
    return fichier.Attach(im) && fichier.Save(chemin.c_str(), format);
}

} // namespace

TEST(ImageData, PitchAndAddressing) {
    EXPECT_EQ(BTCImageData::PitchFor(10, 8), 12);
    EXPECT_EQ(BTCImageData::PitchFor(12, 8), 12);
    EXPECT_EQ(BTCImageData::PitchFor(10, 24), 32);
    EXPECT_EQ(BTCImageData::PitchFor(10, 32), 40);
    BTCImageData im;
    ASSERT_TRUE(im.Create(10, 5, 8));
    EXPECT_EQ(im.GetBytesPerLine(), 12);
    EXPECT_EQ(im.GetBits(3, 4), im.GetBits() + 4 * 12 + 3);
    const BTBitmapInfo info = im.GetBitmapInfo();
    EXPECT_EQ(info.tailleImage, 60);
    EXPECT_EQ(info.nbCouleurs, 256);
    ASSERT_TRUE(im.Create(10, 5, 24));
    EXPECT_EQ(im.GetBits(3, 4), im.GetBits() + 4 * 32 + 9);
    for (long k = 0; k < im.GetBytesPerLine() * im.GetHeight(); ++k)
        ASSERT_EQ(im.GetBits()[k], 0);
}

TEST(ImageData, CreateRefusesBadRequestsAndStaysEmpty) {
    BTCImageData im;
    EXPECT_FALSE(im.Create(10, 10, 16));
    EXPECT_FALSE(im.Create(0, 10, 8));
    EXPECT_FALSE(im.Create(10, -1, 8));
    EXPECT_FALSE(im.Create(65536, 1, 8));
    EXPECT_FALSE(im.Create(40000, 40000, 8)); // over 1 GiB: refused before allocating
    EXPECT_EQ(im.GetBits(), nullptr);
    EXPECT_EQ(im.GetWidth(), 0);
    ASSERT_TRUE(im.Create(4, 4, 8));
    im.DeleteObject();
    EXPECT_EQ(im.GetBits(), nullptr);
    EXPECT_EQ(im.GetHeight(), 0);
    EXPECT_FALSE(im.Fill(0, 0, 1, 1, 0));
}

TEST(ImageData, PaletteIsGreyAndCopiesAreDeep) {
    BTCImageData a;
    ASSERT_TRUE(a.Create(6, 3, 8));
    for (int i = 0; i < 256; ++i) {
        const BTRGBQuad c = a.GetColorTable()[i];
        ASSERT_TRUE(c.bleu == i && c.vert == i && c.rouge == i && c.reserve == 255);
    }
    a.GetBits(2, 1)[0] = 9;
    a.GetColorTable()[9] = BTRGBQuad{1, 2, 3, 0};
    BTCImageData b(a);
    BTCImageData c;
    c = a;
    b.GetBits(2, 1)[0] = 50;
    b.GetColorTable()[9].rouge = 77;
    c.DeleteObject();
    EXPECT_EQ(a.GetBits(2, 1)[0], 9);
    EXPECT_EQ(a.GetColorTable()[9].rouge, 3);
    EXPECT_EQ(c.GetColorTable()[9].rouge, 3);
    unsigned char ligne[18];
    ASSERT_TRUE(a.CopyRowBGR(1, ligne));
    EXPECT_EQ(ligne[6], 1);
    EXPECT_EQ(ligne[7], 2);
    EXPECT_EQ(ligne[8], 3);
    EXPECT_EQ(ligne[0], 0);
    EXPECT_FALSE(a.CopyRowBGR(3, ligne));
}

TEST(ImageData, ConvertAndFill) {
    BTCImageData im;
    ASSERT_TRUE(im.Create(5, 3, 32));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            unsigned char* p = im.GetBits(x, y);
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = static_cast<unsigned char>(x * y);
            p[3] = 200;
        }
    ASSERT_TRUE(im.ConvertTo24BPP());
    EXPECT_EQ(im.GetBitsPerPixel(), 24);
    EXPECT_EQ(im.GetBytesPerLine(), 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const unsigned char* p = im.GetBits(x, y);
            ASSERT_TRUE(p[0] == x && p[1] == y && p[2] == x * y) << x << "," << y;
        }
    // Red in the low byte; the rectangle is clipped to the picture.
    ASSERT_TRUE(im.Fill(3, 1, 10, 10, 0x0000FF));
    EXPECT_EQ(im.GetBits(4, 2)[2], 255);
    EXPECT_EQ(im.GetBits(4, 2)[0], 0);
    EXPECT_EQ(im.GetBits(2, 2)[0], 2);
    BTCImageData gris;
    ASSERT_TRUE(gris.Create(4, 4, 8));
    EXPECT_FALSE(gris.ConvertTo24BPP());
    ASSERT_TRUE(gris.Fill(0, 0, 2, 2, 16777215));
    EXPECT_EQ(gris.GetBits(1, 1)[0], 255);
    EXPECT_EQ(gris.GetBits(2, 1)[0], 0);
}

TEST(ImageObject, BmpRoundTripKeepsDepthPixelsAndPalette) {
    DossierTemporaire dossier;
    BTCImageData couleur = motif24(13, 7); // odd width: padded rows
    ASSERT_TRUE(sauver(couleur, dossier / "c.bmp", BTCImageObject::kFormatBMP));
    bool ok = false;
    EXPECT_TRUE(memesPixels(charger(dossier / "c.bmp", &ok), couleur));
    EXPECT_TRUE(ok);

    BTCImageData indexe;
    ASSERT_TRUE(indexe.Create(9, 4, 8));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            indexe.GetBits(x, y)[0] = static_cast<unsigned char>(x * 20 + y);
    indexe.GetColorTable()[21] = BTRGBQuad{10, 20, 30, 255};
    ASSERT_TRUE(sauver(indexe, dossier / "i.bmp", BTCImageObject::kFormatBMP));
    const BTCImageData relu = charger(dossier / "i.bmp");
    EXPECT_TRUE(memesPixels(relu, indexe));
    EXPECT_EQ(relu.GetColorTable()[21].vert, 20);
    EXPECT_EQ(relu.GetColorTable()[21].rouge, 30);
}

TEST(ImageObject, DecodesByContentWhateverTheExtension) {
    DossierTemporaire dossier;
    const int w = 6, h = 4;
    OctetsTest bgr, rgb, gris;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char b = static_cast<unsigned char>(10 * x),
                                g = static_cast<unsigned char>(40 * y),
                                r = static_cast<unsigned char>(200 - x - y);
            bgr.insert(bgr.end(), {b, g, r});
            rgb.insert(rgb.end(), {r, g, b});
            gris.push_back(static_cast<unsigned char>(x * 30 + y));
        }
    ecrireOctets(dossier / "a.cup", bmpFait(w, h, 24, bgr));
    ecrireOctets(dossier / "b.jpg", pngFait(w, h, 3, rgb));
    ecrireOctets(dossier / "c.bmp", pngFait(w, h, 1, gris));
    ecrireOctets(dossier / "d.png", bmpFait(w, h, 24, bgr, {}, true)); // rows stored top first
    for (const char* nom : {"a.cup", "b.jpg", "d.png"}) {
        bool ok = false;
        const BTCImageData im = charger(dossier / nom, &ok);
        ASSERT_TRUE(ok) << nom;
        ASSERT_EQ(im.GetBitsPerPixel(), 24) << nom;
        for (int y = 0; y < h; ++y)
            ASSERT_EQ(std::memcmp(im.GetBits(0, y), bgr.data() + y * w * 3, w * 3), 0)
                << nom << " row " << y;
    }
    const BTCImageData g = charger(dossier / "c.bmp");
    ASSERT_EQ(g.GetBitsPerPixel(), 8);
    for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(g.GetBits(0, y), gris.data() + y * w, w), 0);

    // A JPEG written under a BMP name is decoded as JPEG: lossy but close on a smooth
    // picture, and a grey picture comes back as 8-bit.
    BTCImageData lisse;
    ASSERT_TRUE(lisse.Create(32, 32, 8));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            lisse.GetBits(x, y)[0] = static_cast<unsigned char>(4 * x + 2 * y);
    ASSERT_TRUE(sauver(lisse, dossier / "j.bmp", BTCImageObject::kFormatJPEG));
    EXPECT_EQ(lireOctets(dossier / "j.bmp")[0], 0xFF);
    const BTCImageData j = charger(dossier / "j.bmp");
    ASSERT_EQ(j.GetBitsPerPixel(), 8);
    ASSERT_EQ(j.GetWidth(), 32);
    long ecart = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ecart += std::abs(j.GetBits(x, y)[0] - lisse.GetBits(x, y)[0]);
    EXPECT_LT(ecart / (32 * 32), 4);
}

TEST(ImageObject, ThirtyTwoBitAndPaletteFiles) {
    DossierTemporaire dossier;
    OctetsTest bgra = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
    ecrireOctets(dossier / "q.bmp", bmpFait(2, 2, 32, bgra));
    BTCImageData im = charger(dossier / "q.bmp");
    ASSERT_EQ(im.GetBitsPerPixel(), 32);
    ASSERT_TRUE(im.ConvertTo24BPP());
    EXPECT_EQ(im.GetBits(1, 1)[0], 10);
    EXPECT_EQ(im.GetBits(0, 1)[2], 9);
    // A palette shorter than 256 entries: indices are kept, missing entries are black.
    OctetsTest palette = {0, 0, 255, 0, 0, 255, 0, 0};
    ecrireOctets(dossier / "p.bmp", bmpFait(3, 1, 8, {1, 0, 1}, palette));
    const BTCImageData p = charger(dossier / "p.bmp");
    ASSERT_EQ(p.GetBitsPerPixel(), 8);
    EXPECT_EQ(p.GetBits(0, 0)[0], 1);
    EXPECT_EQ(p.GetColorTable()[1].vert, 255);
    EXPECT_EQ(p.GetColorTable()[0].rouge, 255);
    EXPECT_EQ(p.GetColorTable()[7].rouge, 0);
}

TEST(ImageObject, CorruptTruncatedAndAbsurdFilesAreRefused) {
    DossierTemporaire dossier;
    BTCImageData im = motif24(40, 30);
    ASSERT_TRUE(sauver(im, dossier / "ok.bmp", BTCImageObject::kFormatBMP));
    ASSERT_TRUE(sauver(im, dossier / "ok.jpg", BTCImageObject::kFormatJPEG));
    OctetsTest rgb(40 * 30 * 3, 99);
    ecrireOctets(dossier / "ok.png", pngFait(40, 30, 3, rgb));
    for (const char* nom : {"ok.bmp", "ok.jpg", "ok.png"}) {
        const OctetsTest entier = lireOctets(dossier / nom);
        ASSERT_TRUE(charger(dossier / nom).GetBits() != nullptr) << nom;
        for (std::size_t taille : {entier.size() / 2, entier.size() - 3, std::size_t(20)}) {
            ecrireOctets(dossier / "cut",
                         OctetsTest(entier.begin(), entier.begin() + static_cast<long>(taille)));
            bool ok = true;
            charger(dossier / "cut", &ok);
            EXPECT_FALSE(ok) << nom << " cut to " << taille;
        }
    }
    // Headers promising huge pictures, over the side limit or over 1 GiB, in tiny files.
    OctetsTest enorme = bmpFait(2, 2, 24, OctetsTest(12, 0));
    enorme[18] = 0xA0, enorme[19] = 0x86, enorme[20] = 0x01; // width 100000
    ecrireOctets(dossier / "w.bmp", enorme);
    enorme = bmpFait(2, 2, 24, OctetsTest(12, 0));
    enorme[18] = enorme[22] = 0x60, enorme[19] = enorme[23] = 0xEA; // 60000 x 60000
    ecrireOctets(dossier / "h.bmp", enorme);
    OctetsTest png = pngFait(2, 2, 1, OctetsTest(4, 0));
    png[16] = png[20] = 0x7F; // 2^31 pixels per side claimed in the header
    ecrireOctets(dossier / "h.png", png);
    ecrireOctets(dossier / "vide.bmp", {});
    ecrireOctets(dossier / "bruit.bmp", OctetsTest(500, 0xAB));
    OctetsTest bm = OctetsTest(500, 0xAB);
    bm[0] = 'B', bm[1] = 'M';
    ecrireOctets(dossier / "bm.bmp", bm);
    for (const char* nom :
         {"w.bmp", "h.bmp", "h.png", "vide.bmp", "bruit.bmp", "bm.bmp", "absent.bmp"}) {
        BTCImageObject fichier;
        EXPECT_FALSE(fichier.Load((dossier / nom).c_str(), nullptr, nullptr, 2)) << nom;
        EXPECT_EQ(fichier.GetObjectDataPtr()->GetBits(), nullptr) << nom;
    }
}

TEST(ImageObject, SaveFailuresAreReported) {
    DossierTemporaire dossier;
    BTCImageData im = motif24(4, 4);
    BTCImageData vide;
    BTCImageObject fichier;
    EXPECT_FALSE(fichier.Attach(vide));
    EXPECT_FALSE(fichier.Save((dossier / "rien.bmp").c_str(), BTCImageObject::kFormatBMP));
    ASSERT_TRUE(fichier.Attach(im));
    EXPECT_FALSE(fichier.Save((dossier / "x.gif").c_str(), 3));
    EXPECT_FALSE(fichier.Save((dossier / "absent/x.bmp").c_str(), BTCImageObject::kFormatBMP));
    EXPECT_FALSE(fichier.Save((dossier / "absent/x.jpg").c_str(), BTCImageObject::kFormatJPEG));
}
