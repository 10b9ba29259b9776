// Reading slice folders and segmentations into the loaded volume, from real files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Parallele.h"
#include "helpers/slices.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"

namespace {

unsigned char voxel(const unsigned char* v, const CImageTroisD& vol, int x, int y, int z) {
    return v[(static_cast<std::size_t>(z) * vol.hauteur + y) * vol.largeur + x];
}
unsigned char voxel(const VolumeOctets& v, const CImageTroisD& vol, int x, int y, int z) {
    return voxel(v.get(), vol, x, y, z);
}

// Slice z of a volume buffer holds the single value v everywhere.
bool coupeUnie(const unsigned char* v, const CImageTroisD& vol, int z, unsigned char valeur) {
    for (int y = 0; y < vol.hauteur; ++y)
        for (int x = 0; x < vol.largeur; ++x)
            if (voxel(v, vol, x, y, z) != valeur)
                return false;
    return true;
}

TEST(Loading, GreyConversionTruncatesAndColourPlanes) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "volume");
    PixelsRGB im(7, 2);
    const int couleurs[7][3] = {{128, 128, 128}, {100, 100, 100}, {255, 255, 255}, {0, 0, 0},
                                {1, 1, 1},       {10, 200, 30},   {250, 3, 77}};
    for (int x = 0; x < 7; ++x) {
        im.fixer(x, 0, couleurs[x][0], couleurs[x][1], couleurs[x][2]);
        im.fixer(x, 1, couleurs[6 - x][0], couleurs[6 - x][1], couleurs[6 - x][2]);
    }
    ASSERT_TRUE(ecrireBMP(dossier + "/s.bmp", im));
    ecrireTexte(tmp.chemin() + "/config.txt", "couleurs\n#40# rgb\n=1= oui\n");

    CImageTroisD vol(tmp.chemin(), dossier, nullptr, nullptr);
    ASSERT_EQ(vol.largeur, 7);
    ASSERT_EQ(vol.hauteur, 2);
    ASSERT_EQ(vol.profondeur, 1);
    EXPECT_EQ(vol.rgb, 1);
    EXPECT_EQ(vol.getOriginPath(), dossier + "/");
    // Grey pixels lose one level for some values: the double sum is truncated.
    EXPECT_EQ(vol.getVoxelImage(0, 0, 0), 127);
    EXPECT_EQ(vol.getVoxelImage(1, 0, 0), 100);
    EXPECT_EQ(vol.getVoxelImage(2, 0, 0), 255);
    EXPECT_EQ(vol.getVoxelImage(3, 0, 0), 0);
    EXPECT_EQ(vol.getVoxelImage(4, 0, 0), 0);
    // (10, 200, 30): 117.4 + 2.99 + 3.42 = 123.81; (250, 3, 77): 1.761 + 74.75 + 8.778 = 85.289.
    const int gris[7] = {127, 100, 255, 0, 0, 123, 85};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) {
            const int* c = couleurs[y == 0 ? x : 6 - x];
            EXPECT_EQ(vol.getVoxelImage(x, y, 0), gris[y == 0 ? x : 6 - x]);
            EXPECT_EQ(voxel(vol.imR, vol, x, y, 0), c[0]);
            EXPECT_EQ(voxel(vol.imG, vol, x, y, 0), c[1]);
            EXPECT_EQ(voxel(vol.imB, vol, x, y, 0), c[2]);
        }
    EXPECT_EQ(std::memcmp(vol.image.get(), vol.volumeOriginal(), 14), 0);

    // Without the configuration no colour plane is kept.
    DossierTemporaire sansConfig;
    CImageTroisD grisSeul(sansConfig.chemin(), dossier, nullptr, nullptr);
    EXPECT_EQ(grisSeul.rgb, 0);
    EXPECT_EQ(grisSeul.imR, nullptr);
    EXPECT_EQ(grisSeul.getVoxelImage(5, 0, 0), 123);
}

// Random colours: the weighted sum 0.587 G + 0.299 R + 0.114 B truncated, computed here in
// thousandths; a sum that is a whole number may fall one level short in double precision.
TEST(Loading, GreyConversionOfRandomColours) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "volume");
    constexpr int kCote = 64;
    PixelsRGB im(kCote, kCote);
    std::uint32_t etat = 12345;
    int couleurs[kCote][kCote][3];
    for (int y = 0; y < kCote; ++y)
        for (int x = 0; x < kCote; ++x) {
            for (int& c : couleurs[y][x]) {
                etat = etat * 1664525u + 1013904223u;
                c = static_cast<int>(etat >> 24);
            }
            im.fixer(x, y, couleurs[y][x][0], couleurs[y][x][1], couleurs[y][x][2]);
        }
    ASSERT_TRUE(ecrireBMP(dossier + "/s.bmp", im));
    CImageTroisD vol(tmp.chemin(), dossier, nullptr, nullptr);
    ASSERT_EQ(vol.largeur, kCote);
    for (int y = 0; y < kCote; ++y)
        for (int x = 0; x < kCote; ++x) {
            const int* c = couleurs[y][x];
            const int milliemes = 299 * c[0] + 587 * c[1] + 114 * c[2];
            const int g = vol.getVoxelImage(x, y, 0);
            ASSERT_TRUE(g == milliemes / 1000 ||
                        (milliemes % 1000 == 0 && g == milliemes / 1000 - 1))
                << c[0] << " " << c[1] << " " << c[2] << ": " << g;
            ASSERT_EQ(voxel(vol.volumeOriginal(), vol, x, y, 0), g);
        }
}

// The configuration's thread count is applied when a volume is opened; without the entry the
// count stays as it stands.
TEST(Loading, ThreadCountFromTheConfiguration) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "volume");
    ASSERT_TRUE(ecrireBMP(dossier + "/s.bmp", PixelsRGB(3, 2)));
    ecrireTexte(tmp.chemin() + "/config.txt", "threads\n#50# threads\n=3=\n");
    Stravol::definirNbThreads(1);
    CImageTroisD vol(tmp.chemin(), dossier, nullptr, nullptr);
    EXPECT_EQ(vol.ParamNbThreads, 3);
    EXPECT_EQ(Stravol::nbThreads(), 3);
    DossierTemporaire sansConfig;
    CImageTroisD autre(sansConfig.chemin(), dossier, nullptr, nullptr);
    EXPECT_EQ(Stravol::nbThreads(), 3);
    Stravol::definirNbThreads(0);
}

TEST(Loading, PatternOrderThenNameOrder) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "volume");
    ASSERT_TRUE(ecrirePNG(dossier + "/a.png", imageUnie(8, 8, 10)));
    ASSERT_TRUE(ecrireBMP(dossier + "/b.bmp", imageUnie(8, 8, 20)));
    ASSERT_TRUE(ecrireBMP(dossier + "/A.BMP", imageUnie(8, 8, 30)));
    ASSERT_TRUE(ecrireBMP(dossier + "/c.Cup", imageUnie(8, 8, 40)));
    ASSERT_TRUE(ecrireJPG(dossier + "/0.jpg", imageUnie(8, 8, 50)));
    ASSERT_TRUE(ecrirePNG(dossier + "/B.png", imageUnie(8, 8, 60)));
    ecrireTexte(dossier + "/notes.txt", "pas une image");
    std::filesystem::create_directory(dossier + "/z.bmp");

    ProgressionCollectee barre;
    MessagesCollectes messages;
    CImageTroisD vol(tmp.chemin(), dossier, &barre, &messages);
    EXPECT_TRUE(messages.textes.empty());
    ASSERT_EQ(vol.profondeur, 6);
    // "*.bmp" (A.BMP, b.bmp), "*.cup", "*.png" (a.png, B.png), "*.jpg".
    const int attendu[6] = {30, 20, 40, 10, 60, 50};
    for (int z = 0; z < 5; ++z)
        EXPECT_TRUE(coupeUnie(vol.image.get(), vol, z, attendu[z])) << "coupe " << z;
    EXPECT_NEAR(vol.getVoxelImage(3, 3, 5), 50, 1);
    EXPECT_EQ(barre.maximums, std::vector<int>{6});
    EXPECT_EQ(barre.valeurs, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(Loading, PngThenBmpStacksTheBmpFirst) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "v");
    ASSERT_TRUE(ecrirePNG(dossier + "/a.png", imageUnie(3, 2, 77)));
    ASSERT_TRUE(ecrireBMP(dossier + "/b.bmp", imageUnie(3, 2, 99)));
    CImageTroisD vol(tmp.chemin(), dossier, nullptr, nullptr);
    ASSERT_EQ(vol.profondeur, 2);
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 0, 99));
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 1, 77));
}

TEST(Loading, EmptyOrMissingFolderGivesASafeEmptyVolume) {
    DossierTemporaire tmp;
    for (const bool absent : {false, true}) {
        const std::string dossier = absent ? tmp.chemin() + "/absent" : sousDossier(tmp, "vide");
        MessagesCollectes messages;
        ProgressionCollectee barre;
        CImageTroisD vol(tmp.chemin(), dossier, &barre, &messages);
        EXPECT_EQ(vol.largeur, 0);
        EXPECT_EQ(vol.hauteur, 0);
        EXPECT_EQ(vol.profondeur, 0);
        EXPECT_EQ(vol.image, nullptr);
        if (absent) {
            // One message a pattern, the TIFF ones last.
            ASSERT_EQ(messages.textes.size(), 6u);
            EXPECT_EQ(messages.textes[5].rfind("Comptage des images \"*.tiff\" a échoué !\n", 0),
                      0u);
            EXPECT_EQ(messages.textes[0].rfind("Comptage des images \"*.bmp\" a échoué !\n", 0),
                      0u);
            EXPECT_EQ(messages.textes[3].rfind("Comptage des images \"*.jpg\" a échoué !\n", 0),
                      0u);
            EXPECT_GT(messages.textes[0].size(),
                      std::string("Comptage des images \"*.bmp\" a échoué !\n").size());
        } else {
            EXPECT_TRUE(messages.textes.empty());
        }
        // Every later operation is safe and does nothing.
        vol.AllouerTexture();
        vol.preparationTexture(&barre, Stravol::ModeAffichage::Normale);
        vol.preparationTexture(&barre, Stravol::ModeAffichage::Segmentee);
        EXPECT_EQ(vol.getTabZ(0), nullptr);
        EXPECT_EQ(vol.getImageZ(0).largeur, 0);
        EXPECT_EQ(vol.getImageX(0).pixels.size(), 0u);
        EXPECT_EQ(vol.getImageY(0).hauteur, 0);
        unsigned char texture[CImageTroisD::kTailleTexture];
        std::memset(texture, 9, sizeof texture);
        vol.getImageOpenGlZ(0, texture);
        EXPECT_EQ(texture[0], 0);
        EXPECT_FALSE(vol.ChargerSeg(dossier, &barre));
        CImage3D cible(2, 2, 2);
        vol.CimageTroisDtoCimage3D(cible);
        EXPECT_EQ(cible.Pixel(1, 1, 1), 0);
    }
}

TEST(Loading, CorruptPictureReportedAndPatternAbandoned) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "v");
    ASSERT_TRUE(ecrireBMP(dossier + "/a.bmp", imageUnie(6, 4, 11)));
    ASSERT_TRUE(ecrireBMP(dossier + "/b.bmp", imageUnie(6, 4, 22)));
    ASSERT_TRUE(ecrireBMP(dossier + "/c.bmp", imageUnie(6, 4, 33)));
    ASSERT_TRUE(ecrirePNG(dossier + "/d.png", imageUnie(6, 4, 44)));
    ecrireTexte(dossier + "/e.png", "\x89PNG\r\n\x1a\n tronqué");
    ASSERT_TRUE(ecrirePNG(dossier + "/f.png", imageUnie(6, 4, 66)));
    // b.bmp cut in the middle of its pixels.
    std::filesystem::resize_file(dossier + "/b.bmp",
                                 std::filesystem::file_size(dossier + "/b.bmp") / 2);

    MessagesCollectes messages;
    ProgressionCollectee barre;
    CImageTroisD vol(tmp.chemin(), dossier, &barre, &messages);
    ASSERT_EQ(messages.textes.size(), 2u);
    EXPECT_EQ(messages.textes[0].rfind("Le chargement des images \"*.bmp\" a échoué !\n", 0), 0u);
    EXPECT_NE(messages.textes[0].find("b.bmp"), std::string::npos);
    EXPECT_EQ(messages.textes[1].rfind("Le chargement des images \"*.png\" a échoué !\n", 0), 0u);
    // profondeur keeps the count of files; the slices never read are 0.
    ASSERT_EQ(vol.profondeur, 6);
    // Grey 11 and 44 lose a level to the truncated double sum.
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 0, 10));
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 1, 43));
    for (int z = 2; z < 6; ++z)
        EXPECT_TRUE(coupeUnie(vol.image.get(), vol, z, 0));
    EXPECT_TRUE(coupeUnie(vol.volumeOriginal(), vol, 1, 43));
    EXPECT_EQ(barre.valeurs, (std::vector<int>{1, 2}));

    // A folder of unreadable pictures only has no size: an empty volume.
    const std::string illisibles = sousDossier(tmp, "illisibles");
    ecrireTexte(illisibles + "/x.bmp", "BM");
    MessagesCollectes autres;
    CImageTroisD vide(tmp.chemin(), illisibles, nullptr, &autres);
    EXPECT_EQ(autres.commencantPar("Le chargement des images \"*.bmp\" a échoué !\n"), 1);
    EXPECT_EQ(vide.profondeur, 0);
    EXPECT_EQ(vide.image, nullptr);
}

TEST(Loading, SmallerPictureFailsLargerPictureIsCropped) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "v");
    ASSERT_TRUE(ecrireBMP(dossier + "/1.bmp", imageUnie(5, 4, 10)));
    PixelsRGB grande(9, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            grande.fixer(x, y, 10 * x + y, 10 * x + y, 10 * x + y);
    ASSERT_TRUE(ecrireBMP(dossier + "/2.bmp", grande));
    // Wider but shorter than the first picture: still too small for a slice.
    ASSERT_TRUE(ecrireBMP(dossier + "/3.bmp", imageUnie(9, 3, 200)));
    ASSERT_TRUE(ecrireBMP(dossier + "/4.bmp", imageUnie(5, 4, 40)));
    ASSERT_TRUE(ecrirePNG(dossier + "/5.png", imageUnie(5, 4, 60)));

    MessagesCollectes messages;
    ProgressionCollectee barre;
    CImageTroisD vol(tmp.chemin(), dossier, &barre, &messages);
    ASSERT_EQ(vol.largeur, 5);
    ASSERT_EQ(vol.hauteur, 4);
    ASSERT_EQ(vol.profondeur, 5);
    // The larger picture is read without a message; the smaller one fails its pattern.
    ASSERT_EQ(messages.textes.size(), 1u);
    EXPECT_EQ(messages.textes[0].rfind("Le chargement des images \"*.bmp\" a échoué !\n", 0), 0u);
    EXPECT_NE(messages.textes[0].find("3.bmp"), std::string::npos);
    // The same pixels as a picture of the volume's size give the same slice.
    const std::string seule = sousDossier(tmp, "seule");
    PixelsRGB coin(5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            coin.fixer(x, y, 10 * x + y, 10 * x + y, 10 * x + y);
    ASSERT_TRUE(ecrireBMP(seule + "/1.bmp", coin));
    CImageTroisD reference(tmp.chemin(), seule, nullptr, nullptr);
    ASSERT_EQ(reference.largeur, 5);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(vol.getVoxelImage(x, y, 1), reference.getVoxelImage(x, y, 0))
                << x << " " << y;
    // 4.bmp is skipped with the rest of its pattern; the PNG takes the next free slice.
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 2, 60));
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 3, 0));
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 4, 0));
    EXPECT_EQ(barre.valeurs, (std::vector<int>{1, 2, 3}));
}

TEST(Loading, TooLargeVolumeReported) {
    // Sizes whose product does not fit in memory addresses are refused before allocating.
    CImageTroisD vol(2000000000, 2000000000, 2000000000);
    EXPECT_EQ(vol.largeur, 0);
    EXPECT_EQ(vol.profondeur, 0);
    EXPECT_EQ(vol.image, nullptr);
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    EXPECT_EQ(vol.getImageX(0).largeur, 0);
}

class Segmentation : public ::testing::Test {
protected:
    // A 4 x 3 x 5 volume of grey 50.
    void SetUp() override {
        volume = sousDossier(tmp, "1-volume");
        for (int z = 0; z < 5; ++z)
            ASSERT_TRUE(ecrireBMP(volume + "/s" + std::to_string(z) + ".bmp", imageUnie(4, 3, 50)));
    }
    DossierTemporaire tmp;
    std::string volume;
};

TEST_F(Segmentation, ShortFolderFillsTheFirstSlices) {
    const std::string seg = sousDossier(tmp, "2-seg");
    ASSERT_TRUE(ecrireBMP(seg + "/b.bmp", imageUnie(4, 3, 100)));
    ASSERT_TRUE(ecrireBMP(seg + "/A.bmp", imageUnie(4, 3, 128)));
    ASSERT_TRUE(ecrirePNG(seg + "/c.png", imageUnie(4, 3, 9)));
    MessagesCollectes messages;
    CImageTroisD vol(tmp.chemin(), volume, nullptr, &messages);
    ProgressionCollectee barre;
    ASSERT_TRUE(vol.ChargerSeg(seg, &barre));
    EXPECT_TRUE(messages.textes.empty());
    ASSERT_NE(vol.imageSegmente, nullptr);
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 0, 127));
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 1, 100));
    for (int z = 2; z < 5; ++z)
        EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, z, 0));
    EXPECT_EQ(barre.maximums, std::vector<int>{5});
    EXPECT_EQ(barre.valeurs, (std::vector<int>{1, 2, 0}));
    // The volume itself is untouched; a second segmentation replaces the first.
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 4, 50));
    const std::string autre = sousDossier(tmp, "3-seg");
    ASSERT_TRUE(ecrireBMP(autre + "/x.bmp", imageUnie(4, 3, 7)));
    ASSERT_TRUE(vol.ChargerSeg(autre, nullptr));
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 0, 7));
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 1, 0));
    // A folder that cannot be listed keeps the last segmentation.
    EXPECT_FALSE(vol.ChargerSeg(tmp.chemin() + "/absent", nullptr));
    EXPECT_EQ(messages.textes.size(), 1u);
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 0, 7));
}

TEST_F(Segmentation, TooManyFilesOrWrongSizesDoNotOverflow) {
    const std::string seg = sousDossier(tmp, "2-seg");
    for (int i = 0; i < 8; ++i) {
        const int l = i == 1 ? 9 : i == 2 ? 2 : 4;
        const int h = i == 1 ? 8 : i == 2 ? 1 : 3;
        ASSERT_TRUE(
            ecrireBMP(seg + "/s" + std::to_string(i) + ".bmp", imageUnie(l, h, 10 * (i + 1))));
    }
    ecrireTexte(seg + "/s3.bmp", "BM corrompu");
    MessagesCollectes messages;
    CImageTroisD vol(tmp.chemin(), volume, nullptr, &messages);
    ASSERT_TRUE(vol.ChargerSeg(seg, nullptr));
    // One message for the extra files, one for the smaller picture (the larger one is cut
    // silently), one for the corrupt file.
    EXPECT_EQ(messages.commencantPar("La segmentation \""), 1);
    EXPECT_EQ(messages.commencantPar("L'image \""), 1);
    EXPECT_EQ(messages.commencantPar("Le chargement de la segmentation \""), 1);
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 0, 10));
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 1, 20));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(voxel(vol.imageSegmente, vol, x, y, 2), x < 2 && y < 1 ? 30 : 0);
    // The corrupt file keeps its slice, which stays 0.
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 3, 0));
    EXPECT_TRUE(coupeUnie(vol.imageSegmente.get(), vol, 4, 50));
}

TEST_F(Segmentation, LoadedVolumeSurvivesDisplayModesAndWrites) {
    const std::string seg = sousDossier(tmp, "2-seg");
    for (int z = 0; z < 5; ++z)
        ASSERT_TRUE(ecrireBMP(seg + "/s" + std::to_string(z) + ".bmp", imageUnie(4, 3, 7)));
    CImageTroisD vol(tmp.chemin(), volume, nullptr, nullptr);
    ASSERT_TRUE(vol.ChargerSeg(seg, nullptr));
    // Loaded once: the shown volume is the loaded one, no second copy.
    EXPECT_EQ(vol.volumeOriginal(), vol.image.get());

    // Showing the segmentation keeps the loaded volume aside; Normale brings it back.
    vol.CopierImageCourante(Stravol::ModeAffichage::Segmentee);
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 2, 7));
    EXPECT_TRUE(coupeUnie(vol.volumeOriginal(), vol, 2, 50));
    vol.CopierImageCourante(Stravol::ModeAffichage::Normale);
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 2, 50));

    // A voxel written does not reach the loaded volume.
    CImageTroisD autre(tmp.chemin(), volume, nullptr, nullptr);
    autre.setVoxelImage(1, 1, 1, 200);
    EXPECT_EQ(autre.getVoxelImage(1, 1, 1), 200);
    EXPECT_EQ(voxel(autre.volumeOriginal(), autre, 1, 1, 1), 50);
    autre.CopierImageCourante(Stravol::ModeAffichage::Normale);
    EXPECT_EQ(autre.getVoxelImage(1, 1, 1), 50);

    // A run that keeps only the segmentation takes its buffer as image, without a copy.
    const unsigned char* segmentation = vol.imageSegmente.get();
    vol.garderSeulementMode(Stravol::ModeAffichage::Segmentee);
    EXPECT_EQ(vol.image.get(), segmentation);
    EXPECT_EQ(vol.modeCourant, Stravol::ModeAffichage::Segmentee);
    EXPECT_TRUE(coupeUnie(vol.image.get(), vol, 2, 7));
    EXPECT_EQ(vol.imageSegmente, nullptr);
    EXPECT_EQ(vol.imageOriginal, nullptr);
}

TEST(Conversions, RoundTripWithTheNativeVolume) {
    CImageTroisD vol(5, 3, 2);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                vol.setVoxelImage(x, y, z, static_cast<unsigned char>(x + 5 * y + 15 * z));
    CImage3D natif;
    ASSERT_TRUE(natif.Create(5, 3, 2));
    vol.CimageTroisDtoCimage3D(natif);
    for (int z = 0; z < 2; ++z)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(natif.Pixel(x, y, z), x + 5 * y + 15 * z);

    // Same sizes: only image is replaced.
    natif.Pixel(4, 2, 1) = 200;
    vol.Cimage3DtoCimageTroisD(natif);
    EXPECT_EQ(vol.getVoxelImage(4, 2, 1), 200);
    EXPECT_NE(vol.imageOriginal, nullptr);

    // New sizes: the buffers of the old sizes go, the textures can be allocated again.
    vol.AllouerTexture();
    CImage3D autre;
    ASSERT_TRUE(autre.Create(7, 2, 3));
    autre.Pixel(6, 1, 2) = 33;
    vol.Cimage3DtoCimageTroisD(autre);
    EXPECT_EQ(vol.largeur, 7);
    EXPECT_EQ(vol.hauteur, 2);
    EXPECT_EQ(vol.profondeur, 3);
    EXPECT_EQ(vol.getVoxelImage(6, 1, 2), 33);
    EXPECT_EQ(vol.imageOriginal, nullptr);
    EXPECT_EQ(vol.imR, nullptr);
    EXPECT_EQ(vol.getTabX(0), nullptr);
    vol.AllouerTexture();
    vol.preparationTexture(nullptr, Stravol::ModeAffichage::Normale);
    ASSERT_NE(vol.getTabX(6), nullptr);
    EXPECT_EQ(vol.getTabX(6)[3 * (256 * 255 + 255)], 33);

    // A target of other sizes receives the common part only.
    CImage3D petit;
    ASSERT_TRUE(petit.Create(3, 3, 1));
    petit.Pixel(2, 2, 0) = 9;
    vol.CimageTroisDtoCimage3D(petit);
    EXPECT_EQ(petit.Pixel(2, 2, 0), 9);
    EXPECT_EQ(petit.Pixel(2, 1, 0), vol.getVoxelImage(2, 1, 0));
}

// Slices decoded by batches on several threads give the volume, segmentation, messages and
// progress of a reading on one thread, failures in the middle of a batch included: a corrupt
// picture stops its pattern and the slices decoded after it in its batch are cleared again.
TEST(Chargement, LectureParallelleIdentiqueALaLectureSurUnThread) {
    DossierTemporaire tmp;
    const std::string dossier = sousDossier(tmp, "1-volume");
    const std::string seg = sousDossier(tmp, "2-segmentation");
    constexpr int kNbCoupes = 37;
    for (int z = 0; z < kNbCoupes; ++z) {
        PixelsRGB im(9, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                im.fixer(x, y, (7 * z + x) % 256, (3 * y + z) % 256, (x * y + 5 * z) % 256);
        char nom[32];
        std::snprintf(nom, sizeof nom, "/c%02d", z);
        // Slice 23 is too small: it stops the BMP pattern; the PNG slices follow.
        ASSERT_TRUE(z < 30 ? ecrireBMP(dossier + nom + ".bmp", z == 23 ? imageUnie(4, 4, 9) : im)
                           : ecrirePNG(dossier + nom + ".png", im));
        // Segmentation slice 11 is cut short, slice 17 smaller: both reported, both kept in place.
        ASSERT_TRUE(ecrireBMP(seg + nom + ".bmp", z == 17 ? imageUnie(4, 3, 200) : im));
    }
    std::filesystem::resize_file(seg + "/c11.bmp",
                                 std::filesystem::file_size(seg + "/c11.bmp") / 2);

    struct Lecture {
        std::vector<unsigned char> image, original, segmentation;
        std::vector<std::string> messages;
        std::vector<int> progression;
    };
    const auto lire = [&](int threads) {
        Stravol::definirNbThreads(threads);
        MessagesCollectes messages;
        ProgressionCollectee barre;
        CImageTroisD vol(tmp.chemin(), dossier, &barre, &messages);
        EXPECT_TRUE(vol.ChargerSeg(seg, &barre));
        Stravol::definirNbThreads(0);
        Lecture l;
        const std::size_t n = static_cast<std::size_t>(vol.largeur) * vol.hauteur * vol.profondeur;
        l.image.assign(vol.image.get(), vol.image.get() + n);
        l.original.assign(vol.volumeOriginal(), vol.volumeOriginal() + n);
        l.segmentation.assign(vol.imageSegmente.get(), vol.imageSegmente.get() + n);
        l.messages = messages.textes;
        l.progression = barre.valeurs;
        return l;
    };
    const Lecture un = lire(1);
    ASSERT_EQ(un.image.size(), 9u * 5u * kNbCoupes);
    ASSERT_EQ(un.messages.size(), 3u);
    EXPECT_NE(un.messages[0].find("c23.bmp"), std::string::npos);
    EXPECT_NE(un.messages[1].find("c11.bmp"), std::string::npos);
    EXPECT_NE(un.messages[2].find("c17.bmp"), std::string::npos);
    for (int threads : {2, 3, 8}) {
        const Lecture plusieurs = lire(threads);
        EXPECT_EQ(plusieurs.image, un.image) << threads;
        EXPECT_EQ(plusieurs.original, un.original) << threads;
        EXPECT_EQ(plusieurs.segmentation, un.segmentation) << threads;
        EXPECT_EQ(plusieurs.messages, un.messages) << threads;
        EXPECT_EQ(plusieurs.progression, un.progression) << threads;
    }
}

} // namespace
