#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>

#include "helpers/images.h"
#include "volume/CImage3D.h"

namespace {

using P = CTriplet<int>;
using F = CTriplet<float>;

// A volume whose voxels all carry different-looking values.
CImage3D motif(int w, int h, int d) {
    CImage3D im;
    EXPECT_TRUE(im.Create(w, h, d));
    for (int z = 0; z < d; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                im.Pixel(x, y, z) = static_cast<unsigned char>(x * 3 + y * 17 + z * 41);
    return im;
}

bool memesVoxels(const CImage3D& a, const CImage3D& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetDepth() != b.GetDepth())
        return false;
    for (int z = 0; z < a.GetDepth(); ++z)
        for (int y = 0; y < a.GetHeight(); ++y)
            for (int x = 0; x < a.GetWidth(); ++x)
                if (a.Pixel(x, y, z) != b.Pixel(x, y, z))
                    return false;
    return true;
}

OctetsTest enteteI3D(int w, int h, int d) {
    return {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8),
            static_cast<unsigned char>(h), static_cast<unsigned char>(h >> 8),
            static_cast<unsigned char>(d), static_cast<unsigned char>(d >> 8)};
}

} // namespace

TEST(Image3D, LayoutPitchAndCopies) {
    CImage3D vide;
    EXPECT_EQ(vide.GetWidth(), 0);
    EXPECT_EQ(vide.GetDepth(), 0);
    EXPECT_FALSE(vide.IsInImage(P(0, 0, 0)));
    EXPECT_EQ(vide.Pixel2(F(0, 0, 0)), 0);
    EXPECT_EQ(vide.PixelInterpolate(F(0, 0, 0)), 0.0f);

    CImage3D a = motif(10, 4, 3);
    EXPECT_EQ(a.GetPitch(), 12);
    EXPECT_EQ(motif(12, 2, 1).GetPitch(), 12);
    EXPECT_EQ(&a.Pixel(7, 3, 2), a.GetBits(2) + 3 * 12 + 7);
    EXPECT_EQ(&a.Pixel(F(7.9f, 3.2f, 2.99f)), &a.Pixel(P(7, 3, 2)));
    EXPECT_FALSE(a.IsInImage(P(10, 0, 0)));
    EXPECT_FALSE(a.IsInImage(P(0, -1, 0)));
    EXPECT_TRUE(a.IsInImage(P(9, 3, 2)));
    EXPECT_EQ(a.Pixel2(P(9, 3, 3)), 0);
    EXPECT_EQ(a.Pixel2(F(-0.5f, 0.0f, 0.0f)), a.Pixel(0, 0, 0));
    EXPECT_EQ(a.Pixel2(F(std::nanf(""), 0.0f, 0.0f)), 0);
    EXPECT_EQ(a.Pixel2(F(1e20f, 0.0f, 0.0f)), 0);

    CImage3D b(a);
    CImage3D c;
    c = a;
    b.Pixel(1, 1, 1) = 0;
    c.Pixel(2, 2, 2) = 0;
    EXPECT_NE(a.Pixel(1, 1, 1), 0);
    EXPECT_NE(a.Pixel(2, 2, 2), 0);
    c = vide;
    EXPECT_EQ(c.GetDepth(), 0);
    EXPECT_FALSE(c.Create(4, 4, -1));
    EXPECT_FALSE(c.Create(0, 4, 2));
    EXPECT_EQ(c.GetDepth(), 0);
    ASSERT_TRUE(c.Create24bits(5, 2, 2));
    EXPECT_EQ(c.GetSlice(1).GetBitsPerPixel(), 24);
    EXPECT_EQ(c.GetPitch(), 16);
}

TEST(Image3D, InterpolationIsExactOnIntegersAndLinearFunctions) {
    const CImage3D a = motif(6, 5, 4);
    for (int z = 0; z < 3; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_FLOAT_EQ(a.PixelInterpolate(F(float(x), float(y), float(z))),
                                float(a.Pixel(x, y, z)));
    // The last column, row and slice give 0, and so do points beyond or NaN.
    EXPECT_EQ(a.PixelInterpolate(F(5.0f, 0.0f, 0.0f)), 0.0f);
    EXPECT_EQ(a.PixelInterpolate(F(4.99f, 3.99f, 2.99f)) > 0.0f, true);
    EXPECT_EQ(a.PixelInterpolate(F(0.0f, 4.0f, 0.0f)), 0.0f);
    EXPECT_EQ(a.PixelInterpolate(F(0.0f, 0.0f, 3.5f)), 0.0f);
    EXPECT_EQ(a.PixelInterpolate(F(-1.0f, 0.0f, 0.0f)), 0.0f);
    EXPECT_EQ(a.PixelInterpolate(F(0.0f, std::numeric_limits<float>::infinity(), 0.0f)), 0.0f);
    EXPECT_EQ(a.PixelInterpolate(F(0.0f, 0.0f, std::nanf(""))), 0.0f);

    // v = 2x + 3y + 5z + 1 is reproduced anywhere inside, and extrapolated on (-1, 0).
    CImage3D lin;
    ASSERT_TRUE(lin.Create(7, 6, 5));
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x)
                lin.Pixel(x, y, z) = static_cast<unsigned char>(2 * x + 3 * y + 5 * z + 1);
    std::mt19937 alea(7);
    std::uniform_real_distribution<float> ux(-0.9f, 5.9f), u(-0.9f, 3.9f);
    for (int k = 0; k < 200; ++k) {
        const F p(ux(alea), u(alea), u(alea));
        ASSERT_NEAR(lin.PixelInterpolate(p), 2 * p.x + 3 * p.y + 5 * p.z + 1, 1e-3)
            << p.x << " " << p.y << " " << p.z;
    }
}

TEST(Image3D, BresenhamWalk) {
    CImage3D a;
    ASSERT_TRUE(a.Create(8, 8, 8));
    for (int x = 0; x < 4; ++x)
        a.Pixel(x, x < 2 ? 0 : 1, 0) = static_cast<unsigned char>(10 + 100 * (x % 2));
    int n = 5;
    // The walk (0,0,0)-(3,1,0) reads (0,0,0), (1,0,0), (2,1,0), (3,1,0): 10 + 110 + 10 + 110.
    EXPECT_FLOAT_EQ(a.GetGradientLineBresenham(P(0, 0, 0), P(3, 1, 0), 255, n), 240.0f / 255.0f);
    EXPECT_EQ(n, 8);
    EXPECT_FLOAT_EQ(a.GetGradientLineBresenham(P(3, 1, 0), P(0, 0, 0), 50, n),
                    (10 + 255 + 10 + 255) / 255.0f);
    EXPECT_EQ(n, 11);
    // Equal ends: the raw value, above the threshold too, and no count.
    EXPECT_FLOAT_EQ(a.GetGradientLineBresenham(P(1, 0, 0), P(1, 0, 0), 5, n), 110.0f / 255.0f);
    EXPECT_EQ(n, 11);
    // Ends outside the volume are not walked.
    EXPECT_EQ(a.GetGradientLineBresenham(P(0, 0, 0), P(8, 0, 0), 255, n), 0.0f);
    EXPECT_EQ(n, 11);

    // Properties on random segments: the walk starts and ends at the end points, reads
    // extent + 1 voxels, and the driving extent is the largest one.
    std::mt19937 alea(3);
    std::uniform_int_distribution<int> c(0, 7);
    for (int k = 0; k < 300; ++k) {
        const P p1(c(alea), c(alea), c(alea)), p2(c(alea), c(alea), c(alea));
        if (p1 == p2)
            continue;
        const int etendue =
            std::max({std::abs(p1.x - p2.x), std::abs(p1.y - p2.y), std::abs(p1.z - p2.z)});
        CImage3D un;
        ASSERT_TRUE(un.Create(8, 8, 8));
        for (int z = 0; z < 8; ++z)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    un.Pixel(x, y, z) = 1;
        int m = 0;
        ASSERT_FLOAT_EQ(un.GetGradientLineBresenham(p1, p2, 255, m), (etendue + 1) / 255.0f);
        ASSERT_EQ(m, etendue);
        for (int z = 0; z < 8; ++z)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    un.Pixel(x, y, z) = 0;
        un.Pixel(p1) = 1;
        un.Pixel(p2) = 2;
        ASSERT_FLOAT_EQ(un.GetGradientLineBresenham(p1, p2, 255, m), 3.0f / 255.0f);
        ASSERT_FLOAT_EQ(un.GetGradientLineBresenham(p2, p1, 255, m), 3.0f / 255.0f);
    }
}

TEST(Image3D, SliceSeriesNamesAndLoaders) {
    DossierTemporaire dossier;
    const std::string scan = dossier / "scan";
    CImage3D a = motif(10, 6, 2);
    ASSERT_TRUE(a.Save(scan.c_str(), 0));
    EXPECT_TRUE(std::filesystem::exists(scan + "_z0000.bmp"));
    EXPECT_TRUE(std::filesystem::exists(scan + "_z0001.bmp"));
    EXPECT_FALSE(std::filesystem::exists(scan + "_z0002.bmp"));
    CImage3D b;
    ASSERT_TRUE(b.LoadAny(scan.c_str()));
    EXPECT_TRUE(memesVoxels(a, b));
    EXPECT_EQ(b.GetPitch(), 12);
    EXPECT_FALSE(b.Load(scan.c_str()));
    EXPECT_EQ(b.GetDepth(), 0);
    ASSERT_TRUE(b.LoadAny(scan.c_str(), 1));
    EXPECT_EQ(b.GetDepth(), 1);
    EXPECT_FALSE(b.LoadAny(scan.c_str(), 3)); // slice 2 missing
    EXPECT_FALSE(b.LoadAny(scan.c_str(), 0));
    EXPECT_FALSE(a.Save(scan.c_str(), 2));
    EXPECT_TRUE(CImage3D().Save(scan.c_str(), 0));
    EXPECT_FALSE(a.Save((dossier / "absent/scan").c_str(), 0));

    // JPEG series: grey slices come back 8-bit and close to the original.
    CImage3D lisse;
    ASSERT_TRUE(lisse.Create(16, 16, 2));
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                lisse.Pixel(x, y, z) = static_cast<unsigned char>(8 * x + 4 * y + 20 * z);
    ASSERT_TRUE(lisse.Save((dossier / "j").c_str(), 6));
    ASSERT_TRUE(b.LoadAny((dossier / "j").c_str()));
    ASSERT_EQ(b.GetDepth(), 2);
    EXPECT_EQ(b.GetSlice(0).GetBitsPerPixel(), 8);
    EXPECT_NEAR(b.Pixel(9, 9, 1), lisse.Pixel(9, 9, 1), 6);

    // Load reads name + number, turning colour into the integer mean of R, G and B.
    const std::string serie = dossier / "s";
    for (int z = 0; z < 3; ++z) {
        OctetsTest bgr;
        for (int k = 0; k < 5 * 3; ++k)
            bgr.insert(bgr.end(), {static_cast<unsigned char>(z), 100, 201});
        char nom[16];
        std::snprintf(nom, sizeof nom, "%04d.bmp", z);
        ecrireOctets(serie + nom, bmpFait(5, 3, 24, bgr));
    }
    ASSERT_TRUE(b.Load(serie.c_str()));
    ASSERT_EQ(b.GetDepth(), 3);
    EXPECT_EQ(b.GetWidth(), 5);
    EXPECT_EQ(b.GetPitch(), 8);
    EXPECT_EQ(b.GetSlice(0).GetBitsPerPixel(), 8);
    EXPECT_EQ(b.Pixel(4, 2, 2), (2 + 100 + 201) / 3);
    EXPECT_EQ(b.Pixel(0, 0, 0), 301 / 3);
    EXPECT_FALSE(b.LoadAny(serie.c_str()));

    // A slice of another size would be read out of its bounds: the series is refused.
    ecrireOctets(serie + "0003.bmp", bmpFait(2, 2, 24, OctetsTest(12, 0)));
    EXPECT_FALSE(b.Load(serie.c_str()));
    EXPECT_EQ(b.GetDepth(), 0);
    ecrireOctets(serie + "0003.bmp", OctetsTest(100, 7));
    EXPECT_FALSE(b.Load(serie.c_str()));
    EXPECT_TRUE(b.Load(serie.c_str(), 3));
}

TEST(Image3D, I3DFiles) {
    DossierTemporaire dossier;
    const CImage3D a = motif(10, 3, 4);
    ASSERT_TRUE(a.SaveI3D((dossier / "a.i3d").c_str()));
    EXPECT_EQ(lireOctets(dossier / "a.i3d").size(), 6u + 10 * 3 * 4);
    CImage3D b;
    ASSERT_TRUE(b.LoadI3D((dossier / "a.i3d").c_str()));
    EXPECT_TRUE(memesVoxels(a, b));
    const BTRGBQuad c0 = b.GetSlice(0).GetColorTable()[77], c3 = b.GetSlice(3).GetColorTable()[77];
    EXPECT_TRUE(c0.rouge == c3.rouge && c0.vert == c3.vert && c0.bleu == c3.bleu &&
                c3.reserve == 255);

    // Two bytes per voxel, little-endian: the low byte is kept.
    OctetsTest large = enteteI3D(3, 2, 2);
    for (int k = 0; k < 12; ++k)
        large.insert(large.end(), {static_cast<unsigned char>(k * 20), 0x7F});
    ecrireOctets(dossier / "l.i3d", large);
    ASSERT_TRUE(b.LoadI3D((dossier / "l.i3d").c_str()));
    EXPECT_EQ(b.Pixel(2, 1, 1), 220);
    EXPECT_EQ(b.Pixel(1, 0, 1), 140);

    OctetsTest promesse = enteteI3D(65535, 65535, 65535);
    promesse.resize(1000, 1);
    ecrireOctets(dossier / "p.i3d", promesse);
    OctetsTest tronque = lireOctets(dossier / "a.i3d");
    tronque.pop_back();
    ecrireOctets(dossier / "t.i3d", tronque);
    OctetsTest zero = enteteI3D(0, 5, 5);
    ecrireOctets(dossier / "z.i3d", zero);
    ecrireOctets(dossier / "e.i3d", {1, 0, 1});
    for (const char* nom : {"p.i3d", "t.i3d", "z.i3d", "e.i3d", "absent.i3d"}) {
        CImage3D c = motif(2, 2, 2);
        EXPECT_FALSE(c.LoadI3D((dossier / nom).c_str())) << nom;
        EXPECT_EQ(c.GetDepth(), 0) << nom;
    }
    EXPECT_FALSE(CImage3D().SaveI3D((dossier / "vide.i3d").c_str()));
    EXPECT_FALSE(a.SaveI3D((dossier / "absent/a.i3d").c_str()));
}
